// A copy of the fleet for support: the SIM data replaced by neutral values, the configurations as they are,
// so that a problem can be reproduced without the fleet's phone numbers, PINs and SMS numbers.
#pragma once

#include <map>
#include <string>

class Tsetup;
class Tstation;

// What a redaction replaced, for the message that follows it.
struct Redaction_count {
    int phone_numbers = 0; // station phone numbers, and phone number records kept in a configuration
    int pins = 0;          // station PINs, and PIN records holding anything but 0
    int sms_numbers = 0;   // SMS number records
    int descriptions = 0;
};

// Replaces a document's SIM data, station by station. Every digit of a phone or SMS number becomes a
// neutral one and nothing else moves: the text keeps its length, its '+' and its spaces, so a
// configuration keeps its size, its layout in the 223 bytes and every other byte. Equal numbers stay
// equal and different ones stay different (the first number met becomes ...0001, the second ...0002,
// within the number's own digits), so a station that sends its SMS to another station's phone still
// does, and shared numbers are still found. A PIN becomes as many zeros as it had digits; a PIN record
// in a configuration becomes 0. Descriptions become "Station <ID>" when asked.
class Redactor {
  public:
    explicit Redactor(bool descriptions) : descriptions_(descriptions) {}

    void redact(Tstation& station);
    void redact(Tsetup& setup);
    const Redaction_count& count() const { return count_; }

    // The neutral number for a phone or SMS number (the same text for the same number within this
    // redaction); a text without digits is returned as it is.
    std::string neutral_number(const std::string& number);

  private:
    bool descriptions_;
    std::map<std::string, std::string> numbers_; // by the number's digits alone
    Redaction_count count_;
};
