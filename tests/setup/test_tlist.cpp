// The generic list: order of effects, the changed rule, and identity removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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

// Random appends, inserts, unlinks, removes, permutations and swaps against a vector: after each, the walk
// from the head, the positions, the count and the tail (an append lands behind it) agree with the model.
TEST(Tlist, RandomChangesKeepTheWalkThePositionsAndTheTailInStep) {
    std::mt19937 rng(31);
    int values[4000];
    for (int i = 0; i < 4000; ++i)
        values[i] = i;
    int next_value = 0;
    Tlist list, other;
    std::vector<void*> model, other_model;
    const auto check = [&](const Tlist& l, const std::vector<void*>& m) {
        ASSERT_EQ(l.count(), static_cast<int>(m.size()));
        size_t i = 0;
        for (const Tlist::Tnode* node = l.head(); node != nullptr; node = node->next, ++i) {
            ASSERT_LT(i, m.size());
            ASSERT_EQ(node->item, m[i]) << "walk at " << i;
        }
        ASSERT_EQ(i, m.size());
        for (size_t k = 0; k < m.size(); ++k)
            ASSERT_EQ(l.node_at(static_cast<int>(k))->item, m[k]) << "position " << k;
        EXPECT_EQ(l.node_at(static_cast<int>(m.size())), nullptr);
    };
    for (int round = 0; round < 3000 && next_value < 3900; ++round) {
        const int size = static_cast<int>(model.size());
        switch (rng() % 6) {
        case 0:
        case 1: { // append, then insert a few at ascending places
            ASSERT_TRUE(list.append(&values[next_value]));
            model.push_back(&values[next_value++]);
            const int n = static_cast<int>(rng() % 4);
            std::vector<int> at;
            std::vector<void*> items;
            for (int i = 0; i < n; ++i) {
                const int last = at.empty() ? -1 : at.back();
                const int most = static_cast<int>(model.size()) + i;
                if (last + 1 > most) break;
                at.push_back(last + 1 + static_cast<int>(rng() % static_cast<unsigned>(most - last)));
                items.push_back(&values[next_value++]);
            }
            ASSERT_TRUE(list.insert_at(at.data(), items.data(), static_cast<int>(at.size())));
            for (size_t i = 0; i < at.size(); ++i)
                model.insert(model.begin() + at[i], items[i]);
            break;
        }
        case 2: { // unlink some
            if (size == 0) break;
            std::vector<int> at;
            for (int k = 0; k < size; ++k)
                if (rng() % 5 == 0) at.push_back(k);
            std::vector<void*> items(at.size());
            ASSERT_TRUE(list.unlink_at(at.data(), items.data(), static_cast<int>(at.size())));
            for (size_t i = at.size(); i-- > 0;) {
                EXPECT_EQ(items[i], model[static_cast<size_t>(at[i])]);
                model.erase(model.begin() + at[i]);
            }
            break;
        }
        case 3: { // remove one by its item
            if (size == 0) break;
            const size_t k = rng() % model.size();
            list.remove(model[k]);
            model.erase(model.begin() + static_cast<long>(k));
            break;
        }
        case 4: { // permute
            std::vector<int> order(model.size());
            for (size_t k = 0; k < order.size(); ++k)
                order[k] = static_cast<int>(k);
            std::shuffle(order.begin(), order.end(), rng);
            ASSERT_TRUE(list.permute(order.data(), size));
            std::vector<void*> moved(model.size());
            for (size_t k = 0; k < order.size(); ++k)
                moved[k] = model[static_cast<size_t>(order[k])];
            model.swap(moved);
            break;
        }
        default:
            list.swap(other);
            model.swap(other_model);
            break;
        }
        check(list, model);
        check(other, other_model);
    }
    list.clear(nullptr);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.node_at(0), nullptr);
    ASSERT_TRUE(list.append(&values[0]));
    EXPECT_EQ(list.node_at(0)->item, &values[0]);
}
