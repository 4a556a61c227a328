// The redacted copy: no phone number, PIN or SMS number of the original survives, and nothing else of a
// configuration moves.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Eeprom_configurer.h"
#include "Station_redact.h"
#include "example_document.h"
#include "random_documents.h"

namespace {

std::vector<Tstation*> stations_of(Tsetup& setup) {
    std::vector<Tstation*> all;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { all.push_back(&s); });
    return all;
}

// Where the digits of the SMS and phone number records and the PIN record's value lie in an image: the
// only bytes a redaction may change.
std::vector<bool> secret_bytes(const Teeprom_configurer& image) {
    std::vector<bool> secret(IMAGE_SIZE, false);
    const uint8_t* d = image.data();
    uint8_t pos = 0;
    for (;;) {
        if (d[pos] == tag::SMS_NUMBER || d[pos] == tag::PHONE_NUMBER) {
            for (int i = pos + 2; i < pos + 2 + d[pos + 1] && i < IMAGE_USABLE; ++i)
                secret[static_cast<size_t>(i)] = d[i] >= '0' && d[i] <= '9';
        } else if (d[pos] == tag::PIN_CODE) {
            for (int i = pos + 1; i < pos + 5 && i < IMAGE_USABLE; ++i)
                secret[static_cast<size_t>(i)] = true;
        }
        uint8_t next = 0;
        if (!next_record_position(d, pos, &next)) break;
        pos = next;
    }
    return secret;
}

// A station whose configuration carries an SMS number, a phone number record and a PIN record.
Tstation* station_with_numbers(int32_t id, const char* phone, const char* pin, const char* sms,
                               const char* phone_record, int32_t pin_record) {
    auto* s = new Tstation;
    s->id = id;
    copy_text(s->phone_nbr, phone, sizeof s->phone_nbr);
    copy_text(s->pin, pin, sizeof s->pin);
    copy_text(s->description, "Karst spring", sizeof s->description);
    Teeprom_configurer& image = s->configuration;
    image.add_tag_long(tag::STATION_ID, id);
    image.add_sms_number(sms);
    image.add_byte(tag::PHONE_NUMBER);
    image.add_byte(static_cast<uint8_t>(std::strlen(phone_record)));
    for (const char* c = phone_record; *c != 0; ++c)
        image.add_byte(static_cast<uint8_t>(*c));
    image.add_tag_long(tag::PIN_CODE, pin_record);
    image.add_tag_long(tag::GSM_INTERVAL, 3600);
    image.add_byte(tag::END);
    return s;
}

} // namespace

TEST(Station_redact, the_example_keeps_none_of_its_numbers_and_every_other_byte) {
    Tsetup original, copy;
    read_example(original);
    read_example(copy);
    std::vector<std::string> secrets;
    for (Tstation* s : stations_of(original)) {
        if (std::strlen(s->phone_nbr) > 0) secrets.push_back(s->phone_nbr);
        if (std::string(s->pin).find_first_of("123456789") != std::string::npos)
            secrets.push_back(std::string("pin=\"") + s->pin);
        if (!s->configuration.get_sms_number().empty()) secrets.push_back(s->configuration.get_sms_number());
    }
    ASSERT_GE(secrets.size(), 6u); // the example has phones, PINs and SMS numbers to hide

    Redactor redactor(false);
    redactor.redact(copy);
    const std::string text = written(copy);
    for (const std::string& secret : secrets)
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;

    const std::vector<Tstation*> before = stations_of(original), after = stations_of(copy);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i]->id, after[i]->id);
        EXPECT_STREQ(before[i]->description, after[i]->description);
        EXPECT_EQ(std::strlen(before[i]->phone_nbr), std::strlen(after[i]->phone_nbr));
        EXPECT_EQ(before[i]->configuration.cursor(), after[i]->configuration.cursor());
        EXPECT_EQ(bytes_used(before[i]->configuration), bytes_used(after[i]->configuration));
        const std::vector<bool> secret = secret_bytes(before[i]->configuration);
        for (int b = 0; b < IMAGE_SIZE; ++b)
            if (!secret[static_cast<size_t>(b)]) {
                EXPECT_EQ(before[i]->configuration.get_byte(static_cast<uint8_t>(b)),
                          after[i]->configuration.get_byte(static_cast<uint8_t>(b)))
                    << "station " << i + 1 << " byte " << b;
            }
    }
}

TEST(Station_redact, equal_numbers_stay_equal_and_different_ones_different) {
    Tsetup setup;
    // Station 2's SMS goes to station 1's phone; 1 and 3 send to the same operator; station 4 shares 3's
    // phone. A number with spaces keeps them.
    setup.stations.append(
        station_with_numbers(1, "+41 79 111 0101", "1234", "+41790000999", "0791110101", 7));
    setup.stations.append(station_with_numbers(2, "+41791110102", "99", "+41 79 111 0101", "0791110102", 0));
    setup.stations.append(station_with_numbers(3, "+41791110103", "", "+41790000999", "0791110103", 1234));
    setup.stations.append(station_with_numbers(4, "+41791110103", "0042", "+41791110104", "", 0));
    Tsetup original;
    for (Tstation* s : stations_of(setup))
        original.stations.append(new Tstation(*s));

    Redactor redactor(true);
    redactor.redact(setup);
    const std::vector<Tstation*> s = stations_of(setup);
    EXPECT_EQ(s[1]->configuration.get_sms_number(), s[0]->phone_nbr); // still station 1's phone
    EXPECT_EQ(s[0]->configuration.get_sms_number(), s[2]->configuration.get_sms_number());
    EXPECT_STREQ(s[2]->phone_nbr, s[3]->phone_nbr);
    EXPECT_STRNE(s[1]->phone_nbr, s[2]->phone_nbr);
    EXPECT_NE(s[3]->configuration.get_sms_number(), s[0]->configuration.get_sms_number());
    EXPECT_EQ(std::string(s[0]->phone_nbr).substr(0, 4), "+00 "); // spaces and '+' kept
    EXPECT_STREQ(s[0]->pin, "0000");
    EXPECT_STREQ(s[1]->pin, "00");
    EXPECT_STREQ(s[2]->pin, "");
    EXPECT_STREQ(s[3]->description, "Station 4");
    int32_t pin_record = -1;
    for (Tstation* station : s) {
        ASSERT_TRUE(station->configuration.get_tag_long(tag::PIN_CODE, &pin_record));
        EXPECT_EQ(pin_record, 0);
    }
    const std::string text = written(setup);
    for (const char* secret : {"41791110102", "0791110101", "41790000999", "1234", "111 0101"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
    const Redaction_count& c = redactor.count();
    EXPECT_EQ(c.sms_numbers, 4);
    EXPECT_EQ(c.phone_numbers, 4 + 3); // four stations and three phone number records
    EXPECT_EQ(c.pins, 3 + 2);          // three PINs with digits and two PIN records not 0
    EXPECT_EQ(c.descriptions, 4);
}

TEST(Station_redact, random_documents_change_only_the_secret_bytes) {
    std::mt19937 rng(1709);
    for (int round = 0; round < 200; ++round) {
        Tsetup setup;
        random_document(rng, setup);
        std::vector<Tstation> before;
        for (Tstation* s : stations_of(setup))
            before.push_back(*s);
        Redactor redactor(false);
        redactor.redact(setup);
        const std::vector<Tstation*> after = stations_of(setup);
        for (size_t i = 0; i < after.size(); ++i) {
            const std::vector<bool> secret = secret_bytes(before[i].configuration);
            for (int b = 0; b < IMAGE_SIZE; ++b) {
                const uint8_t was = before[i].configuration.get_byte(static_cast<uint8_t>(b));
                const uint8_t is = after[i]->configuration.get_byte(static_cast<uint8_t>(b));
                if (secret[static_cast<size_t>(b)] && was >= '0' && was <= '9') {
                    EXPECT_TRUE(is >= '0' && is <= '9');
                } else if (!secret[static_cast<size_t>(b)]) {
                    ASSERT_EQ(was, is) << "round " << round << " station " << i << " byte " << b;
                }
            }
            EXPECT_EQ(std::strlen(before[i].phone_nbr), std::strlen(after[i]->phone_nbr));
            EXPECT_STREQ(before[i].description, after[i]->description);
        }
    }
}
