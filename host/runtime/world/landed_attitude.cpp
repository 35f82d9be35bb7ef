#include "world/landed_attitude.h"

#include <cmath>
#include <utility>

namespace quva {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

}  // namespace

Vec3 planetFixedPoint(double lon, double lat, double r) {
    return {r * std::cos(lat) * std::cos(lon), r * std::sin(lat), r * std::cos(lat) * std::sin(lon)};
}

// Columns: vessel +x (east turned by the heading), +y (local up), +z (north turned toward east).
Mat3 levelAttitude(double lon, double lat, double heading) {
    const double sl = std::sin(lon), cl = std::cos(lon), sp = std::sin(lat), cp = std::cos(lat),
                 sh = std::sin(heading), ch = std::cos(heading);
    Mat3 r;
    r.m[0][0] = cl * sp * sh - sl * ch;
    r.m[0][1] = cl * cp;
    r.m[0][2] = -cl * sp * ch - sl * sh;
    r.m[1][0] = -cp * sh;
    r.m[1][1] = sp;
    r.m[1][2] = cp * ch;
    r.m[2][0] = sl * sp * sh + cl * ch;
    r.m[2][1] = cp * sl;
    r.m[2][2] = -sl * sp * ch + cl * sh;
    return r;
}

RestingGeometry restingGeometry(const std::vector<Vec3> &tp) {
    RestingGeometry g;
    if (tp.size() < 3) return g;
    const Vec3 normal = normalized(cross(tp[0] - (tp[1] + tp[2]) * 0.5, tp[2] - tp[1]));
    if (length(normal) == 0.0) return g;  // the points lie on one line: no plane to rest on
    g.height = dot(normal, -tp[0]);
    const double tilt = std::acos(std::fmax(-1.0, std::fmin(1.0, normal.y)));
    if (tilt <= 1e-8) return g;
    // Turn about the axis that lies in the vessel's x-z plane across the normal's lean.
    const double phi = std::atan2(normal.x, -normal.z);
    const double cf = std::cos(phi), sf = std::sin(phi), ct = std::cos(tilt), st = std::sin(tilt);
    Mat3 p, x, q;
    p.m[0][0] = cf; p.m[0][2] = sf; p.m[2][0] = -sf; p.m[2][2] = cf;
    x.m[1][1] = ct; x.m[1][2] = -st; x.m[2][1] = st; x.m[2][2] = ct;
    q.m[0][0] = cf; q.m[0][2] = -sf; q.m[2][0] = sf; q.m[2][2] = cf;
    g.tilt = q * x * p;
    return g;
}

std::vector<Vec3> compressedUnderLoad(std::vector<Vec3> tp, const double k[3], double weight) {
    if (tp.size() < 3 || !(weight > 0.0)) return tp;
    const Vec3 n = normalized(cross(tp[0] - (tp[1] + tp[2]) * 0.5, tp[2] - tp[1]));
    const Vec3 across = tp[2] - tp[1];
    const Vec3 ex = normalized(across - n * dot(n, across));
    const Vec3 ez = cross(ex, n);
    if (length(n) == 0.0 || length(ex) == 0.0) return tp;
    // Normal equations of Σ k δ = W, Σ k δ x = 0, Σ k δ z = 0 with δ = W (A + B x + C z).
    double m[3][4] = {};
    for (int i = 0; i < 3; ++i) {
        const double row[3] = {1.0, dot(ex, tp[i]), dot(ez, tp[i])};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m[r][c] += k[i] * row[r] * row[c];
    }
    m[0][3] = 1.0;
    // Gaussian elimination with partial pivoting.
    for (int c = 0; c < 3; ++c) {
        int p = c;
        for (int r = c + 1; r < 3; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[p][c])) p = r;
        if (m[p][c] == 0.0) return tp;  // the springs cannot carry it: left as defined
        for (int j = 0; j < 4; ++j) std::swap(m[c][j], m[p][j]);
        for (int r = 0; r < 3; ++r) {
            if (r == c) continue;
            const double f = m[r][c] / m[c][c];
            for (int j = c; j < 4; ++j) m[r][j] -= f * m[c][j];
        }
    }
    const double a = m[0][3] / m[0][0], b = m[1][3] / m[1][1], c = m[2][3] / m[2][2];
    for (int i = 0; i < 3; ++i) {
        const double kappa = a + b * dot(ex, tp[i]) + c * dot(ez, tp[i]);
        tp[i] += n * (kappa * weight);
    }
    return tp;
}

double headingOf(const Mat3 &landRot, double lon, double lat) {
    const Vec3 east{-std::sin(lon), 0.0, std::cos(lon)};
    const Vec3 north{-std::sin(lat) * std::cos(lon), std::cos(lat), -std::sin(lat) * std::sin(lon)};
    Vec3 nose{landRot.m[0][2], landRot.m[1][2], landRot.m[2][2]};
    double e = dot(nose, east), n = dot(nose, north);
    if (e * e + n * n < 1e-12) {
        const Vec3 belly{-landRot.m[0][1], -landRot.m[1][1], -landRot.m[2][1]};
        e = dot(belly, east);
        n = dot(belly, north);
    }
    const double h = std::atan2(e, n);
    if (h >= 0.0) return h;
    // A hair west of north would round up to 2π itself, outside [0, 2π): that is north.
    const double wrapped = h + kTwoPi;
    return wrapped < kTwoPi ? wrapped : 0.0;
}

}  // namespace quva
