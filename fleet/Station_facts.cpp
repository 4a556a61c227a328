// The facts of a fleet: each station's texts, memory used and ticked channels, read once.
#include "Station_facts.h"

#include <algorithm>
#include <unordered_map>

#include "Fleet_text.h"
#include "Reading_report.h"
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
        stations_.push_back(station_facts(*stations[i], editor, reading_channels_));
        // Notes count stations by their place in the file, from 1, null items included: the walk above
        // skips none in a document read from a file.
        if (notes != nullptr) stations_.back().problems = notes->station_count(static_cast<int>(i) + 1);
        if (matcher_ != nullptr) match_template(stations_.back(), *stations[i]);
    }
    has_channels_ = reading_channels_;
    channels_read_ = reading_channels_ ? stations_.size() : 0;
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
            stations_[channels_read_].measured[p] = measured_on(editor.form, p);
    }
    has_channels_ = channels_read_ >= stations_.size();
    if (has_channels_) reading_channels_ = true;
    return has_channels_;
}

void Fleet_facts::mark_duplicates() {
    std::unordered_map<int32_t, int> ids;
    std::unordered_map<std::string, int> phones;
    ids.reserve(stations_.size());
    phones.reserve(stations_.size());
    for (const Station_facts& f : stations_) {
        ++ids[f.id];
        // Phone numbers are compared as stored, case aside; two stations without one share nothing.
        if (f.description_at - 1u > f.phone_at) ++phones[f.phone()];
    }
    for (Station_facts& f : stations_) {
        f.duplicate_id = ids[f.id] > 1;
        f.duplicate_phone = f.description_at - 1u > f.phone_at && phones[f.phone()] > 1;
        f.duplicate = f.duplicate_id || f.duplicate_phone;
    }
}

namespace {

// The phone number inside the facts' text, without cutting it out: the pass over every station after an
// edit compares in place.
bool phone_is(const Station_facts& f, const std::string& phone) {
    const size_t length = f.description_at - 1u - f.phone_at;
    return length == phone.size() && f.text.compare(f.phone_at, length, phone) == 0;
}

} // namespace

void Fleet_facts::mark_duplicates_of(int32_t id, const std::string& phone) {
    std::vector<size_t> same_id, same_phone;
    for (size_t i = 0; i < stations_.size(); ++i) {
        if (stations_[i].id == id) same_id.push_back(i);
        if (!phone.empty() && phone_is(stations_[i], phone)) same_phone.push_back(i);
    }
    for (size_t i : same_id)
        stations_[i].duplicate_id = same_id.size() > 1;
    for (size_t i : same_phone)
        stations_[i].duplicate_phone = same_phone.size() > 1;
    for (const std::vector<size_t>* group : {&same_id, &same_phone})
        for (size_t i : *group)
            stations_[i].duplicate = stations_[i].duplicate_id || stations_[i].duplicate_phone;
}

void Fleet_facts::update(const Tstation& station, size_t i) {
    if (i >= stations_.size()) return;
    const int32_t old_id = stations_[i].id;
    const std::string old_phone = stations_[i].phone();
    Station_editor editor;
    const bool channels = has_channels_ || i < channels_read_;
    stations_[i] = station_facts(station, editor, channels);
    if (!control_names_.empty() && !channels) open_read_only(editor, station);
    // The editor is open on the station now.
    if (matcher_ != nullptr) match_template(stations_[i], station);
    for (size_t column = 0; column < control_names_.size(); ++column)
        control_values_[column][i] =
            control_value_text(editor.form.at(editor.form.find(control_names_[column])));
    // The marks of the old ID and phone number first (they may be free now), then of the new ones.
    mark_duplicates_of(old_id, old_phone);
    mark_duplicates_of(stations_[i].id, stations_[i].phone());
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
    const Station_facts& f = stations_[i];
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
    size_t total = stations_.capacity() * sizeof(Station_facts);
    for (const Station_facts& f : stations_)
        total += text_bytes(f.text) + text_bytes(f.sms) + text_bytes(f.pin);
    for (const std::vector<std::string>& column : control_values_) {
        total += column.capacity() * sizeof(std::string);
        for (const std::string& value : column)
            total += text_bytes(value);
    }
    return total;
}
