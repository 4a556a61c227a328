// vemora-cli duplicate: a copy of a station behind it, as the window's Duplicate makes it.
#include <climits>
#include <string>
#include <vector>

#include "Cli_files.h"
#include "Command.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_duplicate.h"
#include "Station_number.h"

namespace {

int duplicate(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    std::vector<std::string> words;
    bool id_given = false;
    long new_id = 0;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--id") {
            const std::string value = i + 1 < arguments.size() ? arguments[++i] : std::string();
            if (!strict_int(value, &new_id) || new_id < INT32_MIN || new_id > INT32_MAX)
                return usage_error(err, "--id takes an ID from -2147483648 to 2147483647, not \"" +
                                            shown_text(value) + "\"");
            id_given = true;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return usage_error(err, "duplicate has no option \"" + shown_text(a) + "\"");
        } else {
            words.push_back(a);
        }
    }
    if (words.size() != 3) return usage_error(err, "usage: vemora-cli duplicate IN N OUT [--id NEW]");
    const std::string& in = words[0];
    Station_selector selector;
    if (!parse_station_selector(words[1], &selector) || (!selector.by_id && selector.number < 1))
        return usage_error(err,
                           "\"" + shown_text(words[1]) + "\" is no station number (the first station is 1)");
    Tsetup setup;
    if (!read_setup(setup, in, err)) return EXIT_FILE;
    Tstation* source = nullptr;
    int position = 0;
    std::string problem;
    if (!find_station(setup, selector, in, &source, &position, &problem)) return usage_error(err, problem);

    const Station_ids ids(setup);
    int32_t id = static_cast<int32_t>(new_id);
    if (id_given && ids.in_use(id))
        return usage_error(err, "the id " + std::to_string(id) + " is in use in \"" + shown_text(in) +
                                    "\"; a copy needs an id of its own");
    if (!id_given && !ids.free_above(source->id, &id))
        return usage_error(err, "every id above " + std::to_string(source->id) +
                                    " is in use; give the copy's with --id");

    Station_copy copy = duplicate_station(*source, id);
    Tstation* made = copy.station.get();
    if (made == nullptr || !insert_station_after(setup, source, made)) {
        err << "vemora-cli: not enough memory for the copy; " << shown_text(words[2]) << " was not written\n";
        return EXIT_FILE;
    }
    copy.station.release(); // the document owns it now
    if (copy.description_shortened)
        err << "WARNING : the copy's description is the first "
            << sizeof made->description - sizeof COPY_SUFFIX << " characters of station " << position
            << "'s and \"" << COPY_SUFFIX + 1 << "\": the field holds " << sizeof made->description - 1
            << "\n";
    if (!write_setup(setup, words[2], err)) return EXIT_FILE;
    out << "station " << position + 1 << " (id " << id << ") is a copy of station " << position << " (id "
        << source->id << ")\n";
    return EXIT_OK;
}

} // namespace

extern const Command duplicate_command = {
    "duplicate",
    "IN N OUT [--id NEW]",
    "copy station N (from 1, or id=101) behind it and save as OUT: the same configuration, the\n"
    "description with \" (copy)\", the smallest id above N's that is free (or NEW, which must be\n"
    "free), no phone number and no PIN",
    3,
    5,
    duplicate};
