// Lists over the shared test heap: links after append and remove, the first
// of duplicates, and freeing nodes without touching the data.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "mwdynmem.h"
#include "mwkernel.h"

namespace {

std::vector<void *> contents(const mwLIST &list)
{
    std::vector<void *> forward;
    for (mwLISTNODE *node = list.first; node; node = node->next)
        forward.push_back(node->data);
    std::vector<void *> backward;
    for (mwLISTNODE *node = list.last; node; node = node->prev)
        backward.insert(backward.begin(), node->data);
    EXPECT_EQ(forward, backward) << "next and prev links disagree";
    return forward;
}

const mwDMEMHEADER &headerOf(void *node)
{
    return *reinterpret_cast<mwDMEMHEADER *>(static_cast<char *>(node) - kDMemHeaderSize);
}

} // namespace

TEST(Lists, AppendFindAndRemoveKeepBothDirectionsLinked)
{
    int a = 0, b = 0, c = 0;
    mwLIST list = {nullptr, nullptr};
    EXPECT_EQ(nullptr, mwListFind(&list, &a));

    mwLISTNODE *nodeA = mwListAppend(&list, &a);
    EXPECT_STREQ("mwlist", headerOf(nodeA).ownerFile);
    EXPECT_EQ(58, headerOf(nodeA).ownerLine);
    mwListAppend(&list, &b);
    mwListAppend(&list, &c);
    EXPECT_EQ((std::vector<void *>{&a, &b, &c}), contents(list));
    EXPECT_EQ(nodeA, mwListFind(&list, &a));

    EXPECT_EQ(1, mwListRemove(&list, &b)); // middle
    EXPECT_EQ((std::vector<void *>{&a, &c}), contents(list));
    EXPECT_EQ(1, mwListRemove(&list, &c)); // last
    EXPECT_EQ((std::vector<void *>{&a}), contents(list));
    EXPECT_EQ(0, mwListRemove(&list, &b)); // absent: nothing changes
    EXPECT_EQ((std::vector<void *>{&a}), contents(list));
    EXPECT_EQ(1, mwListRemoveNode(&list, nodeA)); // the only node
    EXPECT_EQ(nullptr, list.first);
    EXPECT_EQ(nullptr, list.last);
    EXPECT_EQ(0, mwListRemoveNode(&list, nullptr));
    mwDMemCheck("test", 1);
}

TEST(Lists, DuplicatesAreRemovedFirstOneFirst)
{
    int a = 0, b = 0;
    mwLIST list = {nullptr, nullptr};
    mwLISTNODE *first = mwListAppend(&list, &a);
    mwListAppend(&list, &b);
    mwLISTNODE *second = mwListAppend(&list, &a);
    EXPECT_EQ(first, mwListFind(&list, &a));
    EXPECT_EQ(1, mwListRemove(&list, &a));
    EXPECT_EQ(second, mwListFind(&list, &a));
    EXPECT_EQ((std::vector<void *>{&b, &a}), contents(list));
    mwListFree(&list);
}

TEST(Lists, FreeReleasesEveryNodeButNotTheData)
{
    char data[3][8] = {"one", "two", "three"};
    mwLIST list = {nullptr, nullptr};
    std::vector<mwLISTNODE *> nodes;
    for (auto &text : data)
        nodes.push_back(mwListAppend(&list, text));
    EXPECT_EQ(1, mwListFree(&list));
    for (mwLISTNODE *node : nodes)
        EXPECT_EQ(0, headerOf(node).used);
    EXPECT_STREQ("two", data[1]);
    EXPECT_EQ(0, mwListFree(nullptr));
    EXPECT_EQ(0, mwListRemove(nullptr, data[0]));
    mwDMemCheck("test", 2);
}
