// Text output: file writes go out in blocks of about 256 KiB, from one buffer kept for the whole output.
#include "Lib_output.h"

#include <fcntl.h>

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "Lib_text.h"

namespace {
constexpr size_t block_size = 256 << 10;
}

Text_out::Text_out(FILE* file, bool write_behind) : file_(file), write_behind_(write_behind) {
    // Appends never outgrow the block by more than the longest single piece, so the buffer is made once.
    buffer_.reserve(block_size + 4096);
}

void Text_out::put(const char* text) {
    if (text != nullptr) append(text, std::strlen(text));
}

void Text_out::append(const char* bytes, size_t n) {
    if (memory_ != nullptr) {
        memory_->append(bytes, n);
        return;
    }
    buffer_.append(bytes, n);
    if (buffer_.size() >= block_size) flush();
}

void Text_out::put_int(long long value) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    append(digits, static_cast<size_t>(end - digits));
}

void Text_out::put_fixed(double value, int decimals) {
    if (std::isnan(value)) {
        // The formatter's "-nan" for a negative NaN is kept too.
        put(std::signbit(value) ? "-nan" : "nan");
        return;
    }
    if (std::isinf(value)) {
        put(value < 0 ? "-inf" : "inf");
        return;
    }
    if (decimals < 0) decimals = 0;
    if (decimals > 9) decimals = 9;
    // The largest double has 309 digits before the point.
    char digits[330];
    const std::to_chars_result r =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        failed_ = true;
        return;
    }
    append(digits, static_cast<size_t>(r.ptr - digits));
}

void Text_out::printf(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = vformat_c(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        failed_ = true;
    } else if (static_cast<size_t>(length) < sizeof small) {
        append(small, static_cast<size_t>(length));
    } else {
        std::vector<char> large(static_cast<size_t>(length) + 1);
        vformat_c(large.data(), large.size(), format, again);
        append(large.data(), static_cast<size_t>(length));
    }
    va_end(again);
}

bool Text_out::flush() {
    if (file_ != nullptr && !buffer_.empty()) {
        if (!failed_ && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
            failed_ = true;
        buffer_.clear();
        if (write_behind_ && !failed_) start_writeback();
    }
    return !failed_;
}

void Text_out::start_writeback() {
    if (std::fflush(file_) != 0) {
        failed_ = true;
        return;
    }
#ifdef SYNC_FILE_RANGE_WRITE
    // The system starts writing what the file holds so far while the rest is formatted: the flush to the
    // disk at the end then waits for less. Where it cannot (a pipe, another system), nothing changes.
    sync_file_range(fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}
