// Duplicating a station as Duplicate does, and the ID that Add proposes. A copy has its source's
// configuration and display type, the description with " (copy)" behind it, an ID of its own and no phone
// number or PIN: a SIM card belongs to one station.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_set>

#include "Station_facts.h"

class Tsetup;
class Tstation;

constexpr char COPY_SUFFIX[] = " (copy)";

// The IDs in use in a document, taken once, so that duplicating many stations costs no walk per copy.
class Station_ids {
  public:
    explicit Station_ids(const Tsetup& setup);
    // The IDs the facts of a whole document know, without a pass over its stations (the window's grid
    // keeps them current through every step).
    explicit Station_ids(const Fleet_facts& facts);
    bool in_use(int32_t id) const {
        return ids_.count(id) != 0 || (facts_ != nullptr && facts_->id_count(id) > 0);
    }
    void take(int32_t id) {
        ids_.insert(id);
        highest_ = any_ ? std::max(highest_, id) : id;
        any_ = true;
    }
    // The smallest ID above `above` that no station has; false when every ID up to 2,147,483,647 is taken
    // (then the copy's ID must be chosen).
    bool free_above(int32_t above, int32_t* id) const;
    // What Add proposes: one above the highest ID in use, and at least 1; when the highest is 2,147,483,647,
    // the smallest free ID from 1 up.
    int32_t next_free() const;

  private:
    std::unordered_set<int32_t> ids_; // the document's, or those taken beside the facts'
    const Fleet_facts* facts_ = nullptr;
    bool any_ = false;
    int32_t highest_ = 0;
};

int32_t next_free_id(const Tsetup& setup);

struct Station_copy {
    std::unique_ptr<Tstation> station; // null when none could be allocated
    // The description and " (copy)" did not fit the field's 255 characters: the source's description was
    // cut to 248 characters in the copy, and the caller says so.
    bool description_shortened = false;
};

// The copy of source with the given ID. The configuration's STATION_ID and PIN_CODE records take the
// copy's ID and the empty PIN, as reading the saved file back gives them.
Station_copy duplicate_station(const Tstation& source, int32_t id);

// Links station into the document right behind `after` (at the end when `after` is not in it) and takes
// ownership; false, with the document unchanged and the station not taken, when memory runs out.
bool insert_station_after(Tsetup& setup, const Tstation* after, Tstation* station);
