// The generic list. Every change sets `changed`, so a traversal under way stops at its next step.
#include "Tlist.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

void Tlist::clear(Item_destroyer destroy_items) {
    Tnode* node = head_;
    while (node != nullptr) {
        Tnode* following = node->next;
        if (destroy_items != nullptr && node->item != nullptr) destroy_items(node->item);
        delete node;
        node = following;
    }
    head_ = tail_ = nullptr;
    cursor_ = nullptr;
    changed_ = true;
    std::vector<Tnode*>().swap(index_);
}

bool Tlist::append(void* item) {
    changed_ = true;
    if (item == nullptr) return true;
    Tnode* node = new (std::nothrow) Tnode;
    if (node == nullptr) return false;
    try {
        index_.push_back(node);
    } catch (const std::bad_alloc&) {
        delete node;
        return false;
    }
    node->item = item;
    if (tail_ == nullptr)
        head_ = node;
    else
        tail_->next = node;
    tail_ = node;
    return true;
}

void Tlist::swap(Tlist& other) {
    std::swap(head_, other.head_);
    std::swap(tail_, other.tail_);
    index_.swap(other.index_);
    cursor_ = other.cursor_ = nullptr;
    changed_ = other.changed_ = true;
}

void Tlist::remove(void* item) {
    changed_ = true;
    Tnode* previous = nullptr;
    size_t position = 0;
    for (Tnode* node = head_; node != nullptr; previous = node, node = node->next, ++position) {
        if (node->item != item) continue;
        index_.erase(index_.begin() + static_cast<std::ptrdiff_t>(position));
        if (previous == nullptr)
            head_ = node->next;
        else
            previous->next = node->next;
        if (tail_ == node) tail_ = previous;
        if (cursor_ == node) cursor_ = node->next;
        delete node;
        return;
    }
}

Tlist::Tnode* Tlist::node_at(int index) const {
    if (index < 0) index = 0;
    return static_cast<size_t>(index) < index_.size() ? index_[static_cast<size_t>(index)] : nullptr;
}

int Tlist::count() const {
    return static_cast<int>(index_.size());
}

namespace {
// Strictly ascending, the first not negative.
bool ascending(const int* indexes, int n) {
    for (int i = 0; i < n; ++i)
        if (indexes[i] < 0 || (i > 0 && indexes[i] <= indexes[i - 1])) return false;
    return true;
}
} // namespace

bool Tlist::insert_at(const int* indexes, void* const* items, int n) {
    changed_ = true;
    cursor_ = nullptr;
    if (n <= 0) return n == 0;
    if (indexes == nullptr || items == nullptr || !ascending(indexes, n)) return false;
    // Before the i-th is linked the list holds count + i nodes: an index up to that appends.
    const int before = count();
    for (int i = 0; i < n; ++i)
        if (indexes[i] > before + i || items[i] == nullptr) return false;
    std::unique_ptr<Tnode*[]> nodes(new (std::nothrow) Tnode*[static_cast<size_t>(n)]);
    if (!nodes) return false;
    for (int i = 0; i < n; ++i) {
        nodes[i] = new (std::nothrow) Tnode;
        if (nodes[i] != nullptr) continue;
        for (int k = 0; k < i; ++k)
            delete nodes[k];
        return false;
    }
    try {
        index_.reserve(index_.size() + static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        for (int k = 0; k < n; ++k)
            delete nodes[k];
        return false;
    }
    // The index gets the new nodes in their places, from the back, in one pass; then each new node is
    // linked between the neighbours its place gives it.
    const size_t total = index_.size() + static_cast<size_t>(n);
    size_t from = index_.size();
    index_.resize(total);
    size_t to = total;
    for (int i = n - 1; i >= 0; --i) {
        const auto place = static_cast<size_t>(indexes[i]);
        while (to > place + 1)
            index_[--to] = index_[--from];
        index_[--to] = nodes[i];
        nodes[i]->item = items[i];
    }
    for (int i = 0; i < n; ++i) {
        const auto place = static_cast<size_t>(indexes[i]);
        Tnode* node = index_[place];
        node->next = place + 1 < total ? index_[place + 1] : nullptr;
        if (place == 0)
            head_ = node;
        else
            index_[place - 1]->next = node;
        if (node->next == nullptr) tail_ = node;
    }
    return true;
}

bool Tlist::unlink_at(const int* indexes, void** items, int n) {
    changed_ = true;
    cursor_ = nullptr;
    if (n <= 0) return n == 0;
    if (indexes == nullptr || items == nullptr || !ascending(indexes, n) || indexes[n - 1] >= count())
        return false;
    for (int i = 0; i < n; ++i) {
        Tnode*& node = index_[static_cast<size_t>(indexes[i])];
        items[i] = node->item;
        delete node;
        node = nullptr;
    }
    // The index closes its gaps; the nodes around each gap are linked to each other.
    index_.erase(std::remove(index_.begin(), index_.end(), nullptr), index_.end());
    for (int i = 0; i < n; ++i) {
        const auto gap = static_cast<size_t>(indexes[i] - i);
        Tnode* following = gap < index_.size() ? index_[gap] : nullptr;
        if (gap == 0)
            head_ = following;
        else
            index_[gap - 1]->next = following;
    }
    tail_ = index_.empty() ? nullptr : index_.back();
    return true;
}

bool Tlist::permute(const int* order, int n) {
    changed_ = true;
    cursor_ = nullptr;
    if (n != count() || n < 0 || (n > 0 && order == nullptr)) return false;
    if (n == 0) return true;
    const auto size = static_cast<size_t>(n);
    std::unique_ptr<void*[]> items(new (std::nothrow) void*[size]);
    std::unique_ptr<bool[]> taken(new (std::nothrow) bool[size]());
    if (!items || !taken) return false;
    for (int i = 0; i < n; ++i) {
        if (order[i] < 0 || order[i] >= n || taken[order[i]]) return false;
        taken[order[i]] = true;
    }
    int i = 0;
    for (Tnode* node = head_; node != nullptr; node = node->next)
        items[i++] = node->item;
    i = 0;
    for (Tnode* node = head_; node != nullptr; node = node->next)
        node->item = items[order[i++]];
    return true;
}

void Tlist::begin(int index) {
    changed_ = false;
    cursor_ = node_at(index);
}

void* Tlist::next(bool* end) {
    if (cursor_ == nullptr || changed_) {
        if (end != nullptr) *end = true;
        return nullptr;
    }
    void* item = cursor_->item;
    cursor_ = cursor_->next;
    if (end != nullptr) *end = false;
    return item;
}
