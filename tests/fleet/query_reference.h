// A straightforward reference for the station query: random queries over a document, each with a
// predicate worked out from the station itself, with none of the facts' caching.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Channel_table.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_editor.h"

// A station as the reference sees it: read straight from the record, the editor opened on it.
struct Reference_station {
    int position = 0; // from 1
    int32_t id = 0;
    std::string phone, description, sms, interval; // interval: ed_acq_interval0 as the form shows it
    int bytes = 0, problems = 0;
    bool ticked[PAGE_COUNT][CHANNEL_COUNT] = {};
    bool duplicate = false;
};

inline std::vector<Reference_station> reference_stations(Tsetup& setup, const Reading_collector* notes) {
    std::vector<Reference_station> out;
    Station_editor editor;
    int position = 0;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) {
        Reference_station r;
        r.position = ++position;
        r.id = s.id;
        r.phone = s.phone_nbr;
        r.description = s.description;
        r.sms = s.configuration.get_sms_number();
        r.bytes = bytes_used(s.configuration);
        r.problems = notes != nullptr ? notes->station_count(position) : 0;
        editor.open(&s);
        r.interval = editor.form.text(editor.form.general().acq_interval0);
        for (int p = 0; p < PAGE_COUNT; ++p)
            for (int n = 0; n < CHANNEL_COUNT; ++n)
                r.ticked[p][n] = editor.form.checked(editor.form.page(p).check[n]);
        out.push_back(r);
    });
    for (Reference_station& a : out)
        for (const Reference_station& b : out)
            if (a.position != b.position && (a.id == b.id || (!a.phone.empty() && a.phone == b.phone)))
                a.duplicate = true;
    return out;
}

inline std::string reference_lower(std::string s) {
    for (char& c : s)
        if ((c >= 'A' && c <= 'Z')) c = static_cast<char>(c - 'A' + 'a');
    return s;
}

struct Reference_query {
    std::string text;
    std::function<bool(const Reference_station&)> holds;
};

// A random query over the stations: a term drawn from their values, or two joined by AND or OR, or one
// negated; depth bounds the nesting.
inline Reference_query random_query(std::mt19937& rng, const std::vector<Reference_station>& stations,
                                    int depth = 2) {
    std::uniform_int_distribution<int> pick(0, 13);
    const int kind = depth > 0 ? pick(rng) : pick(rng) % 10;
    const Reference_station& s = stations.empty() ? Reference_station() : stations[rng() % stations.size()];
    const Reference_station any = s;
    switch (kind) {
    case 0: { // a word of letters and digits from the description or phone number, or one found nowhere
        const std::string from = rng() % 2 ? s.description : s.phone;
        std::string word;
        const size_t at = from.empty() ? 0 : rng() % from.size();
        for (size_t i = at; i < from.size() && word.size() < 3; ++i) {
            const char c = from[i];
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+')) break;
            word += c;
        }
        if (word.empty()) word = "qqq";
        return {word, [word](const Reference_station& r) {
                    return std::to_string(r.id).find(word) != std::string::npos ||
                           reference_lower(r.phone).find(word) != std::string::npos ||
                           reference_lower(r.description).find(word) != std::string::npos;
                }};
    }
    case 1: {
        const int32_t id = any.id;
        return {"id:" + std::to_string(id), [id](const Reference_station& r) { return r.id == id; }};
    }
    case 2: { // a range around a station's id
        const int64_t low = int64_t(any.id) - int64_t(rng() % 1000000000),
                      high = int64_t(any.id) + rng() % 1000;
        if (low < -2147483648LL || high > 2147483647LL) return random_query(rng, stations, depth);
        return {"id:" + std::to_string(low) + "-" + std::to_string(high),
                [low, high](const Reference_station& r) { return r.id >= low && r.id <= high; }};
    }
    case 3: {
        const int n = static_cast<int>(rng() % 224);
        if (rng() % 2)
            return {"bytes>" + std::to_string(n), [n](const Reference_station& r) { return r.bytes > n; }};
        return {"bytes<=" + std::to_string(n), [n](const Reference_station& r) { return r.bytes <= n; }};
    }
    case 4: { // a channel on any page or on one, by number
        const int c = static_cast<int>(rng() % CHANNEL_COUNT);
        const int page = static_cast<int>(rng() % (PAGE_COUNT + 1)); // PAGE_COUNT: any page
        static const char* const fields[] = {"slow:", "fast:", "remote:", "uses:"};
        return {fields[page] + std::to_string(channel_table[c].number),
                [c, page](const Reference_station& r) {
                    for (int p = 0; p < PAGE_COUNT; ++p)
                        if ((page == PAGE_COUNT || page == p) && r.ticked[p][c]) return true;
                    return false;
                }};
    }
    case 5:
        return {"spare", [](const Reference_station& r) { return r.bytes == 0; }};
    case 6:
        return {"problem", [](const Reference_station& r) { return r.problems > 0; }};
    case 7:
        return {"dup", [](const Reference_station& r) { return r.duplicate; }};
    case 8: { // the phone number's first characters and a star, when they need no quoting
        std::string prefix;
        for (char c : any.phone.substr(0, rng() % 4)) {
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) break;
            prefix += c;
        }
        return {"phone:" + prefix + "*", [prefix](const Reference_station& r) {
                    return reference_lower(r.phone).compare(0, prefix.size(), prefix) == 0;
                }};
    }
    case 9: { // the slow interval as a station's form shows it, compared as numbers
        const std::string value = any.interval;
        return {"ed_acq_interval0=" + value,
                [value](const Reference_station& r) { return std::stod(r.interval) == std::stod(value); }};
    }
    case 10:
    case 11: {
        const Reference_query a = random_query(rng, stations, depth - 1),
                              b = random_query(rng, stations, depth - 1);
        if (kind == 10)
            return {"(" + a.text + " " + b.text + ")",
                    [a, b](const Reference_station& r) { return a.holds(r) && b.holds(r); }};
        return {"(" + a.text + " OR " + b.text + ")",
                [a, b](const Reference_station& r) { return a.holds(r) || b.holds(r); }};
    }
    default: {
        const Reference_query a = random_query(rng, stations, depth - 1);
        return {"-" + a.text, [a](const Reference_station& r) { return !a.holds(r); }};
    }
    }
}

inline std::vector<int> reference_positions(const Reference_query& q,
                                            const std::vector<Reference_station>& stations) {
    std::vector<int> out;
    for (const Reference_station& r : stations)
        if (q.holds(r)) out.push_back(r.position);
    return out;
}
