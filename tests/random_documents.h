// Random setup documents for the property tests: texts weighted towards what needs escaping, images as the
// reader or the editor could produce them, in random order.
#pragma once

#include <cmath>
#include <random>
#include <string>

#include "Lib_text.h"
#include "Sequence_command.h"
#include "Setup.h"

inline std::string random_text(std::mt19937& rng, size_t max_length) {
    // Weighted towards the characters that need escaping and bytes above 127.
    static const char special[] = "\"&'<>\t\r\n;#x";
    std::uniform_int_distribution<size_t> length(0, max_length);
    std::uniform_int_distribution<int> pick(0, 9), byte(1, 255), index(0, sizeof special - 2);
    std::string text(length(rng), ' ');
    for (char& c : text) {
        const int p = pick(rng);
        c = p < 3 ? special[index(rng)] : p < 5 ? static_cast<char>(byte(rng)) : static_cast<char>('a' + p);
    }
    return text;
}

// A configuration as the reader or the editor could produce it, in random order.
inline void random_image(std::mt19937& rng, Tstation& station) {
    Teeprom_configurer& image = station.configuration;
    std::uniform_int_distribution<int> kind(0, 11), small(0, 255), commands(0, 12);
    std::uniform_real_distribution<double> real(-100, 100);
    const int records = std::uniform_int_distribution<int>(0, 12)(rng);
    for (int r = 0; r < records && image.cursor() < 200; ++r) {
        switch (kind(rng)) {
        case 0:
        case 1:
        case 2: {
            const uint8_t p = image.open_record(static_cast<uint8_t>(tag::SEQUENCE_SLOW + small(rng) % 3));
            const int n = commands(rng);
            // The writer leaves out the lt bit of a command without threshold, so only ask for it with one.
            const auto compare = [&](bool has_threshold) { return has_threshold && small(rng) % 2; };
            for (int i = 0; i < n; ++i) {
                // Thresholds of two decimals, so that they survive the writer's rounding.
                const double threshold = std::round(real(rng) * 100) / 100;
                switch (small(rng) % 9) {
                case 0:
                    encode_probes_power(image, small(rng));
                    break;
                case 1:
                    encode_acq_vbat(image, small(rng), small(rng) / 10.0);
                    break;
                case 2: {
                    const bool has = small(rng) % 2;
                    encode_acq_fluo(image, 4, small(rng), small(rng), has, threshold, compare(has));
                    break;
                }
                case 3: {
                    const bool has = small(rng) % 2;
                    encode_acq(image, 128 + small(rng) % 64, small(rng), small(rng), small(rng), has,
                               threshold, compare(has));
                    break;
                }
                case 4:
                    encode_conditional_action(image, small(rng), small(rng), small(rng));
                    break;
                case 5:
                    encode_wait(image, small(rng));
                    break;
                case 6: {
                    const bool has = small(rng) % 2;
                    encode_acq_instrument(image, small(rng), small(rng), small(rng), has, threshold,
                                          compare(has));
                    break;
                }
                case 7:
                    encode_simple_sensor(image, 1 + small(rng) % 2, small(rng));
                    break;
                default:
                    encode_conditional_sms(image);
                    break;
                }
            }
            image.add_byte(0);
            image.close_record(p);
            break;
        }
        case 3: {
            const std::string text = random_text(rng, 40);
            image.add_byte(static_cast<uint8_t>(1 + small(rng) % 4));
            image.add_byte(static_cast<uint8_t>(text.size()));
            for (char c : text)
                image.add_byte(static_cast<uint8_t>(c));
            break;
        }
        case 4:
            image.add_tag_long(tag::STATION_ID, station.id);
            break;
        case 5: {
            image.add_byte(tag::SYSCTRL);
            image.add_byte(static_cast<uint8_t>(small(rng) & 3));
            image.add_byte(static_cast<uint8_t>(small(rng) & 3));
            image.add_byte(static_cast<uint8_t>(small(rng)));
            image.add_byte(0);
            break;
        }
        case 6: {
            const uint8_t p = image.open_record(tag::SYSTEM_CONFIG);
            for (int i = small(rng) % 5; i > 0; --i)
                image.add_byte(static_cast<uint8_t>(small(rng)));
            image.close_record(p);
            break;
        }
        default: {
            static const uint8_t tags[] = {tag::ACQ_INTERVAL0, tag::ACQ_INTERVAL1, tag::GSM_INTERVAL,
                                           tag::GSM_DURATION,  tag::LOCATION,      tag::GSM_SMS_DURATION};
            image.add_tag_long(tags[small(rng) % 6], static_cast<int32_t>(rng()));
            break;
        }
        }
    }
    image.add_byte(tag::END);
}

// A station with random texts and image.
inline Tstation random_station(std::mt19937& rng) {
    Tstation s;
    s.id = static_cast<int32_t>(rng());
    copy_text(s.phone_nbr, random_text(rng, 31).c_str(), sizeof s.phone_nbr);
    // A PIN of at most 4 characters, as the PIN_CODE record keeps it.
    copy_text(s.pin, random_text(rng, 4).c_str(), sizeof s.pin);
    copy_text(s.description, random_text(rng, 255).c_str(), sizeof s.description);
    copy_text(s.display_type, random_text(rng, 31).c_str(), sizeof s.display_type);
    random_image(rng, s);
    return s;
}

inline void random_document(std::mt19937& rng, Tsetup& setup) {
    copy_text(setup.path_data_bin, random_text(rng, 511).c_str(), sizeof setup.path_data_bin);
    copy_text(setup.path_data_xml, random_text(rng, 100).c_str(), sizeof setup.path_data_xml);
    for (int i = std::uniform_int_distribution<int>(0, 3)(rng); i > 0; --i) {
        auto* c = new Tcomport;
        c->type = static_cast<uint8_t>(rng() % 2);
        c->rate = static_cast<int32_t>(rng());
        copy_text(c->port, random_text(rng, 31).c_str(), sizeof c->port);
        copy_text(c->description, random_text(rng, 255).c_str(), sizeof c->description);
        setup.comports.append(c);
    }
    for (int i = std::uniform_int_distribution<int>(0, 6)(rng); i > 0; --i)
        setup.stations.append(new Tstation(random_station(rng)));
}
