// The rows of a list view and their positions, both ways.
#include "Row_map.h"

#include <algorithm>

namespace {

// Up to this many positions change in one step, a pass per position over the values costs less than a
// search per value; a step of one station, the common case, is one pass.
constexpr size_t FEW = 8;

// Adds delta to every value above `above` and at most `up_to`: one pass without branches.
void add_within(std::vector<int>& values, int above, int up_to, int delta) {
    for (int& v : values)
        v += (v > above && v <= up_to) ? delta : 0;
}

} // namespace

void shift_past_removed(std::vector<int>& values, const std::vector<int>& gone) {
    if (gone.size() <= FEW) {
        // From the highest down: a value above a removed one stays above every lower one once moved.
        for (size_t k = gone.size(); k-- > 0;) {
            const int g = gone[k];
            for (int& v : values)
                v -= v > g ? 1 : 0;
        }
        return;
    }
    for (int& v : values)
        if (v >= 0) v -= static_cast<int>(std::lower_bound(gone.begin(), gone.end(), v) - gone.begin());
}

void shift_past_inserted(std::vector<int>& values, const std::vector<int>& added) {
    if (added.size() <= FEW) {
        // From the lowest up: each new item comes in where it stands once all are in, the later ones
        // further down, so that the earlier ones stay where they are put.
        for (const int a : added)
            for (int& v : values)
                v += v >= a ? 1 : 0;
        return;
    }
    // A value v lands at v + j, j the count of new items that come before it: those whose place, less
    // the new items before them, is at most v.
    std::vector<int> keys(added.size());
    for (size_t j = 0; j < added.size(); ++j)
        keys[j] = added[j] - static_cast<int>(j);
    for (int& v : values)
        if (v >= 0) v += static_cast<int>(std::upper_bound(keys.begin(), keys.end(), v) - keys.begin());
}

void Row_map::assign(const std::vector<int>& shown, int total) {
    rows_ = shown;
    row_of_.assign(static_cast<size_t>(std::max(total, 0)), -1);
    for (size_t row = 0; row < rows_.size(); ++row)
        row_of_[static_cast<size_t>(rows_[row])] = static_cast<int>(row);
}

void Row_map::insert_row(int row, int position) {
    rows_.insert(rows_.begin() + row, position);
    add_within(row_of_, row - 1, rows(), 1);
    row_of_[static_cast<size_t>(position)] = row;
}

void Row_map::erase_row(int row) {
    erase_rows(row, row);
}

void Row_map::erase_rows(int first, int last) {
    for (int row = first; row <= last; ++row)
        row_of_[static_cast<size_t>(rows_[static_cast<size_t>(row)])] = -1;
    rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
    add_within(row_of_, last, rows() + (last - first + 1), -(last - first + 1));
}

void Row_map::move_row(int from, int to) {
    if (from == to) return;
    const int position = rows_[static_cast<size_t>(from)];
    const int low = std::min(from, to), high = std::max(from, to);
    if (from < to)
        std::rotate(rows_.begin() + from, rows_.begin() + from + 1, rows_.begin() + to + 1);
    else
        std::rotate(rows_.begin() + to, rows_.begin() + from, rows_.begin() + from + 1);
    // A short move renumbers its rows; a long one passes over every position rather than jump about.
    if (static_cast<size_t>(high - low) < row_of_.size() / 32 + 16) {
        for (int row = low; row <= high; ++row)
            row_of_[static_cast<size_t>(rows_[static_cast<size_t>(row)])] = row;
        return;
    }
    if (from < to)
        add_within(row_of_, from, to, -1);
    else
        add_within(row_of_, to - 1, from - 1, 1);
    row_of_[static_cast<size_t>(position)] = to;
}

void Row_map::remove_positions(const std::vector<int>& gone) {
    erase_positions(row_of_, gone);
    shift_past_removed(rows_, gone);
}

void Row_map::insert_positions(const std::vector<int>& added) {
    shift_past_inserted(rows_, added);
    ::insert_positions(row_of_, added, std::vector<int>(added.size(), -1));
}
