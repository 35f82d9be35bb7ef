// Plain 3-vector arithmetic for the host's own computations.
#pragma once

#include <cmath>

#include "OrbiterAPI.h"

namespace quva {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;

    static Vec3 from(const VECTOR3 &v) { return {v.x, v.y, v.z}; }

    Vec3 operator+(const Vec3 &o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3 &o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    Vec3 &operator+=(const Vec3 &o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vec3 &operator-=(const Vec3 &o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    bool operator==(const Vec3 &o) const = default;
};

inline Vec3 operator*(double s, const Vec3 &v) { return v * s; }
inline double dot(const Vec3 &a, const Vec3 &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(const Vec3 &a, const Vec3 &b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vec3 &v) { return std::sqrt(dot(v, v)); }
inline bool finite(const Vec3 &v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
inline Vec3 normalized(const Vec3 &v) {
    double l = length(v);
    return l > 0.0 ? v / l : Vec3{};
}

// Row-major 3x3 matrix: rotation from the vessel frame to the global frame.
struct Mat3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    // The matrix whose columns are a, b and c: the rotation taking the unit axes to them.
    static Mat3 fromColumns(const Vec3 &a, const Vec3 &b, const Vec3 &c) {
        Mat3 r;
        r.m[0][0] = a.x; r.m[0][1] = b.x; r.m[0][2] = c.x;
        r.m[1][0] = a.y; r.m[1][1] = b.y; r.m[1][2] = c.y;
        r.m[2][0] = a.z; r.m[2][1] = b.z; r.m[2][2] = c.z;
        return r;
    }

    Vec3 operator*(const Vec3 &v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    Mat3 operator*(const Mat3 &o) const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j];
        return r;
    }
    // The transpose times v, without forming the transpose: body frame to vessel frame.
    Vec3 transposeTimes(const Vec3 &v) const {
        return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z, m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z,
                m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z};
    }
    Mat3 transposed() const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r.m[i][j] = m[j][i];
        return r;
    }
};

// Rotation by `angle` radians about the unit axis `axis` (right-handed).
Mat3 rotationAbout(const Vec3 &axis, double angle);

}  // namespace quva
