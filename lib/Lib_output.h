// Text output for the writers: pieces appended to a buffer, to a file or to memory, with failure kept until
// asked. Numbers are written by hand (std::to_chars), in the C locale whatever the process's locale is.
#pragma once

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

class Text_out {
  public:
    explicit Text_out(std::string* memory) : memory_(memory) {}
    explicit Text_out(FILE* file);
    ~Text_out() { flush(); }
    Text_out(const Text_out&) = delete;
    Text_out& operator=(const Text_out&) = delete;

    void put(const char* text);
    void put(const std::string& text) { append(text.data(), text.size()); }
    // Most pieces are short and land in the block as they are; the rest (and everything written to memory,
    // which has no block) go by append_slow.
    void append(const char* bytes, size_t n) {
        if (n <= free_ && n > 0) {
            std::memcpy(block_.get() + used_, bytes, n);
            used_ += n;
            free_ -= n;
            return;
        }
        append_slow(bytes, n);
    }
    // A fixed piece whose length is known when compiled.
    template <size_t N> void put_literal(const char (&text)[N]) { append(text, N - 1); }
    // "%d" and "%ld", straight into the block where it has room.
    void put_int(long long value) {
        if (free_ >= max_digits) {
            char* at = block_.get() + used_;
            const size_t n = static_cast<size_t>(std::to_chars(at, at + max_digits, value).ptr - at);
            used_ += n;
            free_ -= n;
            return;
        }
        put_int_slow(value);
    }
    // "%.<decimals>f" (decimals 0 to 9), rounded as the C library's formatter rounds: the exact binary
    // value, halfway cases to even. "inf", "-inf" and "nan" as it writes them.
    void put_fixed(double value, int decimals);
    void printf(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // Writes what is buffered; false when any write so far failed.
    bool flush();
    bool failed() const {
        return failed_;
    }

  private:
    static constexpr size_t max_digits = 20; // "-9223372036854775808"
    void append_slow(const char* bytes, size_t n);
    void put_int_slow(long long value);
    bool write_block(const char* bytes, size_t n);

    std::string* memory_ = nullptr;
    FILE* file_ = nullptr;
    std::unique_ptr<char[]> block_; // a file's bytes not yet written: used_ of them, free_ more fit
    size_t used_ = 0, free_ = 0;
    bool failed_ = false;
};
