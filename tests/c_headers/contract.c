/*
 * The plug-in contract seen from C: a display plug-in written in C includes
 * these headers, so they must compile as C11, lay out the records as the
 * engine does and carry the numbers plug-ins are built with. Each header is
 * also compiled on its own (CMakeLists.txt), so none leans on another's
 * includes.
 */
#include <stddef.h>
#include <stdint.h>

#include "mwbitmap.h"
#include "mwblit.h"
#include "mwcon.h"
#include "mwinput.h"
#include "mwkernel.h"
#include "mwmath.h"
#include "mwplugin.h"
#include "mwrender.h"
#include "mwscene.h"
#include "mwworld.h"

/* Records without pointers: the same bytes on every target. */
_Static_assert(sizeof(mwPLUGIN_INFO) == 156, "plug-in info is 156 bytes");
_Static_assert(offsetof(mwPLUGIN_INFO, name) == 12, "plug-in info: name at 12");
_Static_assert(offsetof(mwPLUGIN_INFO, description) == 24, "plug-in info: description at 24");
_Static_assert(offsetof(mwPLUGIN_INFO, vendor) == 88, "plug-in info: vendor at 88");
_Static_assert(offsetof(mwPLUGIN_INFO, pluginClass) == 152, "plug-in info: class at 152");
_Static_assert(sizeof(mwPLUGIN_CLASS_INFO) == 188, "class info is 188 bytes");
_Static_assert(offsetof(mwPLUGIN_CLASS_INFO, caps) == 152, "class info: caps at 152");
_Static_assert(offsetof(mwPLUGIN_CLASS_INFO, textureUnits) == 160, "class info: texture units at 160");
_Static_assert(offsetof(mwPLUGIN_CLASS_INFO, maxFlags) == 184, "class info: maximum mode flags at 184");
_Static_assert(sizeof(mwBLIT_MODE) == 16, "a mode is 16 bytes");
_Static_assert(sizeof(mwrVERTEX) == 64, "a vertex is 16 floats");
_Static_assert(offsetof(mwrVERTEX, r) == 48, "a vertex's colour follows 12 floats");
_Static_assert(sizeof(mwrLIGHT) == 88, "a light is 22 words");
_Static_assert(sizeof(mwrCAMERA) == 152, "a camera is 38 words");
_Static_assert(offsetof(mwrRENDERSTATE, lights) == 176, "render state: the light list at word 44");
_Static_assert(sizeof(mwDRIVER_PACKET) == 57 * sizeof(void (*)(void)), "the packet is 57 slots");
_Static_assert(offsetof(mwDRIVER_PACKET, drawScreenPolygon) == 56 * sizeof(void (*)(void)),
               "drawScreenPolygon is the last slot");

/* Records with pointers have their documented sizes on 32-bit targets. */
#if UINTPTR_MAX == 0xFFFFFFFFu
_Static_assert(sizeof(mwrMATERIAL) == 92, "a material is 23 words");
_Static_assert(sizeof(mwrRENDERSTATE) == 472, "the render state is 472 bytes");
_Static_assert(sizeof(mwPLUGIN_SERVICES) == 12, "the services record is three pointers");
#endif

/* The numbers that cross the contract. */
_Static_assert(MW_PLUGIN_CLASS_BLIT == 0 && MW_PLUGIN_CLASS_AUX1 == 1 && MW_PLUGIN_CLASS_AUX3 == 3 &&
                   MW_PLUGIN_CLASS_ANY == 0xFFFF,
               "plug-in classes");
_Static_assert(MW_PLUGIN_INFO_MAGIC == 0x4D504C47u && MW_BLIT_CLASS_INFO_MAGIC == 0x424C4452u, "magics");
_Static_assert(MW_BLIT_KIND_ANY == 0 && MW_BLIT_KIND_LISTED == 1, "mode kinds");
_Static_assert(MW_BLIT_FLAG_FILTER == 0x001 && MW_BLIT_FLAG_DEPTH == 0x002 && MW_BLIT_FLAG_ALPHA == 0x004 &&
                   MW_BLIT_FLAG_DOUBLE == 0x008 && MW_BLIT_FLAG_DEFAULT == 0x7FB,
               "mode flags");
_Static_assert(MW_BLIT_BUFFER_FRONT == 0 && MW_BLIT_BUFFER_BACK == 1, "drawing buffers");
_Static_assert(MW_BLIT_FILTER_BILINEAR == 1, "bilinear filtering");
_Static_assert(MW_BLIT_BITMAP_PRIVATE == 1, "private copies are flags bit 0");
_Static_assert(MWR_CULL_CLOCKWISE == 0 && MWR_CULL_COUNTERCLOCKWISE == 1 && MWR_CULL_NONE == 3,
               "culling modes");
_Static_assert(MWR_COLOR_CONSTANT == 0 && MWR_COLOR_VERTEX == 1 && MWR_COLOR_LIT == 2, "colour modes");
_Static_assert(MWR_BLEND_OPAQUE == 0 && MWR_BLEND_VERTEX_ALPHA == 1 && MWR_BLEND_TEXTURE_ALPHA == 2 &&
                   MWR_BLEND_DARKEN == 3 && MWR_BLEND_ADD_HALF == 4 && MWR_BLEND_ADD == 5,
               "blend modes");
_Static_assert(MWR_MATERIAL_ADD_HALF == 1, "the material flag is bit 0");
_Static_assert(MWR_TEXTURE_LAYER0 == 1 && MWR_TEXTURE_LAYER1 == 2 && MWR_TEXTURE_LAYER2 == 4,
               "texture layers");
_Static_assert(MW_STATUS_ACTIVE == 1, "the status code of the status slot");
