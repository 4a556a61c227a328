// The stored settings of a station in words: labels made once per control from the channel table and the
// controls' labels, values read from the form after each open.
#include "Station_settings.h"

#include <cstdio>

#include "Lib_text.h"

const char* const setting_group_captions[SETTING_GROUP_COUNT] = {
    "Identity",      "GSM timing",      "Acquisition timing", "Slow Sequence",
    "Fast Sequence", "Remote sequence", "Kept records"};

namespace {

const char VBAT_GROUP[] = "VBat Measure"; // the battery group's caption on every sequence page

std::string hex_byte(uint8_t b) {
    static const char hex[] = "0123456789abcdef";
    return std::string{hex[b >> 4], hex[b & 15]};
}

// "15 minutes", "1 hour"; a value that is no whole number of the unit shows the seconds stored as well,
// so that two stations of 20 and 19 seconds never read the same ("0.33 minutes (20 s)").
std::string timing_text(uint32_t seconds, uint32_t divisor, const char* unit) {
    const std::string singular = std::string(unit).substr(0, std::string(unit).size() - 1);
    if (seconds % divisor == 0) {
        const uint32_t n = seconds / divisor;
        return std::to_string(n) + " " + (n == 1 ? singular : std::string(unit));
    }
    char text[64];
    format_c(text, sizeof text, divisor >= 3600 ? "%.3f" : "%.2f", static_cast<double>(seconds) / divisor);
    return std::string(text) + " " + unit + " (" + std::to_string(seconds) + " s)";
}

// A kept record's content: its text, its 32-bit value, or its bytes in hex.
std::string kept_value(const Kept_record& r) {
    const std::string payload = r.bytes.substr(r.bytes.size() >= 2 ? 2 : r.bytes.size());
    if (kept_record_is_text(r.tag)) return quoted_text(payload);
    if (is_fixed_tag(r.tag) && r.bytes.size() == 5) {
        uint32_t v = 0;
        for (size_t i = 1; i < 5; ++i)
            v = (v << 8) | static_cast<uint8_t>(r.bytes[i]);
        return std::to_string(static_cast<int32_t>(v));
    }
    std::string out;
    for (char b : payload)
        out += (out.empty() ? "" : " ") + hex_byte(static_cast<uint8_t>(b));
    return out.empty() ? "(empty)" : out;
}

} // namespace

std::string quoted_text(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F)
            out += "\\x" + hex_byte(c);
        else if (ch == '"' || ch == '\\')
            out += std::string("\\") + ch;
        else
            out += ch;
    }
    return out + "\"";
}

Settings_reader::Settings_reader() {
    const Form_model& form = editor_.form;
    const std::vector<Control_label> words = control_labels(form);
    labels_.resize(words.size());
    compare_of_.assign(words.size(), -1);
    for (size_t i = 0; i < words.size(); ++i)
        units_.push_back(words[i].unit);
    groups_.assign(words.size(), GROUP_IDENTITY);
    const General_controls& g = form.general();
    const int general[] = {g.id,           g.phone_nbr,    g.pin,           g.description,  g.sms,
                           g.gsm_interval, g.gsm_duration, g.acq_interval0, g.acq_interval1};
    for (int i : general) {
        const Control_label& w = words[static_cast<size_t>(i)];
        labels_[static_cast<size_t>(i)] = std::string(editor_page_captions[w.page]) + " / " + w.label;
        groups_[static_cast<size_t>(i)] = w.page; // General is the identity; then the two timing pages
    }
    for (int p = 0; p < PAGE_COUNT; ++p) {
        const Page_controls& c = form.page(p);
        const std::string page = editor_page_captions[sequence_page_tab(p)];
        const auto set = [&](int control, const std::string& label) {
            if (control < 0) return;
            labels_[static_cast<size_t>(control)] = page + " / " + label;
            groups_[static_cast<size_t>(control)] = GROUP_SLOW_SEQUENCE + p;
        };
        const auto word = [&](int control) { return words[static_cast<size_t>(control)]; };
        set(c.vbat, std::string(VBAT_GROUP) + " / measured");
        if (c.vbat_eol >= 0) set(c.vbat_eol, std::string(VBAT_GROUP) + " / " + word(c.vbat_eol).label);
        set(c.vbat_threshold, std::string(VBAT_GROUP) + " / threshold");
        for (int n = 0; n < CHANNEL_COUNT; ++n) {
            const std::string channel = word(c.check[n]).name; // the caption, blanks as one
            set(c.check[n], channel + " / measured");
            set(c.compare[n], channel + " / comparison");
            set(c.threshold[n], channel + " / threshold");
            if (c.threshold[n] >= 0) compare_of_[static_cast<size_t>(c.threshold[n])] = c.compare[n];
        }
        if (c.sms >= 0) set(c.sms, word(c.sms).label);
        for (int a = 0; a < 2; ++a) {
            if (c.action[a] < 0) continue;
            const std::string action = word(c.action[a]).name; // "... if threshold pass, first action"
            set(c.action[a], action);
            for (int k = 0; k < 4; ++k)
                set(c.output[a][k], action + " / " + word(c.output[a][k]).label);
        }
    }
}

const std::vector<Setting>& Settings_reader::read(const Tstation& station) {
    // The editor only reads the station when it opens on it; nothing here stores.
    editor_.open(const_cast<Tstation*>(&station));
    return read_form();
}

const std::vector<Setting>& Settings_reader::read_form() {
    settings_.clear();
    const Form_model& form = editor_.form;
    const General_controls& g = form.general();
    // The timing values are what the store writes: a loaded value as loaded, a typed one as converted.
    struct Timing {
        int control;
        uint8_t tag;
        double factor;
        const char* unit;
    };
    const Timing timings[] = {{g.gsm_interval, tag::GSM_INTERVAL, 3600, "hours"},
                              {g.gsm_duration, tag::GSM_DURATION, 60, "minutes"},
                              {g.acq_interval0, tag::ACQ_INTERVAL0, 60, "minutes"},
                              {g.acq_interval1, tag::ACQ_INTERVAL1, 60, "minutes"}};
    const int count = static_cast<int>(form.controls().size());
    for (int i = 0; i < count; ++i) {
        const Control& c = form.at(i);
        if (!c.enabled) continue; // the display conditions disable what the store does not write
        std::string value;
        switch (c.kind) {
        case Control_kind::CHECK_BOX:
            value = c.checked ? "yes" : "no";
            break;
        case Control_kind::CHOICE_LIST:
            value = c.index >= 0 && c.index < ITEM_COUNT ? c.items[c.index] : "(none selected)";
            break;
        case Control_kind::EDIT: {
            if (i == g.id) {
                value = c.text;
            } else if (i == g.phone_nbr || i == g.pin || i == g.description || i == g.sms) {
                value = quoted_text(c.text);
            } else {
                bool timing = false;
                for (const Timing& t : timings) {
                    if (t.control != i) continue;
                    Teeprom_configurer scratch;
                    editor_.store_interval(scratch, i, t.tag, t.factor);
                    int32_t seconds = 0;
                    scratch.get_tag_long(t.tag, &seconds);
                    value =
                        timing_text(static_cast<uint32_t>(seconds), static_cast<uint32_t>(t.factor), t.unit);
                    timing = true;
                }
                if (timing) break;
                // A threshold edit counts only behind a comparison: a list with no selected item leaves
                // the edit enabled, but the store writes no threshold then.
                const int compare = compare_of_[static_cast<size_t>(i)];
                if (compare >= 0 && form.index(compare) != COMPARE_GE && form.index(compare) != COMPARE_LT)
                    continue;
                const std::string& unit = units_[static_cast<size_t>(i)];
                value = unit.empty() ? c.text : c.text + " " + unit;
            }
            break;
        }
        }
        settings_.push_back(
            {i, groups_[static_cast<size_t>(i)], labels_[static_cast<size_t>(i)], c.name, value});
    }
    int key = count;
    for (const Kept_record& r : editor_.kept)
        settings_.push_back(
            {key++, GROUP_KEPT_RECORDS,
             std::string(setting_group_captions[GROUP_KEPT_RECORDS]) + " / " + kept_record_caption(r.tag),
             kept_record_element(r.tag), kept_value(r)});
    return settings_;
}
