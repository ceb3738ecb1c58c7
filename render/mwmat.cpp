// Materials: colours, shininess and the display driver's drawing modes.
#include <cstring>

#include "mwblit.h"
#include "mwrintern.h"

namespace {

const char kOwner[] = "mwmat";

} // namespace

namespace mwr {

void materialDefaults(mwrMATERIAL &material)
{
    std::memset(&material, 0, sizeof material);
    material.diffuse[0] = material.diffuse[1] = material.diffuse[2] = 0.5f;
    material.shininess = 5.0f;
    material.opacity = 1.0f;
}

} // namespace mwr

extern "C" {

mwrMATERIAL *mwrMaterialAlloc(int count)
{
    return mwr::allocRecords<mwrMATERIAL>(kOwner, __LINE__, "mwrMaterialAlloc", count, mwr::materialDefaults);
}

void mwrMaterialFree(mwrMATERIAL *material)
{
    mwr::freeRecords(material, kOwner, __LINE__, "mwrMaterialFree");
}

void mwrMaterialCopy(mwrMATERIAL *dst, const mwrMATERIAL *src)
{
    mwr::copyRecord(dst, src, sizeof *dst, kOwner, __LINE__, "mwrMaterialCopy");
}

void mwrMaterialSelect(const mwrMATERIAL *material)
{
    mwr::requireRecord(material, kOwner, __LINE__, "mwrMaterialSelect");
    mwrRENDERSTATE &st = mwr::requireState("mwrMaterialSelect");
    std::memcpy(st.texture, material->texture, sizeof st.texture);
    st.material = *material;
    st.textureFlags = material->textureMask & material->textureFlags;
    mwr::prepareLights();
    if (mwBlitSetMaterial)
        mwBlitSetMaterial(material);
}

} // extern "C"
