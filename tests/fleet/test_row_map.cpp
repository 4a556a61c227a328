// The rows of the station list and their positions, both ways, through random changes: always what a plain
// list of rows, changed the obvious way, gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Row_map.h"

namespace {

// The obvious model: the stations as labels in file order, and the rows as the labels they show.
struct Plain_rows {
    std::vector<int> stations; // labels, in file order
    std::vector<int> shown;    // labels, in row order
    int next_label = 0;

    int position_of(int label) const {
        return static_cast<int>(std::find(stations.begin(), stations.end(), label) - stations.begin());
    }
};

void expect_same(const Row_map& map, const Plain_rows& plain, const std::string& when) {
    ASSERT_EQ(map.positions(), static_cast<int>(plain.stations.size())) << when;
    ASSERT_EQ(map.rows(), static_cast<int>(plain.shown.size())) << when;
    std::vector<int> row_of(plain.stations.size(), -1);
    for (size_t row = 0; row < plain.shown.size(); ++row) {
        const int position = plain.position_of(plain.shown[row]);
        ASSERT_EQ(map.position_at(static_cast<int>(row)), position) << when << ", row " << row;
        row_of[static_cast<size_t>(position)] = static_cast<int>(row);
    }
    for (size_t p = 0; p < row_of.size(); ++p)
        ASSERT_EQ(map.row_of(static_cast<int>(p)), row_of[p]) << when << ", position " << p;
    EXPECT_EQ(map.row_of(-1), -1);
    EXPECT_EQ(map.row_of(map.positions()), -1);
    EXPECT_EQ(map.position_at(map.rows()), -1);
}

// Ascending distinct picks of count values from 0 to below limit.
std::vector<int> pick(std::mt19937& rng, int limit, size_t count) {
    std::vector<int> all(static_cast<size_t>(limit));
    for (int i = 0; i < limit; ++i)
        all[static_cast<size_t>(i)] = i;
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(std::min(count, all.size()));
    std::sort(all.begin(), all.end());
    return all;
}

} // namespace

TEST(Row_map, RandomChangesKeepBothDirectionsTrue) {
    // Sizes around the point where a long move passes over every position instead of renumbering rows,
    // and sets of positions on both sides of the count that changes how they are counted.
    for (const int size : {0, 1, 7, 300, 2500}) {
        std::mt19937 rng(static_cast<unsigned>(4711 + size));
        Plain_rows plain;
        for (int i = 0; i < size; ++i)
            plain.stations.push_back(plain.next_label++);
        for (int label : plain.stations)
            if (rng() % 3 != 0) plain.shown.push_back(label);
        std::shuffle(plain.shown.begin(), plain.shown.end(), rng); // an order that is not the file's
        Row_map map;
        std::vector<int> shown_positions;
        for (int label : plain.shown)
            shown_positions.push_back(plain.position_of(label));
        map.assign(shown_positions, size);
        expect_same(map, plain, "assigned");
        for (int round = 0; round < 300; ++round) {
            const int n = static_cast<int>(plain.stations.size());
            const int rows = static_cast<int>(plain.shown.size());
            const unsigned what = rng() % 6;
            std::string when = "size " + std::to_string(size) + ", round " + std::to_string(round);
            if (what == 0 && rows < n) { // a hidden station shown
                std::vector<int> hidden;
                for (int p = 0; p < n; ++p)
                    if (map.row_of(p) < 0) hidden.push_back(p);
                const int position = hidden[rng() % hidden.size()];
                const int row = static_cast<int>(rng() % static_cast<unsigned>(rows + 1));
                when += ", insert_row " + std::to_string(row);
                map.insert_row(row, position);
                plain.shown.insert(plain.shown.begin() + row, plain.stations[static_cast<size_t>(position)]);
            } else if (what == 1 && rows > 0) { // rows hidden
                const int first = static_cast<int>(rng() % static_cast<unsigned>(rows));
                const int last = std::min(rows - 1, first + static_cast<int>(rng() % 4));
                when += ", erase_rows " + std::to_string(first) + "-" + std::to_string(last);
                if (first == last)
                    map.erase_row(first);
                else
                    map.erase_rows(first, last);
                plain.shown.erase(plain.shown.begin() + first, plain.shown.begin() + last + 1);
            } else if (what == 2 && rows > 0) { // a row moved, near or far
                const int from = static_cast<int>(rng() % static_cast<unsigned>(rows));
                const int to = rng() % 2 ? static_cast<int>(rng() % static_cast<unsigned>(rows))
                                         : std::clamp(from + static_cast<int>(rng() % 9) - 4, 0, rows - 1);
                when += ", move_row " + std::to_string(from) + " to " + std::to_string(to);
                map.move_row(from, to);
                const int label = plain.shown[static_cast<size_t>(from)];
                plain.shown.erase(plain.shown.begin() + from);
                plain.shown.insert(plain.shown.begin() + to, label);
            } else if (what == 3 && n > 0) { // stations deleted: their rows first, then the positions
                const std::vector<int> gone = pick(rng, n, rng() % 2 ? 1 + rng() % 3 : 9 + rng() % 20);
                when += ", remove " + std::to_string(gone.size()) + " positions";
                std::vector<int> rows_gone;
                for (int p : gone)
                    if (map.row_of(p) >= 0) rows_gone.push_back(map.row_of(p));
                std::sort(rows_gone.rbegin(), rows_gone.rend());
                for (int row : rows_gone)
                    map.erase_row(row);
                map.remove_positions(gone);
                std::vector<int> labels;
                for (int p : gone)
                    labels.push_back(plain.stations[static_cast<size_t>(p)]);
                const auto is_gone = [&](int label) {
                    return std::find(labels.begin(), labels.end(), label) != labels.end();
                };
                plain.stations.erase(std::remove_if(plain.stations.begin(), plain.stations.end(), is_gone),
                                     plain.stations.end());
                plain.shown.erase(std::remove_if(plain.shown.begin(), plain.shown.end(), is_gone),
                                  plain.shown.end());
            } else if (what >= 4) { // stations added, hidden until shown one by one
                const size_t count = rng() % 2 ? 1 + rng() % 3 : 9 + rng() % 20;
                const std::vector<int> added = pick(rng, n + static_cast<int>(count), count);
                when += ", insert " + std::to_string(added.size()) + " positions";
                map.insert_positions(added);
                for (int p : added) // ascending, each where it stands once all are in
                    plain.stations.insert(plain.stations.begin() + p, plain.next_label++);
            }
            expect_same(map, plain, when);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(Row_map, ItemsAndPositionsOfOtherListsMoveAlike) {
    // Texts too, since the grid keeps records beside the rows: each keeps its value through the moves,
    // and a position kept elsewhere still finds its item.
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        const int n = static_cast<int>(rng() % 60);
        std::vector<std::string> items;
        for (int i = 0; i < n; ++i)
            items.push_back("a text long enough to live on the heap, number " + std::to_string(i));
        const std::vector<std::string> original = items;
        std::vector<std::string> plain = items;
        std::vector<int> values;   // where some of the old items stand
        std::vector<size_t> which; // which old item each value is of
        for (int i = 0; i < n; ++i)
            if (rng() % 2) {
                values.push_back(i);
                which.push_back(static_cast<size_t>(i));
            }
        values.push_back(-1); // no item: stays none
        const bool removing = rng() % 2 && n > 0;
        if (removing) {
            const std::vector<int> gone = pick(rng, n, 1 + rng() % 12); // both ways of counting
            for (size_t k = values.size() - 1; k-- > 0;) // the removed ones are not asked about
                if (std::binary_search(gone.begin(), gone.end(), values[k])) {
                    values.erase(values.begin() + static_cast<std::ptrdiff_t>(k));
                    which.erase(which.begin() + static_cast<std::ptrdiff_t>(k));
                }
            erase_positions(items, gone);
            shift_past_removed(values, gone);
            for (size_t k = gone.size(); k-- > 0;)
                plain.erase(plain.begin() + gone[k]);
        } else {
            const size_t count = 1 + rng() % 12;
            const std::vector<int> added = pick(rng, n + static_cast<int>(count), count);
            std::vector<std::string> news;
            for (size_t k = 0; k < added.size(); ++k)
                news.push_back("new " + std::to_string(k));
            insert_positions(items, added, news);
            shift_past_inserted(values, added);
            for (size_t k = 0; k < added.size(); ++k)
                plain.insert(plain.begin() + added[k], news[k]);
        }
        const std::string when = "round " + std::to_string(round) + (removing ? ", removing" : ", adding");
        ASSERT_EQ(items, plain) << when;
        ASSERT_EQ(values.back(), -1) << when;
        for (size_t k = 0; k + 1 < values.size(); ++k) {
            ASSERT_GE(values[k], 0) << when;
            ASSERT_LT(values[k], static_cast<int>(plain.size())) << when;
            ASSERT_EQ(plain[static_cast<size_t>(values[k])], original[which[k]]) << when;
        }
    }
}
