// What a file on disk is: its size, modification time, inode, device and a hash of its content, to tell
// whether someone else changed it between a read and a write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct File_identity {
    bool exists = false;
    uint64_t size = 0;
    int64_t mtime_ns = 0;
    uint64_t inode = 0, device = 0;
    uint64_t hash = 0;
};

// stat + a fast hash of the content (not a cryptographic one). A path that names no readable regular
// file gives exists = false.
File_identity identify_file(const std::string& path);

enum class Disk_state { same, changed, missing };

// same when size, mtime, inode and device are equal; when they differ, the content's hash decides (a touch
// or a copy of the same bytes is `same`); missing when the file is gone. now, when given, gets the new
// identity.
Disk_state compare_with_disk(const File_identity& known, const std::string& path, File_identity* now);

// The hash identify_file gives a content, for bytes already in memory.
uint64_t content_hash(const void* bytes, size_t size, uint64_t seed = 0);
