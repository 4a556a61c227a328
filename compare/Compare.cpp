// The comparison engine: station texts as Save writes them decide the verdict; settings in words say what
// differs; record lines say what the settings do not explain.
#include "Compare.h"

#include <algorithm>
#include <unordered_map>

#include "Setup.h"
#include "Station_settings.h"

namespace {

std::string station_text(const Tstation& s) {
    std::string text;
    {
        Text_out out(&text);
        s.write(&out);
    }
    return text;
}

// The station with another's identity: what B is when its identity counts as A's.
Tstation with_identity_of(const Tstation& s, const Tstation& identity) {
    Tstation copy = s;
    copy.id = identity.id;
    std::copy(std::begin(identity.phone_nbr), std::end(identity.phone_nbr), copy.phone_nbr);
    std::copy(std::begin(identity.pin), std::end(identity.pin), copy.pin);
    std::copy(std::begin(identity.description), std::end(identity.description), copy.description);
    return copy;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        line.erase(0, line.find_first_not_of('\t') == std::string::npos ? line.size()
                                                                        : line.find_first_not_of('\t'));
        if (!line.empty()) lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

// The lines only in A and only in B, in the order they stand, from the longest common subsequence.
std::vector<Raw_line> line_differences(const std::string& a_text, const std::string& b_text) {
    const std::vector<std::string> a = lines_of(a_text), b = lines_of(b_text);
    const size_t n = a.size(), m = b.size();
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            common[i][j] =
                a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    std::vector<Raw_line> out;
    size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            ++i;
            ++j;
        } else if (j == m || (i < n && common[i + 1][j] >= common[i][j + 1])) {
            out.push_back({'a', a[i++]});
        } else {
            out.push_back({'b', b[j++]});
        }
    }
    return out;
}

// Whether opening the station and pressing OK gives it back byte for byte: then its settings say all it
// holds.
bool stores_as_is(Station_editor& editor, const Tstation& s, const std::string& text) {
    Tstation copy = s;
    editor.open(&copy);
    return editor.store().stored && station_text(copy) == text;
}

// Whether A, given B's settings as a user would set them, stores as B.
bool settings_make(Station_editor& editor, const Tstation& a, const std::vector<Control>& b_form,
                   const std::string& b_text) {
    Tstation copy = a;
    editor.open(&copy);
    std::vector<Control>& controls = editor.form.controls();
    for (size_t i = 0; i < controls.size() && i < b_form.size(); ++i) {
        controls[i].checked = b_form[i].checked;
        controls[i].index = b_form[i].index;
        controls[i].text = b_form[i].text;
    }
    editor.setup_display_conditions();
    editor.adding = true; // store even when the values are the ones A opened with
    return editor.store().stored && station_text(copy) == b_text;
}

// Walks the settings of both sides in tab order, each pair once (a side without the setting null); kept
// records are matched by element name and occurrence.
template <typename Visit>
void pair_settings(const std::vector<Setting>& a, const std::vector<Setting>& b, Visit visit) {
    size_t i = 0, j = 0;
    const auto control = [](const Setting& s) { return s.group != GROUP_KEPT_RECORDS; };
    while ((i < a.size() && control(a[i])) || (j < b.size() && control(b[j]))) {
        const bool has_a = i < a.size() && control(a[i]), has_b = j < b.size() && control(b[j]);
        if (has_a && has_b && a[i].key == b[j].key)
            visit(&a[i++], &b[j++]);
        else if (has_a && (!has_b || a[i].key < b[j].key))
            visit(&a[i++], nullptr);
        else
            visit(nullptr, &b[j++]);
    }
    std::vector<bool> used(b.size(), false);
    for (; i < a.size(); ++i) {
        const Setting* match = nullptr;
        for (size_t k = j; k < b.size() && match == nullptr; ++k)
            if (!used[k] && b[k].name == a[i].name) {
                used[k] = true;
                match = &b[k];
            }
        visit(&a[i], match);
    }
    for (size_t k = j; k < b.size(); ++k)
        if (!used[k]) visit(nullptr, &b[k]);
}

bool pair_differs(const Setting* x, const Setting* y) {
    return x == nullptr || y == nullptr || x->value != y->value;
}

// Settings of both sides as rows, in tab order.
std::vector<Setting_row> rows_of(const std::vector<Setting>& a, const std::vector<Setting>& b,
                                 const Compare_options& options) {
    std::vector<Setting_row> rows;
    pair_settings(a, b, [&](const Setting* x, const Setting* y) {
        const Setting& s = x != nullptr ? *x : *y;
        if (options.ignore_identity && s.group == GROUP_IDENTITY) return;
        const bool differs = pair_differs(x, y);
        if (!differs && !options.all_rows) return;
        Setting_row row;
        row.group = s.group;
        row.label = s.label;
        row.name = s.name;
        row.in_a = x != nullptr;
        row.in_b = y != nullptr;
        if (x != nullptr) row.a = x->value;
        if (y != nullptr) row.b = y->value;
        row.differs = differs;
        rows.push_back(std::move(row));
    });
    return rows;
}

Station_comparison compare_texts(Settings_reader& reader, const Tstation& a, const Tstation& b,
                                 const std::string& a_text, const std::string& b_text,
                                 const Compare_options& options) {
    Station_comparison result;
    result.equal = a_text == b_text;
    if (result.equal && !options.all_rows) return result;
    const std::vector<Setting> a_settings = reader.read(a);
    const std::vector<Setting> b_settings = reader.read(b);
    const std::vector<Control> b_form = reader.editor().form.controls();
    result.rows = rows_of(a_settings, b_settings, options);
    if (result.equal) return result;
    Station_editor& editor = reader.editor();
    const bool explained = stores_as_is(editor, a, a_text) && stores_as_is(editor, b, b_text) &&
                           settings_make(editor, a, b_form, b_text);
    if (!explained) result.raw = line_differences(a_text, b_text);
    return result;
}

std::vector<const Tstation*> stations_of(const Tsetup& setup) {
    std::vector<const Tstation*> stations;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
        stations.push_back(static_cast<const Tstation*>(node->item)); // null items write nothing
    return stations;
}

std::string comport_text(const Tcomport& c) {
    std::string text;
    {
        Text_out out(&text);
        c.write(&out);
    }
    return text;
}

std::string comport_words(const Tcomport& c) {
    return std::string(c.type_name()) + " " + quoted_text(c.port) + " " + std::to_string(c.rate) + " baud " +
           quoted_text(c.description);
}

void compare_fields(const Tsetup& a, const Tsetup& b, std::vector<Field_change>& fields) {
    const auto path = [&](const char* label, const char* name, const char* x, const char* y) {
        if (std::string(x) != y) fields.push_back({label, name, quoted_text(x), quoted_text(y)});
    };
    path("Data directory (binary)", "PATH_DATA_BIN", a.path_data_bin, b.path_data_bin);
    path("Data directory (XML)", "PATH_DATA_XML", a.path_data_xml, b.path_data_xml);
    std::vector<const Tcomport*> ports_a, ports_b;
    for (Tlist::Tnode* node = a.comports.list.head(); node != nullptr; node = node->next)
        if (node->item != nullptr) ports_a.push_back(static_cast<const Tcomport*>(node->item));
    for (Tlist::Tnode* node = b.comports.list.head(); node != nullptr; node = node->next)
        if (node->item != nullptr) ports_b.push_back(static_cast<const Tcomport*>(node->item));
    for (size_t i = 0; i < std::max(ports_a.size(), ports_b.size()); ++i) {
        const Tcomport* x = i < ports_a.size() ? ports_a[i] : nullptr;
        const Tcomport* y = i < ports_b.size() ? ports_b[i] : nullptr;
        if (x != nullptr && y != nullptr && comport_text(*x) == comport_text(*y)) continue;
        const std::string n = std::to_string(i + 1);
        fields.push_back({"COM port " + n, "COMPORT " + n, x != nullptr ? comport_words(*x) : std::string(),
                          y != nullptr ? comport_words(*y) : std::string()});
    }
}

} // namespace

int differing_settings(const std::vector<Setting>& a, const std::vector<Setting>& b,
                       const Compare_options& options) {
    int count = 0;
    pair_settings(a, b, [&](const Setting* x, const Setting* y) {
        const Setting& s = x != nullptr ? *x : *y;
        if (options.ignore_identity && s.group == GROUP_IDENTITY) return;
        if (pair_differs(x, y)) ++count;
    });
    return count;
}

Station_comparison compare_stations(const Tstation& a, const Tstation& b, const Compare_options& options) {
    Settings_reader reader;
    const Tstation b_seen = options.ignore_identity ? with_identity_of(b, a) : b;
    return compare_texts(reader, a, b_seen, station_text(a), station_text(b_seen), options);
}

Document_comparison compare_documents(const Tsetup& a, const Tsetup& b, const Compare_options& options) {
    Document_comparison result;
    compare_fields(a, b, result.fields);
    const std::vector<const Tstation*> sa = stations_of(a), sb = stations_of(b);
    std::unordered_map<int32_t, std::vector<int>> a_positions, b_positions;
    for (size_t i = 0; i < sa.size(); ++i)
        if (sa[i] != nullptr) a_positions[sa[i]->id].push_back(static_cast<int>(i));
    for (size_t i = 0; i < sb.size(); ++i)
        if (sb[i] != nullptr) b_positions[sb[i]->id].push_back(static_cast<int>(i));

    Settings_reader reader;
    std::vector<bool> b_matched(sb.size(), false);
    std::unordered_map<int32_t, size_t> seen; // occurrences of each id in A so far
    int last_b = -1;
    for (size_t i = 0; i < sa.size(); ++i) {
        if (sa[i] == nullptr) continue;
        const Tstation& x = *sa[i];
        const size_t k = seen[x.id]++;
        const auto found = b_positions.find(x.id);
        const Station_ref ref_a{static_cast<int>(i) + 1, x.id};
        if (found == b_positions.end() || k >= found->second.size()) {
            result.only_a.push_back(ref_a);
            continue;
        }
        const int j = found->second[k];
        b_matched[static_cast<size_t>(j)] = true;
        ++result.matched;
        if (j < last_b) result.order_differs = true;
        last_b = j;
        const bool repeated = a_positions[x.id].size() > 1 || found->second.size() > 1;
        result.ids_repeat = result.ids_repeat || repeated;
        const Tstation& y = *sb[static_cast<size_t>(j)];
        const Tstation y_seen = options.ignore_identity ? with_identity_of(y, x) : y;
        Compare_options pair_options = options;
        pair_options.all_rows = false; // a fleet shows its differing settings only
        Station_comparison c =
            compare_texts(reader, x, y_seen, station_text(x), station_text(y_seen), pair_options);
        if (c.equal) continue;
        result.pairs.push_back({ref_a, {j + 1, y.id}, repeated, std::move(c)});
    }
    for (size_t j = 0; j < sb.size(); ++j)
        if (sb[j] != nullptr && !b_matched[j]) result.only_b.push_back({static_cast<int>(j) + 1, sb[j]->id});
    // Save writes the paths, the ports and then every station in order, each text closed in itself (its
    // free texts escaped, so no "<" inside): the files are the same bytes exactly when these pieces are.
    result.equal = result.fields.empty() && result.pairs.empty() && result.only_a.empty() &&
                   result.only_b.empty() && !result.order_differs;
    return result;
}
