// Duplicating stations: the copy, its ID, and its place behind its source.
#include "Station_duplicate.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "Setup.h"

Station_ids::Station_ids(const Tsetup& setup) {
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next) {
        if (node->item == nullptr) continue;
        const int32_t id = static_cast<const Tstation*>(node->item)->id;
        ids_.insert(id);
        highest_ = any_ ? std::max(highest_, id) : id;
        any_ = true;
    }
}

Station_ids::Station_ids(const Fleet_facts& facts) : facts_(&facts) {
    any_ = facts.highest_id(&highest_);
}

bool Station_ids::free_above(int32_t above, int32_t* id) const {
    // The facts skip a run of IDs in use at once; each ID taken beside them costs one step more. Without
    // facts, at most one step more than there are IDs: one of them is free.
    for (int64_t candidate = int64_t(above) + 1; candidate <= INT32_MAX;) {
        int32_t free = static_cast<int32_t>(candidate);
        if (facts_ != nullptr && !facts_->free_from(free, &free)) return false;
        if (ids_.count(free) == 0) {
            *id = free;
            return true;
        }
        candidate = int64_t(free) + 1;
    }
    return false;
}

int32_t Station_ids::next_free() const {
    if (!any_ || highest_ < 1) return 1;
    if (highest_ < INT32_MAX) return highest_ + 1;
    int32_t id = 1;
    free_above(0, &id); // fewer stations than IDs from 1: one is free
    return id;
}

int32_t next_free_id(const Tsetup& setup) {
    return Station_ids(setup).next_free();
}

namespace {

// Sets the payload of every whole fixed record of the tag, as the reader fills <STATION_ID/> and
// <PIN_CODE/> from the station record.
void set_fixed_records(Teeprom_configurer& image, uint8_t wanted, uint32_t value) {
    uint8_t data[IMAGE_SIZE];
    std::memcpy(data, image.data(), IMAGE_SIZE);
    uint8_t position = 0;
    bool changed = false;
    for (;;) {
        if (data[position] == wanted && position + 5 <= image.cursor()) {
            for (int i = 0; i < 4; ++i)
                data[position + 1 + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
            changed = true;
        }
        uint8_t next = 0;
        if (!next_record_position(data, position, &next)) break;
        position = next;
    }
    if (changed) image.assign(data, image.cursor());
}

} // namespace

Station_copy duplicate_station(const Tstation& source, int32_t id) {
    Station_copy copy;
    copy.station.reset(new (std::nothrow) Tstation(source));
    Tstation* s = copy.station.get();
    if (s == nullptr) return copy;
    s->id = id;
    s->phone_nbr[0] = '\0';
    s->pin[0] = '\0';
    s->reading_notes = 0; // the notes were about the source as it was read
    const size_t room = sizeof s->description - 1;
    const size_t suffix = sizeof COPY_SUFFIX - 1;
    size_t kept = std::strlen(source.description);
    if (kept + suffix > room) {
        kept = room - suffix;
        copy.description_shortened = true;
    }
    std::memcpy(s->description, source.description, kept);
    std::memcpy(s->description + kept, COPY_SUFFIX, suffix + 1);
    set_fixed_records(s->configuration, tag::STATION_ID, static_cast<uint32_t>(id));
    set_fixed_records(s->configuration, tag::PIN_CODE, 0); // the empty PIN: four zero bytes
    return copy;
}

bool insert_station_after(Tsetup& setup, const Tstation* after, Tstation* station) {
    // The list links at its end only: a list of the same items with the station behind `after` replaces
    // it, built whole before anything is exchanged.
    Tlist fresh;
    bool placed = false;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next) {
        if (!fresh.append(node->item)) return false;
        if (node->item == after && !placed) {
            if (!fresh.append(station)) return false;
            placed = true;
        }
    }
    if (!placed && !fresh.append(station)) return false;
    setup.stations.list.swap(fresh);
    return true; // fresh now holds the old nodes, which its destruction frees without their items
}
