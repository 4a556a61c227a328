// The form model: builds the 148 controls from the channel table, in page order.
#include "Form_model.h"

Form_model::Form_model() {
    general_.id = add("ed_ID", Control_kind::EDIT, NUMBER_EDIT_MAX);
    general_.phone_nbr = add("ed_phone_nbr", Control_kind::EDIT, PHONE_NBR_MAX);
    general_.pin = add("ed_pin", Control_kind::EDIT, PIN_MAX);
    general_.description = add("ed_description", Control_kind::EDIT, DESCRIPTION_MAX);
    general_.sms = add("ed_sms", Control_kind::EDIT, 15); // the station keeps 15 characters of it
    general_.gsm_interval = add("ed_gsm_interval", Control_kind::EDIT, NUMBER_EDIT_MAX);
    general_.gsm_duration = add("ed_gsm_duration", Control_kind::EDIT, NUMBER_EDIT_MAX);
    general_.acq_interval0 = add("ed_acq_interval0", Control_kind::EDIT, NUMBER_EDIT_MAX);
    general_.acq_interval1 = add("ed_acq_interval1", Control_kind::EDIT, NUMBER_EDIT_MAX);

    for (int p = 0; p < PAGE_COUNT; ++p) {
        const Sequence_page& page = sequence_pages[p];
        Page_controls& c = pages_[p];
        c.vbat = add(page_control_name("cb", page, "vbat"), Control_kind::CHECK_BOX);
        if (page.full) {
            c.vbat_eol = add(page_control_name("cb", page, "vbat_eol"), Control_kind::CHECK_BOX);
            c.vbat_threshold =
                add(page_control_name("ed", page, "vbat_threshold"), Control_kind::EDIT, NUMBER_EDIT_MAX);
        }
        for (int n = 0; n < CHANNEL_COUNT; ++n) {
            const Channel& channel = channel_table[n];
            c.check[n] = add(check_box_name(page, channel), Control_kind::CHECK_BOX);
            c.compare[n] = c.threshold[n] = -1;
            if (page.full && channel.has_threshold) {
                c.compare[n] =
                    add(compare_list_name(page, channel), Control_kind::CHOICE_LIST, 0, compare_items);
                c.threshold[n] = add(threshold_edit_name(page, channel), Control_kind::EDIT, NUMBER_EDIT_MAX);
            }
        }
        if (!page.full) continue;
        c.sms = add(page_control_name("cb", page, "sms"), Control_kind::CHECK_BOX);
        for (int a = 0; a < 2; ++a) {
            c.action[a] = add(action_check_box_name(page, a), Control_kind::CHECK_BOX);
            for (int k = 3; k >= 0; --k)
                c.output[a][k] =
                    add(action_list_name(page, a, k), Control_kind::CHOICE_LIST, 0, output_action_items);
        }
    }
}

int Form_model::add(const std::string& name, Control_kind kind, int max_length, const char* const* items) {
    Control control;
    control.name = name;
    control.kind = kind;
    control.max_length = max_length;
    control.items = items;
    controls_.push_back(control);
    const int i = static_cast<int>(controls_.size()) - 1;
    by_name_.emplace(name, i);
    return i;
}

int Form_model::find(const std::string& name) const {
    const auto it = by_name_.find(name);
    return it == by_name_.end() ? -1 : it->second;
}

int Form_model::longest_text(int i) const {
    const int current = static_cast<int>(at(i).text.size());
    return current > at(i).max_length ? current : at(i).max_length;
}

bool Form_model::set_index(int i, int index) {
    if (index < -1 || index >= ITEM_COUNT) return false;
    at(i).index = index;
    return true;
}

bool Form_model::set_text(int i, const std::string& text) {
    if (static_cast<int>(text.size()) > longest_text(i)) return false;
    at(i).text = text;
    return true;
}

std::string control_value_text(const Control& c) {
    switch (c.kind) {
    case Control_kind::CHECK_BOX:
        return c.checked ? "1" : "0";
    case Control_kind::CHOICE_LIST:
        return std::to_string(c.index);
    default:
        break;
    }
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(c.text.size());
    for (const char ch : c.text) {
        const unsigned char u = static_cast<unsigned char>(ch);
        if (u >= 0x20 && u != 0x7F) {
            out += ch;
            continue;
        }
        out += "\\x";
        out += hex[u >> 4];
        out += hex[u & 15];
    }
    return out;
}
