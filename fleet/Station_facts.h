// What the station query and the sort orders read of each station, worked out once per change of the
// document so that filtering a fleet of 100,000 stations costs a pass over small records, not 100,000
// openings of the station editor.
//
// Cached per station (built by Fleet_facts::build, in file order):
// - the ID, phone number and description, folded to lower case, in one text for the search by words;
// - the SMS number (the SMS_NUMBER record) and the PIN code, folded;
// - the memory used (bytes_used: the editor's meter);
// - the channels whose box the station editor ticks on each sequence page when it opens the station;
// - the number of reading notes of the station (its record's count, or from the notes of the read, when
//   given);
// - whether its ID or phone number is shared with another station;
// - with a template library: the template it equals or the nearest one, and how many settings differ.
// Per control that a query names (Fleet_facts::add_controls): its value as `vemora-cli form` prints it,
// for every station. Everything here is a copy: after a change of the document, build again, or follow the
// change with update, insert and erase.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Channel_table.h"

class Tsetup;
class Tstation;
class Reading_collector;
class Station_editor;
class Template_library;
class Template_matcher;

// The channels a query can name: the channel table's rows, then the battery ("Measure VBat").
constexpr int QUERY_CHANNEL_COUNT = CHANNEL_COUNT + 1;
constexpr int BATTERY_CHANNEL = CHANNEL_COUNT;
extern const char BATTERY_CAPTION[]; // "Measure VBat"

struct Station_facts {
    int32_t id = 0;
    // "<id>\0<phone number>\0<description>", folded: a bare word is looked for here. A word holds no NUL,
    // so no match runs across two fields.
    std::string text;
    uint16_t phone_at = 0, description_at = 0; // where the phone number and the description start in text
    std::string sms;                           // the SMS number, folded
    std::string pin;                           // the PIN code, folded (for its column's order only)
    int bytes = 0;                             // memory used, 0 to 223
    int problems = 0;                          // reading notes of this station
    bool duplicate = false;                    // its ID or its (non-empty) phone number occurs twice or more
    bool duplicate_id = false;                 // its ID occurs twice or more
    bool duplicate_phone = false;              // its non-empty phone number occurs twice or more
    uint32_t measured[PAGE_COUNT] = {}; // per sequence page: bit n for channel n of QUERY_CHANNEL_COUNT
    int32_t template_index = -1;        // the template it equals or is nearest to; -1: none or no library
    int32_t template_differs = 0;       // the settings that differ from it: 0 when it equals it

    std::string phone() const { return text.substr(phone_at, description_at - 1u - phone_at); }
    std::string description() const { return text.substr(description_at); }
};

// A station's facts held on their own, so that a station inserted or erased among 100,000 moves a pointer;
// copied whole.
class Held_facts {
  public:
    explicit Held_facts(Station_facts f) : p_(std::make_unique<Station_facts>(std::move(f))) {}
    Held_facts(const Held_facts& other) : p_(std::make_unique<Station_facts>(*other.p_)) {}
    Held_facts& operator=(const Held_facts& other) {
        if (this != &other) p_ = std::make_unique<Station_facts>(*other.p_);
        return *this;
    }
    Held_facts(Held_facts&&) noexcept = default;
    Held_facts& operator=(Held_facts&&) noexcept = default;
    ~Held_facts() = default;
    Station_facts& operator*() const { return *p_; }
    Station_facts* operator->() const { return p_.get(); }

  private:
    std::unique_ptr<Station_facts> p_;
};

class Fleet_facts {
  public:
    // Reads every station of the document once, opening each in the station editor's logic (nothing is
    // stored). notes, when given, are the reading notes of the read that made the document (its problem
    // counts); the controls named are read as add_controls reads them. library, when given, is matched
    // against every station (Template_matcher); without one, no station follows a template.
    void build(const Tsetup& setup, const Reading_collector* notes,
               const std::vector<std::string>& controls = std::vector<std::string>(),
               const Template_library* library = nullptr);
    // Reads station i again after an edit of that one record (i from 0, in file order): its facts, its
    // controls' values and the duplicate marks of the stations that shared its ID or phone number before
    // or share them now. Costs one opening of the station and a pass over small records, not a build.
    // Its problems are its record's count, as station_facts takes them; its template is matched again.
    void update(const Tstation& station, size_t i);
    // A station inserted at position i (from 0, at most size()): its facts, its controls' values, its
    // template, its channels when those before it are read, and the duplicate marks. Costs one opening of
    // the station; the marks of the others are looked at only when its ID or phone number turns shared.
    void insert(size_t i, const Tstation& station);
    // The stations at these positions (ascending, within the facts) taken out, the marks of those that
    // shared an ID or phone number with them made true again.
    void erase(const std::vector<int>& positions);
    // The stations other than the one inserted or updated whose duplicate marks the last update, insert or
    // erase changed, by their positions after it.
    const std::vector<size_t>& marks_changed() const { return marks_changed_; }
    // Reads the values of the named controls that are not held yet, for every station (a name that is no
    // control is ignored). Costs one more opening of every station when there is any.
    void add_controls(const Tsetup& setup, const std::vector<std::string>& controls);

    // Whether build and update read the channels each sequence page measures (Station_facts::measured):
    // the costly part, an opening of every station in the editor's logic, which only `uses:` and the page
    // terms need. On unless told; a window turns it off until its query names channels.
    void set_reading_channels(bool on) { reading_channels_ = on; }
    bool reads_channels() const { return reading_channels_; }
    bool has_channels() const { return has_channels_; }
    // Reads the channels of every station when they are not held yet (and reads them from now on).
    void add_channels(const Tsetup& setup);
    // Reads the channels of up to count more stations (the document's, in file order, as built), so that a
    // window can read them a slice at a time while it waits for the user; true once all are held.
    bool add_channels_of(const std::vector<Tstation*>& stations, size_t count);

    size_t size() const { return stations_.size(); }
    const Station_facts& at(size_t i) const { return *stations_[i]; }
    // The memory the facts take: their records and the texts that do not fit inside a record.
    size_t bytes() const;
    // The column of a control's values, or -1 when they are not held.
    int control_column(const std::string& name) const;
    const std::string& control_value(int column, size_t station) const {
        return control_values_[static_cast<size_t>(column)][station];
    }
    // Whether the facts were built with a template library, and the names of its templates (as in the
    // library, and folded for the query).
    bool has_library() const { return matcher_ != nullptr; }
    const std::string& template_name(int index) const { return template_names_[static_cast<size_t>(index)]; }
    const std::string& template_folded(int index) const {
        return template_folded_[static_cast<size_t>(index)];
    }
    // "Karst 15/2" when station i equals that template, "Karst 15/2 +3" when it is the nearest with three
    // settings differing; empty without a library or a template.
    std::string template_column(size_t i) const;

    // How many stations have this ID.
    int id_count(int32_t id) const;
    // The highest ID in use; false when there is no station.
    bool highest_id(int32_t* id) const;
    // The smallest ID at or above from that no station has, without a walk over the IDs in use; false
    // when every ID from there up to 2,147,483,647 is taken.
    bool free_from(int32_t from, int32_t* id) const;

  private:
    void mark_duplicates();
    void match_template(Station_facts& facts, const Tstation& station);
    // The facts of a station inserted or edited, with its controls' values in values.
    Station_facts read_station(const Tstation& station, bool channels,
                               std::vector<std::string>* values) const;
    // The counts of a station's ID and phone number, up or down by one.
    void count(const Station_facts& f, int delta);
    int phone_count(const std::string& phone) const;
    // Before a change: which IDs and phone numbers were shared. After it: the marks of every station
    // whose ID or phone number turned shared or single, and of the stations named, from the counts.
    struct Shared_before {
        std::vector<std::pair<int32_t, bool>> ids;
        std::vector<std::pair<std::string, bool>> phones;
    };
    void note_shared(const Station_facts& f, Shared_before* before) const;
    void mark_turned(const Shared_before& before, const std::vector<size_t>& own);
    bool mark(Station_facts& f) const; // true when a mark changed

    std::vector<Held_facts> stations_;
    // Beside each station's facts, in the same order: its ID and a hash of its folded phone number (0:
    // none), so that the stations holding an ID or a number that turned shared or single are found by a
    // pass over small records in a row, not by opening 100,000 records spread over the heap.
    struct Key {
        int32_t id;
        uint32_t phone;
    };
    std::vector<Key> keys_;
    static Key key_of(const Station_facts& f);
    std::map<int32_t, int> id_counts_; // ordered: the highest ID in use is at hand
    // The IDs in use as runs of consecutive IDs, first to last: the next free ID above any is the end of
    // its run, found by one search, even when a copy of a station of 100,000 numbered in a row needs one.
    std::map<int32_t, int32_t> id_runs_;
    void id_taken(int32_t id);
    void id_freed(int32_t id);
    std::unordered_map<std::string, int> phone_counts_; // non-empty, folded phone numbers
    std::vector<size_t> marks_changed_;
    bool reading_channels_ = true;
    bool has_channels_ = false; // every station's measured bits are read
    size_t channels_read_ = 0;  // the stations from the first whose measured bits are read
    std::vector<std::string> control_names_;
    std::vector<std::vector<std::string>> control_values_; // [column][station]
    std::shared_ptr<Template_matcher> matcher_; // shared by copies of the facts: it only caches templates
    std::vector<std::string> template_names_, template_folded_;
};

// The facts of one station as build makes them without notes: its problems are its record's count; not
// whether it is a duplicate (that needs the others). The channels measured only when asked (they need the
// editor opened on the station).
Station_facts station_facts(const Tstation& station, Station_editor& editor, bool channels = true);
