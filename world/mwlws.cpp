// LightWave scene files: a single pass over the text, keyword by keyword,
// building a scene graph of objects, nulls, lights and cameras with their
// motions and envelopes.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>

#include "mwscene.h"

namespace {

const char kOwner[] = "mwlws";

constexpr int kTextSize = 500; // the token and line buffer, NUL included
constexpr int kMaxObjects = 512;
constexpr float kInv255 = 0.003921568859368563f;
constexpr double kDegToRad = 0.017453292519943295;

//---- Numbers, read as scanf reads them

// Fields separated by white space, each parsed as %d or %f would. The first
// field that does not parse ends the scan; it and the fields after it keep
// their earlier values.
class Scan {
public:
    explicit Scan(const char *text) : at_(text) {}

    Scan &integer(int32_t &out)
    {
        if (failed_)
            return *this;
        char *end;
        const long long value = std::strtoll(at_, &end, 10);
        if (end == at_) {
            failed_ = true;
            return *this;
        }
        out = static_cast<int32_t>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
        at_ = end;
        ++count_;
        return *this;
    }

    Scan &real(float &out)
    {
        if (failed_)
            return *this;
        char *end;
        const float value = std::strtof(at_, &end);
        if (end == at_) {
            failed_ = true;
            return *this;
        }
        out = value;
        at_ = end;
        ++count_;
        return *this;
    }

    int count() const { return count_; }

private:
    const char *at_;
    bool failed_ = false;
    int count_ = 0;
};

// A float frame or flag truncated to an integer, saturated where it does not fit.
int32_t truncated(float value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483648.0f)
        return INT32_MAX;
    if (value < -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

void setName(mwsNODE *node, const char *name)
{
    const size_t length = strnlen(name, MWS_NAME_SIZE - 1);
    std::memcpy(node->name, name, length);
    node->name[length] = '\0';
}

//---- The byte-wise readers

class TextReader {
public:
    TextReader(FILE *file, int64_t position)
        : file_(file), size_(mwFileSize(kOwner, __LINE__, file)), position_(position)
    {
        text_[0] = '\0';
    }

    // The next token: up to a space, a line feed or a carriage return, which
    // is consumed. False only when the file ended before any byte was read.
    bool token()
    {
        int length = 0;
        bool consumed = false;
        for (;;) {
            const int c = nextByte();
            if (c == EOF) {
                lineEnded_ = true;
                break;
            }
            consumed = true;
            if (c == ' ' || c == '\n' || c == '\r') {
                lineEnded_ = c == '\n';
                break;
            }
            store(length, c);
        }
        text_[length] = '\0';
        return consumed;
    }

    // The next line without its carriage returns; the line feed is consumed.
    bool line()
    {
        int length = 0;
        bool consumed = false;
        for (;;) {
            const int c = nextByte();
            if (c == EOF)
                break;
            consumed = true;
            if (c == '\n')
                break;
            if (c != '\r')
                store(length, c);
        }
        text_[length] = '\0';
        lineEnded_ = true;
        return consumed;
    }

    // What is left of the line the last token was read from: nothing when
    // that token ended its line.
    void restOfLine()
    {
        if (lineEnded_)
            text_[0] = '\0';
        else
            line();
    }

    const char *text() const { return text_; }
    int64_t bytesLeft() const { return size_ > position_ ? size_ - position_ : 0; }

private:
    int nextByte()
    {
        if (next_ == end_) {
            // A call into the file layer per byte cost more than the parsing.
            const int got = mwFileRead(kOwner, __LINE__, file_, buffer_, int(sizeof buffer_));
            if (got <= 0)
                return EOF;
            next_ = buffer_;
            end_ = buffer_ + got;
        }
        ++position_;
        return *next_++;
    }

    // Text beyond the buffer is dropped: the token or line is cut.
    void store(int &length, int c)
    {
        if (length < kTextSize - 1)
            text_[length++] = static_cast<char>(c);
    }

    FILE *file_;
    int64_t size_;
    int64_t position_;
    bool lineEnded_ = false;
    char text_[kTextSize];
    unsigned char buffer_[4096];
    const unsigned char *next_ = buffer_, *end_ = buffer_; // what is read and not handed out
};

//---- The loader

enum class Step { Go, Stop }; // Stop: the load ends and returns NULL

// Quantities a light takes from a value or an envelope.
enum class Envelope { Intensity, Range, Cone };

class Loader {
public:
    Loader(FILE *file, const char *fileName) : in_(file, 4), fileName_(fileName) {}

    mwsSCENE *load();

private:
    struct Keyword {
        const char *name;
        Step (Loader::*action)();
    };
    static const Keyword *keyword(const char *token);

    Step firstFrame();
    Step lastFrame();
    Step framesPerSecond();
    Step loadObject() { return addObject(MWS_OBJECT, "adding MAXITEM object: %s\n"); }
    Step addNullObject() { return addObject(MWS_NULL, "adding NULL object: %s\n"); }
    Step motion();
    Step endBehavior() { return motionNumber(&mwsMOTIONREF::endBehavior, "End Behavior = %d \n"); }
    Step frameOffset() { return motionNumber(&mwsMOTIONREF::frameOffset, "Frame Offset = %d \n"); }
    Step pivotPoint();
    Step parentObject();
    Step ambientColor();
    Step intensity() { return valueOrEnvelope(Envelope::Intensity); }
    Step addLight();
    Step lightName();
    Step lightType();
    Step lightColor();
    Step coneAngle() { return valueOrEnvelope(Envelope::Cone); }
    Step lightFalloff();
    Step lightRange() { return valueOrEnvelope(Envelope::Range); }
    Step showCamera();
    Step zoomFactor();
    Step stop() { return Step::Stop; }

    Step addObject(int type, const char *message);
    Step motionNumber(int32_t mwsMOTIONREF::*field, const char *message);
    Step valueOrEnvelope(Envelope kind);
    void makeCurrent(mwsNODE *node, int objectIndex = -1);
    mwsLIGHTDATA *currentLight() const;
    bool readCounts(int32_t &keys, int32_t &channels);
    bool plausible(int32_t keys, int channels) const;
    void cleanup();
    void discard();

    TextReader in_;
    const char *fileName_;
    mwsNODE *root_ = nullptr;
    mwsSCENE *scene_ = nullptr;
    mwsNODE *current_ = nullptr;
    int currentObject_ = -1;            // current_'s place in the object table
    mwsMOTIONREF *motionRef_ = nullptr; // what EndBehavior and FrameOffset change
    mwsNODE *objects_[kMaxObjects];
    int32_t parentNumber_[kMaxObjects]; // pending ParentObject numbers, from 1
    int objectCount_ = 0;
};

const Loader::Keyword *Loader::keyword(const char *token)
{
    // In strcmp order, for the search by halves: a token is looked up for
    // every word of the file.
    static constexpr Keyword table[] = {
        {"AddLight", &Loader::addLight},
        {"AddNullObject", &Loader::addNullObject},
        {"AmbIntensity", &Loader::intensity},
        {"AmbientColor", &Loader::ambientColor},
        {"CameraMotion", &Loader::motion},
        {"ConeAngle", &Loader::coneAngle},
        {"EndBehavior", &Loader::endBehavior},
        {"FirstFrame", &Loader::firstFrame},
        {"FrameOffset", &Loader::frameOffset},
        {"FramesPerSecond", &Loader::framesPerSecond},
        {"LastFrame", &Loader::lastFrame},
        {"LgtIntensity", &Loader::intensity},
        {"LightColor", &Loader::lightColor},
        {"LightFalloff", &Loader::lightFalloff},
        {"LightMotion", &Loader::motion},
        {"LightName", &Loader::lightName},
        {"LightRange", &Loader::lightRange},
        {"LightType", &Loader::lightType},
        {"LoadObject", &Loader::loadObject},
        {"ObjectMotion", &Loader::motion},
        {"ParentObject", &Loader::parentObject},
        {"PivotPoint", &Loader::pivotPoint},
        {"ShowCamera", &Loader::showCamera},
        {"ZoomFactor", &Loader::zoomFactor},
        {"return", &Loader::stop},
    };
    constexpr auto before = [](const Keyword &k, std::string_view name) { return k.name < name; };
    static_assert(std::is_sorted(std::begin(table), std::end(table),
                                 [&](const Keyword &a, const Keyword &b) { return before(a, b.name); }),
                  "the keywords are in strcmp order");
    const Keyword *k = std::lower_bound(std::begin(table), std::end(table), std::string_view(token), before);
    return k != std::end(table) && k->name == std::string_view(token) ? k : nullptr;
}

mwsSCENE *Loader::load()
{
    mwLogPrintf("LWS load file: %s\n", fileName_);
    root_ = mwsNodeCreate(MWS_SCENE);
    scene_ = static_cast<mwsSCENE *>(root_->data);
    root_->motion.spline = mwmSplineCreate(1, MWS_NODE_CHANNELS);
    setName(root_, fileName_);

    while (in_.token()) {
        const Keyword *k = keyword(in_.text());
        if (k && (this->*k->action)() == Step::Stop) {
            discard();
            return nullptr;
        }
    }
    makeCurrent(nullptr); // a light that ends the file joins the root too
    cleanup();
    return scene_;
}

// A light becomes part of the scene when the loader moves on from it,
// unless ParentObject has placed it already.
void Loader::makeCurrent(mwsNODE *node, int objectIndex)
{
    if (current_ && current_->type == MWS_LIGHT && !current_->parent) {
        mwLogPrintf("Adding to root scene \n");
        mwsNodeAttach(root_, current_);
    }
    current_ = node;
    currentObject_ = objectIndex;
    motionRef_ = nullptr;
}

mwsLIGHTDATA *Loader::currentLight() const
{
    return current_ && current_->type == MWS_LIGHT ? static_cast<mwsLIGHTDATA *>(current_->data) : nullptr;
}

// Objects take their parents once all are known; a number that names no
// object read, or that would close a loop, leaves the object at the root.
void Loader::cleanup()
{
    mwLogPrintf("LWS Cleanup Stage \n");
    for (int i = 0; i < objectCount_; ++i) {
        mwsNODE *node = objects_[i];
        const int32_t number = parentNumber_[i];
        mwsNODE *parent = number >= 1 && number <= objectCount_ ? objects_[number - 1] : root_;
        for (const mwsNODE *up = parent; up; up = up->parent) {
            if (up == node) {
                parent = root_;
                break;
            }
        }
        mwsNodeAttach(parent, node);
    }
}

// Releases everything built so far. Before the cleanup stage no object is
// attached, and lights hang under the root or an object, except the current one.
void Loader::discard()
{
    if (current_ && current_->type == MWS_LIGHT && !current_->parent)
        mwsNodeFree(current_);
    for (int i = 0; i < objectCount_; ++i)
        mwsNodeFree(objects_[i]);
    mwsNodeFree(root_);
}

//---- Scene and objects

Step Loader::firstFrame()
{
    in_.restOfLine();
    Scan(in_.text()).integer(scene_->firstFrame);
    mwLogPrintf("First Frame = %d \n", scene_->firstFrame);
    return Step::Go;
}

Step Loader::lastFrame()
{
    in_.restOfLine();
    Scan(in_.text()).integer(scene_->lastFrame);
    return Step::Go;
}

Step Loader::framesPerSecond()
{
    in_.restOfLine();
    Scan(in_.text()).real(scene_->fps);
    mwLogPrintf("FPS  = %f \n", scene_->fps);
    return Step::Go;
}

Step Loader::addObject(int type, const char *message)
{
    in_.token();
    if (objectCount_ == kMaxObjects) {
        // Later keywords for the refused object must not reach the one before.
        mwLogPrintf("lwsLoad: more than %d objects, %s is left out\n", kMaxObjects, in_.text());
        makeCurrent(nullptr);
        return Step::Go;
    }
    mwsNODE *node = mwsNodeCreate(type);
    setName(node, in_.text());
    objects_[objectCount_] = node;
    parentNumber_[objectCount_] = 0;
    makeCurrent(node, objectCount_++);
    mwLogPrintf(message, in_.text());
    return Step::Go;
}

Step Loader::parentObject()
{
    in_.restOfLine();
    int32_t number = 0;
    if (!current_ || Scan(in_.text()).integer(number).count() == 0)
        return Step::Go;
    if (current_->type == MWS_LIGHT) {
        if (number >= 1 && number <= objectCount_) {
            mwsNodeDetach(current_);
            mwsNodeAttach(objects_[number - 1], current_);
        }
    } else if (currentObject_ >= 0) {
        parentNumber_[currentObject_] = number;
    }
    return Step::Go;
}

Step Loader::pivotPoint()
{
    in_.restOfLine();
    if (!current_ || !current_->motion.spline)
        return Step::Go;
    Scan(in_.text()).real(current_->pivot.x).real(current_->pivot.y).real(current_->pivot.z);
    mwsNodeBuildMatrix(current_);
    return Step::Go;
}

//---- Motions and envelopes

// The channel and key counts of a motion or envelope, each on its own line.
// False when the file ends first.
bool Loader::readCounts(int32_t &keys, int32_t &channels)
{
    if (!in_.line())
        return false;
    Scan(in_.text()).integer(channels);
    if (!in_.line())
        return false;
    Scan(in_.text()).integer(keys);
    if (keys < 1)
        mwFatal("processObjectMotion: No Keyframes");
    if (channels < 1)
        mwFatal("processObjectMotion: No Channels");
    return true;
}

// Every key takes two lines of the file, and the spline must fit the heap as
// it is now.
bool Loader::plausible(int32_t keys, int channels) const
{
    if (2 * int64_t{keys} - 1 > in_.bytesLeft()) {
        mwLogPrintf("lwsLoad: %s ends before the %d keys of a motion\n", fileName_, keys);
        return false;
    }
    if (!mwmSplineFits(keys, channels)) {
        mwLogPrintf("lwsLoad: the %d keys of a motion in %s do not fit the heap\n", keys, fileName_);
        return false;
    }
    return true;
}

// The spline's range and result start out as its first and last keys.
void finishSpline(mwmSPLINE *spline)
{
    spline->start = static_cast<float>(spline->keys[0].frame);
    spline->end = static_cast<float>(spline->keys[spline->keyCount - 1].frame);
    std::memcpy(spline->values, spline->keys[0].values, spline->channels * sizeof(float));
}

void replaceSpline(mwsMOTIONREF &ref, mwmSPLINE *spline)
{
    mwmSplineFree(ref.spline);
    ref.spline = spline;
}

Step Loader::motion()
{
    if (!current_)
        return Step::Go;
    in_.restOfLine(); // the motion's name
    int32_t keys = 0, channels = 0;
    if (!readCounts(keys, channels))
        return Step::Go;
    if (!plausible(keys, MWS_NODE_CHANNELS))
        return Step::Stop;
    mwmSPLINE *spline = mwmSplineCreate(keys, MWS_NODE_CHANNELS);
    mwLogPrintf("adding Motion, %d keys,  %d channels \n", keys, channels);

    // The file lists x y z heading pitch bank sx sy sz.
    static const int kChannelOf[MWS_NODE_CHANNELS] = {
        MWS_CHANNEL_X,    MWS_CHANNEL_Y,       MWS_CHANNEL_Z,       MWS_CHANNEL_HEADING, MWS_CHANNEL_PITCH,
        MWS_CHANNEL_BANK, MWS_CHANNEL_SCALE_X, MWS_CHANNEL_SCALE_Y, MWS_CHANNEL_SCALE_Z};
    const bool unscaled = current_->type == MWS_LIGHT;
    for (int k = 0; k < keys; ++k) {
        mwmSPLINEKEY &key = spline->keys[k];
        float values[MWS_NODE_CHANNELS] = {};
        in_.line();
        Scan scan(in_.text());
        for (float &value : values)
            scan.real(value);
        for (int i = 0; i < MWS_NODE_CHANNELS; ++i)
            key.values[kChannelOf[i]] = values[i];
        if (unscaled) {
            key.values[MWS_CHANNEL_SCALE_X] = 1.0f;
            key.values[MWS_CHANNEL_SCALE_Y] = 1.0f;
            key.values[MWS_CHANNEL_SCALE_Z] = 1.0f;
        }

        float frame = 0.0f, linear = 0.0f;
        in_.line();
        Scan(in_.text()).real(frame).real(linear).real(key.tension).real(key.continuity).real(key.bias);
        key.frame = truncated(frame);
        key.linear = truncated(linear);
    }
    finishSpline(spline);
    replaceSpline(current_->motion, spline);
    motionRef_ = &current_->motion;
    mwsNodeBuildMatrix(current_);
    return Step::Go;
}

// A number of the motion read last (EndBehavior, FrameOffset).
Step Loader::motionNumber(int32_t mwsMOTIONREF::*field, const char *message)
{
    in_.token();
    int32_t value = 0;
    if (motionRef_ && Scan(in_.text()).integer(value).count() == 1) {
        motionRef_->*field = value;
        mwLogPrintf(message, value);
    }
    return Step::Go;
}

// An intensity scales the light's colour as set so far; a range is kept as
// its reciprocal, a cone angle (degrees) as its cosine.
void envelopeValue(Envelope kind, const mwrLIGHT &light, float value, float *out)
{
    switch (kind) {
    case Envelope::Intensity:
        for (int i = 0; i < 3; ++i)
            out[i] = light.color[i] * value;
        break;
    case Envelope::Range: out[0] = 1.0f / value; break;
    case Envelope::Cone: out[0] = static_cast<float>(std::cos(value * kDegToRad)); break;
    }
}

Step Loader::valueOrEnvelope(Envelope kind)
{
    mwsLIGHTDATA *data = currentLight();
    if (!data)
        return Step::Go;
    mwrLIGHT &light = *data->light;
    mwsMOTIONREF *ref = &data->intensity;
    int channels = 1;
    switch (kind) {
    case Envelope::Intensity:
        mwLogPrintf("Creating intensity coeffs for %s light \n", current_->name);
        channels = 3;
        break;
    case Envelope::Range:
        mwLogPrintf("Creating falloff coeffs for current light \n");
        ref = &data->range;
        break;
    case Envelope::Cone:
        mwLogPrintf("Creating Spotlight Angle coeffs for current light \n");
        ref = &data->cone;
        break;
    }

    in_.token();
    mwmSPLINE *spline = nullptr;
    if (std::strcmp(in_.text(), "(envelope)") == 0) {
        in_.restOfLine();
        int32_t keys = 0, fileChannels = 0;
        if (!readCounts(keys, fileChannels))
            return Step::Go;
        if (!plausible(keys, channels))
            return Step::Stop;
        spline = mwmSplineCreate(keys, channels);
        for (int k = 0; k < keys; ++k) {
            mwmSPLINEKEY &key = spline->keys[k];
            float value = 0.0f;
            in_.line();
            Scan(in_.text()).real(value);
            envelopeValue(kind, light, value, key.values);
            // NOTE: envelope keys list continuity before tension, motion keys
            // the other way round.
            in_.line();
            Scan(in_.text())
                .integer(key.frame)
                .integer(key.linear)
                .real(key.continuity)
                .real(key.tension)
                .real(key.bias);
        }
    } else {
        float value = 0.0f;
        if (Scan(in_.text()).real(value).count() == 0)
            return Step::Go;
        spline = mwmSplineCreate(1, channels);
        envelopeValue(kind, light, value, spline->keys[0].values);
        mwLogPrintf(kind == Envelope::Intensity ? "Created intensity for 1 key value \n"
                                                : "Created for 1 key value \n");
    }
    finishSpline(spline);
    replaceSpline(*ref, spline);
    motionRef_ = ref;

    const float *first = spline->values;
    switch (kind) {
    case Envelope::Intensity: std::memcpy(light.color, first, sizeof light.color); break;
    case Envelope::Range: light.falloff = first[0]; break;
    case Envelope::Cone: light.cone = first[0]; break;
    }
    return Step::Go;
}

//---- Lights and the camera

Step Loader::ambientColor()
{
    in_.restOfLine();
    float rgb[3] = {};
    const int parsed = Scan(in_.text()).real(rgb[0]).real(rgb[1]).real(rgb[2]).count();
    mwsNODE *node = mwsNodeCreate(MWS_LIGHT);
    setName(node, "AMBIENT");
    mwrLIGHT &light = *static_cast<mwsLIGHTDATA *>(node->data)->light;
    light.type = MWR_LIGHT_AMBIENT;
    for (int i = 0; i < parsed; ++i)
        light.color[i] = rgb[i] * kInv255;
    mwsNodeAttach(root_, node);
    makeCurrent(node);
    mwLogPrintf("Adding ambient lighting coeffs \n");
    return Step::Go;
}

Step Loader::addLight()
{
    makeCurrent(mwsNodeCreate(MWS_LIGHT));
    mwLogPrintf("Creating a new light \n");
    return Step::Go;
}

Step Loader::lightName()
{
    in_.token();
    if (currentLight()) {
        setName(current_, in_.text());
        mwLogPrintf("Making %s the name of the Light \n", current_->name);
    }
    return Step::Go;
}

Step Loader::lightType()
{
    in_.restOfLine();
    int32_t value = 0;
    mwsLIGHTDATA *data = currentLight();
    if (!data || Scan(in_.text()).integer(value).count() == 0)
        return Step::Go;
    switch (value) {
    case 0: data->light->type = MWR_LIGHT_DIRECTIONAL; break;
    case 1: data->light->type = MWR_LIGHT_POINT; break;
    case 2: data->light->type = MWR_LIGHT_SPOT; break;
    default: break;
    }
    mwLogPrintf("Light Type = %d \n", value);
    return Step::Go;
}

Step Loader::lightColor()
{
    in_.restOfLine();
    mwsLIGHTDATA *data = currentLight();
    if (!data)
        return Step::Go;
    int32_t rgb[3] = {};
    const int parsed = Scan(in_.text()).integer(rgb[0]).integer(rgb[1]).integer(rgb[2]).count();
    for (int i = 0; i < parsed; ++i)
        data->light->color[i] = static_cast<float>(rgb[i]) * kInv255;
    return Step::Go;
}

Step Loader::lightFalloff()
{
    in_.token();
    int32_t value = 0;
    mwsLIGHTDATA *data = currentLight();
    if (data && Scan(in_.text()).integer(value).count() == 1 && value != 0)
        data->light->type = MWR_LIGHT_RANGED;
    return Step::Go;
}

Step Loader::showCamera()
{
    in_.token();
    mwsNODE *node = mwsNodeCreate(MWS_CAMERA);
    setName(node, in_.text());
    makeCurrent(node);
    mwsNodeAttach(root_, node);
    mwLogPrintf("CAMERA: %s\n", in_.text());
    return Step::Go;
}

Step Loader::zoomFactor()
{
    in_.restOfLine();
    // The zoom is not read; an EndBehavior that follows belongs to it, not
    // to the camera's motion.
    motionRef_ = nullptr;
    return Step::Go;
}

} // namespace

extern "C" mwsSCENE *lwsLoad(const char *fileName, void *)
{
    if (!fileName || !mwFileExists(kOwner, __LINE__, fileName))
        return nullptr;
    FILE *file = mwFileOpen(kOwner, __LINE__, fileName, MW_FILE_READ);
    char magic[4];
    if (mwFileRead(kOwner, __LINE__, file, magic, 4) != 4 || std::memcmp(magic, "LWSC", 4) != 0) {
        mwLogPrintf("lwsLoad: %s is not a LWSC file\n", fileName);
        mwFileClose(kOwner, __LINE__, file);
        return nullptr;
    }
    Loader loader(file, fileName);
    mwsSCENE *scene = loader.load();
    mwFileClose(kOwner, __LINE__, file);
    return scene;
}
