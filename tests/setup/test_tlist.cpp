// The generic list: order of effects, the changed rule, and identity removal.
#include <gtest/gtest.h>

#include <vector>

#include "Tlist.h"

namespace {
std::vector<int*> items(Tlist& list) {
    std::vector<int*> out;
    bool end = false;
    list.begin(0);
    for (void* item = list.next(&end); !end; item = list.next(&end))
        out.push_back(static_cast<int*>(item));
    return out;
}
int destroyed = 0;
void count_destroyed(void*) {
    ++destroyed;
}
} // namespace

TEST(Tlist, AppendKeepsOrderAndIgnoresNone) {
    Tlist list;
    int a = 1, b = 2, c = 3;
    list.append(&a);
    list.append(nullptr);
    list.append(&b);
    list.append(&c);
    EXPECT_EQ(items(list), (std::vector<int*>{&a, &b, &c}));
    EXPECT_EQ(list.node_at(-3)->item, &a);
    EXPECT_EQ(list.node_at(2)->item, &c);
    EXPECT_EQ(list.node_at(3), nullptr);
}

TEST(Tlist, ChangedIsSetByEveryChangeAndEndsATraversal) {
    Tlist list;
    int a = 1, b = 2, c = 3;
    list.append(&a);
    list.append(&b);
    list.begin(0);
    EXPECT_FALSE(list.changed());
    bool end = true;
    EXPECT_EQ(list.next(&end), &a);
    EXPECT_FALSE(end);
    list.append(&c);
    EXPECT_EQ(list.next(&end), nullptr);
    EXPECT_TRUE(end);
    list.begin(0);
    list.remove(&c);
    EXPECT_TRUE(list.changed());
    Tlist empty;
    empty.remove(&a);
    EXPECT_TRUE(empty.changed());
    empty.begin(0);
    empty.append(nullptr);
    EXPECT_TRUE(empty.changed());
}

TEST(Tlist, RemoveTakesTheFirstNodeOfThatVeryItem) {
    Tlist list;
    int a = 1, b = 1, c = 3;
    list.append(&a);
    list.append(&b);
    list.append(&a);
    list.remove(&a);
    EXPECT_EQ(items(list), (std::vector<int*>{&b, &a}));
    list.remove(&c);
    EXPECT_EQ(items(list), (std::vector<int*>{&b, &a}));
    list.remove(&a); // the last node: appending afterwards must still link to the new tail
    list.append(&c);
    EXPECT_EQ(items(list), (std::vector<int*>{&b, &c}));
    list.remove(&b);
    list.remove(&c);
    list.append(&a);
    EXPECT_EQ(items(list), (std::vector<int*>{&a}));
}

TEST(Tlist, ClearDestroysItemsOnlyWhenAsked) {
    Tlist list;
    int a = 1, b = 2;
    list.append(&a);
    list.append(&b);
    destroyed = 0;
    list.clear(nullptr);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(list.head(), nullptr);
    list.append(&a);
    list.append(&b);
    list.clear(&count_destroyed);
    EXPECT_EQ(destroyed, 2);
    list.append(&a);
    EXPECT_EQ(items(list), (std::vector<int*>{&a}));
}

TEST(Tlist, BeginAtAnIndex) {
    Tlist list;
    int a = 1, b = 2;
    list.append(&a);
    list.append(&b);
    list.begin(1);
    bool end = false;
    EXPECT_EQ(list.next(&end), &b);
    EXPECT_EQ(list.next(&end), nullptr);
    EXPECT_TRUE(end);
    list.begin(5);
    list.next(&end);
    EXPECT_TRUE(end);
}

// The changes of several nodes in one walk, checked against the same changes made one at a time on a
// vector, with an append afterwards to prove the tail follows.
TEST(Tlist, InsertAndUnlinkAtIndexesKeepOrderAndTail) {
    int v[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    Tlist list;
    for (int i = 0; i < 3; ++i)
        list.append(&v[i]); // 0 1 2
    const int at[] = {0, 2, 5};
    void* const put[] = {&v[3], &v[4], &v[5]};
    list.begin(0);
    ASSERT_TRUE(list.insert_at(at, put, 3));
    EXPECT_TRUE(list.changed());
    // 3 0 4 1 2 5: the last one appended at the end
    EXPECT_EQ(items(list), (std::vector<int*>{&v[3], &v[0], &v[4], &v[1], &v[2], &v[5]}));
    list.append(&v[6]);
    EXPECT_EQ(items(list).back(), &v[6]);
    EXPECT_EQ(list.count(), 7);

    const int out_at[] = {0, 3, 6};
    void* taken[3] = {};
    ASSERT_TRUE(list.unlink_at(out_at, taken, 3));
    EXPECT_EQ(taken[0], &v[3]);
    EXPECT_EQ(taken[1], &v[1]);
    EXPECT_EQ(taken[2], &v[6]);
    EXPECT_EQ(items(list), (std::vector<int*>{&v[0], &v[4], &v[2], &v[5]}));
    list.append(&v[7]); // the tail was the node unlinked last
    EXPECT_EQ(items(list), (std::vector<int*>{&v[0], &v[4], &v[2], &v[5], &v[7]}));

    // Everything out, then in again at the end of an empty list.
    const int all[] = {0, 1, 2, 3, 4};
    void* every[5] = {};
    ASSERT_TRUE(list.unlink_at(all, every, 5));
    EXPECT_EQ(list.head(), nullptr);
    ASSERT_TRUE(list.insert_at(all, every, 5));
    list.append(&v[1]);
    EXPECT_EQ(items(list), (std::vector<int*>{&v[0], &v[4], &v[2], &v[5], &v[7], &v[1]}));
}

TEST(Tlist, IndexesThatDoNotFitChangeNothing) {
    int v[4] = {0, 1, 2, 3};
    Tlist list;
    list.append(&v[0]);
    list.append(&v[1]);
    const std::vector<int*> before = items(list);
    void* put[] = {&v[2], &v[3]};
    void* taken[2] = {};
    const int past_end[] = {1, 4};   // the second would leave a gap behind the list
    const int descending[] = {1, 0}; // not ascending
    const int twice[] = {1, 1};      // the same index twice
    const int negative[] = {-1, 0};  // before the head
    for (const int* at : {past_end, descending, twice, negative}) {
        EXPECT_FALSE(list.insert_at(at, put, 2));
        EXPECT_FALSE(list.unlink_at(at, taken, 2));
        EXPECT_EQ(items(list), before);
    }
    const int beyond[] = {2};
    EXPECT_FALSE(list.unlink_at(beyond, taken, 1));
    void* none[] = {nullptr};
    EXPECT_FALSE(list.insert_at(beyond, none, 1)); // a node without an item is never linked
    EXPECT_EQ(items(list), before);
}

TEST(Tlist, PermuteMovesItemsAndRefusesWhatIsNoPermutation) {
    int v[4] = {0, 1, 2, 3};
    Tlist list;
    for (int& x : v)
        list.append(&x);
    const int order[] = {2, 0, 3, 1};
    ASSERT_TRUE(list.permute(order, 4));
    EXPECT_EQ(items(list), (std::vector<int*>{&v[2], &v[0], &v[3], &v[1]}));
    const std::vector<int*> before = items(list);
    const int repeated[] = {0, 0, 1, 2};
    const int outside[] = {0, 1, 2, 4};
    EXPECT_FALSE(list.permute(repeated, 4));
    EXPECT_FALSE(list.permute(outside, 4));
    EXPECT_FALSE(list.permute(order, 3)); // not every index of the list
    EXPECT_EQ(items(list), before);
    list.append(&v[0]);
    EXPECT_EQ(items(list).back(), &v[0]);
}
