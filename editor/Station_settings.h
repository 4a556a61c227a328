// A station's stored settings in the editor's words: "Slow Sequence / Uranine delta (on-off) / threshold"
// with the value a user reads ("5.50 [mv]", "yes", "15 minutes"), in tab order. Derived from the channel
// table, the controls' labels and the form after the editor opened the station; a control that the display
// conditions disable is no setting, because the store does not write it.
#pragma once

#include <string>
#include <vector>

#include "Control_labels.h"
#include "Station_editor.h"

// The groups of settings, in the order a report lists them.
enum Setting_group {
    GROUP_IDENTITY,
    GROUP_GSM_TIMING,
    GROUP_ACQUISITION_TIMING,
    GROUP_SLOW_SEQUENCE,
    GROUP_FAST_SEQUENCE,
    GROUP_REMOTE_SEQUENCE,
    GROUP_KEPT_RECORDS,
    SETTING_GROUP_COUNT
};
extern const char* const setting_group_captions[SETTING_GROUP_COUNT]; // "Identity" ... "Kept records"

struct Setting {
    int key = 0;   // its place in tab order: the control's index in the form, or past them for kept records
    int group = 0; // a Setting_group
    std::string label; // "Slow Sequence / Uranine delta (on-off) / threshold"
    std::string name;  // the control's name ("ed_s_1"), or the kept record's element name ("SMS_TEXT_ACQ")
    std::string value; // as a user reads it, 8-bit like every text of the station: "yes", "5.50 [mv]"
};

// Reads stations into settings, one after the other, with one editor and the labels made once: cheap
// enough for a fleet of 10,000 stations.
class Settings_reader {
  public:
    Settings_reader();
    // The settings of the station as the editor shows it when opened on it. The station is only read.
    const std::vector<Setting>& read(const Tstation& station);
    // The settings of the form as the editor holds it now (after open and any changes).
    const std::vector<Setting>& read_form();
    // The editor used: read() opens it on the station.
    Station_editor& editor() { return editor_; }

  private:
    Station_editor editor_;
    std::vector<std::string> labels_; // per control: its label in words, made once
    std::vector<int> groups_;         // per control: its Setting_group
    std::vector<std::string> units_;  // per control: its unit as the window shows it ("[mv]")
    std::vector<int> compare_of_;     // per threshold edit: its compare list; -1 for other controls
    std::vector<Setting> settings_;
};

// A free text as a value: in double quotes, control characters as \xHH ("\"+41797654321\"").
std::string quoted_text(const std::string& text);
