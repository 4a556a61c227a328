// The rows a list view shows of a fleet: the position (from 0, in file order) of each row's station, and
// per position its row or -1. Both directions are kept true through every change, without a pass that
// jumps about in memory: a change of the middle of 100,000 rows is a move of a block of integers and a
// pass that adds or takes one from those past it, which the compiler turns into vector instructions.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

class Row_map {
  public:
    // Rows showing these positions, in this order, among total positions; a position shown twice or past
    // total is a fault of the caller.
    void assign(const std::vector<int>& shown, int total);

    int rows() const { return static_cast<int>(rows_.size()); }
    int positions() const { return static_cast<int>(row_of_.size()); }
    // The position a row shows, and the row showing a position or -1; -1 for a row or position out of range.
    int position_at(int row) const { return row >= 0 && row < rows() ? rows_[static_cast<size_t>(row)] : -1; }
    int row_of(int position) const {
        return position >= 0 && position < positions() ? row_of_[static_cast<size_t>(position)] : -1;
    }

    // A row for a position not shown (within the positions), before the row at `row` (rows() appends).
    void insert_row(int row, int position);
    // The row taken away; its position stays, not shown.
    void erase_row(int row);
    // The rows from first to last taken away at once.
    void erase_rows(int first, int last);
    // The row at `from` taken out and put back so that it is the row at `to` (both of the rows there are).
    void move_row(int from, int to);

    // The positions (ascending, without repeats, within the positions) gone from the list: rows showing
    // them must have been erased first; every later position moves up by those gone before it.
    void remove_positions(const std::vector<int>& gone);
    // New positions (ascending, without repeats, as they stand once all are in: each at most the count
    // by then) come into the list, none shown; every other position moves down past those before it.
    void insert_positions(const std::vector<int>& added);

  private:
    std::vector<int> rows_;   // the position of each row
    std::vector<int> row_of_; // per position, its row or -1
};

// Each value v of values that is at least 0 (and none of gone) becomes v less the values of gone below it.
void shift_past_removed(std::vector<int>& values, const std::vector<int>& gone);
// Each value v of values that is at least 0 becomes the place it takes when new items come in at added
// (ascending, as they stand once all are in).
void shift_past_inserted(std::vector<int>& values, const std::vector<int>& added);

// The items at positions (ascending, without repeats, within items) taken out, the others closing up.
template <typename T> void erase_positions(std::vector<T>& items, const std::vector<int>& positions) {
    if (positions.empty()) return;
    size_t to = static_cast<size_t>(positions[0]);
    for (size_t k = 0; k < positions.size(); ++k) {
        const size_t from = static_cast<size_t>(positions[k]) + 1;
        const size_t end = k + 1 < positions.size() ? static_cast<size_t>(positions[k + 1]) : items.size();
        for (size_t i = from; i < end; ++i)
            items[to++] = std::move(items[i]);
    }
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(to), items.end());
}

// values[k] put in at positions[k] (ascending, as they stand once all are in), the others moving down.
template <typename T>
void insert_positions(std::vector<T>& items, const std::vector<int>& positions, std::vector<T> values) {
    if (positions.empty()) return;
    size_t from = items.size();
    items.resize(items.size() + positions.size());
    size_t to = items.size();
    for (size_t k = positions.size(); k-- > 0;) {
        const size_t at = static_cast<size_t>(positions[k]);
        while (to > at + 1)
            items[--to] = std::move(items[--from]);
        items[--to] = std::move(values[k]);
    }
}
