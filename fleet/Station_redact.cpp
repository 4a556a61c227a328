// Redaction of a document's SIM data: numbers rewritten digit by digit in the station's fields and in the
// records of its configuration image.
#include "Station_redact.h"

#include <algorithm>
#include <cstring>

#include "Eeprom_configurer.h"
#include "Lib_text.h"
#include "Setup.h"
#include "Station.h"
#include "Tlist.h"

namespace {

std::string digits_of(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

// The text with its digits replaced, in order, by those of `digits` (as many as it has).
std::string with_digits(const std::string& text, const std::string& digits) {
    std::string out = text;
    size_t next = 0;
    for (char& c : out)
        if (c >= '0' && c <= '9' && next < digits.size()) c = digits[next++];
    return out;
}

// The ordinal written into `width` digits, right-aligned behind zeros; its lowest digits when it is wider.
std::string ordinal_digits(size_t ordinal, size_t width) {
    std::string text = std::to_string(ordinal);
    if (text.size() > width) return text.substr(text.size() - width);
    return std::string(width - text.size(), '0') + text;
}

// Rewrites the digits of a text record (SMS or phone number) in place; false when it has none.
bool redact_record(uint8_t bytes[IMAGE_SIZE], int start, int length, Redactor& redactor) {
    std::string text(reinterpret_cast<const char*>(bytes + start), static_cast<size_t>(length));
    if (digits_of(text).empty()) return false;
    const std::string neutral = redactor.neutral_number(text);
    std::memcpy(bytes + start, neutral.data(), neutral.size()); // the same length: only digits changed
    return true;
}

template <size_t N> void set_text(char (&field)[N], const std::string& text) {
    copy_text(field, text.c_str(), N);
}

} // namespace

std::string Redactor::neutral_number(const std::string& number) {
    const std::string digits = digits_of(number);
    if (digits.empty()) return number;
    auto found = numbers_.find(digits);
    if (found == numbers_.end())
        found = numbers_.emplace(digits, ordinal_digits(numbers_.size() + 1, digits.size())).first;
    return with_digits(number, found->second);
}

void Redactor::redact(Tstation& station) {
    if (!digits_of(station.phone_nbr).empty()) {
        set_text(station.phone_nbr, neutral_number(station.phone_nbr));
        ++count_.phone_numbers;
    }
    const std::string pin_digits = digits_of(station.pin);
    if (!pin_digits.empty()) {
        set_text(station.pin, with_digits(station.pin, std::string(pin_digits.size(), '0')));
        ++count_.pins;
    }
    if (descriptions_) {
        set_text(station.description, "Station " + std::to_string(station.id));
        ++count_.descriptions;
    }

    // The configuration: the same bytes but for the numbers' digits and a PIN record's value.
    uint8_t bytes[IMAGE_SIZE];
    std::memcpy(bytes, station.configuration.data(), IMAGE_SIZE);
    bool changed = false;
    uint8_t pos = 0;
    for (;;) {
        const uint8_t t = bytes[pos];
        if (t == tag::SMS_NUMBER || t == tag::PHONE_NUMBER) {
            const int start = pos + 2;
            const int length = std::min<int>(bytes[pos + 1], IMAGE_USABLE - start);
            if (length > 0 && redact_record(bytes, start, length, *this)) {
                changed = true;
                ++(t == tag::SMS_NUMBER ? count_.sms_numbers : count_.phone_numbers);
            }
        } else if (t == tag::PIN_CODE && pos + 5 <= IMAGE_USABLE) {
            if (bytes[pos + 1] | bytes[pos + 2] | bytes[pos + 3] | bytes[pos + 4]) {
                std::memset(bytes + pos + 1, 0, 4);
                changed = true;
                ++count_.pins;
            }
        }
        uint8_t next = 0;
        if (!next_record_position(bytes, pos, &next)) break;
        pos = next;
    }
    if (changed) station.configuration.assign(bytes, station.configuration.cursor());
}

void Redactor::redact(Tsetup& setup) {
    for_each_item<Tstation>(setup.stations.list, [this](Tstation& s) { redact(s); });
}
