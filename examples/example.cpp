// example: the engine's 3D path from start to finish, kept short to serve as
// the reference for using it. It starts the kernel and the render library,
// brings up the voodoo display plug-in, places a generated sphere and, when
// given, a 3D Studio mesh in a world, lights them from code or from a
// LightWave scene, and draws them through the world's visibility traversal
// until Escape or its frame count. The last frame can be saved as a PNG file.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "datafiles.h"
#include "framepace.h"
#include "mwblit.h"
#include "mwinput.h"
#include "mwkernel.h"
#include "mwhost.h"
#include "mwplugin.h"
#include "mwrender.h"
#include "mwscene.h"
#include "mwworld.h"
#include "runopts.h"
#include "snapshot.h"

namespace {

constexpr int kBlockBytes = 0x1000000;  // block memory taken at start-up ...
constexpr int kDynamicBytes = 0xC00000; // ... of which the dynamic heap: meshes, world, lights
// Flags 0 take the driver's default: double buffered, with a depth buffer.
constexpr mwBLIT_MODE kMode = {512, 384, MW_BLIT_KIND_ANY, 0};
constexpr uint32_t kBackground = 0x1C2440FF; // 0xRRGGBBAA, the board's colour format
constexpr int32_t kLightKey = 1;             // owner key of every light we add

//---- Meshes in the world -----------------------------------------------------

// Scales and moves the mesh so that its bounding box is centred on centre and
// its longest side is size long, and makes item the world's record of it.
// The world draws meshes as they are, under the current model matrix, so
// their vertices are placed in world space once here. False for a mesh
// whose extent is not a finite number.
bool placeMesh(mwrMESH *mesh, const mwmVECTOR &centre, float size, mwwITEM &item)
{
    float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (int i = 0; i < mesh->vertexCount; ++i) {
        const float p[3] = {mesh->vertices[i].x, mesh->vertices[i].y, mesh->vertices[i].z};
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(p[k]))
                return false;
            lo[k] = std::fmin(lo[k], p[k]);
            hi[k] = std::fmax(hi[k], p[k]);
        }
    }
    const float longest = std::fmax(hi[0] - lo[0], std::fmax(hi[1] - lo[1], hi[2] - lo[2]));
    if (!std::isfinite(longest))
        return false;
    const float scale = longest > 0.0f ? size / longest : 1.0f; // uniform: normals stay as they are
    const float c[3] = {centre.x, centre.y, centre.z};
    float mid[3];
    for (int k = 0; k < 3; ++k)
        mid[k] = 0.5f * (lo[k] + hi[k]);
    for (int i = 0; i < mesh->vertexCount; ++i) {
        mwrVERTEX &v = mesh->vertices[i];
        v.x = (v.x - mid[0]) * scale + c[0];
        v.y = (v.y - mid[1]) * scale + c[1];
        v.z = (v.z - mid[2]) * scale + c[2];
    }
    item = mwwITEM{};
    item.mesh = mesh;
    for (int k = 0; k < 3; ++k) {
        item.size[k] = (hi[k] - lo[k]) * scale;
        item.min[k] = c[k] - 0.5f * item.size[k];
    }
    return true;
}

//---- Camera and lights set up in code ------------------------------------------

// A camera placement at eye looking at target, upright: the 3 x 3 look-at
// gives the axes as the columns of a rotation, the 4 x 4 matrix adds eye.
void aimCamera(mwrCAMERA *camera, mwmVECTOR eye, mwmVECTOR target)
{
    mwmVECTOR up = {0.0f, 1.0f, 0.0f};
    mwmMATRIX3 axes;
    mwmMatrix3LookAt(&axes, &eye, &up, &target);
    mwmMatrixIdentity(&camera->matrix);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            camera->matrix.m[4 * r + c] = axes.m[3 * r + c];
    mwmMatrixSetTranslation(&camera->matrix, eye.x, eye.y, eye.z);
}

// Slowly round the objects, half a degree per frame.
void orbitCamera(mwrCAMERA *camera, long frame)
{
    const float angle = float(frame - 1) * 0.5f * float(MWM_DEG_TO_RAD);
    aimCamera(camera, {5.0f * std::sin(angle), 2.6f, -5.0f * std::cos(angle)}, {0.0f, -0.2f, 0.0f});
}

// A warm key light above left, a cool fill light on the right and some
// ambient light. Point lights need only a position.
std::vector<mwrLIGHT *> codeLights()
{
    struct Setting {
        int type;
        float color[3];
        float position[3];
    };
    const Setting settings[] = {
        {MWR_LIGHT_AMBIENT, {0.10f, 0.10f, 0.14f}, {0, 0, 0}},
        {MWR_LIGHT_POINT, {1.00f, 0.85f, 0.65f}, {-5.0f, 6.0f, -5.0f}},
        {MWR_LIGHT_POINT, {0.25f, 0.40f, 0.80f}, {6.0f, -1.0f, -2.0f}},
    };
    std::vector<mwrLIGHT *> lights;
    for (const Setting &s : settings) {
        mwrLIGHT *light = mwrLightAlloc(1);
        light->type = s.type;
        for (int k = 0; k < 3; ++k)
            light->color[k] = s.color[k];
        mwmMatrixSetTranslation(&light->matrix, s.position[0], s.position[1], s.position[2]);
        lights.push_back(light);
    }
    return lights;
}

//---- Camera and lights from a LightWave scene ------------------------------------

// The scene graph keeps local matrices; a node's place in the world is the
// product of its ancestors' matrices and its own.
void worldMatrix(const mwsNODE *node, mwmMATRIX *out)
{
    mwmMatrixCopy(out, node->matrix);
    for (const mwsNODE *up = node->parent; up; up = up->parent)
        mwmMatrixMultiply(out, out, up->matrix); // up x out
}

struct SceneParts {
    mwsNODE *camera = nullptr;     // the first camera, or none
    std::vector<mwsNODE *> lights; // each drives one light of our own
};

void collect(mwsNODE *node, SceneParts &parts)
{
    if (node->type == MWS_CAMERA && !parts.camera)
        parts.camera = node;
    // One slot of the light table always stays free.
    if (node->type == MWS_LIGHT && parts.lights.size() < MWR_MAX_LIGHTS - 1)
        parts.lights.push_back(node);
    for (mwLISTNODE *child = node->children.first; child; child = child->next)
        collect(static_cast<mwsNODE *>(child->data), parts);
}

// Evaluates the scene at the program's frame (60 a second, looping over the
// scene's frame range) and copies its camera and lights, placed in the world.
void followScene(mwsSCENE *scene, const SceneParts &parts, long frame, mwrCAMERA *camera,
                 const std::vector<mwrLIGHT *> &lights)
{
    const float rate = scene->fps > 0.0f && scene->fps <= 1000.0f ? scene->fps / 60.0f : 0.5f;
    const float span = float(scene->lastFrame) - float(scene->firstFrame);
    float at = float(frame - 1) * rate;
    if (span > 0.0f)
        at = std::fmod(at, span);
    scene->frame = float(scene->firstFrame) + at;
    mwsSceneUpdate(scene->node);

    if (parts.camera) {
        mwrCameraCopy(camera, static_cast<mwsCAMERADATA *>(parts.camera->data)->camera);
        worldMatrix(parts.camera, &camera->matrix);
    }
    for (size_t i = 0; i < parts.lights.size(); ++i) {
        mwrLightCopy(lights[i], static_cast<mwsLIGHTDATA *>(parts.lights[i]->data)->light);
        worldMatrix(parts.lights[i], &lights[i]->matrix);
    }
}

//---- Set-up ------------------------------------------------------------------

// The display plug-in (working directory, installed folder, program folder), loaded and bound into
// the mwBlit functions, in a 512 x 384 mode on the main window; then the
// render state is handed over, which the plug-in reads from then on.
void startDisplay(mwrRENDERSTATE *renderState)
{
    searchPlugins();
    mwPLUGIN_ENTRY *display = mwBlitFindDevice(0, "voodoo");
    if (!display)
        mwFatal("Voodoo device driver not found");
    if (!mwPluginLoad(display))
        mwFatal("Cannot initialize the voodoo device driver");
    mwBlitSelect(display);
    mwPluginPurge(MW_PLUGIN_CLASS_ANY); // entries of other plug-ins found on the way
    if (!mwBlitSetMode(&kMode, mwGetMainWindow()))
        mwFatal("Cannot set a %dx%d mode", kMode.width, kMode.height);
    mwBlitSetRenderState(renderState);
}

// Escape, also when pressed and released within one frame.
bool escapePressed(int8_t quitAction)
{
    int count = 0;
    const int32_t *events = mwiGetKeyEvents(&count);
    for (int i = 0; i < count; ++i)
        if (events[i] == (MWI_KEY_ESCAPE | MWI_KEY_PRESSED))
            return true;
    return quitAction != 0;
}

//---- The stage: what the world holds and what lights it ------------------------

struct Stage {
    std::vector<mwwITEM> items;
    mwwWORLD *world = nullptr;
    mwsSCENE *scene = nullptr;
    SceneParts parts;
    std::vector<mwrLIGHT *> lights; // in the active list
};

void buildStage(const RunOptions &options, Stage &stage)
{
    // The meshes side by side in a world of 4 x 2 x 4 cells around them.
    stage.items.resize(options.mesh.empty() ? 1 : 2);
    placeMesh(mwrGenSphere(1.0f, 16, 24), {-1.3f, 0.0f, 0.0f}, 2.0f, stage.items[0]);
    if (!options.mesh.empty()) {
        mwrMESH *mesh = mw3dsLoad(options.mesh.c_str());
        if (!mesh || !placeMesh(mesh, {1.4f, 0.0f, 0.0f}, 2.6f, stage.items[1]))
            mwFatal("Cannot load the 3D Studio mesh %s", options.mesh.c_str());
    }
    const mwmVECTOR extent = {24.0f, 12.0f, 24.0f}, origin = {-12.0f, -4.0f, -12.0f};
    const int32_t cells[3] = {4, 2, 4};
    stage.world = mwwWorldCreate(&extent, &origin, cells, "example");
    for (mwwITEM &item : stage.items)
        mwwWorldInsert(stage.world, &item);

    // Camera and lights: the scene's when it has them, else our own.
    if (!options.scene.empty()) {
        stage.scene = lwsLoad(options.scene.c_str(), nullptr);
        if (!stage.scene)
            mwFatal("Cannot load the LightWave scene %s", options.scene.c_str());
        collect(stage.scene->node, stage.parts);
    }
    if (stage.parts.lights.empty())
        stage.lights = codeLights();
    else
        for (size_t i = 0; i < stage.parts.lights.size(); ++i)
            stage.lights.push_back(mwrLightAlloc(1));
    for (mwrLIGHT *light : stage.lights)
        mwrLightAdd(light, kLightKey); // by pointer: changing the records moves the lights
}

void freeStage(Stage &stage)
{
    // Lights leave the active list before they are freed.
    mwrLightRemove(kLightKey);
    for (mwrLIGHT *light : stage.lights)
        mwrLightFree(light);
    if (stage.scene)
        mwsNodeFree(stage.scene->node);
    mwwWorldFree(stage.world);
    for (mwwITEM &item : stage.items)
        mwrMeshFree(item.mesh);
}

void drawFrame(Stage &stage, long frame, mwrCAMERA *camera, const mwrMATERIAL *material)
{
    if (stage.scene)
        followScene(stage.scene, stage.parts, frame, camera, stage.lights);
    if (!stage.parts.camera)
        orbitCamera(camera, frame);
    mwrCameraSelect(camera);
    mwrMaterialSelect(material); // after the lights have moved: it prepares them

    mwBlitBeginScene();
    mwBlitClear(kBackground, 0);
    // From the camera's cell the traversal draws each item in view once per
    // tick: the frame number, never 0 and new every frame.
    const mwmVECTOR eye = {camera->matrix.m[3], camera->matrix.m[7], camera->matrix.m[11]};
    if (mwwCELL *cell = mwwWorldLocate(&eye, stage.world))
        mwwWorldDraw(int32_t(frame), cell);
    else // outside the world: no visibility to go by, draw everything
        for (const mwwITEM &item : stage.items)
            mwBlitDrawMesh(item.mesh);
    mwBlitEndScene();
}

int run(const RunOptions &options)
{
    mwrRENDERSTATE *renderState = mwrInit();
    enum { kActionNone, kActionQuit, kActionCount };
    int8_t actions[kActionCount] = {};
    mwiInit();
    mwiSetActions(actions, kActionCount);
    mwiBind(MWI_KEY_ESCAPE, kActionQuit);
    startDisplay(renderState);

    // The canvas covers the mode just set; selecting it sets the projection.
    mwrCANVAS *canvas = mwrCanvasAlloc(1);
    mwrCanvasSelect(canvas);
    mwrCAMERA *camera = mwrCameraAlloc(1);
    camera->near = 0.1f;
    camera->far = 100.0f;
    // One lit material for everything the world draws. Cull mode 0 drops the
    // faces turned away as the sphere generator and the 3D Studio loader
    // wind them.
    mwrMATERIAL *material = mwrMaterialAlloc(1);
    material->colorMode = MWR_COLOR_LIT;
    material->cullMode = MWR_CULL_CLOCKWISE;
    for (int k = 0; k < 3; ++k) {
        material->diffuse[k] = 0.85f;
        material->specular[k] = 0.45f;
    }
    material->shininess = 24.0f;
    Stage stage;
    buildStage(options, stage);

    const bool headless = mwHostIsHeadless();
    const long frames = options.frames ? options.frames : headless ? 1 : 0;
    FramePacer pacer(frameCap(options, headless, static_cast<HWND>(mwGetMainWindow())));
    for (long frame = 1; (!frames || frame <= frames) && !mwStopRequested(); ++frame) {
        mwiPoll();
        if (escapePressed(actions[kActionQuit]))
            break;
        drawFrame(stage, frame, camera, material);
        pacer.wait();
        mwBlitSwapBuffers(0);
    }

    int result = 0;
    std::string error;
    if (!options.snapshot.empty() && !saveFrameSnapshot(options.snapshot, error)) {
        std::fprintf(stderr, "example: cannot save %s: %s\n", options.snapshot.c_str(), error.c_str());
        result = 1;
    }

    freeStage(stage);
    mwrMaterialFree(material);
    mwrCameraFree(camera);
    mwrCanvasFree(canvas);
    mwiDeinit();
    mwrDeinit();
    mwPluginRemoveAll(MW_PLUGIN_CLASS_ANY);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    RunOptions options;
    std::string error;
    if (!parseRunOptions(argc, argv, kExampleProgram, options, error)) {
        std::fprintf(stderr, "example: %s\n", error.c_str());
        printUsage(stderr, kExampleProgram);
        return 2;
    }
    if (options.help) {
        printUsage(stdout, kExampleProgram);
        return 0;
    }
    // A window, not the full screen; or none.
    mwHostSetMode(options.headless ? MW_HOST_HEADLESS : MW_HOST_WINDOW);

    if (!mwInit(kBlockBytes, kDynamicBytes, "Marrow example"))
        return 1;
    const int result = run(options);
    mwShutdown();
    return result;
}
