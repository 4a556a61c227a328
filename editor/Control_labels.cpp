// The controls' names and units: the General, GSM and Acquisition fields from their labels, the sequence
// pages from the channel table, the battery and the conditional actions by what they switch.
#include "Control_labels.h"

const char* const editor_page_captions[EDITOR_PAGE_COUNT] = {
    "General", "GSM timing", "Acquisition timing", "Slow Sequence", "Fast Sequence", "Remote sequence"};

namespace {

// Runs of blanks as one: "Tinopal  delta (on-off)" is spoken as "Tinopal delta (on-off)".
std::string simplified(const char* text) {
    std::string out;
    for (const char* c = text; *c != '\0'; ++c)
        if (*c != ' ' || (!out.empty() && out.back() != ' ')) out += *c;
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

void set(std::vector<Control_label>& labels, int control, int page, const std::string& label,
         const std::string& name, const std::string& unit = std::string()) {
    if (control < 0) return;
    Control_label& l = labels[static_cast<size_t>(control)];
    l.page = page;
    l.label = label;
    l.name = name;
    l.unit = unit;
}

void set_field(std::vector<Control_label>& labels, int control, int page, const char* label,
               const char* unit = "") {
    set(labels, control, page, label, label, unit);
}

} // namespace

std::vector<Control_label> control_labels(const Form_model& form) {
    std::vector<Control_label> labels(form.controls().size());
    const General_controls& g = form.general();
    set_field(labels, g.id, 0, "Station ID");
    set_field(labels, g.phone_nbr, 0, "Phone Number");
    set_field(labels, g.pin, 0, "PIN code");
    set_field(labels, g.description, 0, "Description");
    set_field(labels, g.sms, 1, "Phone number where to send the SMS");
    set_field(labels, g.gsm_interval, 1, "Interval between two GSM switch on", "hours");
    set_field(labels, g.gsm_duration, 1, "GSM power On duration", "minutes");
    set_field(labels, g.acq_interval0, 2, "Interval between two acquisition in slow mode", "minutes");
    set_field(labels, g.acq_interval1, 2, "Interval between two acquisition in fast mode", "minutes");

    const char* const order[2] = {"first", "second"};
    const char* const outputs[4] = {"S0", "S1", "S2", "S3"};
    for (int p = 0; p < PAGE_COUNT; ++p) {
        const Page_controls& c = form.page(p);
        const int tab = sequence_page_tab(p);
        set_field(labels, c.vbat, tab, "Measure VBat");
        set_field(labels, c.vbat_eol, tab, "End-Of-Life Threshold");
        set(labels, c.vbat_threshold, tab, "", "Battery end-of-life threshold", "[V]");
        for (int n = 0; n < CHANNEL_COUNT; ++n) {
            const Channel& channel = channel_table[n];
            const std::string name = simplified(channel.caption);
            set(labels, c.check[n], tab, channel.caption, name);
            set(labels, c.compare[n], tab, "", name + " comparison");
            set(labels, c.threshold[n], tab, "", name + " threshold", channel.unit);
        }
        set_field(labels, c.sms, tab, "Send SMS if threshold pass");
        for (int a = 0; a < 2; ++a) {
            set(labels, c.action[a], tab, "Change digital outputs if threshold pass",
                std::string("Change digital outputs if threshold pass, ") + order[a] + " action");
            for (int k = 0; k < 4; ++k)
                set(labels, c.output[a][k], tab, outputs[k],
                    std::string("Outputs ") + outputs[k] + " of the " + order[a] + " conditional action");
        }
    }
    return labels;
}
