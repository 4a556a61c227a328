// A singly linked list of untyped item references whose `changed` flag ends any traversal under way. The
// nodes are also indexed by position, so that counting and finding a position cost no walk on a list of
// 100,000 stations; the index costs a pointer per node.
#pragma once

#include <vector>

class Tlist {
  public:
    struct Tnode {
        Tnode* next = nullptr;
        void* item = nullptr;
    };

    using Item_destroyer = void (*)(void* item);

    Tlist() = default;
    ~Tlist() { clear(nullptr); }
    Tlist(const Tlist&) = delete;
    Tlist& operator=(const Tlist&) = delete;

    // Frees every node; with a destroyer, each item is destroyed before its node is freed.
    void clear(Item_destroyer destroy_items);
    // A null item adds no node; changed is set in both cases. False when a node cannot be allocated.
    bool append(void* item);
    void remove(void* item);         // unlinks the first node holding this very item; changed is set always
    Tnode* node_at(int index) const; // no walk
    int count() const;               // no walk

    // Changes of several nodes in one walk, so that a change of many stations of a long list costs one
    // pass. Each sets changed, and leaves the list as it was when it returns false.
    // Links items[i] so that it stands at indexes[i] once all are linked: indexes strictly ascending, none
    // past the end the list has by then. False when the indexes do not fit or a node cannot be allocated.
    bool insert_at(const int* indexes, void* const* items, int n);
    // Unlinks the nodes at indexes (strictly ascending, within the list) and puts their items, which are
    // not destroyed, into items in the same order. False when the indexes do not fit.
    bool unlink_at(const int* indexes, void** items, int n);
    // The node at index i then holds the item that was at order[i]: order must be a permutation of every
    // index of the list. The nodes stay; only their items move. False when order is no such permutation or
    // memory is short.
    bool permute(const int* order, int n);
    void begin(int index);
    void* next(bool* end);

    bool changed() const { return changed_; }
    // Exchanges the two lists' nodes; both traversals under way end.
    void swap(Tlist& other);
    Tnode* head() const { return head_; }

  private:
    Tnode* head_ = nullptr;
    Tnode* tail_ = nullptr; // appending costs no walk from the head
    bool changed_ = false;
    Tnode* cursor_ = nullptr;
    std::vector<Tnode*> index_; // the nodes in list order
};

// The typed owning lists share this traversal: begin(0), then next until end.
template <typename Item, typename Action> void for_each_item(Tlist& list, Action action) {
    bool end = false;
    list.begin(0);
    for (;;) {
        void* item = list.next(&end);
        if (end) break;
        if (item != nullptr) action(*static_cast<Item*>(item));
    }
}
