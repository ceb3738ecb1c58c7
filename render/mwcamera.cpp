// Cameras: field of view, clip distances and the scaled view matrix.
#include <cmath>

#include "mwrintern.h"

namespace {

const char kOwner[] = "mwcamera";

} // namespace

namespace mwr {

void cameraDefaults(mwrCAMERA &camera)
{
    camera.fov = 1.2217305f; // 70 degrees
    camera.aspect = 1.3333333f;
    camera.near = 0.001f;
    camera.far = 65535.0f;
    camera.focal = 0.0f;
    camera.focalY = 0.0f;
    mwmMatrixIdentity(&camera.matrix);
    mwmMatrixIdentity(&camera.view);
}

} // namespace mwr

extern "C" {

mwrCAMERA *mwrCameraAlloc(int count)
{
    return mwr::allocRecords<mwrCAMERA>(kOwner, __LINE__, "mwrCameraAlloc", count, mwr::cameraDefaults);
}

void mwrCameraFree(mwrCAMERA *camera) { mwr::freeRecords(camera, kOwner, __LINE__, "mwrCameraFree"); }

void mwrCameraCopy(mwrCAMERA *dst, const mwrCAMERA *src)
{
    mwr::copyRecord(dst, src, sizeof *dst, kOwner, __LINE__, "mwrCameraCopy");
}

void mwrCameraSelect(mwrCAMERA *camera)
{
    mwr::requireRecord(camera, kOwner, __LINE__, "mwrCameraSelect");
    mwrRENDERSTATE &st = mwr::requireState("mwrCameraSelect");
    st.nearZ = camera->near;
    st.farZ = camera->far;

    // The projection's scale goes into the view matrix, so that the view
    // volume is the pyramid |x| <= z, |y| <= z and clipping needs no divide.
    camera->focal = 1.0f / std::tan(camera->fov * 0.5f);
    camera->focalY = camera->aspect * camera->focal;
    mwmMATRIX worldToCamera, scale;
    mwmMatrixRigidInverse(&worldToCamera, &camera->matrix);
    mwmMatrixIdentity(&scale);
    scale.m[0] = camera->focal;
    scale.m[5] = camera->focalY;
    mwmMatrixMultiply(&camera->view, &worldToCamera, &scale);

    st.camera = *camera;
    mwr::updateDerived();
}

} // extern "C"
