// The facts of a fleet: each station's texts, memory used and ticked channels, read once.
#include "Station_facts.h"

#include <algorithm>
#include <unordered_map>

#include "Fleet_text.h"
#include "Reading_report.h"
#include "Row_map.h"
#include "Setup.h"
#include "Station_editor.h"
#include "Template_library.h"

const char BATTERY_CAPTION[] = "Measure VBat";

namespace {

std::vector<const Tstation*> stations_of(const Tsetup& setup) {
    std::vector<const Tstation*> out;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
        if (node->item != nullptr) out.push_back(static_cast<const Tstation*>(node->item));
    return out;
}

// The station editor only reads the station when it opens on it.
void open_read_only(Station_editor& editor, const Tstation& station) {
    editor.open(const_cast<Tstation*>(&station));
}

uint32_t measured_on(const Form_model& form, int page) {
    const Page_controls& c = form.page(page);
    uint32_t bits = form.checked(c.vbat) ? 1u << BATTERY_CHANNEL : 0u;
    for (int n = 0; n < CHANNEL_COUNT; ++n)
        if (form.checked(c.check[n])) bits |= 1u << n;
    return bits;
}

} // namespace

Station_facts station_facts(const Tstation& station, Station_editor& editor, bool channels) {
    Station_facts f;
    f.id = station.id;
    f.text = std::to_string(station.id);
    f.text += '\0';
    f.phone_at = static_cast<uint16_t>(f.text.size());
    f.text += folded(station.phone_nbr);
    f.text += '\0';
    f.description_at = static_cast<uint16_t>(f.text.size());
    f.text += folded(station.description);
    f.sms = folded(station.configuration.get_sms_number());
    f.pin = folded(station.pin);
    f.bytes = bytes_used(station.configuration);
    f.problems = station.reading_notes;
    if (!channels) return f;
    open_read_only(editor, station);
    for (int p = 0; p < PAGE_COUNT; ++p)
        f.measured[p] = measured_on(editor.form, p);
    return f;
}

void Fleet_facts::build(const Tsetup& setup, const Reading_collector* notes,
                        const std::vector<std::string>& controls, const Template_library* library) {
    stations_.clear();
    control_names_.clear();
    control_values_.clear();
    matcher_.reset();
    template_names_.clear();
    template_folded_.clear();
    if (library != nullptr) {
        matcher_ = std::make_shared<Template_matcher>(*library);
        for (size_t t = 0; t < matcher_->size(); ++t) {
            template_names_.push_back(matcher_->name(t));
            template_folded_.push_back(folded(matcher_->name(t)));
        }
    }
    const std::vector<const Tstation*> stations = stations_of(setup);
    stations_.reserve(stations.size());
    Station_editor editor;
    for (size_t i = 0; i < stations.size(); ++i) {
        stations_.push_back(Held_facts(station_facts(*stations[i], editor, reading_channels_)));
        // Notes count stations by their place in the file, from 1, null items included: the walk above
        // skips none in a document read from a file.
        if (notes != nullptr) stations_.back()->problems = notes->station_count(static_cast<int>(i) + 1);
        if (matcher_ != nullptr) match_template(*stations_.back(), *stations[i]);
    }
    has_channels_ = reading_channels_;
    channels_read_ = reading_channels_ ? stations_.size() : 0;
    keys_.clear();
    keys_.reserve(stations_.size());
    for (const auto& f : stations_)
        keys_.push_back(key_of(*f));
    mark_duplicates();
    add_controls(setup, controls);
}

void Fleet_facts::add_channels(const Tsetup& setup) {
    reading_channels_ = true;
    if (has_channels_) return;
    std::vector<Tstation*> stations;
    for (const Tstation* s : stations_of(setup))
        stations.push_back(const_cast<Tstation*>(s));
    add_channels_of(stations, stations.size());
}

bool Fleet_facts::add_channels_of(const std::vector<Tstation*>& stations, size_t count) {
    if (has_channels_) return true;
    Station_editor editor;
    const size_t end = std::min({stations.size(), stations_.size(), channels_read_ + count});
    for (; channels_read_ < end; ++channels_read_) {
        open_read_only(editor, *stations[channels_read_]);
        for (int p = 0; p < PAGE_COUNT; ++p)
            stations_[channels_read_]->measured[p] = measured_on(editor.form, p);
    }
    has_channels_ = channels_read_ >= stations_.size();
    if (has_channels_) reading_channels_ = true;
    return has_channels_;
}

namespace {

bool has_phone(const Station_facts& f) {
    return f.description_at - 1u > f.phone_at;
}

// The phone number inside the facts' text, without cutting it out: the pass over every station when a
// number turns shared or single compares in place.
bool phone_is(const Station_facts& f, const std::string& phone) {
    const size_t length = f.description_at - 1u - f.phone_at;
    return length == phone.size() && f.text.compare(f.phone_at, length, phone) == 0;
}

} // namespace

namespace {

uint32_t phone_hash(const std::string& phone) {
    if (phone.empty()) return 0;
    const auto h = static_cast<uint32_t>(std::hash<std::string>()(phone));
    return h == 0 ? 1 : h; // 0 is no number
}

} // namespace

Fleet_facts::Key Fleet_facts::key_of(const Station_facts& f) {
    return Key{f.id, has_phone(f) ? phone_hash(f.phone()) : 0};
}

void Fleet_facts::count(const Station_facts& f, int delta) {
    const auto id = id_counts_.find(f.id);
    if (id == id_counts_.end()) {
        id_counts_.emplace(f.id, delta);
        id_taken(f.id);
    } else if ((id->second += delta) == 0) {
        id_counts_.erase(id);
        id_freed(f.id);
    }
    // Phone numbers are compared as stored, case aside; two stations without one share nothing.
    if (!has_phone(f)) return;
    const std::string phone = f.phone();
    const auto p = phone_counts_.find(phone);
    if (p == phone_counts_.end())
        phone_counts_.emplace(phone, delta);
    else if ((p->second += delta) == 0)
        phone_counts_.erase(p);
}

int Fleet_facts::id_count(int32_t id) const {
    const auto it = id_counts_.find(id);
    return it == id_counts_.end() ? 0 : it->second;
}

bool Fleet_facts::highest_id(int32_t* id) const {
    if (id_counts_.empty()) return false;
    *id = id_counts_.rbegin()->first;
    return true;
}

void Fleet_facts::id_taken(int32_t id) {
    const auto next = id_runs_.upper_bound(id); // the first run that starts above it
    const bool joins_next = next != id_runs_.end() && int64_t(next->first) == int64_t(id) + 1;
    if (next != id_runs_.begin()) {
        const auto before = std::prev(next);
        if (int64_t(before->second) + 1 == id) { // it ends the run before it
            before->second = joins_next ? next->second : id;
            if (joins_next) id_runs_.erase(next);
            return;
        }
    }
    if (joins_next) { // it starts the run after it
        const int32_t last = next->second;
        id_runs_.erase(next);
        id_runs_.emplace(id, last);
        return;
    }
    id_runs_.emplace(id, id);
}

void Fleet_facts::id_freed(int32_t id) {
    auto run = id_runs_.upper_bound(id);
    if (run == id_runs_.begin()) return; // not in use
    --run;
    const int32_t first = run->first, last = run->second;
    if (last < id) return;
    if (first == id) {
        id_runs_.erase(run);
        if (last > id) id_runs_.emplace(id + 1, last);
        return;
    }
    run->second = id - 1;
    if (last > id) id_runs_.emplace(id + 1, last);
}

bool Fleet_facts::free_from(int32_t from, int32_t* id) const {
    auto run = id_runs_.upper_bound(from);
    if (run != id_runs_.begin() && std::prev(run)->second >= from) {
        const int32_t last = std::prev(run)->second;
        if (last == INT32_MAX) return false;
        *id = last + 1; // runs are as long as they can be: the one after the end is free
        return true;
    }
    *id = from;
    return true;
}

int Fleet_facts::phone_count(const std::string& phone) const {
    const auto it = phone_counts_.find(phone);
    return it == phone_counts_.end() ? 0 : it->second;
}

bool Fleet_facts::mark(Station_facts& f) const {
    const bool id = id_count(f.id) > 1;
    const bool phone = has_phone(f) && phone_count(f.phone()) > 1;
    const bool changed = id != f.duplicate_id || phone != f.duplicate_phone;
    f.duplicate_id = id;
    f.duplicate_phone = phone;
    f.duplicate = id || phone;
    return changed;
}

void Fleet_facts::mark_duplicates() {
    id_counts_.clear();
    id_runs_.clear();
    phone_counts_.clear();
    phone_counts_.reserve(stations_.size());
    for (const auto& f : stations_)
        count(*f, 1);
    for (auto& f : stations_)
        mark(*f);
}

void Fleet_facts::note_shared(const Station_facts& f, Shared_before* before) const {
    before->ids.emplace_back(f.id, id_count(f.id) > 1);
    if (has_phone(f)) {
        std::string phone = f.phone();
        const bool shared = phone_count(phone) > 1;
        before->phones.emplace_back(std::move(phone), shared);
    }
}

void Fleet_facts::mark_turned(const Shared_before& before, const std::vector<size_t>& own) {
    marks_changed_.clear();
    std::vector<int32_t> ids;
    std::vector<std::string> phones;
    for (const auto& [id, shared] : before.ids)
        if ((id_count(id) > 1) != shared && std::find(ids.begin(), ids.end(), id) == ids.end())
            ids.push_back(id);
    for (const auto& [phone, shared] : before.phones)
        if ((phone_count(phone) > 1) != shared &&
            std::find(phones.begin(), phones.end(), phone) == phones.end())
            phones.push_back(phone);
    for (size_t i : own)
        mark(*stations_[i]);
    if (ids.empty() && phones.empty()) return;
    // An ID or a phone number turned shared or single: every station that holds it is marked again. The
    // keys say which may hold it; only those are opened.
    std::vector<uint32_t> hashes;
    for (const std::string& phone : phones)
        hashes.push_back(phone_hash(phone));
    const auto among = [](const auto& values, auto value) {
        for (const auto& v : values)
            if (v == value) return true;
        return false;
    };
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (!among(ids, keys_[i].id) && (keys_[i].phone == 0 || !among(hashes, keys_[i].phone))) continue;
        Station_facts& f = *stations_[i];
        bool holds = among(ids, f.id);
        for (size_t k = 0; k < phones.size() && !holds; ++k)
            holds = phone_is(f, phones[k]);
        if (holds && mark(f) && std::find(own.begin(), own.end(), i) == own.end())
            marks_changed_.push_back(i);
    }
}

Station_facts Fleet_facts::read_station(const Tstation& station, bool channels,
                                        std::vector<std::string>* values) const {
    Station_editor editor;
    Station_facts f = station_facts(station, editor, channels);
    if (!control_names_.empty() && !channels) open_read_only(editor, station);
    // The editor is open on the station now.
    if (matcher_ != nullptr) {
        const Template_match m = matcher_->match(station);
        f.template_index = m.index;
        f.template_differs = m.differs;
    }
    values->clear();
    for (const std::string& name : control_names_)
        values->push_back(control_value_text(editor.form.at(editor.form.find(name))));
    return f;
}

void Fleet_facts::update(const Tstation& station, size_t i) {
    marks_changed_.clear();
    if (i >= stations_.size()) return;
    std::vector<std::string> values;
    Station_facts f = read_station(station, has_channels_ || i < channels_read_, &values);
    Shared_before before;
    note_shared(*stations_[i], &before);
    note_shared(f, &before);
    count(*stations_[i], -1);
    *stations_[i] = std::move(f);
    count(*stations_[i], 1);
    keys_[i] = key_of(*stations_[i]);
    for (size_t column = 0; column < control_names_.size(); ++column)
        control_values_[column][i] = std::move(values[column]);
    // The marks of the old ID and phone number (they may be free now) and of the new ones.
    mark_turned(before, {i});
}

void Fleet_facts::insert(size_t i, const Tstation& station) {
    marks_changed_.clear();
    if (i > stations_.size()) return;
    // Its channels are read now when every station before it has them; otherwise the reading a slice at
    // a time comes to it.
    const bool channels = has_channels_ || i < channels_read_;
    std::vector<std::string> values;
    Station_facts f = read_station(station, channels, &values);
    Shared_before before;
    note_shared(f, &before);
    count(f, 1);
    keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(i), key_of(f));
    stations_.insert(stations_.begin() + static_cast<std::ptrdiff_t>(i), Held_facts(std::move(f)));
    for (size_t column = 0; column < control_names_.size(); ++column)
        control_values_[column].insert(control_values_[column].begin() + static_cast<std::ptrdiff_t>(i),
                                       std::move(values[column]));
    if (channels) ++channels_read_;
    mark_turned(before, {i});
}

void Fleet_facts::erase(const std::vector<int>& positions) {
    marks_changed_.clear();
    for (size_t k = 0; k < positions.size(); ++k) // positions that are not these facts' change nothing
        if (positions[k] < 0 || static_cast<size_t>(positions[k]) >= stations_.size() ||
            (k > 0 && positions[k] <= positions[k - 1]))
            return;
    Shared_before before;
    size_t read_gone = 0;
    for (int p : positions) {
        const auto i = static_cast<size_t>(p);
        note_shared(*stations_[i], &before);
        count(*stations_[i], -1);
        if (i < channels_read_) ++read_gone;
    }
    // The rest close up in blocks.
    erase_positions(stations_, positions);
    erase_positions(keys_, positions);
    for (std::vector<std::string>& column : control_values_)
        erase_positions(column, positions);
    channels_read_ -= read_gone;
    mark_turned(before, {});
}

void Fleet_facts::add_controls(const Tsetup& setup, const std::vector<std::string>& controls) {
    Station_editor editor;
    std::vector<int> wanted; // indexes in the form of the controls to read
    for (const std::string& name : controls) {
        const int control = editor.form.find(name);
        if (control < 0 || control_column(name) >= 0) continue;
        bool again = false;
        for (int w : wanted)
            again = again || w == control;
        if (again) continue;
        wanted.push_back(control);
        control_names_.push_back(name);
        control_values_.emplace_back();
        control_values_.back().reserve(stations_.size());
    }
    if (wanted.empty()) return;
    const size_t first = control_values_.size() - wanted.size();
    for (const Tstation* s : stations_of(setup)) {
        open_read_only(editor, *s);
        for (size_t k = 0; k < wanted.size(); ++k)
            control_values_[first + k].push_back(control_value_text(editor.form.at(wanted[k])));
    }
}

void Fleet_facts::match_template(Station_facts& facts, const Tstation& station) {
    const Template_match m = matcher_->match(station);
    facts.template_index = m.index;
    facts.template_differs = m.differs;
}

std::string Fleet_facts::template_column(size_t i) const {
    const Station_facts& f = *stations_[i];
    if (f.template_index < 0) return std::string();
    Template_match m;
    m.index = f.template_index;
    m.differs = f.template_differs;
    return template_text(template_name(f.template_index), m);
}

int Fleet_facts::control_column(const std::string& name) const {
    for (size_t i = 0; i < control_names_.size(); ++i)
        if (control_names_[i] == name) return static_cast<int>(i);
    return -1;
}

namespace {

// A text's own allocation, beyond the std::string itself; short texts are kept inside it.
size_t text_bytes(const std::string& text) {
    return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0;
}

} // namespace

size_t Fleet_facts::bytes() const {
    size_t total = stations_.capacity() * sizeof(stations_[0]) + stations_.size() * sizeof(Station_facts) +
                   keys_.capacity() * sizeof(Key);
    for (const auto& f : stations_)
        total += text_bytes(f->text) + text_bytes(f->sms) + text_bytes(f->pin);
    for (const std::vector<std::string>& column : control_values_) {
        total += column.capacity() * sizeof(std::string);
        for (const std::string& value : column)
            total += text_bytes(value);
    }
    return total;
}
