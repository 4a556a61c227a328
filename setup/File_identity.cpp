// Telling whether a file changed on disk: stat first, the content's hash when stat alone cannot say.
#include "File_identity.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr uint64_t MULTIPLIER = 0x9E3779B97F4A7C15ull;

uint64_t mix(uint64_t h, uint64_t word) {
    h ^= word;
    h *= MULTIPLIER;
    return h ^ (h >> 29);
}

// The running hash of a content read in blocks: whole 8-byte words, the tail kept for the next block.
struct Hasher {
    uint64_t h;
    uint64_t length = 0;
    unsigned char tail[8];
    size_t tail_size = 0;

    explicit Hasher(uint64_t seed) : h(seed ^ 0x243F6A8885A308D3ull) {}

    void add(const unsigned char* p, size_t n) {
        length += n;
        while (tail_size > 0 && tail_size < 8 && n > 0) {
            tail[tail_size++] = *p++;
            --n;
        }
        if (tail_size == 8) {
            h = mix(h, word_of(tail));
            tail_size = 0;
        }
        for (; n >= 8; p += 8, n -= 8)
            h = mix(h, word_of(p));
        std::memcpy(tail, p, n);
        tail_size = n;
    }
    uint64_t finish() {
        uint64_t last = 0;
        std::memcpy(&last, tail, tail_size);
        h = mix(h, last);
        h = mix(h, length);
        return h ^ (h >> 32);
    }
    static uint64_t word_of(const unsigned char* p) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    }
};

} // namespace

uint64_t content_hash(const void* bytes, size_t size, uint64_t seed) {
    Hasher hasher(seed);
    hasher.add(static_cast<const unsigned char*>(bytes), size);
    return hasher.finish();
}

File_identity identify_file(const std::string& path) {
    File_identity id;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return id;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return id;
    }
    Hasher hasher(0);
    std::vector<unsigned char> block(1 << 16);
    for (;;) {
        const ssize_t n = read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return id;
        }
        if (n == 0) break;
        hasher.add(block.data(), static_cast<size_t>(n));
    }
    close(fd);
    id.exists = true;
    // The size read, not the size stat saw: a file growing while it is read is hashed as read.
    id.size = hasher.length;
    id.mtime_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    id.inode = static_cast<uint64_t>(info.st_ino);
    id.device = static_cast<uint64_t>(info.st_dev);
    id.hash = hasher.finish();
    return id;
}

Disk_state compare_with_disk(const File_identity& known, const std::string& path, File_identity* now) {
    struct stat info {};
    const bool there = stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    if (!there) {
        if (now != nullptr) *now = File_identity();
        return Disk_state::missing;
    }
    const int64_t mtime_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    const bool stat_same = known.exists && static_cast<uint64_t>(info.st_size) == known.size &&
                           mtime_ns == known.mtime_ns && static_cast<uint64_t>(info.st_ino) == known.inode &&
                           static_cast<uint64_t>(info.st_dev) == known.device;
    if (stat_same && now == nullptr) return Disk_state::same;
    const File_identity current = identify_file(path);
    if (now != nullptr) *now = current;
    if (!current.exists) return Disk_state::missing;
    if (stat_same) return Disk_state::same;
    return known.exists && current.size == known.size && current.hash == known.hash ? Disk_state::same
                                                                                    : Disk_state::changed;
}
