// An output stream buffer over a file descriptor that remembers why a write failed.
#pragma once

#include <iosfwd>
#include <streambuf>
#include <string>

// Writes through to fd in blocks. The first failed write (a full disk, a file-size limit) is kept with
// its system error; from then on every write and sync fails, so the stream reports it at its next check.
class Fd_output : public std::streambuf {
  public:
    explicit Fd_output(int fd);
    ~Fd_output() override;
    Fd_output(const Fd_output&) = delete;
    Fd_output& operator=(const Fd_output&) = delete;

    int error() const { return error_; } // 0 while every write succeeded

  protected:
    int_type overflow(int_type c) override;
    int sync() override;

  private:
    bool drain();

    int fd_;
    int error_ = 0;
    char buffer_[1 << 16];
};

// Why the stream failed: the system's reason when its buffer is an Fd_output that saw the error.
std::string output_failure_reason(const std::ostream& out);
