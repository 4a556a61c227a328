// Shared by the save fault tests: documents large enough to fill a small file system, the files of a
// folder, the command-line tool run as a program, and a process without unnamed files.
#pragma once

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>

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

// In this process from now on, openat with O_TMPFILE fails with EOPNOTSUPP, as on a file system without
// unnamed files. Needs no privilege; for children only, as it cannot be undone.
inline bool refuse_unnamed_files() {
#if defined(__x86_64__)
    constexpr unsigned arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr unsigned arch = AUDIT_ARCH_AARCH64;
#else
    return false;
#endif
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])), // the flags' low 32 bits
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}
