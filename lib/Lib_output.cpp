// Text output: file writes go out in blocks of 256 KiB, from one block kept for the whole output.
#include "Lib_output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "Lib_text.h"

namespace {
constexpr size_t block_size = 256 << 10;
}

Text_out::Text_out(FILE* file) : file_(file), block_(new char[block_size]), free_(block_size) {}

void Text_out::put(const char* text) {
    if (text != nullptr) append(text, std::strlen(text));
}

void Text_out::append_slow(const char* bytes, size_t n) {
    if (n == 0) return;
    if (memory_ != nullptr) {
        memory_->append(bytes, n);
        return;
    }
    if (file_ == nullptr) return;
    // The block is filled up and written; a piece longer than a block is written as it stands.
    const size_t first = std::min(n, free_);
    std::memcpy(block_.get() + used_, bytes, first);
    used_ += first;
    free_ -= first;
    bytes += first;
    n -= first;
    flush();
    if (n >= block_size) {
        if (!failed_) write_block(bytes, n);
        return;
    }
    std::memcpy(block_.get(), bytes, n);
    used_ = n;
    free_ = block_size - n;
}

bool Text_out::write_block(const char* bytes, size_t n) {
    if (std::fwrite(bytes, 1, n, file_) != n) failed_ = true;
    return !failed_;
}

void Text_out::put_int_slow(long long value) {
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
    if (file_ != nullptr && used_ > 0) {
        if (!failed_) write_block(block_.get(), used_);
        used_ = 0;
        free_ = block_size;
    }
    return !failed_;
}
