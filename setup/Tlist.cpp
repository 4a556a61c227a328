// The generic list. Every change sets `changed`, so a traversal under way stops at its next step.
#include "Tlist.h"

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
}

bool Tlist::append(void* item) {
    changed_ = true;
    if (item == nullptr) return true;
    Tnode* node = new (std::nothrow) Tnode;
    if (node == nullptr) return false;
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
    cursor_ = other.cursor_ = nullptr;
    changed_ = other.changed_ = true;
}

void Tlist::remove(void* item) {
    changed_ = true;
    Tnode* previous = nullptr;
    for (Tnode* node = head_; node != nullptr; previous = node, node = node->next) {
        if (node->item != item) continue;
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
    Tnode* node = head_;
    while (node != nullptr && index > 0) {
        node = node->next;
        --index;
    }
    return node;
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
