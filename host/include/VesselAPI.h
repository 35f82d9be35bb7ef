// Host interface: the vessel classes. A module derives its vessel class from VESSEL3, defines
// the vessel through the VESSEL methods and answers the host through the VESSEL2 callbacks.
#ifndef QUVA_VESSELAPI_H
#define QUVA_VESSELAPI_H

#include "OrbiterAPI.h"

namespace quva { struct VesselAccess; }

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
#endif

class OAPIFUNC VESSEL {
public:
    VESSEL(OBJHANDLE hVessel, int fmodel = 1);

    const OBJHANDLE GetHandle() const;

    // Physical definition, normally given in clbkSetClassCaps.
    void SetSize(double size) const;
    void SetEmptyMass(double m) const;
    void SetPMI(const VECTOR3 &pmi) const;
    void SetCrossSections(const VECTOR3 &cs) const;
    void SetRotDrag(const VECTOR3 &rd) const;
    void SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const;
    void SetTouchdownPoints(const VECTOR3 &pt1, const VECTOR3 &pt2, const VECTOR3 &pt3) const;
    void SetDockParams(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) const;
    void SetCameraOffset(const VECTOR3 &co) const;
    void SetMeshVisibilityMode(UINT idx, WORD mode) const;

    void CreateAirfoil(AIRFOIL_ORIENTATION align, const VECTOR3 &ref, AirfoilCoeffFunc cf, double c, double S,
                       double A) const;

    ATTACHMENTHANDLE CreateAttachment(bool toparent, const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot,
                                      const char *id, bool loose = false) const;
    ATTACHMENTHANDLE GetAttachmentHandle(bool toparent, DWORD i) const;
    OBJHANDLE GetAttachmentStatus(ATTACHMENTHANDLE attachment) const;

    PROPELLANT_HANDLE CreatePropellantResource(double maxmass, double mass = -1.0, double efficiency = 1.0) const;
    THRUSTER_HANDLE CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0, PROPELLANT_HANDLE hp = NULL,
                                   double isp0 = 0.0, double isp_ref = 0.0, double p_ref = 101.4e3) const;

    UINT AddMesh(const char *meshname, const VECTOR3 *ofs = 0) const;
    UINT AddMesh(MESHHANDLE hMesh, const VECTOR3 *ofs = 0) const;

    UINT CreateAnimation(double initial_state) const;
    ANIMATIONCOMPONENT_HANDLE AddAnimationComponent(UINT anim, double state0, double state1, MGROUP_TRANSFORM *trans,
                                                    ANIMATIONCOMPONENT_HANDLE parent = NULL) const;
    bool SetAnimation(UINT anim, double state) const;

    // Rate of turn in the vessel's own axes (rad/s): +x nose up, +y nose left, +z right side down.
    void GetAngularVel(VECTOR3 &avel) const;
    void SetAngularVel(const VECTOR3 &avel) const;
    // Attitude as the three angles of an AROT line (rad) against the global frame.
    void GetGlobalOrientation(VECTOR3 &arot) const;
    void SetGlobalOrientation(const VECTOR3 &arot) const;
    // The torque of the latest step per unit mass (N m / kg), and in N m.
    void GetTorqueVector(VECTOR3 &M) const;
    void GetAngularMoment(VECTOR3 &amom) const;
    // A force F (N, vessel frame) at the vessel point r for the next step: it pushes and turns.
    void AddForce(const VECTOR3 &F, const VECTOR3 &r) const;

    bool GroundContact() const;
    double GetDrag() const;
    double GetMass() const;

    void ParseScenarioLineEx(char *line, void *status) const;

protected:
    OBJHANDLE vessel;
    short flightmodel;
    short version;

    friend struct quva::VesselAccess;
};

class OAPIFUNC VESSEL2 : public VESSEL {
public:
    VESSEL2(OBJHANDLE hVessel, int fmodel = 1);

    // Callbacks, in slot order. The defaults are the host's own behaviour.
    virtual void clbkSetClassCaps(FILEHANDLE cfg);
    virtual void clbkSaveState(FILEHANDLE scn);
    virtual void clbkLoadStateEx(FILEHANDLE scn, void *status);
    virtual void clbkSetStateEx(const void *status);
    virtual void clbkPostCreation();
    virtual void clbkPostStep(double simt, double simdt, double mjd);
    virtual int clbkConsumeBufferedKey(DWORD key, bool down, char *kstate);
};

class OAPIFUNC VESSEL3 : public VESSEL2 {
public:
    VESSEL3(OBJHANDLE hVessel, int fmodel = 1);
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#endif
