// An output stream buffer over a file descriptor that remembers why a write failed.
#include "Fd_output.h"

#include <cerrno>
#include <cstring>
#include <ostream>
#include <unistd.h>

Fd_output::Fd_output(int fd) : fd_(fd) {
    setp(buffer_, buffer_ + sizeof buffer_);
}

Fd_output::~Fd_output() {
    drain();
}

bool Fd_output::drain() {
    const char* p = pbase();
    size_t left = static_cast<size_t>(pptr() - pbase());
    while (left > 0 && error_ == 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    // What could not be written is dropped: the stream has failed and says so.
    setp(buffer_, buffer_ + sizeof buffer_);
    return error_ == 0;
}

Fd_output::int_type Fd_output::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int Fd_output::sync() {
    return drain() ? 0 : -1;
}

std::string output_failure_reason(const std::ostream& out) {
    const auto* buffer = dynamic_cast<const Fd_output*>(out.rdbuf());
    if (buffer != nullptr && buffer->error() != 0) return std::strerror(buffer->error());
    return "the output stream refused it";
}
