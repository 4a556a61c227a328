// Station templates: the library file, templates made from stations, the nearest template of a station and
// the changes that apply one.
#include "Template_library.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include <sys/stat.h>

#include "Bulk_edit.h"
#include "Compare.h"
#include "Lib_text.h"
#include "Lib_trace.h"
#include "Reading_report.h"
#include "Station_duplicate.h"

std::string default_library_path() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is to be ignored: it would name another folder in every working folder.
    if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/vemora/templates.xml";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return std::string();
    return std::string(home) + "/.config/vemora/templates.xml";
}

bool Template_library::read(const std::string& path, std::string* problem, bool* missing, Note_sink* notes) {
    if (missing != nullptr) *missing = false;
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 && errno == ENOENT) {
        // No library yet: an empty one, which a first save writes as File > New would.
        setup_.clear();
        setup_.set_defaults();
        templates_.clear();
        if (missing != nullptr) *missing = true;
        return true;
    }
    Tsetup read;
    std::string reason;
    {
        Trace_capture quiet; // the reader's trace lines are no message for whoever uses the library
        if (read.read_file(path.c_str(), &reason, notes) != 0) {
            *problem = "cannot read the template library \"" + shown_text(path) + "\": " + reason;
            return false;
        }
    }
    setup_.swap(read);
    index();
    return true;
}

bool Template_library::write(const std::string& path, std::string* problem) {
    if (!default_library_path().empty() && path == default_library_path()) {
        // The configuration folder may not have our folder yet; any other folder is the user's to make.
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        if (error) {
            *problem = "cannot make the folder of \"" + shown_text(path) + "\": " + error.message();
            return false;
        }
    }
    std::string reason;
    if (setup_.write_file(path.c_str(), &reason) != 0) {
        *problem = "cannot write the template library \"" + shown_text(path) + "\": " + reason;
        return false;
    }
    return true;
}

void Template_library::index() {
    templates_.clear();
    for_each_item<Tstation>(setup_.stations.list, [&](Tstation& s) { templates_.push_back(&s); });
}

namespace {

// "2 and 5", "2, 5 and 9": positions from 1.
std::string positions_text(const std::vector<size_t>& found) {
    std::string text;
    for (size_t k = 0; k < found.size(); ++k) {
        if (k > 0) text += k + 1 == found.size() ? " and " : ", ";
        text += std::to_string(found[k] + 1);
    }
    return text;
}

} // namespace

int Template_library::find(const std::string& name, std::string* problem) const {
    std::vector<size_t> found;
    for (size_t i = 0; i < templates_.size(); ++i)
        if (name == templates_[i]->description) found.push_back(i);
    if (found.size() == 1) return static_cast<int>(found[0]);
    if (found.empty())
        *problem = "the library has no template \"" + shown_text(name) + "\"";
    else
        *problem = "templates " + positions_text(found) + " are all called \"" + shown_text(name) +
                   "\"; rename all but one in the library";
    if (found.size() == 2)
        *problem = "templates " + positions_text(found) + " are both called \"" + shown_text(name) +
                   "\"; rename one in the library";
    return -1;
}

bool Template_library::put(const Tstation& station, const std::string& name, std::string* problem,
                           bool* replaced) {
    if (replaced != nullptr) *replaced = false;
    const size_t room = sizeof station.description - 1;
    if (name.empty()) {
        *problem = "a template needs a name";
        return false;
    }
    if (name.size() > room) {
        *problem = "the name has " + std::to_string(name.size()) +
                   " characters; a template's name holds at most " + std::to_string(room);
        return false;
    }
    size_t same = 0; // templates with that name already
    for (const Tstation* t : templates_)
        same += name == t->description ? 1 : 0;
    std::string taken;
    const int existing = same == 0 ? -1 : find(name, &taken);
    if (same > 1) {
        *problem = taken;
        return false;
    }
    std::unique_ptr<Tstation> made = make_template(station, name);
    if (made == nullptr) {
        *problem = "not enough memory for the template";
        return false;
    }
    if (existing >= 0) {
        *templates_[static_cast<size_t>(existing)] = *made;
        if (replaced != nullptr) *replaced = true;
        return true;
    }
    if (!setup_.stations.append(made.get())) {
        *problem = "not enough memory for the template";
        return false;
    }
    templates_.push_back(made.release());
    return true;
}

std::unique_ptr<Tstation> make_template(const Tstation& station, const std::string& name) {
    // A duplicate with ID 0 is a station without identity: no phone number or PIN, the fixed records as
    // reading it back gives them. Only its description differs from what a template needs.
    Station_copy copy = duplicate_station(station, 0);
    if (copy.station == nullptr) return nullptr;
    copy_text(copy.station->description, name.c_str(), sizeof copy.station->description);
    return std::move(copy.station);
}

namespace {

// The station as Save writes it, with no identity: what two stations with the same settings share.
std::string text_without_identity(const Tstation& station) {
    Tstation copy = station;
    copy.id = 0;
    copy.phone_nbr[0] = '\0';
    copy.pin[0] = '\0';
    copy.description[0] = '\0';
    std::string text;
    {
        Text_out out(&text);
        copy.write(&out);
    }
    return text;
}

} // namespace

Template_matcher::Template_matcher(const Template_library& library) {
    for (size_t i = 0; i < library.size(); ++i) {
        const Tstation& t = library.at(i);
        names_.push_back(library.name(i));
        usable_.push_back(!is_spare(t));
        settings_.emplace_back();
        if (!usable_.back()) continue;
        by_text_.emplace(text_without_identity(t), static_cast<int>(i)); // the first of equal ones stays
        settings_.back() = reader_.read(t);
    }
}

Template_match Template_matcher::match(const Tstation& station) {
    Template_match best;
    if (is_spare(station)) return best;
    const auto equal = by_text_.find(text_without_identity(station));
    if (equal != by_text_.end()) {
        best.index = equal->second;
        return best;
    }
    const std::vector<Setting>& settings = reader_.read(station);
    Compare_options options;
    options.ignore_identity = true;
    for (size_t i = 0; i < settings_.size(); ++i) {
        if (!usable_[i]) continue;
        // Not equal, so at least one: a difference no setting shows (the order of records) counts one.
        const int differs = std::max(1, differing_settings(settings, settings_[i], options));
        if (best.index < 0 || differs < best.differs) {
            best.index = static_cast<int>(i);
            best.differs = differs;
        }
    }
    return best;
}

std::string template_text(const std::string& name, const Template_match& match) {
    if (match.index < 0) return std::string();
    return match.differs == 0 ? name : name + " +" + std::to_string(match.differs);
}

namespace {

struct Page_word {
    const char* word;
    unsigned page;
};
const Page_word page_words[] = {{"gsm", PAGE_GSM},          {"acq", PAGE_ACQ},       {"slow", PAGE_SLOW},
                                {"fast", PAGE_FAST},        {"remote", PAGE_REMOTE}, {"sms", PAGE_SMS},
                                {"all", ALL_TEMPLATE_PAGES}};

} // namespace

bool parse_template_pages(const std::string& text, unsigned* pages, std::string* problem) {
    unsigned chosen = 0;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string word =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        unsigned page = 0;
        for (const Page_word& w : page_words)
            if (word == w.word) page = w.page;
        if (page == 0) {
            *problem = (word.empty() ? std::string("an empty page") : "\"" + shown_text(word) + "\"") +
                       " in \"" + shown_text(text) +
                       "\": the pages are gsm, acq, slow, fast, remote and sms (or all), separated by commas";
            return false;
        }
        chosen |= page;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    *pages = chosen;
    return true;
}

std::vector<Control_change> template_changes(const Tstation& template_station, unsigned pages) {
    Station_editor editor;
    editor.open(const_cast<Tstation*>(&template_station)); // opening only reads the station
    const Form_model& form = editor.form;
    const std::vector<Control_label> labels = control_labels(form);
    // The editor's pages from General (0) to Remote sequence (5) as the parts a template is applied by.
    const unsigned by_tab[EDITOR_PAGE_COUNT] = {0, PAGE_GSM, PAGE_ACQ, PAGE_SLOW, PAGE_FAST, PAGE_REMOTE};
    std::vector<Control_change> changes;
    for (int i = 0; i < static_cast<int>(form.controls().size()); ++i) {
        const int tab = labels[static_cast<size_t>(i)].page;
        if (tab < 0 || tab >= EDITOR_PAGE_COUNT || is_identity_control(form, i)) continue;
        const unsigned page = i == form.general().sms ? PAGE_SMS : by_tab[tab];
        if ((pages & page) == 0) continue;
        const Control& c = form.at(i);
        switch (c.kind) {
        case Control_kind::CHECK_BOX:
            changes.push_back({c.name, c.checked ? "1" : "0"});
            break;
        case Control_kind::CHOICE_LIST:
            changes.push_back({c.name, std::to_string(c.index)});
            break;
        case Control_kind::EDIT:
            changes.push_back({c.name, c.text});
            break;
        }
    }
    return changes;
}
