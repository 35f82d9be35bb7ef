// Host interface: types, constants, mesh-group transforms and global functions that vessel
// modules use. Names and signatures follow the simulator's own SDK so that module sources build
// unchanged against either.
#ifndef QUVA_ORBITERAPI_H
#define QUVA_ORBITERAPI_H

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#ifdef QUVA_HOST_BUILD
#define OAPIFUNC __declspec(dllexport)
#else
#define OAPIFUNC __declspec(dllimport)
#endif
#define DLLCLBK extern "C" __declspec(dllexport)
#else
typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef int BOOL;
typedef void *HINSTANCE;
#define OAPIFUNC __attribute__((visibility("default")))
#define DLLCLBK extern "C" __attribute__((visibility("default")))
#endif

// ---------------------------------------------------------------------------------------------
// Vectors and handles

typedef union {
    double data[3];
    __extension__ struct {
        double x, y, z;
    };
} VECTOR3;

inline VECTOR3 _V(double x, double y, double z) {
    VECTOR3 v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

typedef void *OBJHANDLE;
typedef void *FILEHANDLE;
typedef void *MESHHANDLE;
typedef void *PROPELLANT_HANDLE;
typedef void *THRUSTER_HANDLE;
typedef void *ATTACHMENTHANDLE;
typedef void *ANIMATIONCOMPONENT_HANDLE;

const double PI = 3.14159265358979323846;
const double RAD = PI / 180.0;
const double DEG = 180.0 / PI;

// ---------------------------------------------------------------------------------------------
// Aerodynamics

enum AIRFOIL_ORIENTATION { LIFT_VERTICAL = 0, LIFT_HORIZONTAL = 1 };

typedef void (*AirfoilCoeffFunc)(double aoa, double M, double Re, double *cl, double *cm, double *cd);

// ---------------------------------------------------------------------------------------------
// Meshes and keys

#define MESHVIS_EXTERNAL 0x01
#define MESHVIS_COCKPIT 0x02
#define MESHVIS_ALWAYS (MESHVIS_EXTERNAL | MESHVIS_COCKPIT)

#define OAPI_KEY_G 0x22
#define OAPI_KEY_LSHIFT 0x2A
#define OAPI_KEY_RSHIFT 0x36
#define OAPI_KEY_LCONTROL 0x1D
#define OAPI_KEY_RCONTROL 0x9D
#define OAPI_KEY_LALT 0x38
#define OAPI_KEY_RALT 0xB8
#define KEYDOWN(buf, key) ((buf)[key] & 0x80)

// ---------------------------------------------------------------------------------------------
// Mesh-group transforms. The module owns them; the host keeps pointers and reads them whenever
// it poses the mesh, so they must outlive every animation that names them.

class OAPIFUNC MGROUP_TRANSFORM {
public:
    enum TYPE { NULLTRANSFORM, ROTATE, TRANSLATE, SCALE };
    MGROUP_TRANSFORM();
    MGROUP_TRANSFORM(UINT mesh, UINT *grp, UINT ngrp);
    virtual ~MGROUP_TRANSFORM();
    virtual TYPE Type() const;

    UINT mesh;
    UINT *grp;
    UINT ngrp;
};

class OAPIFUNC MGROUP_ROTATE : public MGROUP_TRANSFORM {
public:
    MGROUP_ROTATE(UINT mesh, UINT *grp, UINT ngrp, const VECTOR3 &ref, const VECTOR3 &axis, float angle);
    TYPE Type() const override;

    VECTOR3 ref;
    VECTOR3 axis;
    float angle;
};

class OAPIFUNC MGROUP_TRANSLATE : public MGROUP_TRANSFORM {
public:
    MGROUP_TRANSLATE(UINT mesh, UINT *grp, UINT ngrp, const VECTOR3 &shift);
    TYPE Type() const override;

    VECTOR3 shift;
};

class OAPIFUNC MGROUP_SCALE : public MGROUP_TRANSFORM {
public:
    MGROUP_SCALE(UINT mesh, UINT *grp, UINT ngrp, const VECTOR3 &ref, const VECTOR3 &scale);
    TYPE Type() const override;

    VECTOR3 ref;
    VECTOR3 scale;
};

// ---------------------------------------------------------------------------------------------
// Global functions. Some return types carry a top-level const exactly as the simulator's SDK
// declares them; the qualifier has no effect, so its warning is silenced here.

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
#endif

OAPIFUNC double oapiGetSimTime();
OAPIFUNC bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget = 0);
OAPIFUNC double oapiGetInducedDrag(double cl, double A, double e);
OAPIFUNC const MESHHANDLE oapiLoadMeshGlobal(const char *fname);
OAPIFUNC bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line);
OAPIFUNC void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string);

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#endif
