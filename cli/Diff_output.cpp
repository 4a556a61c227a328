// The diff's lines: files, fields, stations and their settings.
#include "Diff_output.h"

#include "Reading_report.h"
#include "Text_output.h"

namespace {

std::string value(bool present, const std::string& v) {
    return present ? v : "(not stored)";
}

} // namespace

std::string station_words(const Station_ref& s) {
    return "station " + std::to_string(s.position) + " (id " + std::to_string(s.id) + ")";
}

void print_station_comparison(const Station_comparison& c, const std::string& heading, bool names,
                              std::ostream& out) {
    out << heading << '\n';
    for (const Setting_row& r : c.rows)
        out << "  "
            << utf8_of((names ? r.name : r.label) + ": " + value(r.in_a, r.a) + " -> " + value(r.in_b, r.b))
            << '\n';
    for (const Raw_line& l : c.raw)
        out << "  " << (l.side == 'a' ? "only in A: " : "only in B: ") << utf8_of(l.text) << '\n';
}

void print_document_comparison(const Document_comparison& d, const std::string& a, const std::string& b,
                               bool names, std::ostream& out) {
    if (d.equal) return;
    out << "A: " << shown_text(a) << '\n' << "B: " << shown_text(b) << '\n';
    for (const Field_change& f : d.fields)
        out << utf8_of((names ? f.name : f.label) + ": " + (f.a.empty() ? "(none)" : f.a) + " -> " +
                       (f.b.empty() ? "(none)" : f.b))
            << '\n';
    for (const Station_pair& p : d.pairs)
        print_station_comparison(p.comparison,
                                 station_words(p.a) + " in A / " + station_words(p.b) + " in B" +
                                     (p.by_position ? " (matched by position among equal ids)" : ""),
                                 names, out);
    for (const Station_ref& s : d.only_a)
        out << station_words(s) << " only in A\n";
    for (const Station_ref& s : d.only_b)
        out << station_words(s) << " only in B\n";
    if (d.ids_repeat) out << "ids repeat: stations of equal id are matched by their order among them\n";
    if (d.order_differs) out << "the stations stand in another order in B\n";
}
