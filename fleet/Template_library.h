// Station templates: a library is an ordinary setup file in which every station is a template, named by its
// description, with no identity of its own (ID 0, no phone number, no PIN). Nothing about templates is
// written into a fleet's file: which template a station follows is worked out each time, from its settings.
//
// - Template_library: read, list, find by name, make from a station, add or replace, save;
// - Template_matcher: the template a station equals, or the nearest one and how many settings differ;
// - template_changes: the template's values of the chosen pages as NAME=VALUE changes, for the editing of
//   many stations at once (Bulk_edit.h), so that applying a template is that edit and nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Control_change.h"
#include "Setup.h"
#include "Station_settings.h"

// Where the library is when the user has not chosen another: $XDG_CONFIG_HOME/vemora/templates.xml, or
// ~/.config/vemora/templates.xml when XDG_CONFIG_HOME is unset or not absolute. Empty when neither that
// nor HOME says where the configuration folder is.
std::string default_library_path();

class Template_library {
  public:
    // Reads the library. A file that does not exist is an empty library (*missing set, when asked); a file
    // that cannot be read or is no setup file is an error: false with *problem ("cannot read \"lib.xml\":
    // line 3, column 7: ..."), and the library as it was. notes, when given, hears what the readers decided
    // silently, as for any setup file.
    bool read(const std::string& path, std::string* problem, bool* missing = nullptr,
              Note_sink* notes = nullptr);
    // Saves the library as File > Save saves a setup file (atomically, the old file kept on failure); a
    // library that did not exist yet gets the paths and COM ports of File > New. The default library's
    // folder is made when it is missing; any other folder must exist. False with *problem.
    bool write(const std::string& path, std::string* problem);

    size_t size() const { return templates_.size(); }
    const Tstation& at(size_t i) const { return *templates_[i]; }
    std::string name(size_t i) const { return templates_[i]->description; }

    // The template of that name (exact, 8-bit). -1 with *problem when there is none ("the library has no
    // template \"Karst\"") or when two or more have it ("templates 2 and 5 are both called \"Karst\";
    // rename one in the library").
    int find(const std::string& name, std::string* problem) const;

    // Adds the template at the end, or in place of the one of the same name. False with *problem for a
    // name that is empty, longer than a description holds, or already borne by several templates, and
    // when memory runs out; then the library is as it was. *replaced tells which it was, when asked.
    bool put(const Tstation& station, const std::string& name, std::string* problem,
             bool* replaced = nullptr);

    const Tsetup& document() const { return setup_; }

  private:
    void index();

    Tsetup setup_;
    std::vector<Tstation*> templates_; // the stations of setup_, in file order
};

// The template made from a station: its configuration and display type, ID 0, no phone number or PIN,
// the name as its description, and the STATION_ID and PIN_CODE records as reading the library back gives
// them. Null when memory runs out.
std::unique_ptr<Tstation> make_template(const Tstation& station, const std::string& name);

// Which template a station follows.
struct Template_match {
    int index = -1;  // the template in the library; -1: none (the station or every template is a spare)
    int differs = 0; // the settings that differ; 0 exactly when the station equals the template
};

// The templates of a library prepared once (their texts and settings), so that matching a fleet costs one
// reading of each station and a pass over the templates' settings. Spares (nothing configured) are no
// templates here, and a spare station follows none. Not for use from two threads at once.
class Template_matcher {
  public:
    explicit Template_matcher(const Template_library& library);

    size_t size() const { return names_.size(); }
    const std::string& name(size_t i) const { return names_[i]; }

    // The template the station equals (its identity aside: ID, phone number, PIN and description); else
    // the one with the fewest differing settings, the first in the library among equals. Settings are
    // counted as Compare counts them; stations that differ only where no setting shows (the order of
    // records, the display type) count one.
    Template_match match(const Tstation& station);

  private:
    std::vector<std::string> names_;
    std::vector<bool> usable_;                     // not a spare
    std::unordered_map<std::string, int> by_text_; // identity-free text -> first template that writes it
    std::vector<std::vector<Setting>> settings_;   // per template
    Settings_reader reader_;
};

// "Karst 15/2" for a station that equals it, "Karst 15/2 +3" for one whose nearest template it is with
// three settings differing; empty for none.
std::string template_text(const std::string& name, const Template_match& match);

// The parts of the station editor that a template can be applied by.
enum Template_page : unsigned {
    PAGE_GSM = 1,     // GSM timing, the SMS number aside
    PAGE_ACQ = 2,     // Acquisition timing
    PAGE_SLOW = 4,    // Slow Sequence
    PAGE_FAST = 8,    // Fast Sequence
    PAGE_REMOTE = 16, // Remote sequence
    PAGE_SMS = 32,    // the SMS number
    ALL_TEMPLATE_PAGES = 63,
};

// "gsm,acq,slow,fast,remote,sms" or any of them separated by commas; false with *problem otherwise.
bool parse_template_pages(const std::string& text, unsigned* pages, std::string* problem);

// Every control of the chosen pages set to the template's value, in the editor's order (a box before the
// list and the edit it enables), as a user would go down the page.
std::vector<Control_change> template_changes(const Tstation& template_station, unsigned pages);
