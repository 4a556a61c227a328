// Runs a piece of a test in a child process of its own: a crash, a hang or a memory blow-up there is seen
// by the test instead of ending it, and the child's peak memory is measured on its own.
#pragma once

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

struct Child_result {
    bool exited = false; // ended by returning or calling exit, not by a signal
    int exit_code = -1;
    int signal = 0;       // the signal that ended it; SIGALRM when it ran out of time
    long peak_rss_kb = 0; // its peak resident memory
    double seconds = 0;
    std::string output; // what it wrote to its output descriptor

    bool ok() const { return exited && exit_code == 0; }
    std::string how() const {
        if (exited) return "exit " + std::to_string(exit_code);
        return signal == SIGALRM ? "no answer within its time" : "signal " + std::to_string(signal);
    }
};

// Forks; the child runs body(out_fd) and exits with what it returns, and is ended by SIGALRM after
// timeout_seconds. The parent collects what the child wrote to out_fd.
template <typename Body> Child_result run_in_child(Body body, unsigned timeout_seconds) {
    Child_result r;
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) std::abort();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        close(pipe_fds[0]);
        alarm(timeout_seconds);
        const int code = body(pipe_fds[1]);
        close(pipe_fds[1]);
        _exit(code); // no exit handlers: the test framework's are the parent's business
    }
    close(pipe_fds[1]);
    char block[4096];
    for (ssize_t n; (n = read(pipe_fds[0], block, sizeof block)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        r.output.append(block, static_cast<size_t>(n));
    }
    close(pipe_fds[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.exited = WIFEXITED(status);
    r.exit_code = r.exited ? WEXITSTATUS(status) : -1;
    r.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    r.peak_rss_kb = usage.ru_maxrss;
    return r;
}

inline void write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// Memory limits in the sanitizer build would measure the sanitizer: its shadow and its quarantine.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool measuring_memory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool measuring_memory = false;
#else
constexpr bool measuring_memory = true;
#endif
#else
constexpr bool measuring_memory = true;
#endif
