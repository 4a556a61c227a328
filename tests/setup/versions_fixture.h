// Versions tests: a temporary folder with its own per-user state folder, local time as UTC, a clock the
// test sets, and a small document to save.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "Setup.h"
#include "Versions.h"
#include "setup_fixture.h"

// The names in a folder, sorted.
inline std::vector<std::string> names_in_folder(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Versions_test : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* state = std::getenv("XDG_STATE_HOME");
        old_state_ = state != nullptr ? state : "";
        had_state_ = state != nullptr;
        setenv("XDG_STATE_HOME", dir_.file("state").c_str(), 1);
        const char* tz = std::getenv("TZ");
        old_tz_ = tz != nullptr ? tz : "";
        had_tz_ = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
        path_ = dir_.file("setup.xml");
    }
    void TearDown() override {
        if (had_state_)
            setenv("XDG_STATE_HOME", old_state_.c_str(), 1);
        else
            unsetenv("XDG_STATE_HOME");
        if (had_tz_)
            setenv("TZ", old_tz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    // "2024-06-30 12:00:00" in UTC.
    static std::time_t at(const char* text) {
        std::tm parts{};
        strptime(text, "%Y-%m-%d %H:%M:%S", &parts);
        return timegm(&parts);
    }

    // Saves a document of `stations` stations described by `text` with versions, at the clock's time.
    int save(int stations, const char* text, Version_keeping* k, std::string* reason = nullptr) {
        Tsetup setup;
        setup.set_defaults();
        for (int i = 0; i < stations; ++i)
            setup.stations.append(new_station(100 + i, text));
        k->clock = [this] { return now_; };
        return setup.write_file(path_.c_str(), reason, nullptr, k);
    }

    Temp_dir dir_;
    std::string path_;
    std::time_t now_ = at("2024-06-30 12:00:00");

  private:
    std::string old_state_, old_tz_;
    bool had_state_ = false, had_tz_ = false;
};
