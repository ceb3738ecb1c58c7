// Doubly linked lists of pointers the list does not own; nodes come from the
// dynamic heap with the owner "mwlist".
#include "mwkernel.h"

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(mwLISTNODE) == 12, "a list node is three 32-bit words");
#endif

mwLISTNODE *mwListAppend(mwLIST *list, void *data)
{
    if (!list)
        mwError("mwlist", __LINE__, "mwListAppend", MW_ERR_INVALID_PARAMETER);
    auto *node = static_cast<mwLISTNODE *>(mwDMemAlloc("mwlist", 58, sizeof(mwLISTNODE)));
    node->data = data;
    node->next = nullptr;
    node->prev = list->last;
    if (list->last)
        list->last->next = node;
    else
        list->first = node;
    list->last = node;
    return node;
}

mwLISTNODE *mwListFind(mwLIST *list, void *data)
{
    if (!list)
        return nullptr;
    for (mwLISTNODE *node = list->first; node; node = node->next)
        if (node->data == data)
            return node;
    return nullptr;
}

int mwListRemoveNode(mwLIST *list, mwLISTNODE *node)
{
    if (!node)
        return 0;
    if (!list)
        mwError("mwlist", __LINE__, "mwListRemoveNode", MW_ERR_INVALID_PARAMETER);
    if (node == list->last)
        list->last = node->prev;
    if (node == list->first)
        list->first = node->next;
    if (node->prev)
        node->prev->next = node->next;
    if (node->next)
        node->next->prev = node->prev;
    mwDMemFree("mwlist", 144, node);
    return 1;
}

int mwListRemove(mwLIST *list, void *data) { return mwListRemoveNode(list, mwListFind(list, data)); }

int mwListFree(mwLIST *list)
{
    if (!list)
        return 0;
    mwLISTNODE *node = list->first;
    while (node) {
        mwLISTNODE *next = node->next;
        mwDMemFree("mwlist", 205, node);
        node = next;
    }
    return 1;
}
