// Stations written as a spreadsheet and read back through the station editor's logic.
#include "Station_csv.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <type_traits>
#include <unordered_map>

#include "Document_commands.h"
#include "Reading_report.h"
#include "Setup.h"

namespace {

enum Fixed_column { COLUMN_POSITION, COLUMN_ID, COLUMN_PHONE, COLUMN_PIN, COLUMN_DESCRIPTION, COLUMN_BYTES };
constexpr int FIXED_COLUMNS = 6;
const char* const fixed_names[FIXED_COLUMNS] = {"position", "id",          "phone",
                                                "pin",      "description", "bytes_used"};

const char utf8_bom[] = "\xEF\xBB\xBF";

// The controls written after the fixed columns: every control but the identity fields, in form order.
const std::vector<int>& control_columns() {
    static const std::vector<int> controls = [] {
        const Form_model form;
        std::vector<int> out;
        for (int i = 0; i < static_cast<int>(form.controls().size()); ++i)
            if (!is_identity_control(form, i)) out.push_back(i);
        return out;
    }();
    return controls;
}

// The free texts that a spreadsheet could take for a formula, guarded by a leading apostrophe.
bool is_guarded_column(const std::string& name) {
    return name == "phone" || name == "pin" || name == "description" || name == "ed_sms";
}

std::string guarded(const std::string& text) {
    if (text.empty()) return text;
    const char c = text[0];
    const bool formula = c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r' || c == '\'';
    return formula ? "'" + text : text;
}

std::string unguarded(const std::string& text) {
    return !text.empty() && text[0] == '\'' ? text.substr(1) : text;
}

// The 8-bit text in the file's encoding.
void append_encoded(std::string& out, const std::string& latin1, Csv_encoding encoding) {
    if (encoding == Csv_encoding::LATIN1) {
        out += latin1;
        return;
    }
    for (const char c : latin1) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
}

// One cell, quoted when it holds a comma, a quote or a line end, a quote written twice.
void append_cell(std::string& out, const std::string& latin1, Csv_encoding encoding) {
    if (latin1.find_first_of(",\"\r\n") == std::string::npos) {
        append_encoded(out, latin1, encoding);
        return;
    }
    out += '"';
    size_t from = 0;
    for (size_t q = latin1.find('"'); q != std::string::npos; q = latin1.find('"', from)) {
        append_encoded(out, latin1.substr(from, q + 1 - from), encoding);
        out += '"';
        from = q + 1;
    }
    append_encoded(out, latin1.substr(from), encoding);
    out += '"';
}

} // namespace

const std::vector<std::string>& station_csv_columns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> out(fixed_names, fixed_names + FIXED_COLUMNS);
        const Form_model form;
        for (const int c : control_columns())
            out.push_back(form.at(c).name);
        return out;
    }();
    return columns;
}

void write_stations_csv(const Tsetup& setup, const std::vector<int>& positions, Csv_encoding encoding,
                        std::ostream& out) {
    std::string line = encoding == Csv_encoding::UTF8 ? utf8_bom : "";
    const std::vector<std::string>& columns = station_csv_columns();
    for (size_t i = 0; i < columns.size(); ++i)
        line += (i > 0 ? "," : "") + columns[i];
    out << line << "\r\n";

    std::vector<const Tstation*> stations;
    stations.reserve(static_cast<size_t>(setup.stations.list.count()));
    for (const Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
        stations.push_back(static_cast<const Tstation*>(node->item));
    Station_editor editor;
    const General_controls& g = editor.form.general();
    for (const int position : positions) {
        if (position < 0 || static_cast<size_t>(position) >= stations.size() || stations[position] == nullptr)
            continue;
        const Tstation& station = *stations[static_cast<size_t>(position)];
        // The editor only reads the station when it opens on it.
        editor.open(const_cast<Tstation*>(&station));
        const Form_model& form = editor.form;
        line.clear();
        line += std::to_string(position + 1) + "," + std::to_string(station.id) + ",";
        for (const int c : {g.phone_nbr, g.pin, g.description}) {
            append_cell(line, guarded(form.text(c)), encoding);
            line += ',';
        }
        line += std::to_string(bytes_used(station.configuration));
        for (const int c : control_columns()) {
            const Control& control = form.at(c);
            line += ',';
            if (!control.enabled) continue;
            // An edit's text whole, control characters included (the cell's quotes hold them), so that
            // it reads back as it was; `form` writes them as \xHH to keep a line a line.
            if (control.kind != Control_kind::EDIT)
                line += control_value_text(control);
            else
                append_cell(line, c == g.sms ? guarded(control.text) : control.text, encoding);
        }
        out << line << "\r\n";
    }
}

std::string csv_problem_text(const std::string& file, const Csv_problem& p) {
    std::string text = shown_text(file) + ": line " + std::to_string(p.line);
    if (p.column > 0) text += ", column " + std::to_string(p.column);
    if (!p.name.empty()) text += " (" + shown_text(p.name) + ")";
    return text + ": " + p.text;
}

namespace {

// One row of the file as its cells' raw bytes, with the line each begins on.
struct Raw_row {
    int line = 0;
    std::vector<std::string> cells;
    std::vector<int> lines;
};

// Reads the rows of RFC 4180 text one at a time: cells separated by commas, rows ended by CR LF or LF,
// a cell in double quotes holding commas, line ends and quotes written twice.
class Csv_reader {
  public:
    Csv_reader(const std::string& bytes, size_t start) : bytes_(bytes), i_(start) {}

    // The next row; false at the end of the text, or with *problem for a malformed one.
    bool next(Raw_row& row, Csv_problem* problem) {
        problem->text.clear();
        if (i_ >= bytes_.size()) return false;
        row.line = line_;
        row.cells.clear();
        row.lines.clear();
        for (;;) {
            const int column = static_cast<int>(row.cells.size()) + 1;
            row.lines.push_back(line_);
            row.cells.emplace_back();
            std::string& cell = row.cells.back();
            if (i_ < bytes_.size() && bytes_[i_] == '"') {
                const int opened = line_;
                ++i_;
                for (;;) {
                    if (i_ >= bytes_.size())
                        return fail(problem, opened, column,
                                    "the quoted cell that begins here has no closing quote");
                    const char c = bytes_[i_++];
                    if (c == '"') {
                        if (i_ < bytes_.size() && bytes_[i_] == '"') {
                            cell += '"';
                            ++i_;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n') ++line_;
                    cell += c;
                }
                if (i_ < bytes_.size() && bytes_[i_] != ',' && bytes_[i_] != '\r' && bytes_[i_] != '\n')
                    return fail(problem, line_, column,
                                "a character after the closing quote (a quote inside a quoted cell is "
                                "written twice)");
            } else {
                const size_t end = bytes_.find_first_of(",\r\n\"", i_);
                const size_t stop = end == std::string::npos ? bytes_.size() : end;
                cell.assign(bytes_, i_, stop - i_);
                i_ = stop;
                if (i_ < bytes_.size() && bytes_[i_] == '"')
                    return fail(
                        problem, line_, column,
                        "a quote inside a cell that does not begin with one (write the cell in quotes and "
                        "the quote twice)");
            }
            if (i_ >= bytes_.size()) return true;
            const char c = bytes_[i_++];
            if (c == ',') continue;
            if (c == '\r') {
                if (i_ >= bytes_.size() || bytes_[i_] != '\n')
                    return fail(problem, line_, column, "a carriage return that ends no line");
                ++i_;
            }
            ++line_;
            return true;
        }
    }

  private:
    static bool fail(Csv_problem* problem, int line, int column, const char* text) {
        problem->line = line;
        problem->column = column;
        problem->text = text;
        return false;
    }

    const std::string& bytes_;
    size_t i_;
    int line_ = 1;
};

bool valid_utf8(const std::string& bytes, size_t from) {
    for (size_t i = from; i < bytes.size();) {
        const unsigned char u = static_cast<unsigned char>(bytes[i]);
        const size_t n = u < 0x80             ? 1
                         : (u & 0xE0) == 0xC0 ? 2
                         : (u & 0xF0) == 0xE0 ? 3
                         : (u & 0xF8) == 0xF0 ? 4
                                              : 0;
        if (n == 0 || i + n > bytes.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// The cell's UTF-8 as 8-bit text; false with *problem for bytes that are no UTF-8 or a character above
// U+00FF, which no station text can hold.
bool latin1_of_utf8(const std::string& cell, std::string* out, std::string* problem) {
    out->clear();
    for (size_t i = 0; i < cell.size();) {
        const unsigned char u = static_cast<unsigned char>(cell[i]);
        if (u < 0x80) {
            *out += cell[i++];
            continue;
        }
        const size_t n = (u & 0xE0) == 0xC0 ? 2 : (u & 0xF0) == 0xE0 ? 3 : (u & 0xF8) == 0xF0 ? 4 : 0;
        bool ok = n > 0 && i + n <= cell.size();
        unsigned long code = n == 2 ? u & 0x1F : n == 3 ? u & 0x0F : u & 0x07;
        for (size_t k = 1; ok && k < n; ++k) {
            const unsigned char c = static_cast<unsigned char>(cell[i + k]);
            ok = (c & 0xC0) == 0x80;
            code = (code << 6) | (c & 0x3F);
        }
        if (!ok) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", u);
            *problem = std::string("the byte ") + hex + " is no UTF-8 (the file is read as UTF-8)";
            return false;
        }
        if (code > 0xFF) {
            char where[24];
            std::snprintf(where, sizeof where, "U+%04lX", code);
            *problem = "\"" + cell.substr(i, n) + "\" (" + where +
                       ") is a character that 8-bit text cannot hold; a station's texts are Latin-1";
            return false;
        }
        *out += static_cast<char>(code);
        i += n;
    }
    return true;
}

// A whole decimal number in the range of a station ID and nothing else.
bool station_id(const std::string& text, int32_t* id) {
    if (text.empty() || text.size() > 11) return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    if (text[0] == '-') value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    *id = static_cast<int32_t>(value);
    return true;
}

// A choice of the value's kind said in the spreadsheet's words.
std::string kind_problem(const Control& control, const std::string& value) {
    const std::string shown = "\"" + shown_text(value) + "\"";
    if (control.kind == Control_kind::CHECK_BOX) return shown + " is not a check box's 0 or 1";
    return shown + " is not a list index from -1 to 2";
}

struct Column {
    int fixed = -1;   // a Fixed_column, or -1 for a control
    int control = -1; // the control's index in the form
    std::string name;
};

class Importer {
  public:
    Importer(const Tsetup& setup, const Csv_import_options& options, Csv_import_plan& plan)
        : options_(options), plan_(plan) {
        for (const Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
            stations_.push_back(static_cast<const Tstation*>(node->item));
        for (size_t i = 0; i < stations_.size(); ++i)
            if (stations_[i] != nullptr) by_id_[stations_[i]->id].push_back(static_cast<int>(i));
        bulk_.include_spares = true; // each row names its station, as `edit N` names one alone
    }

    void run(const std::string& bytes) {
        size_t start = 0;
        if (bytes.compare(0, 3, utf8_bom) == 0) {
            if (options_.encoding_given && options_.encoding == Csv_encoding::LATIN1)
                return problem(1, 1, "",
                               "the file begins with UTF-8's byte order mark, but Latin-1 was asked for");
            utf8_ = true;
            start = 3;
        } else {
            utf8_ = options_.encoding_given ? options_.encoding == Csv_encoding::UTF8 : valid_utf8(bytes, 0);
        }
        Csv_reader reader(bytes, start);
        Raw_row row;
        Csv_problem p;
        bool header = true;
        while (reader.next(row, &p)) {
            if (row.cells.size() == 1 && row.cells[0].empty()) continue; // an empty line
            if (header) {
                if (!read_header(row)) return;
                header = false;
                continue;
            }
            ++plan_.rows;
            if (!read_row(row)) return;
        }
        if (!p.text.empty()) {
            if (!header && static_cast<size_t>(p.column) <= columns_.size())
                p.name = columns_[static_cast<size_t>(p.column - 1)].name;
            plan_.problems.push_back(p);
            return;
        }
        if (header) problem(1, 0, "", "the file has no header row naming its columns");
    }

  private:
    void problem(int line, int column, const std::string& name, const std::string& text,
                 bool refusal = false) {
        Csv_problem p;
        p.line = line;
        p.column = column;
        p.name = name;
        p.text = text;
        p.refusal = refusal;
        plan_.problems.push_back(std::move(p));
    }

    bool decode(const Raw_row& row, size_t i, std::string* out) {
        if (!utf8_) {
            *out = row.cells[i];
            return true;
        }
        std::string why;
        if (latin1_of_utf8(row.cells[i], out, &why)) return true;
        problem(row.lines[i], static_cast<int>(i) + 1, i < columns_.size() ? columns_[i].name : "", why);
        return false;
    }

    bool read_header(const Raw_row& row) {
        const Form_model form;
        std::unordered_map<std::string, size_t> seen;
        for (size_t i = 0; i < row.cells.size(); ++i) {
            Column column;
            if (!decode(row, i, &column.name)) return false;
            const int at = static_cast<int>(i) + 1;
            const auto fixed = std::find(fixed_names, fixed_names + FIXED_COLUMNS, column.name);
            column.fixed = fixed != fixed_names + FIXED_COLUMNS ? static_cast<int>(fixed - fixed_names) : -1;
            if (column.fixed < 0) {
                column.control = form.find(column.name);
                if (column.control < 0 || is_identity_control(form, column.control)) {
                    problem(row.line, at, "",
                            "\"" + shown_text(column.name) + "\" is no column of a station (" +
                                (column.control < 0
                                     ? "the editor has no such control"
                                     : "the identity fields are the columns id, phone, pin and "
                                       "description") +
                                ")");
                    return false;
                }
            }
            const auto twice = seen.emplace(column.name, i + 1);
            if (!twice.second) {
                problem(row.line, at, column.name,
                        "the column is named twice (first in column " + std::to_string(twice.first->second) +
                            ")");
                return false;
            }
            columns_.push_back(std::move(column));
        }
        const char* key = options_.match == Csv_match::ID ? "id" : "position";
        if (seen.count(key) == 0) {
            problem(row.line, 0, "",
                    std::string("the header has no ") + key + " column, which names each row's station" +
                        (options_.match == Csv_match::ID ? " (or match by a position column)" : ""));
            return false;
        }
        key_ = static_cast<int>(seen[key] - 1);
        return true;
    }

    bool read_row(const Raw_row& row) {
        if (row.cells.size() != columns_.size()) {
            const size_t at = std::min(row.cells.size(), columns_.size());
            problem(row.lines[at < row.lines.size() ? at : row.lines.size() - 1], static_cast<int>(at) + 1,
                    at < columns_.size() ? columns_[at].name : "",
                    "the row has " + std::to_string(row.cells.size()) + " cells; the header names " +
                        std::to_string(columns_.size()) + " columns");
            return false;
        }
        // The key first: which station the row is for.
        std::string key;
        if (!decode(row, static_cast<size_t>(key_), &key)) return false;
        const int key_line = row.lines[static_cast<size_t>(key_)];
        int position = -1;
        int32_t id = 0;
        if (options_.match == Csv_match::POSITION) {
            int32_t n = 0;
            if (!station_id(key, &n) || n < 1 || static_cast<size_t>(n) > stations_.size()) {
                problem(key_line, key_ + 1, "position",
                        "\"" + shown_text(key) + "\" is no station position from 1 to " +
                            std::to_string(stations_.size()));
                return false;
            }
            position = n - 1;
            if (!claim(position, key_line, key_ + 1, "position", "station " + key)) return false;
        } else {
            if (!station_id(key, &id)) {
                problem(key_line, key_ + 1, "id",
                        key.empty() ? "the row has no ID" : "\"" + shown_text(key) + "\" is no station ID");
                return false;
            }
            if (!claim(id, key_line, key_ + 1, "id", "the id " + key)) return false;
            const auto found = by_id_.find(id);
            if (found != by_id_.end() && found->second.size() > 1) {
                problem(key_line, key_ + 1, "id",
                        "the id " + key + " belongs to stations " + std::to_string(found->second[0] + 1) +
                            " and " + std::to_string(found->second[1] + 1) +
                            " of the setup file; match the rows by their position");
                return false;
            }
            if (found != by_id_.end()) position = found->second[0];
        }

        // Then each non-empty cell, as the change it makes.
        std::vector<Control_change> changes;
        std::vector<size_t> cells; // the cell each change comes from
        const Form_model& form = editor_.form;
        for (size_t i = 0; i < row.cells.size(); ++i) {
            const Column& column = columns_[i];
            if (static_cast<int>(i) == key_ || row.cells[i].empty()) continue;
            std::string value;
            if (!decode(row, i, &value)) return false;
            if (is_guarded_column(column.name)) value = unguarded(value);
            Control_change change;
            switch (column.fixed) {
            case COLUMN_POSITION:
            case COLUMN_BYTES:
                continue; // read only
            case COLUMN_ID: {
                int32_t n = 0;
                if (!station_id(value, &n)) {
                    problem(row.lines[i], static_cast<int>(i) + 1, column.name,
                            "\"" + shown_text(value) + "\" is no station ID");
                    return false;
                }
                // The editor shows some IDs in its own way (-1 as 4294967295): the ID the station has
                // already is no change.
                if (position >= 0 && n == stations_[static_cast<size_t>(position)]->id) continue;
                change.name = "ed_ID";
                break;
            }
            case COLUMN_PHONE:
                change.name = "ed_phone_nbr";
                break;
            case COLUMN_PIN:
                change.name = "ed_pin";
                break;
            case COLUMN_DESCRIPTION:
                change.name = "ed_description";
                break;
            default: {
                change.name = column.name;
                std::string ignored;
                change.value = value;
                if (!check_control_change(form, change, &ignored)) {
                    problem(row.lines[i], static_cast<int>(i) + 1, column.name,
                            kind_problem(form.at(column.control), value));
                    return false;
                }
                break;
            }
            }
            change.value = std::move(value);
            changes.push_back(std::move(change));
            cells.push_back(i);
        }

        if (position < 0) {
            if (!options_.add_missing) {
                plan_.unknown.push_back({row.line, id});
                return true;
            }
            add(row, id, changes, cells);
            return true;
        }
        const size_t before = plan_.edits.stations.size();
        plan_station_edit(editor_, position, *stations_[static_cast<size_t>(position)], changes, bulk_,
                          plan_.edits);
        if (plan_.edits.stations.size() > before) {
            const Bulk_station& station = plan_.edits.stations.back();
            refused(row, station, cells,
                    "station " + std::to_string(station.position + 1) + " (id " + std::to_string(station.id) +
                        ")");
        }
        return true;
    }

    // A key given once in the file; false with the problem for its second row.
    template <typename Key>
    bool claim(Key key, int line, int column, const char* name, const std::string& what) {
        auto& lines = std::is_same<Key, int32_t>::value ? id_lines_ : position_lines_;
        const auto taken = lines.emplace(static_cast<long long>(key), line);
        if (taken.second) return true;
        problem(line, column, name,
                what + " is given twice (first on line " + std::to_string(taken.first->second) + ")" +
                    (options_.match == Csv_match::ID ? "; match the rows by their position" : ""));
        return false;
    }

    // A refused row: at the cell whose value its station refused, or the whole row for a store refused.
    void refused(const Raw_row& row, const Bulk_station& station, const std::vector<size_t>& cells,
                 const std::string& which) {
        if (station.outcome != Bulk_outcome::REFUSED) return;
        if (station.refused_change >= 0) {
            const size_t cell = cells[static_cast<size_t>(station.refused_change)];
            problem(row.lines[cell], static_cast<int>(cell) + 1, columns_[cell].name, station.refusal, true);
        } else {
            problem(row.line, 0, "", which + ": " + station.refusal, true);
        }
    }

    // A new station, as `edit IN 0 OUT ed_ID=N ...` adds one: the ID, then the row's cells, then OK.
    void add(const Raw_row& row, int32_t id, std::vector<Control_change> changes, std::vector<size_t> cells) {
        Tstation record;
        editor_.open(&record, true);
        changes.insert(changes.begin(), Control_change{"ed_ID", std::to_string(id)});
        cells.insert(cells.begin(), static_cast<size_t>(key_));
        Bulk_station station;
        station.position = static_cast<int>(stations_.size() + plan_.added.size());
        station.id = id;
        std::string problem_text;
        for (size_t i = 0; i < changes.size() && station.refused_change < 0; ++i)
            if (!apply_control_change(editor_, changes[i], &problem_text))
                station.refused_change = static_cast<int>(i);
        if (station.refused_change < 0) {
            const Store_result result = editor_.ok();
            if (result.stored) {
                plan_.added.push_back(record);
                return;
            }
            problem_text = refusal_text(result, editor_.form.text(editor_.form.general().sms));
        }
        station.outcome = Bulk_outcome::REFUSED;
        station.refusal = problem_text;
        refused(row, station, cells, "the new station (id " + std::to_string(id) + ")");
    }

    const Csv_import_options& options_;
    Csv_import_plan& plan_;
    Bulk_options bulk_;
    Station_editor editor_;
    std::vector<const Tstation*> stations_;
    std::unordered_map<int32_t, std::vector<int>> by_id_;
    std::unordered_map<long long, int> id_lines_, position_lines_;
    std::vector<Column> columns_;
    int key_ = -1;
    bool utf8_ = true;
};

} // namespace

Csv_import_plan plan_csv_import(const Tsetup& setup, const std::string& bytes,
                                const Csv_import_options& options) {
    Csv_import_plan plan;
    Importer(setup, options, plan).run(bytes);
    return plan;
}

std::unique_ptr<Document_command> csv_import_command(const Tsetup& setup, Csv_import_plan&& plan) {
    if (plan.refused()) return nullptr;
    std::vector<int32_t> ids;
    for (const Tstation& s : plan.edits.after)
        ids.push_back(s.id);
    for (const Tstation& s : plan.added)
        ids.push_back(s.id);
    const size_t count = ids.size();
    std::vector<std::unique_ptr<Document_command>> steps;
    steps.push_back(edit_stations_command(setup, std::move(plan.edits.positions),
                                          std::move(plan.edits.before), std::move(plan.edits.after)));
    steps.push_back(append_stations_command(setup, std::move(plan.added)));
    return combined_command("Update " + std::to_string(count) + " stations from CSV (" +
                                station_ids_text(ids) + ")",
                            std::move(steps));
}
