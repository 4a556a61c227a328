// Shared by the save fault tests: documents large enough to fill a small file system, the files of a
// folder, and the command-line tool run as a program.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"
#include "setup_fixture.h"

// A document of `stations` stations with configurations, a few hundred bytes of file each.
inline void fill_document(Tsetup& setup, int stations, const char* description) {
    setup.set_defaults();
    for (int i = 0; i < stations; ++i) {
        Tstation* s = new_station(i, description);
        s->configuration.add_tag_long(tag::STATION_ID, i);
        s->configuration.add_tag_long(tag::ACQ_INTERVAL0, 900);
        s->configuration.add_sms_number("+41790000000");
        s->configuration.add_byte(tag::END);
        setup.stations.append(s);
    }
}

// The names in a folder, sorted.
inline std::vector<std::string> names_in(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : " ") + n;
    return out;
}

// Runs the vemora-cli binary with its error stream as the output; the child may first change its user.
inline Child_result run_cli_binary(const std::vector<std::string>& arguments, uid_t as_user = 0) {
    return run_in_child(
        [&](int out) {
            if (as_user != 0 && (setgid(as_user) != 0 || setuid(as_user) != 0)) return 125;
            dup2(out, STDERR_FILENO);
            dup2(out, STDOUT_FILENO);
            std::vector<char*> argv;
            static std::string program = VEMORA_CLI;
            argv.push_back(&program[0]);
            std::vector<std::string> copies = arguments;
            for (std::string& a : copies)
                argv.push_back(&a[0]);
            argv.push_back(nullptr);
            execv(VEMORA_CLI, argv.data());
            return 126;
        },
        60);
}
