// Text output for the writers: pieces appended to a buffer, to a file or to memory, with failure kept until
// asked. Numbers are written by hand (std::to_chars), in the C locale whatever the process's locale is.
#pragma once

#include <cstdio>
#include <string>

class Text_out {
  public:
    explicit Text_out(std::string* memory) : memory_(memory) {}
    // write_behind: the system is asked to start writing each block to the disk as soon as it is written
    // (for a file that is flushed to the disk at the end).
    explicit Text_out(FILE* file, bool write_behind = false);
    ~Text_out() { flush(); }
    Text_out(const Text_out&) = delete;
    Text_out& operator=(const Text_out&) = delete;

    void put(const char* text);
    void put(const std::string& text) { append(text.data(), text.size()); }
    void append(const char* bytes, size_t n);
    // A fixed piece whose length is known when compiled.
    template <size_t N> void put_literal(const char (&text)[N]) { append(text, N - 1); }
    // "%d" and "%ld".
    void put_int(long long value);
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
    std::string* memory_ = nullptr;
    FILE* file_ = nullptr;
    void start_writeback();

    std::string buffer_;
    bool failed_ = false;
    bool write_behind_ = false;
};
