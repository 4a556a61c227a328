// Formatted text output for the writers: buffered, to a file or to memory, with failure kept until asked.
#pragma once

#include <cstdio>
#include <string>

class Text_out {
  public:
    explicit Text_out(std::string* memory) : memory_(memory) {}
    explicit Text_out(FILE* file) : file_(file) {}
    ~Text_out() { flush(); }
    Text_out(const Text_out&) = delete;
    Text_out& operator=(const Text_out&) = delete;

    void put(const char* text);
    void put(const std::string& text) { append(text.data(), text.size()); }
    void append(const char* bytes, size_t n);
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
    std::string buffer_;
    bool failed_ = false;
};
