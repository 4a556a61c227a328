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
