// Reading notes in words: one phrase per kind, said as a line of `vemora-cli check` or as a sentence of
// the window's problem list.
#include "Reading_report.h"

#include <cctype>

#include "Eeprom_configurer.h"
#include "Station.h"

void Reading_collector::note(const Reading_note& note) {
    ++total_;
    if (notes_.size() < NOTES_KEPT) notes_.push_back(note);
    if (note.station <= 0) return;
    if (per_station_.size() < static_cast<size_t>(note.station))
        per_station_.resize(static_cast<size_t>(note.station));
    ++per_station_[static_cast<size_t>(note.station) - 1];
}

void Reading_collector::clear() {
    total_ = 0;
    notes_.clear();
    per_station_.clear();
}

std::vector<Reading_note> Reading_collector::ordered() const {
    std::vector<Reading_note> out;
    out.reserve(notes_.size());
    for (int errors = 1; errors >= 0; --errors)
        for (const Reading_note& n : notes_)
            if (n.is_error() == (errors == 1)) out.push_back(n);
    return out;
}

int Reading_collector::station_count(int position) const {
    if (position <= 0 || static_cast<size_t>(position) > per_station_.size()) return 0;
    return per_station_[static_cast<size_t>(position) - 1];
}

std::string shown_text(const std::string& text, size_t max) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (max != 0 && i == max) return out + "...";
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7F) {
            out += text[i];
            continue;
        }
        out += "\\x";
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

namespace {

constexpr size_t VALUE_SHOWN_MAX = 40; // a number that is no number is quoted up to here

std::string quoted(const std::string& text, size_t max = 0) {
    return "\"" + shown_text(text, max) + "\"";
}

std::string station_name(int position, int32_t id) {
    return "station " + std::to_string(position) + " (id " + std::to_string(id) + ")";
}

// Whom the note is about: a station, a COM port, or the element that holds what it is about; and the
// included file it stands in.
std::string owner(const Reading_note& n) {
    std::string who;
    if (n.station > 0)
        who = station_name(n.station, n.station_id);
    else if (n.comport > 0)
        who = "COM port " + std::to_string(n.comport);
    else
        who = shown_text(n.parent);
    if (!n.file.empty()) who += ": configuration file " + quoted(n.file);
    return who;
}

std::string in_sequence(const Reading_note& n) {
    return n.sequence.empty() ? std::string() : " in the " + n.sequence + " sequence";
}

// "ACQ_INTERVAL0 value" in a configuration, "rate" on a COM port or a station.
std::string subject(const Reading_note& n) {
    if (n.element.empty()) return n.attribute;
    if (n.attribute.empty()) return shown_text(n.element);
    return shown_text(n.element) + " " + n.attribute;
}

// What the reader found and did, the same words for the tool and the window.
std::string what(const Reading_note& n) {
    const std::string length = std::to_string(n.length);
    switch (n.kind) {
    case Note_kind::UNKNOWN_ELEMENT:
        return "unknown element " + quoted(n.element) +
               (n.sequence.empty() ? " in the configuration" : in_sequence(n)) + " was skipped";
    case Note_kind::SEQUENCE_NUMBER:
        return "ACQUISITION_SEQUENCE number " + n.raw +
               " is none of 0 (slow), 1 (fast) and 2 (remote); the sequence was skipped";
    case Note_kind::NESTED_TOO_DEEP:
        return "configuration file " + quoted(n.raw) + " is included more than " + std::to_string(n.count) +
               " files deep and was not read";
    case Note_kind::ELEMENT_IGNORED: {
        std::string where;
        if (n.parent == "COMPORTS")
            where = n.count > 0 ? " after COM port " + std::to_string(n.count) : " before any COM port";
        else if (n.parent == "STATIONS")
            where = n.count > 0 ? " after " + station_name(static_cast<int>(n.count), n.other_id)
                                : " before any station";
        return "unknown element " + quoted(n.element) + where + " is ignored";
    }
    case Note_kind::AFTER_ROOT:
        return "element " + quoted(n.element) + " after the end of " + quoted(n.parent) +
               " is ignored (a second setup file in the same file?)";
    case Note_kind::ELEMENT_REPEATED:
        return std::to_string(n.count) + " " + n.element + " elements; only the last one counts";
    case Note_kind::ATTRIBUTE_REPEATED:
        return subject(n) + in_sequence(n) + " is given more than once; the first one counts";
    case Note_kind::NO_VALUE:
        return shown_text(n.element) + " has no value; no record was made";
    case Note_kind::NUMBER_NOT_CLEAN:
        return subject(n) + " " + quoted(n.raw, VALUE_SHOWN_MAX) + in_sequence(n) +
               " is not a clean number; " + n.used;
    case Note_kind::VALUE_MASKED:
        return subject(n) + " " + n.raw + in_sequence(n) + " is outside what the station keeps (" + n.range +
               "); " + n.used;
    case Note_kind::KEYWORD_UNKNOWN:
        return subject(n) + " " + quoted(n.raw, VALUE_SHOWN_MAX) + in_sequence(n) +
               " is not a known value; " + n.used;
    case Note_kind::TEXT_CUT:
        return n.attribute + " of " + length + " characters was cut to " + std::to_string(n.count);
    case Note_kind::TEXT_DROPPED:
        return shown_text(n.element) + " value of " + length + " characters is longer than its field of " +
               std::to_string(n.count) + "; the record was dropped";
    case Note_kind::PIN_CODE_IGNORED:
        if (n.attribute.empty())
            return "the station's pin of " + length + " characters is longer than the " +
                   std::to_string(n.count) + " a PIN_CODE keeps; the PIN code was left empty";
        return "PIN_CODE value of " + length + " characters is longer than the " + std::to_string(n.count) +
               " the station keeps; it was ignored and " +
               (n.used.empty() ? std::string("the PIN code was left empty")
                               : "the station's pin " + quoted(n.used) + " was used");
    case Note_kind::SMS_NUMBER_TOO_LONG:
        return "SMS_NUMBER of " + length + " characters is longer than the " + std::to_string(n.count) +
               " the station keeps" +
               (n.first ? "; the station editor refuses to store it until it is shortened" : "");
    case Note_kind::INCLUDE_NOT_READ:
        return "configuration file " + quoted(n.raw, n.length > 511 ? VALUE_SHOWN_MAX : 0) +
               " could not be read (" + n.used + "); the element's own configuration was used";
    case Note_kind::INCLUDE_USED: {
        std::string text = "the configuration comes from the file " + quoted(n.raw);
        if (n.working_folder)
            text += " (found in the working folder, not beside the file that names it)";
        else if (n.used != n.raw)
            text += " (read as " + quoted(n.used) + ")";
        if (n.count > 0)
            text += "; the element's own " + std::to_string(n.count) +
                    (n.count == 1 ? " element is" : " elements are") + " not used";
        return text;
    }
    case Note_kind::CONFIGURATION_FULL:
        return "the configuration does not fit the station's " + n.raw +
               " bytes; what did not fit was dropped, from " + quoted(n.element) + " on";
    case Note_kind::DUPLICATE_ID:
        return "the same id as station " + std::to_string(n.count);
    }
    return std::string();
}

// What Save does about it, for the window.
const char* save_does(const Reading_note& n) {
    switch (n.kind) {
    case Note_kind::UNKNOWN_ELEMENT:
    case Note_kind::SEQUENCE_NUMBER:
    case Note_kind::ELEMENT_IGNORED:
    case Note_kind::NO_VALUE:
    case Note_kind::TEXT_DROPPED:
        return "Save will not keep this element.";
    case Note_kind::AFTER_ROOT:
        return "Save will keep only the first setup.";
    case Note_kind::NESTED_TOO_DEEP:
        return "Save will not keep what that file holds.";
    case Note_kind::ELEMENT_REPEATED:
    case Note_kind::ATTRIBUTE_REPEATED:
        return "Save will keep only the one that counts.";
    case Note_kind::NUMBER_NOT_CLEAN:
    case Note_kind::VALUE_MASKED:
    case Note_kind::KEYWORD_UNKNOWN:
    case Note_kind::PIN_CODE_IGNORED:
        return "Save will write what was used.";
    case Note_kind::TEXT_CUT:
        return "Save will keep the shortened text.";
    case Note_kind::SMS_NUMBER_TOO_LONG:
        return "Save keeps it as it is.";
    case Note_kind::INCLUDE_NOT_READ:
        return "Save will write the element's own configuration in place of the file's name.";
    case Note_kind::INCLUDE_USED:
        return "Save will write that configuration into the setup file itself, not the file's name.";
    case Note_kind::CONFIGURATION_FULL:
        return "Save will not keep what did not fit.";
    case Note_kind::DUPLICATE_ID:
        return "Save keeps both.";
    }
    return "";
}

std::string error_line(const Reading_note& n) {
    switch (n.kind) {
    case Note_kind::UNKNOWN_ELEMENT:
        return "ERROR : Teeprom_configurer, unknown element " + quoted(n.element);
    case Note_kind::SEQUENCE_NUMBER:
        return "ERROR : Erroneous acquisition sequence number " + n.raw;
    default:
        return "ERROR : Teeprom_configurer, configuration file " + quoted(n.raw) + " nested too deeply";
    }
}

} // namespace

std::string note_line(const Reading_note& note) {
    if (note.is_error()) return error_line(note);
    return "WARNING : " + owner(note) + ": " + what(note);
}

std::string note_words(const Reading_note& note) {
    std::string who = owner(note);
    if (!who.empty()) who[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(who[0])));
    return who + ": " + what(note) + ". " + save_does(note);
}

std::string not_kept_line(size_t not_kept) {
    return "WARNING : " + std::to_string(not_kept) + " more problems were found; only the first " +
           std::to_string(Reading_collector::NOTES_KEPT) + " are listed";
}

bool note_told_by_every_command(const Reading_note& note) {
    return note.is_error() || note.kind == Note_kind::INCLUDE_NOT_READ || note.kind == Note_kind::AFTER_ROOT;
}

void count_station_notes(const Reading_collector& notes, Tstations& stations) {
    // Notes count stations by their place in the file from 1, as the read linked them.
    int position = 0;
    for_each_item<Tstation>(stations.list,
                            [&](Tstation& s) { s.reading_notes = notes.station_count(++position); });
}
