// 3D Studio mesh files: the triangle meshes of every named object merged into
// one mesh, corners in the reverse of the file's order, smoothed normals.
//
// The file is walked twice by the same code: the first pass adds up the list
// lengths, the second fills the arrays sized by the first. Every chunk is
// checked against its parent before anything of it is read, so both passes
// take exactly the same chunks and nothing is read outside the file or
// written outside the arrays.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>

#include "mwrender.h"

namespace {

const char kOwner[] = "mw3ds";

// Chunk ids, each recognised only inside the chunk named beside it.
enum : uint16_t {
    kMain = 0x4D4D,         // the whole file
    kEditor = 0x3D3D,       // inside main
    kObject = 0x4000,       // inside the editor: a name, then sub-chunks
    kTriangleMesh = 0x4100, // inside an object
    kVertexList = 0x4110,   // inside a triangle mesh: n, then n x (x, y, z)
    kFaceList = 0x4120,     // n, then n x (a, b, c, flags)
    kMappingList = 0x4140,  // n, then n x (u, v)
};

constexpr uint32_t kHeaderBytes = 6;
constexpr uint32_t kNameLimit = 1024; // bytes of an object name, its NUL included
constexpr uint32_t kVertexBytes = 12;
constexpr uint32_t kFaceBytes = 8;
constexpr uint32_t kMappingBytes = 8;

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t le32(const uint8_t *p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

float leFloat(const uint8_t *p)
{
    const uint32_t bits = le32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

struct Chunk {
    uint16_t id;
    uint32_t begin; // of the header
    uint32_t end;   // one past the chunk's last byte
    uint32_t body() const { return begin + kHeaderBytes; }
};

class Loader {
public:
    Loader(FILE *file, uint32_t size) : file_(file), size_(size) {}

    // Counts the lists (mesh NULL) or fills the mesh sized by a count. False
    // for a broken file.
    bool pass(mwrMESH *mesh)
    {
        mesh_ = mesh;
        vertexFill_ = faceFill_ = 0;
        first_ = objectVertices_ = 0;
        Chunk main;
        if (!header(0, size_, main) || main.id != kMain)
            return false;
        return walk(main.body(), main.end, kMain);
    }

    uint64_t vertices() const { return vertexFill_; }
    uint64_t faces() const { return faceFill_; }

private:
    // Reads count bytes at position; the caller has checked that they lie
    // inside the file. A short read (the file shrank) leaves zeros.
    void read(uint32_t position, void *buffer, uint32_t count)
    {
        std::memset(buffer, 0, count);
        mwFileSeek(kOwner, __LINE__, file_, static_cast<int>(position), 0);
        mwFileRead(kOwner, __LINE__, file_, buffer, static_cast<int>(count));
    }

    // The chunk whose header starts at position, if it fits before limit.
    bool header(uint32_t position, uint32_t limit, Chunk &chunk)
    {
        if (position > limit || limit - position < kHeaderBytes)
            return false;
        uint8_t bytes[kHeaderBytes];
        read(position, bytes, kHeaderBytes);
        const uint32_t length = le32(bytes + 2);
        if (length < kHeaderBytes || length > limit - position)
            return false;
        chunk = {le16(bytes), position, position + length};
        return true;
    }

    // The chunks from position to end, inside a chunk of kind `level`.
    bool walk(uint32_t position, uint32_t end, uint16_t level)
    {
        while (position < end) {
            Chunk chunk;
            if (!header(position, end, chunk) || !handle(chunk, level))
                return false;
            position = chunk.end; // unknown chunks are skipped whole
        }
        return true;
    }

    bool handle(const Chunk &chunk, uint16_t level)
    {
        switch (level) {
        case kMain: return chunk.id != kEditor || walk(chunk.body(), chunk.end, kEditor);
        case kEditor: return chunk.id != kObject || object(chunk);
        case kObject:
            if (chunk.id != kTriangleMesh)
                return true;
            objectVertices_ = 0;
            return walk(chunk.body(), chunk.end, kTriangleMesh);
        case kTriangleMesh:
            switch (chunk.id) {
            case kVertexList: return vertexList(chunk);
            case kFaceList: return faceList(chunk);
            case kMappingList: return mappingList(chunk);
            default: return true;
            }
        default: return true;
        }
    }

    // A named object: the name (discarded) up to its NUL, then sub-chunks.
    bool object(const Chunk &chunk)
    {
        uint8_t name[kNameLimit];
        const uint32_t available = chunk.end - chunk.body();
        const uint32_t span = available < kNameLimit ? available : kNameLimit;
        read(chunk.body(), name, span);
        const auto *nul = static_cast<const uint8_t *>(std::memchr(name, 0, span));
        const uint32_t nameBytes = nul ? static_cast<uint32_t>(nul - name) + 1 : span;
        objectVertices_ = 0;
        return walk(chunk.body() + nameBytes, chunk.end, kObject);
    }

    // The record count of a list chunk, if its records fit inside it.
    bool listCount(const Chunk &chunk, uint32_t recordBytes, uint32_t &count)
    {
        const uint32_t available = chunk.end - chunk.body();
        if (available < 2)
            return false;
        uint8_t bytes[2];
        read(chunk.body(), bytes, 2);
        count = le16(bytes);
        return uint64_t{count} * recordBytes <= available - 2;
    }

    // Calls record(i, bytes) for the count records of a list, read in blocks.
    template <class Record>
    void records(const Chunk &chunk, uint32_t count, uint32_t recordBytes, Record record)
    {
        constexpr uint32_t kBlock = 256;
        uint8_t buffer[kBlock * kVertexBytes]; // the largest record
        uint32_t position = chunk.body() + 2;
        for (uint32_t done = 0; done < count;) {
            const uint32_t block = count - done < kBlock ? count - done : kBlock;
            read(position, buffer, block * recordBytes);
            for (uint32_t i = 0; i < block; ++i)
                record(done + i, buffer + i * recordBytes);
            done += block;
            position += block * recordBytes;
        }
    }

    bool vertexList(const Chunk &chunk)
    {
        uint32_t n;
        if (!listCount(chunk, kVertexBytes, n))
            return false;
        first_ = vertexFill_;
        objectVertices_ = n;
        vertexFill_ += n;
        if (!mesh_)
            return true;
        if (vertexFill_ > static_cast<uint64_t>(mesh_->vertexCount))
            return false; // the file changed since it was counted
        mwrVERTEX *out = mesh_->vertices + first_;
        records(chunk, n, kVertexBytes, [out](uint32_t i, const uint8_t *p) {
            out[i].x = leFloat(p);
            out[i].y = leFloat(p + 4);
            out[i].z = leFloat(p + 8);
        });
        return true;
    }

    bool faceList(const Chunk &chunk)
    {
        uint32_t n;
        if (!listCount(chunk, kFaceBytes, n))
            return false;
        const uint64_t at = faceFill_;
        faceFill_ += n;
        if (!mesh_)
            return true;
        if (faceFill_ > static_cast<uint64_t>(mesh_->faceCount))
            return false;
        int32_t(*out)[3] = mesh_->faces + at;
        const uint32_t limit = objectVertices_;
        const int32_t first = static_cast<int32_t>(first_);
        bool valid = true;
        records(chunk, n, kFaceBytes, [&](uint32_t i, const uint8_t *p) {
            const uint16_t a = le16(p), b = le16(p + 2), c = le16(p + 4);
            if (a >= limit || b >= limit || c >= limit) {
                valid = false;
                return;
            }
            out[i][0] = first + c;
            out[i][1] = first + b;
            out[i][2] = first + a;
        });
        return valid;
    }

    bool mappingList(const Chunk &chunk)
    {
        uint32_t n;
        if (!listCount(chunk, kMappingBytes, n))
            return false;
        if (!mesh_)
            return true;
        if (n > objectVertices_)
            return false;
        mwrVERTEX *out = mesh_->vertices + first_;
        records(chunk, n, kMappingBytes, [out](uint32_t i, const uint8_t *p) {
            out[i].u0 = leFloat(p);
            out[i].v0 = leFloat(p + 4);
        });
        return true;
    }

    FILE *file_;
    uint32_t size_;
    mwrMESH *mesh_ = nullptr;
    uint64_t vertexFill_ = 0; // vertices so far: the total when counting
    uint64_t faceFill_ = 0;
    uint64_t first_ = 0;          // the current object's first vertex
    uint32_t objectVertices_ = 0; // and how many it has
};

// Scales n to unit length with mwmVectorNormalize. A vector whose squared
// length is no normal float is first divided by its largest component, so
// that the fast reciprocal square root sees a number it can take; a zero or
// non-finite vector becomes zero. False for those.
bool normalize(mwmVECTOR &n)
{
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) {
        n = {0.0f, 0.0f, 0.0f};
        return false;
    }
    const float s = n.x * n.x + n.y * n.y + n.z * n.z;
    if (!(s >= FLT_MIN && s <= FLT_MAX)) {
        const float largest = std::fmax(std::fabs(n.x), std::fmax(std::fabs(n.y), std::fabs(n.z)));
        if (largest == 0.0f) {
            n = {0.0f, 0.0f, 0.0f};
            return false;
        }
        n = {n.x / largest, n.y / largest, n.z / largest};
    }
    mwmVectorNormalize(&n);
    return true;
}

// The unit normal of a triangle from the areas of its projections on the
// three planes; false for a triangle without one (no area, or positions
// beyond what floats can multiply), which then adds nothing to its corners.
bool faceNormal(const mwrVERTEX &a, const mwrVERTEX &b, const mwrVERTEX &c, mwmVECTOR &n)
{
    const float p[3][3] = {{a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}};
    auto area = [&p](int i, int j) {
        return (p[2][i] - p[1][i]) * (p[2][j] + p[1][j]) + (p[1][i] - p[0][i]) * (p[1][j] + p[0][j]) +
               (p[0][i] - p[2][i]) * (p[0][j] + p[2][j]);
    };
    n = {area(1, 2), area(2, 0), area(0, 1)};
    return normalize(n);
}

void smoothNormals(mwrMESH &mesh)
{
    for (int i = 0; i < mesh.vertexCount; ++i)
        mesh.vertices[i].nx = mesh.vertices[i].ny = mesh.vertices[i].nz = 0.0f;
    for (int f = 0; f < mesh.faceCount; ++f) {
        mwrVERTEX *corner[3];
        for (int k = 0; k < 3; ++k)
            corner[k] = &mesh.vertices[mesh.faces[f][k]];
        mwmVECTOR n;
        if (!faceNormal(*corner[0], *corner[1], *corner[2], n))
            continue;
        for (mwrVERTEX *v : corner) {
            v->nx += n.x;
            v->ny += n.y;
            v->nz += n.z;
        }
    }
    for (int i = 0; i < mesh.vertexCount; ++i) {
        mwrVERTEX &v = mesh.vertices[i];
        mwmVECTOR n = {v.nx, v.ny, v.nz};
        normalize(n);
        v.nx = n.x;
        v.ny = n.y;
        v.nz = n.z;
    }
}

// A mesh of the counted size, or NULL when the heap cannot hold the record
// and both arrays together (the counts come from the file and are not to be
// trusted).
mwrMESH *allocMesh(uint64_t vertexCount, uint64_t faceCount)
{
    const uint64_t vertexBytes = vertexCount * sizeof(mwrVERTEX);
    const uint64_t faceBytes = faceCount * sizeof(int32_t[3]);
    if (vertexBytes > INT_MAX || faceBytes > INT_MAX)
        return nullptr;
    const int64_t need[] = {sizeof(mwrMESH), int64_t(vertexBytes), int64_t(faceBytes)};
    if (!mwDMemCanHold(need, 3))
        return nullptr;
    auto *mesh = static_cast<mwrMESH *>(mwDMemAlloc(kOwner, __LINE__, sizeof(mwrMESH)));
    mesh->vertexCount = static_cast<int32_t>(vertexCount);
    mesh->faceCount = static_cast<int32_t>(faceCount);
    mesh->vertices = static_cast<mwrVERTEX *>(mwDMemAlloc(kOwner, __LINE__, static_cast<int>(vertexBytes)));
    mesh->faces = static_cast<int32_t(*)[3]>(mwDMemAlloc(kOwner, __LINE__, static_cast<int>(faceBytes)));
    mwrVertexDefaults(mesh->vertices, mesh->vertexCount);
    return mesh;
}

// The loaded mesh, or NULL; the caller closes the file.
mwrMESH *load(FILE *file)
{
    const int size = mwFileSize(kOwner, __LINE__, file);
    if (size < 0)
        return nullptr;
    Loader loader(file, static_cast<uint32_t>(size));
    if (!loader.pass(nullptr) || loader.vertices() == 0 || loader.faces() == 0)
        return nullptr;
    mwrMESH *mesh = allocMesh(loader.vertices(), loader.faces());
    if (!mesh)
        return nullptr;
    if (!loader.pass(mesh) || loader.vertices() != static_cast<uint64_t>(mesh->vertexCount) ||
        loader.faces() != static_cast<uint64_t>(mesh->faceCount)) {
        mwrMeshFree(mesh);
        return nullptr;
    }
    return mesh;
}

} // namespace

extern "C" {

void mwrVertexDefaults(mwrVERTEX *vertices, int count)
{
    if (!vertices && count > 0)
        mwError(kOwner, __LINE__, "mwrVertexDefaults", MW_ERR_INVALID_PARAMETER);
    for (int i = 0; i < count; ++i) {
        vertices[i] = mwrVERTEX{};
        vertices[i].r = vertices[i].g = vertices[i].b = vertices[i].a = 1.0f;
    }
}

void mwrMeshFree(mwrMESH *mesh)
{
    if (!mesh)
        mwError(kOwner, __LINE__, "mwrMeshFree", MW_ERR_INVALID_PARAMETER);
    if (mesh->vertices)
        mwDMemFree(kOwner, __LINE__, mesh->vertices);
    if (mesh->faces)
        mwDMemFree(kOwner, __LINE__, mesh->faces);
    mwDMemFree(kOwner, __LINE__, mesh);
}

mwrMESH *mw3dsLoad(const char *fileName)
{
    if (!fileName || !mwFileExists(kOwner, __LINE__, fileName))
        return nullptr;
    FILE *file = mwFileOpen(kOwner, __LINE__, fileName, MW_FILE_READ);
    mwrMESH *mesh = load(file);
    mwFileClose(kOwner, __LINE__, file);
    if (mesh)
        smoothNormals(*mesh);
    return mesh;
}

} // extern "C"
