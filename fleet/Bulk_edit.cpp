// Many stations edited as one: each opened in the editor's logic on a copy, the changes set, OK pressed.
#include "Bulk_edit.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "Compare.h"
#include "Document_commands.h"
#include "Setup.h"
#include "Station_duplicate.h"

bool is_spare(const Tstation& station) {
    return bytes_used(station.configuration) == 0;
}

bool is_identity_control(const Form_model& form, int control) {
    const General_controls& g = form.general();
    return control >= 0 &&
           (control == g.id || control == g.phone_nbr || control == g.pin || control == g.description);
}

bool check_bulk_changes(const std::vector<Control_change>& changes, std::string* problem) {
    const Form_model form;
    for (const Control_change& change : changes) {
        if (!check_control_change(form, change, problem)) return false;
        if (is_identity_control(form, form.find(change.name))) {
            *problem = change.name + " is one station's own (its ID, phone number, PIN or description); " +
                       "edit it station by station";
            return false;
        }
    }
    return true;
}

namespace {

// The selected stations, each once, in file order, found in one walk: (position, record).
std::vector<std::pair<int, const Tstation*>> selected(const Tsetup& setup, std::vector<int> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    std::vector<std::pair<int, const Tstation*>> out;
    out.reserve(positions.size());
    size_t next = 0;
    while (next < positions.size() && positions[next] < 0)
        ++next;
    int position = 0;
    for (const Tlist::Tnode* node = setup.stations.list.head(); node != nullptr && next < positions.size();
         node = node->next, ++position) {
        if (position != positions[next]) continue;
        ++next;
        if (node->item != nullptr) out.emplace_back(position, static_cast<const Tstation*>(node->item));
    }
    return out;
}

// A control's value as one key: whether ticked, the index, or the text.
std::string value_key(const Control& c) {
    switch (c.kind) {
    case Control_kind::CHECK_BOX:
        return c.checked ? "1" : "0";
    case Control_kind::CHOICE_LIST:
        return std::to_string(c.index);
    default:
        return c.text;
    }
}

} // namespace

Together_view together_view(const Tsetup& setup, const std::vector<int>& positions,
                            const Bulk_options& options) {
    Together_view view;
    Station_editor editor;
    const size_t count = editor.form.controls().size();
    view.controls.resize(count);
    std::vector<std::unordered_set<std::string>> values(count);
    for (const auto& s : selected(setup, positions)) {
        if (!options.include_spares && is_spare(*s.second)) continue;
        // The editor only reads the station when it opens on it.
        editor.open(const_cast<Tstation*>(s.second));
        for (size_t i = 0; i < count; ++i) {
            const Control& c = editor.form.controls()[i];
            Together_control& t = view.controls[i];
            if (view.stations == 0) t.value = c;
            if (c.enabled) ++t.enabled;
            values[i].insert(value_key(c));
        }
        ++view.stations;
    }
    for (size_t i = 0; i < count; ++i) {
        Together_control& t = view.controls[i];
        if (view.stations == 0) t.value = editor.form.controls()[i];
        t.values = static_cast<int>(values[i].size());
        t.identity = is_identity_control(editor.form, static_cast<int>(i));
    }
    return view;
}

size_t Bulk_plan::count(Bulk_outcome outcome) const {
    return static_cast<size_t>(std::count_if(
        stations.begin(), stations.end(), [outcome](const Bulk_station& s) { return s.outcome == outcome; }));
}

void plan_station_edit(Station_editor& editor, int position, const Tstation& record,
                       const std::vector<Control_change>& changes, const Bulk_options& options,
                       Bulk_plan& plan) {
    Bulk_station station;
    station.position = position;
    station.id = record.id;
    if (!options.include_spares && is_spare(record)) {
        station.outcome = Bulk_outcome::SPARE;
        plan.stations.push_back(std::move(station));
        return;
    }
    // The editor stores into the record it opened: a copy, so that the document stays as it is.
    Tstation copy = record;
    editor.open(&copy);
    std::string problem;
    for (size_t i = 0; i < changes.size() && station.refused_change < 0; ++i)
        if (!apply_control_change(editor, changes[i], &problem)) station.refused_change = static_cast<int>(i);
    station.bytes_needed = editor.bytes_needed();
    if (station.refused_change >= 0) {
        station.outcome = Bulk_outcome::REFUSED;
        station.refusal = problem;
    } else {
        if (!editor.unchanged()) station.dropped = editor.dropped;
        const Store_result result = editor.ok();
        if (!result.stored) {
            station.outcome = Bulk_outcome::REFUSED;
            station.refusal = refusal_text(result, editor.form.text(editor.form.general().sms));
            station.dropped.clear();
        } else if (same_station(record, copy)) {
            station.outcome = Bulk_outcome::UNCHANGED;
            station.dropped.clear();
        } else {
            station.outcome = Bulk_outcome::CHANGED;
            plan.positions.push_back(position);
            plan.before.push_back(record);
            plan.after.push_back(std::move(copy));
        }
    }
    if (plan.worst < 0 || station.bytes_needed > plan.stations[static_cast<size_t>(plan.worst)].bytes_needed)
        plan.worst = static_cast<int>(plan.stations.size());
    plan.stations.push_back(std::move(station));
}

Bulk_plan plan_bulk_edit(const Tsetup& setup, std::vector<int> positions,
                         const std::vector<Control_change>& changes, const Bulk_options& options) {
    Bulk_plan plan;
    if (!check_bulk_changes(changes, &plan.problem)) return plan;
    Station_editor editor;
    for (const auto& s : selected(setup, std::move(positions)))
        plan_station_edit(editor, s.first, *s.second, changes, options, plan);
    return plan;
}

std::unique_ptr<Document_command> bulk_edit_command(const Tsetup& setup, Bulk_plan&& plan) {
    if (plan.refused()) return nullptr;
    return edit_stations_command(setup, std::move(plan.positions), std::move(plan.before),
                                 std::move(plan.after));
}

namespace {

constexpr size_t OLD_VALUES_SHOWN = 3;

std::string stations_text(int n) {
    return std::to_string(n) + (n == 1 ? " station" : " stations");
}

std::string review_text(const Review_line& line) {
    std::string text = line.label + ": ";
    for (size_t i = 0; i < line.was.size() && i < OLD_VALUES_SHOWN; ++i) {
        text += i > 0 ? ", " : "";
        text += line.was[i].first;
        if (line.was.size() > 1) text += " (" + std::to_string(line.was[i].second) + ")";
    }
    if (line.was.size() > OLD_VALUES_SHOWN)
        text += " and " + std::to_string(line.was.size() - OLD_VALUES_SHOWN) + " other values";
    return text + " -> " + line.value + " on " + stations_text(line.stations);
}

// What a comparison of two records of one station depends on, its identity aside: both configurations with
// the ID and PIN records as a copy without identity has them, and the display types. Empty (nothing shared)
// when memory runs out.
std::string comparison_key(const Tstation& before, const Tstation& after) {
    std::string key;
    for (const Tstation* s : {&before, &after}) {
        const Station_copy bare = duplicate_station(*s, 0);
        if (!bare.station) return std::to_string(reinterpret_cast<uintptr_t>(&before));
        const Teeprom_configurer& image = bare.station->configuration;
        key.append(reinterpret_cast<const char*>(image.data()), IMAGE_SIZE);
        key += std::to_string(image.cursor());
        key += '\0';
        key += bare.station->display_type;
        key += '\0';
    }
    return key;
}

std::string shown_value(bool present, const std::string& value) {
    return present ? value : "(not stored)";
}

} // namespace

std::vector<Review_line> bulk_review(const Bulk_plan& plan) {
    // A changed setting is one line per new value; its place is the control's place in the form, kept
    // records behind the controls in the order they first appear.
    struct Entry {
        size_t order;
        Review_line line;
    };
    std::map<std::pair<std::string, std::string>, Entry> entries; // (label, new value)
    const Form_model form;
    const size_t controls = form.controls().size();
    size_t later = 0, unexplained = 0;
    Compare_options options;
    // Stations of one network often share their configuration: a pair that differs from an earlier one only
    // in its identity (which an edit of many stations never changes, so no row shows it) is compared once.
    std::unordered_map<std::string, Station_comparison> compared;
    for (size_t i = 0; i < plan.before.size() && i < plan.after.size(); ++i) {
        const std::string key = comparison_key(plan.before[i], plan.after[i]);
        auto known = compared.find(key);
        if (known == compared.end())
            known = compared.emplace(key, compare_stations(plan.before[i], plan.after[i], options)).first;
        const Station_comparison& c = known->second;
        if (!c.raw.empty()) ++unexplained;
        for (const Setting_row& row : c.rows) {
            const std::string value = shown_value(row.in_b, row.b);
            auto found = entries.find({row.label, value});
            if (found == entries.end()) {
                const int control = form.find(row.name);
                Entry entry{control >= 0 ? static_cast<size_t>(control) : controls + later++, Review_line()};
                entry.line.label = row.label;
                entry.line.value = value;
                found = entries.emplace(std::make_pair(row.label, value), std::move(entry)).first;
            }
            Review_line& line = found->second.line;
            ++line.stations;
            const std::string old = shown_value(row.in_a, row.a);
            auto was = std::find_if(line.was.begin(), line.was.end(),
                                    [&](const std::pair<std::string, int>& w) { return w.first == old; });
            if (was == line.was.end())
                line.was.emplace_back(old, 1);
            else
                ++was->second;
        }
    }
    std::vector<Entry*> ordered;
    for (auto& e : entries)
        ordered.push_back(&e.second);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Entry* a, const Entry* b) { return a->order < b->order; });
    std::vector<Review_line> out;
    for (Entry* e : ordered) {
        Review_line& line = e->line;
        std::stable_sort(line.was.begin(), line.was.end(),
                         [](const std::pair<std::string, int>& a, const std::pair<std::string, int>& b) {
                             return a.second > b.second;
                         });
        line.text = review_text(line);
        out.push_back(std::move(line));
    }
    // What the store drops, by page and command, and what no setting shows.
    static const char* const page_names[PAGE_COUNT] = {"Slow Sequence", "Fast Sequence", "Remote sequence"};
    std::vector<std::pair<std::string, int>> drops;
    for (const Bulk_station& s : plan.stations) {
        if (s.outcome != Bulk_outcome::CHANGED) continue;
        std::vector<std::string> seen; // a station counts once per kind of drop
        for (const Dropped_command& d : s.dropped) {
            const std::string what = d.page < 0 ? d.name + " given twice, dropped"
                                                : std::string(page_names[d.page]) + " / " + d.name +
                                                      ", which the editor does not show, dropped";
            if (std::find(seen.begin(), seen.end(), what) != seen.end()) continue;
            seen.push_back(what);
            auto found = std::find_if(drops.begin(), drops.end(),
                                      [&](const std::pair<std::string, int>& x) { return x.first == what; });
            if (found == drops.end())
                drops.emplace_back(what, 1);
            else
                ++found->second;
        }
    }
    for (const auto& d : drops) {
        Review_line line;
        line.label = d.first;
        line.stations = d.second;
        line.text = d.first + " on " + stations_text(d.second);
        out.push_back(std::move(line));
    }
    if (unexplained > 0) {
        Review_line line;
        line.label = "Changes that no setting shows";
        line.stations = static_cast<int>(unexplained);
        line.text = "Changes that no setting shows (the order of records, the display type) on " +
                    stations_text(line.stations);
        out.push_back(std::move(line));
    }
    return out;
}
