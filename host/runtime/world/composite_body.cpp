#include "world/composite_body.h"

#include <cmath>

namespace quva {

CompositeBody combine(const std::vector<BodyPart> &parts) {
    CompositeBody body;
    Vec3 moment;
    for (const BodyPart &p : parts) {
        if (p.mass <= 0.0) continue;
        body.mass += p.mass;
        moment += p.position * p.mass;
    }
    if (body.mass <= 0.0) return CompositeBody{};
    body.centreOfMass = moment / body.mass;
    Vec3 sum;
    for (const BodyPart &p : parts) {
        if (p.mass <= 0.0) continue;
        const Vec3 &i = p.pmi;
        const double half[3] = {std::sqrt(1.5 * std::fabs(-i.x + i.y + i.z)), std::sqrt(1.5 * std::fabs(i.x - i.y + i.z)),
                                std::sqrt(1.5 * std::fabs(i.x + i.y - i.z))};
        const Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        const Vec3 offset = p.position - body.centreOfMass;
        for (int k = 0; k < 3; ++k) {
            for (double side : {1.0, -1.0}) {
                const Vec3 r = p.rotation * (axes[k] * (side * half[k])) + offset;
                sum += Vec3{r.y * r.y + r.z * r.z, r.x * r.x + r.z * r.z, r.x * r.x + r.y * r.y} * (p.mass / 6.0);
            }
        }
    }
    body.pmi = sum / body.mass;
    return body;
}

}  // namespace quva
