// Grid worlds: creation with shared portal flags, insertion of items, point
// location through nested worlds, and the traversal with its deferred queue.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "mwworld.h"

namespace {

const char kOwner[] = "mwworld";

// The neighbour of each face, as an index offset; faces 0..2 look down an
// axis, faces 3..5 up one.
const int kFaceOffset[MWW_FACES][3] = {{0, 0, -1}, {0, -1, 0}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const int kFaceAxis[MWW_FACES] = {2, 1, 0, 0, 1, 2};

// One cell of the traversal whose list-1 portals are being walked.
struct Frame {
    mwwCELL *cell;
    uint32_t faces; // the list-1 faces not yet taken, next in the low bits
    int remaining;
    int face;   // the face being walked, -1 before the first
    int portal; // its next portal
};

void *allocBytes(int line, int64_t bytes)
{
    if (bytes > INT_MAX)
        mwError(kOwner, line, "mwwWorldCreate", MW_ERR_OUT_OF_MEMORY);
    void *block = mwDMemAlloc(kOwner, line, static_cast<int>(bytes));
    std::memset(block, 0, static_cast<size_t>(bytes));
    return block;
}

float component(const mwmVECTOR &v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

int64_t cellNumber(const mwwGRID &grid, const int index[3])
{
    return index[0] + int64_t{grid.count[0]} * (index[1] + int64_t{grid.count[1]} * index[2]);
}

mwwCELL *cellAt(const mwwGRID &grid, const int index[3]) { return &grid.cells[cellNumber(grid, index)]; }

void makeCorners(mwwGRID &grid, const float min[3])
{
    // Accumulated, not multiplied, so that neighbouring rows meet exactly.
    mwrTVERTEX *v = grid.vertices;
    float z = min[2];
    for (int iz = 0; iz <= grid.count[2]; ++iz, z += grid.cellSize[2]) {
        float y = min[1];
        for (int iy = 0; iy <= grid.count[1]; ++iy, y += grid.cellSize[1]) {
            float x = min[0];
            for (int ix = 0; ix <= grid.count[0]; ++ix, x += grid.cellSize[0], ++v) {
                v->local[0] = x;
                v->local[1] = y;
                v->local[2] = z;
            }
        }
    }
}

// Cells in storage order, each with its corners and portals. A face looking
// down an axis shares the flag word of the neighbour's opposite portal,
// which was made before it.
void makeCells(mwwGRID &grid, const float min[3])
{
    const int64_t rowCorners = grid.count[0] + 1;
    const int64_t layerCorners = rowCorners * (grid.count[1] + 1);
    int32_t *nextFlag = grid.flags;
    mwwPORTAL *portal = grid.portals;
    mwwCELL *cell = grid.cells;
    for (int iz = 0; iz < grid.count[2]; ++iz)
        for (int iy = 0; iy < grid.count[1]; ++iy)
            for (int ix = 0; ix < grid.count[0]; ++ix, ++cell) {
                const int index[3] = {ix, iy, iz};
                for (int a = 0; a < 3; ++a) {
                    cell->index[a] = index[a];
                    cell->origin[a] = min[a] + static_cast<float>(index[a]) * grid.cellSize[a];
                    cell->size[a] = grid.cellSize[a];
                }
                cell->order = MWW_ORDER_INITIAL;
                cell->grid = &grid;
                for (int k = 0; k < MWW_CORNERS; ++k)
                    cell->corner[k] = &grid.vertices[(ix + (k & 1)) + rowCorners * (iy + ((k >> 1) & 1)) +
                                                     layerCorners * (iz + ((k >> 2) & 1))];
                for (int f = 0; f < MWW_FACES; ++f, ++portal) {
                    cell->portalCount[f] = 1;
                    cell->portal[f] = portal;
                    for (int k = 0; k < 4; ++k)
                        portal->corner[k] = cell->corner[mwwFaceCorners[f][k]];
                    int n[3];
                    for (int a = 0; a < 3; ++a)
                        n[a] = index[a] + kFaceOffset[f][a];
                    const int axis = kFaceAxis[f];
                    if (f < 3 && n[axis] >= 0) {
                        portal->neighbour = cellAt(grid, n);
                        portal->flag = portal->neighbour->portal[5 - f]->flag;
                    } else {
                        portal->flag = nextFlag++;
                        portal->neighbour =
                            n[axis] >= 0 && n[axis] < grid.count[axis] ? cellAt(grid, n) : nullptr;
                    }
                }
            }
}

//---- Traversal

// The deferred queue: cells waiting for the cells behind their list-2 faces.
mwwCELL *queueHead = nullptr;
mwwCELL *queueTail = nullptr;

bool handled(const mwwCELL &cell, int32_t tick) { return cell.stamp == tick && !cell.queued; }

bool queuedAt(const mwwCELL &cell, int32_t tick) { return cell.queued && cell.stamp == tick; }

void enqueue(mwwCELL &cell, int32_t tick)
{
    cell.next = nullptr;
    cell.prev = queueTail;
    if (queueTail)
        queueTail->next = &cell;
    else
        queueHead = &cell;
    queueTail = &cell;
    cell.queued = 1;
    cell.stamp = tick;
}

void dequeue(mwwCELL &cell)
{
    if (cell.prev)
        cell.prev->next = cell.next;
    else
        queueHead = cell.next;
    if (cell.next)
        cell.next->prev = cell.prev;
    else
        queueTail = cell.prev;
    cell.next = cell.prev = nullptr;
}

// Classifies the cell if needed and, with checkList2, defers it while a
// neighbour behind one of its visible list-2 faces is still to be handled.
// Otherwise draws it and prepares the frame that walks its list-1 portals;
// false when it was deferred.
bool enter(int32_t tick, mwwCELL &cell, bool checkList2, Frame &frame)
{
    if (cell.stamp != tick)
        mwrCellClassify(tick, &cell);
    const int count2 = static_cast<int>(cell.order & 7);
    uint32_t list2 = cell.order >> 3;
    for (int i = 0; checkList2 && i < count2; ++i, list2 >>= 3) {
        const int f = static_cast<int>(list2 & 7);
        for (int p = 0; p < cell.portalCount[f]; ++p) {
            mwwPORTAL &portal = cell.portal[f][p];
            if (!portal.neighbour || handled(*portal.neighbour, tick))
                continue;
            if (cell.visible[f]) {
                *portal.flag = 0;
                if (!queuedAt(cell, tick))
                    enqueue(cell, tick);
                return false;
            }
            *portal.flag = 1;
        }
    }
    if (queuedAt(cell, tick))
        dequeue(cell);
    cell.stamp = tick;
    cell.queued = 0;
    mwrCellDraw(tick, &cell);

    const uint32_t rest = cell.order >> (3 + 3 * count2); // the total, then list 1
    frame = {&cell, rest >> 3, static_cast<int>(rest & 7) - count2, -1, 0};
    return true;
}

mwwPORTAL *nextPortal(Frame &frame)
{
    while (frame.face < 0 || frame.portal >= frame.cell->portalCount[frame.face]) {
        if (frame.remaining <= 0)
            return nullptr;
        frame.face = static_cast<int>(frame.faces & 7);
        frame.faces >>= 3;
        --frame.remaining;
        frame.portal = 0;
    }
    return &frame.cell->portal[frame.face][frame.portal++];
}

// Visits a cell and, depth first, the neighbours its list-1 portals lead to.
// The frames live in the grid's scratch: a cell is on the stack only once it
// is handled, and a handled cell is never entered again, so the depth stays
// below the cell count.
void visit(int32_t tick, mwwCELL &start, bool checkList2)
{
    Frame *stack = static_cast<Frame *>(start.grid->traversal);
    int depth = enter(tick, start, checkList2, stack[0]) ? 1 : 0;
    while (depth > 0) {
        Frame &frame = stack[depth - 1];
        mwwPORTAL *portal = nextPortal(frame);
        if (!portal) {
            --depth;
            continue;
        }
        const bool inView = frame.cell->visible[frame.face] != 0;
        *portal->flag = inView ? 0 : 1;
        mwwCELL *neighbour = portal->neighbour;
        if (!neighbour)
            continue;
        bool go;
        if (inView) {
            go = !handled(*neighbour, tick);
        } else {
            go = queuedAt(*neighbour, tick);
            if (go)
                mwLogPrintf("Here %d --", frame.face);
        }
        if (go && enter(tick, *neighbour, true, stack[depth]))
            ++depth;
    }
}

// The point carried into a nested world: the inverse of its placement
// applied as a product (the rotation part acts on the point's column).
mwmVECTOR intoNested(const mwwWORLD &nested, const mwmVECTOR &p)
{
    mwmMATRIX inverse;
    mwmMatrixInverse(&inverse, &nested.matrix);
    const float *m = inverse.m;
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
            m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

void requireRecord(const void *record, int line, const char *function)
{
    if (!record)
        mwError(kOwner, line, function, MW_ERR_INVALID_PARAMETER);
}

// Whether target is world or lies nested, at any depth, in one of its
// cells. Each world is searched once, however often it is nested.
bool reaches(mwwWORLD *world, const mwwWORLD *target, std::vector<const mwwWORLD *> &searched)
{
    if (world == target)
        return true;
    if (std::find(searched.begin(), searched.end(), world) != searched.end())
        return false;
    searched.push_back(world);
    for (mwLISTNODE *g = world->grids.first; g; g = g->next) {
        const mwwGRID &grid = *static_cast<mwwGRID *>(g->data);
        const int64_t cells = int64_t{grid.count[0]} * grid.count[1] * grid.count[2];
        for (int64_t c = 0; c < cells; ++c)
            for (mwLISTNODE *n = grid.cells[c].nested.first; n; n = n->next)
                if (reaches(static_cast<mwwWORLD *>(n->data), target, searched))
                    return true;
    }
    return false;
}

} // namespace

extern "C" {

mwwWORLD *mwwWorldCreate(const mwmVECTOR *extent, const mwmVECTOR *origin, const int32_t count[3],
                         const char *name)
{
    requireRecord(extent, __LINE__, "mwwWorldCreate");
    requireRecord(origin, __LINE__, "mwwWorldCreate");
    requireRecord(count, __LINE__, "mwwWorldCreate");
    for (int a = 0; a < 3; ++a) {
        const float e = component(*extent, a), o = component(*origin, a);
        if (count[a] < 1 || !(e > 0.0f) || !std::isfinite(e) || !std::isfinite(o))
            mwError(kOwner, __LINE__, "mwwWorldCreate", MW_ERR_INVALID_PARAMETER);
    }
    const int64_t cx = count[0], cy = count[1], cz = count[2];
    const int64_t cells = cx * cy * cz;
    if (cells > INT_MAX)
        mwError(kOwner, __LINE__, "mwwWorldCreate", MW_ERR_OUT_OF_MEMORY);
    const int64_t corners = (cx + 1) * (cy + 1) * (cz + 1);
    const int64_t flags = MWW_FLAG_COUNT(cx, cy, cz);

    auto *world = static_cast<mwwWORLD *>(allocBytes(__LINE__, sizeof(mwwWORLD)));
    if (name)
        std::strncpy(world->name, name, sizeof world->name - 1);
    mwmMatrixIdentity(&world->matrix);
    for (int a = 0; a < 3; ++a) {
        world->min[a] = component(*origin, a);
        world->max[a] = world->min[a] + component(*extent, a);
    }
    world->active = 1;

    auto *grid = static_cast<mwwGRID *>(allocBytes(__LINE__, sizeof(mwwGRID)));
    for (int a = 0; a < 3; ++a) {
        grid->count[a] = count[a];
        grid->cellSize[a] = component(*extent, a) / static_cast<float>(count[a]);
        grid->invCellSize[a] = 1.0f / grid->cellSize[a];
    }
    grid->world = world;
    grid->cells = static_cast<mwwCELL *>(allocBytes(__LINE__, cells * int64_t{sizeof(mwwCELL)}));
    grid->portals =
        static_cast<mwwPORTAL *>(allocBytes(__LINE__, cells * MWW_FACES * int64_t{sizeof(mwwPORTAL)}));
    grid->flags = static_cast<int32_t *>(allocBytes(__LINE__, flags * int64_t{sizeof(int32_t)}));
    grid->vertices = static_cast<mwrTVERTEX *>(allocBytes(__LINE__, corners * int64_t{sizeof(mwrTVERTEX)}));
    grid->traversal = allocBytes(__LINE__, cells * int64_t{sizeof(Frame)});
    makeCorners(*grid, world->min);
    makeCells(*grid, world->min);
    mwListAppend(&world->grids, grid);
    return world;
}

int mwwWorldFree(mwwWORLD *world)
{
    if (!world)
        return 0;
    for (mwLISTNODE *node = world->grids.first; node; node = node->next) {
        auto *grid = static_cast<mwwGRID *>(node->data);
        const int64_t cells = int64_t{grid->count[0]} * grid->count[1] * grid->count[2];
        for (int64_t i = 0; i < cells; ++i) {
            mwListFree(&grid->cells[i].contents);
            mwListFree(&grid->cells[i].nested);
        }
        mwDMemFree(kOwner, __LINE__, grid->cells);
        mwDMemFree(kOwner, __LINE__, grid->portals);
        mwDMemFree(kOwner, __LINE__, grid->flags);
        mwDMemFree(kOwner, __LINE__, grid->vertices);
        mwDMemFree(kOwner, __LINE__, grid->traversal);
        mwDMemFree(kOwner, __LINE__, grid);
    }
    mwListFree(&world->grids);
    mwDMemFree(kOwner, __LINE__, world);
    return 1;
}

int mwwWorldInsert(mwwWORLD *world, mwwITEM *item)
{
    requireRecord(world, __LINE__, "mwwWorldInsert");
    requireRecord(item, __LINE__, "mwwWorldInsert");
    for (mwLISTNODE *node = world->grids.first; node; node = node->next) {
        const mwwGRID &grid = *static_cast<mwwGRID *>(node->data);
        int lo[3], hi[3];
        for (int a = 0; a < 3; ++a) {
            // Floor, not truncation: a box ending less than a cell before the
            // world's min lies outside it, not in cell 0.
            const float i0 = std::floor((item->min[a] - world->min[a]) * grid.invCellSize[a]);
            const float i1 = std::floor((item->min[a] + item->size[a] - world->min[a]) * grid.invCellSize[a]);
            if (!(i0 < static_cast<float>(grid.count[a])) || !(i1 >= 0.0f))
                return 0;
            lo[a] = i0 < 0.0f ? 0 : static_cast<int>(i0);
            hi[a] = i1 >= static_cast<float>(grid.count[a]) ? grid.count[a] - 1 : static_cast<int>(i1);
        }
        int index[3];
        for (index[2] = lo[2]; index[2] <= hi[2]; ++index[2])
            for (index[1] = lo[1]; index[1] <= hi[1]; ++index[1])
                for (index[0] = lo[0]; index[0] <= hi[0]; ++index[0])
                    mwListAppend(&cellAt(grid, index)->contents, item);
    }
    return 1;
}

int mwwWorldNest(mwwCELL *cell, mwwWORLD *nested)
{
    requireRecord(cell, __LINE__, "mwwWorldNest");
    requireRecord(nested, __LINE__, "mwwWorldNest");
    std::vector<const mwwWORLD *> searched;
    if (reaches(nested, cell->grid->world, searched))
        return 0;
    mwListAppend(&cell->nested, nested);
    return 1;
}

mwwCELL *mwwWorldLocate(const mwmVECTOR *point, mwwWORLD *world)
{
    requireRecord(point, __LINE__, "mwwWorldLocate");
    requireRecord(world, __LINE__, "mwwWorldLocate");
    if (!world->grids.first)
        return nullptr;
    const mwwGRID &grid = *static_cast<mwwGRID *>(world->grids.first->data);
    int index[3];
    for (int a = 0; a < 3; ++a) {
        // Floor, not truncation: a point less than a cell below min is outside.
        const float i = std::floor((component(*point, a) - world->min[a]) * grid.invCellSize[a]);
        if (!(i >= 0.0f && i < static_cast<float>(grid.count[a])))
            return nullptr;
        index[a] = static_cast<int>(i);
    }
    mwwCELL *cell = cellAt(grid, index);
    for (mwLISTNODE *node = cell->nested.first; node; node = node->next) {
        auto *nested = static_cast<mwwWORLD *>(node->data);
        const mwmVECTOR inner = intoNested(*nested, *point);
        if (mwwCELL *found = mwwWorldLocate(&inner, nested))
            return found;
    }
    return cell;
}

void mwwWorldDraw(int32_t tick, mwwCELL *start)
{
    requireRecord(start, __LINE__, "mwwWorldDraw");
    queueHead = queueTail = nullptr;
    visit(tick, *start, false);
    while (queueHead)
        visit(tick, *queueHead, false);
    start->grid->world->lastTick = tick;
}

} // extern "C"
