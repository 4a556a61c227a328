// Shared by the fuzz targets: a failed check prints what it saw and aborts, so libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#define FUZZ_CHECK(condition, ...)                                                                           \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "check failed at %s:%d: %s\n", __FILE__, __LINE__, #condition);             \
            std::fprintf(stderr, __VA_ARGS__);                                                               \
            std::fputc('\n', stderr);                                                                        \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

// A folder of this process for the files a target reads and writes. On /dev/shm where it exists: every
// save flushes to disk, which costs nothing on a memory file system.
inline std::string fuzz_folder() {
    static std::string folder = [] {
        std::string pattern =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm/vemora-fuzz-XXXXXX" : "/tmp/vemora-fuzz-XXXXXX";
        if (mkdtemp(&pattern[0]) == nullptr) std::abort();
        static std::string removed_at_exit = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removed_at_exit, ignored);
        });
        return pattern;
    }();
    return folder;
}

inline void write_bytes(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

inline std::string read_bytes(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    char block[65536];
    for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
        bytes.append(block, n);
    std::fclose(f);
    return bytes;
}

// Where two texts first differ, for the report of a failed comparison.
inline size_t first_difference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

inline std::string around(const std::string& text, size_t at) {
    const size_t from = at > 80 ? at - 80 : 0;
    return text.substr(from, 160);
}
