// Colour quantisation with an octree, and mapping true colour onto a given
// palette.
#include <algorithm>
#include <cstring>

#include "mwbintern.h"
#include "mwquant.h"

namespace {

const char kOwner[] = "mwquant";

constexpr int kMaxEntries = 256;
constexpr int kTreeDepth = 8;

//---- Palette fitting

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb &) const = default;
};

// Nearest entry by squared distance; only a strictly nearer entry wins, so
// ties go to the lower index.
int nearestEntry(const uint8_t *palette, int entries, Rgb c)
{
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < entries; ++i) {
        const int dr = c.r - palette[3 * i];
        const int dg = c.g - palette[3 * i + 1];
        const int db = c.b - palette[3 * i + 2];
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

void requireSoundRecord(const mwBITMAP *bitmap, const char *function)
{
    if (!mwbRecordIsSound(bitmap))
        mwError(kOwner, __LINE__, function, MW_ERR_INVALID_PARAMETER);
}

//---- Octree

// Sums are 64-bit: the root sees every pixel, and 32 bits would wrap for
// pictures of more than 8 million pixels.
struct mwbOCTNODE {
    int32_t level;
    int32_t isLeaf;
    int32_t inList;
    int32_t count;
    int64_t sumR, sumG, sumB;
    int32_t childCount;
    mwbOCTNODE *child[8];
    mwbOCTNODE *next, *prev;
};

// Every colour is inserted before the tree is reduced, so the tree grows
// with the number of distinct colours. Past a budget of a quarter of the
// dynamic heap it is reduced early, so that photographs fit.
class Octree {
public:
    Octree(int colours, int mode) : colours_(colours), mode_(mode)
    {
        constexpr int64_t nodeBytes = sizeof(mwbOCTNODE) + 64; // with the heap's block header
        budget_ = std::max<int64_t>(mwDMemSize() / 4 / nodeBytes, 16 * kMaxEntries);
        root_ = newNode(0);
    }
    ~Octree() { freeSubtree(root_); }
    Octree(const Octree &) = delete;
    Octree &operator=(const Octree &) = delete;

    void insert(Rgb c)
    {
        mwbOCTNODE *node = root_;
        for (;;) {
            node->sumR += c.r;
            node->sumG += c.g;
            node->sumB += c.b;
            ++node->count;
            // After an early reduction the list it is in may be sorted: the
            // order of the old counts no longer holds.
            if (node->inList)
                sorted_[node->level] = false;
            if (node->isLeaf || node->level >= maxDepth_)
                break;
            const int shift = 7 - node->level;
            const int index = ((c.r >> shift) & 1) << 2 | ((c.g >> shift) & 1) << 1 | ((c.b >> shift) & 1);
            if (!node->child[index]) {
                node->child[index] = newNode(node->level + 1);
                if (++node->childCount > 1 && !node->inList)
                    listAtHead(node);
            }
            node = node->child[index];
        }
        if (nodeCount_ > budget_)
            reduce();
    }

    // Merges nodes, deepest level first, until at most `colours` leaves are
    // left. Of a level's list, mode 0 merges the node with the smallest
    // count, mode 1 the largest; on equal counts the node nearer the head.
    void reduce()
    {
        while (leafCount_ > colours_) {
            int level = maxDepth_ - 1;
            while (level >= 0 && !reducible_[level])
                --level;
            if (level < 0)
                return;
            // Counts do not change while reducing, so a list sorted once
            // (stably, keeping the head-first order of equal counts) yields
            // its nodes in the order a scan for the extreme would pick them,
            // until an insertion changes a count.
            if (!sorted_[level])
                sortList(level);
            mwbOCTNODE *pick = reducible_[level];
            unlist(pick);
            for (mwbOCTNODE *&c : pick->child) {
                freeSubtree(c);
                c = nullptr;
            }
            pick->childCount = 0;
            pick->isLeaf = 1;
            ++leafCount_;
            if (level < maxDepth_ - 1)
                maxDepth_ = level + 1;
        }
    }

    // The mean colour of every leaf (or node at the depth limit) in tree
    // order, children 0 to 7; returns the number of entries written.
    int fillPalette(uint8_t *palette, int capacity) const
    {
        int next = 0;
        fill(root_, palette, capacity, next);
        return next;
    }

private:
    mwbOCTNODE *newNode(int level)
    {
        auto *node = static_cast<mwbOCTNODE *>(mwDMemAlloc(kOwner, __LINE__, sizeof(mwbOCTNODE)));
        std::memset(node, 0, sizeof *node);
        node->level = level;
        if (level >= maxDepth_) {
            node->isLeaf = 1;
            ++leafCount_;
        }
        ++nodeCount_;
        return node;
    }

    void freeSubtree(mwbOCTNODE *node)
    {
        if (!node)
            return;
        for (mwbOCTNODE *c : node->child)
            freeSubtree(c);
        if (node->isLeaf)
            --leafCount_;
        if (node->inList)
            unlist(node);
        --nodeCount_;
        mwDMemFree(kOwner, __LINE__, node);
    }

    void listAtHead(mwbOCTNODE *node)
    {
        mwbOCTNODE *&head = reducible_[node->level];
        node->prev = nullptr;
        node->next = head;
        if (head)
            head->prev = node;
        head = node;
        node->inList = 1;
        sorted_[node->level] = false;
    }

    void unlist(mwbOCTNODE *node)
    {
        if (node->prev)
            node->prev->next = node->next;
        else
            reducible_[node->level] = node->next;
        if (node->next)
            node->next->prev = node->prev;
        node->next = node->prev = nullptr;
        node->inList = 0;
    }

    bool mergesFirst(const mwbOCTNODE *a, const mwbOCTNODE *b) const
    {
        return mode_ == 1 ? a->count > b->count : a->count < b->count;
    }

    // Stable merge sort of a list by the next links.
    mwbOCTNODE *sorted(mwbOCTNODE *list) const
    {
        if (!list || !list->next)
            return list;
        mwbOCTNODE *slow = list, *fast = list->next;
        while (fast && fast->next) {
            slow = slow->next;
            fast = fast->next->next;
        }
        mwbOCTNODE *second = slow->next;
        slow->next = nullptr;
        mwbOCTNODE *a = sorted(list), *b = sorted(second);
        mwbOCTNODE *head = nullptr, **tail = &head;
        while (a && b) {
            mwbOCTNODE *&from = mergesFirst(b, a) ? b : a;
            *tail = from;
            tail = &from->next;
            from = from->next;
        }
        *tail = a ? a : b;
        return head;
    }

    void sortList(int level)
    {
        mwbOCTNODE *head = sorted(reducible_[level]);
        reducible_[level] = head;
        for (mwbOCTNODE *prev = nullptr, *n = head; n; prev = n, n = n->next)
            n->prev = prev;
        sorted_[level] = true;
    }

    void fill(const mwbOCTNODE *node, uint8_t *palette, int capacity, int &next) const
    {
        if (node->count == 0 || next >= capacity)
            return;
        if (node->isLeaf || node->level >= maxDepth_) {
            uint8_t *entry = palette + 3 * next++;
            entry[0] = static_cast<uint8_t>(node->sumR / node->count);
            entry[1] = static_cast<uint8_t>(node->sumG / node->count);
            entry[2] = static_cast<uint8_t>(node->sumB / node->count);
            return;
        }
        for (const mwbOCTNODE *c : node->child) {
            if (c)
                fill(c, palette, capacity, next);
        }
    }

    const int colours_;
    const int mode_;
    int64_t budget_ = 0;
    int64_t nodeCount_ = 0;
    int maxDepth_ = kTreeDepth;
    int leafCount_ = 0;
    mwbOCTNODE *reducible_[kTreeDepth] = {};
    bool sorted_[kTreeDepth] = {};
    mwbOCTNODE *root_ = nullptr;
};

} // namespace

//---- Internal helpers

int mwbPaletteTypeFor(int colours)
{
    return colours > 16 ? MW_IMAGE_PAL_8 : colours > 2 ? MW_IMAGE_PAL_4 : MW_IMAGE_PAL_1;
}

int mwbPaletteBytesFor(int colours) { return colours > 16 ? 768 : colours > 2 ? 48 : 6; }

void mwbFitIndexed(mwBITMAP *bitmap, const uint8_t *palette, int searched, int type, int paletteBytes,
                   const char *function)
{
    // Every searched entry must be addressable by an index of the type.
    const int bits = mwbBitsPerPixel(type);
    paletteBytes = std::clamp(paletteBytes, 0, 3 * kMaxEntries) / 3 * 3;
    searched = std::clamp(searched, 0, std::min(paletteBytes / 3, 1 << bits));
    uint8_t entries[3 * kMaxEntries] = {};
    if (searched > 0)
        std::memcpy(entries, palette, 3 * searched);

    requireSoundRecord(bitmap, function);
    mwbConvert(bitmap, MW_IMAGE_RGB_888);

    const int width = bitmap->width, height = bitmap->height;
    const int64_t pitch = mwbRowBytes(type, width);
    const int64_t size = pitch * height;
    // Pixels that would not complete the last byte of a row are not stored.
    const int64_t storedPixels = pitch * 8 / bits;
    uint8_t *data = size > 0 ? static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, int(size))) : nullptr;

    Rgb lastColour = {};
    int lastIndex = nearestEntry(entries, searched, lastColour);
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t *source = bitmap->data + y * int64_t(width) * 3;
        uint8_t *target = data + y * pitch;
        unsigned byte = 0;
        int position = 8;
        for (int64_t x = 0; x < storedPixels; ++x, source += 3) {
            const Rgb colour = {source[0], source[1], source[2]};
            if (!(colour == lastColour)) {
                lastColour = colour;
                lastIndex = nearestEntry(entries, searched, colour);
            }
            position -= bits;
            byte |= unsigned(lastIndex) << position;
            if (position == 0) {
                *target++ = uint8_t(byte);
                byte = 0;
                position = 8;
            }
        }
    }

    uint8_t *attached = nullptr;
    if (paletteBytes > 0) {
        attached = static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, paletteBytes));
        std::memcpy(attached, entries, paletteBytes);
    }
    if (bitmap->palette)
        mwDMemFree(kOwner, __LINE__, bitmap->palette);
    if (bitmap->data)
        mwDMemFree(kOwner, __LINE__, bitmap->data);
    bitmap->type = type;
    bitmap->data = data;
    bitmap->size = int32_t(size);
    bitmap->palette = attached;
    bitmap->paletteSize = paletteBytes;
}

//---- Public calls

extern "C" {

void mwbFitToPalette(mwBITMAP *bitmap, const uint8_t *palette, int colours)
{
    if (!bitmap || !palette || colours < 1 || colours > kMaxEntries)
        mwError(kOwner, __LINE__, "mwbFitToPalette", MW_ERR_INVALID_PARAMETER);
    mwbFitIndexed(bitmap, palette, colours, mwbPaletteTypeFor(colours), mwbPaletteBytesFor(colours),
                  "mwbFitToPalette");
}

void mwbQuantize(mwBITMAP *bitmap, int colours, int mode)
{
    if (!bitmap || colours < 1 || colours > kMaxEntries || (mode != 0 && mode != 1))
        mwError(kOwner, __LINE__, "mwbQuantize", MW_ERR_INVALID_PARAMETER);
    requireSoundRecord(bitmap, "mwbQuantize");
    mwbConvert(bitmap, MW_IMAGE_RGB_888);

    uint8_t palette[3 * kMaxEntries] = {};
    int filled;
    {
        Octree tree(colours, mode);
        const int64_t pixels = int64_t(bitmap->width) * bitmap->height;
        for (int64_t i = 0; i < pixels; ++i) {
            const uint8_t *p = bitmap->data + 3 * i;
            tree.insert({p[0], p[1], p[2]});
        }
        tree.reduce();
        filled = tree.fillPalette(palette, colours);
    }
    // Only the entries the tree filled are candidates: the black entries
    // after them are no colour of the picture.
    mwbFitIndexed(bitmap, palette, filled, mwbPaletteTypeFor(colours), mwbPaletteBytesFor(colours),
                  "mwbQuantize");
}

} // extern "C"
