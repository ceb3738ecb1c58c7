// The matrix stack that feeds the render state's model matrix.
#include <climits>

#include "mwrintern.h"

namespace {

const char kOwner[] = "mwmatrix";
constexpr int kGrowth = 15; // entries added each time the stack is full

// Entry 0 is never used; entry `depth` is the top.
mwmMATRIX *stack = nullptr;
int depth = 0;
int capacity = 0;

mwmMATRIX &top() { return stack[depth]; }

// The top becomes the model matrix; the derived fields follow it.
void publish()
{
    mwr::state->model = top();
    mwr::updateDerived();
}

// Makes room for entry depth + 1.
void reserve(const char *function)
{
    if (depth + 1 < capacity)
        return;
    const long long entries = static_cast<long long>(capacity) + kGrowth;
    const long long bytes = entries * static_cast<long long>(sizeof(mwmMATRIX));
    if (bytes > INT_MAX)
        mwError(kOwner, __LINE__, function, MW_ERR_OUT_OF_MEMORY);
    void *grown = capacity == 0 ? mwDMemAlloc(kOwner, __LINE__, static_cast<int>(bytes))
                                : mwDMemRealloc(kOwner, __LINE__, stack, static_cast<int>(bytes));
    stack = static_cast<mwmMATRIX *>(grown);
    capacity = static_cast<int>(entries);
}

// m is a copy: growing may move the entries it was computed from.
int push(const mwmMATRIX m, const char *function)
{
    reserve(function);
    ++depth;
    top() = m;
    publish();
    return depth;
}

// Checks common to every operation that takes a matrix.
void require(const mwmMATRIX *m, int line, const char *function)
{
    mwr::requireRecord(m, kOwner, line, function);
    mwr::requireState(function);
}

} // namespace

namespace mwr {

void resetStack() { depth = 0; }

} // namespace mwr

extern "C" {

int mwrMatrixPush(const mwmMATRIX *m)
{
    require(m, __LINE__, "mwrMatrixPush");
    return push(*m, "mwrMatrixPush");
}

int mwrMatrixPushMultiply(const mwmMATRIX *m)
{
    require(m, __LINE__, "mwrMatrixPushMultiply");
    mwmMATRIX product;
    mwmMatrixMultiply(&product, m, &top());
    return push(product, "mwrMatrixPushMultiply");
}

int mwrMatrixPushPreMultiply(const mwmMATRIX *m)
{
    require(m, __LINE__, "mwrMatrixPushPreMultiply");
    mwmMATRIX product;
    mwmMatrixMultiply(&product, &top(), m);
    return push(product, "mwrMatrixPushPreMultiply");
}

int mwrMatrixPreMultiply(const mwmMATRIX *m)
{
    require(m, __LINE__, "mwrMatrixPreMultiply");
    mwmMatrixMultiply(&top(), &top(), m);
    publish();
    return depth;
}

int mwrMatrixMultiply(const mwmMATRIX *m)
{
    require(m, __LINE__, "mwrMatrixMultiply");
    mwmMatrixMultiply(&top(), m, &top());
    publish();
    return depth;
}

int mwrMatrixPop(int update)
{
    mwr::requireState("mwrMatrixPop");
    if (depth <= 1)
        mwFatal("mwrMatrixPop: Matrix stack is empty");
    --depth;
    mwr::state->model = top();
    if (update)
        mwr::updateDerived();
    return depth;
}

} // extern "C"
