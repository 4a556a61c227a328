// Benchmark of the setup file: parse, read and save times and peak memory for 1,000 to 100,000 stations.
//
// Usage: bench_setup_file [STATIONS...]   (default: 1000 10000 100000)
//
// Every measurement runs in a child process of its own, so that the peak memory the kernel reports for it
// (wait4) is that measurement's alone and the heap of one size never helps the next. Even the files are
// generated in a child, so the parent stays small; they live in a temporary folder removed at the end.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <pugixml.hpp>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Comport.h"
#include "Eeprom_configurer.h"
#include "Lib_text.h"
#include "Sequence_command.h"
#include "Setup.h"
#include "Station.h"

namespace {

// ---------------------------------------------------------------------------------------------------------
// Generated setup files

// A small deterministic generator, so that every run writes the same files.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }

  private:
    uint64_t state_;
};

// Quarter steps are exact in single precision, so the thresholds read back to the very bits written.
double real_threshold(Random& r) {
    return r.below(400) * 0.25;
}

// Battery thresholds that survive the writer's one decimal and the reader's conversion unchanged.
double vbat_threshold(Random& r) {
    static const double volts[] = {0.0, 10.5, 11.0, 11.5, 12.0, 12.5};
    return volts[r.below(6)];
}

constexpr int LONGEST_COMMAND = 7; // an ACQ with its threshold

// One command of every kind the station knows, with varied fields; a third of the measuring ones
// carry a threshold.
void add_random_command(Teeprom_configurer& image, Random& r) {
    static const int headers[] = {161, 162, 163, 166, 169, 172, 173, 174, 175, 180};
    switch (r.below(12)) {
    case 0:
        encode_acq_vbat(image, r.below(2), vbat_threshold(r));
        break;
    case 1:
    case 2:
    case 3:
        encode_acq_fluo(image, 4, r.below(4), r.below(16), r.chance(35), real_threshold(r), r.chance(50));
        break;
    case 4:
    case 5:
    case 6: {
        const int header = headers[r.below(10)];
        const double threshold = is_integer_threshold_header(header) ? r.below(5000) : real_threshold(r);
        encode_acq(image, header, r.below(8), r.below(16), r.below(16), r.chance(35), threshold,
                   r.chance(50));
        break;
    }
    case 7:
        encode_acq_instrument(image, r.below(8), r.below(16), r.below(4), r.chance(35), real_threshold(r),
                              r.chance(50));
        break;
    case 8:
        encode_wait(image, 1 + r.below(31));
        break;
    case 9:
        encode_conditional_action(image, r.below(8), r.below(256), r.below(256));
        break;
    case 10:
        encode_simple_sensor(image, 1 + r.below(2), r.below(256));
        break;
    default:
        if (r.chance(50))
            encode_conditional_sms(image);
        else
            encode_probes_power(image, r.below(16));
        break;
    }
}

// A sequence record of about budget bytes: probes on, a run of commands, probes off, end of sequence.
void add_sequence(Teeprom_configurer& image, uint8_t sequence_tag, int budget, Random& r) {
    const int start = image.cursor();
    const uint8_t length_position = image.open_record(sequence_tag);
    encode_probes_power(image, 3);
    while (image.cursor() - start + LONGEST_COMMAND + 2 <= budget)
        add_random_command(image, r);
    encode_probes_power(image, 0);
    image.add_byte(0x00);
    image.close_record(length_position);
}

// The image the reader would build for this station: three full sequences and every fixed record.
void build_configuration(Tstation& station, Random& r) {
    Teeprom_configurer& image = station.configuration;
    image.clear();
    // What follows the sequences takes 50 bytes (the SMS number 14, seven fixed records of 5, the end
    // marker 1), so the three sequences share at most 171 of the other 173 usable bytes.
    add_sequence(image, tag::SEQUENCE_SLOW, 78 + r.below(6), r);
    add_sequence(image, tag::SEQUENCE_FAST, 50 + r.below(6), r);
    add_sequence(image, tag::SEQUENCE_REMOTE, 28 + r.below(6), r);
    char sms[16];
    std::snprintf(sms, sizeof sms, "+4179765%04d", r.below(10000));
    image.add_sms_number(sms);
    image.add_tag_long(tag::STATION_ID, station.id);
    image.add_byte(tag::SYSCTRL);
    image.add_byte(static_cast<uint8_t>(r.below(4)));
    image.add_byte(static_cast<uint8_t>(r.below(4)));
    image.add_byte(static_cast<uint8_t>(r.below(256)));
    image.add_byte(0);
    static const int acq_intervals[] = {300, 600, 900, 1800, 3600};
    image.add_tag_long(tag::ACQ_INTERVAL0, acq_intervals[r.below(5)]);
    image.add_tag_long(tag::ACQ_INTERVAL1, 60 + 60 * r.below(5));
    image.add_tag_long(tag::GSM_DURATION, 300 + 300 * r.below(4));
    image.add_tag_long(tag::GSM_INTERVAL, 3600 * (1 + r.below(24)));
    // PIN_CODE holds the station's pin, zero-filled to 4 bytes, as reading <PIN_CODE/> gives it.
    uint32_t pin = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t c =
            i < static_cast<int>(std::strlen(station.pin)) ? static_cast<uint8_t>(station.pin[i]) : 0;
        pin = (pin << 8) | c;
    }
    image.add_tag_long(tag::PIN_CODE, static_cast<int32_t>(pin));
    image.add_byte(tag::END);
}

// False when the image had to refuse a byte, which would make the file hold less than was built.
bool build_station(Tstation& station, int index) {
    Random r(static_cast<uint64_t>(index) + 1);
    station.id = 100 + index;
    std::snprintf(station.phone_nbr, sizeof station.phone_nbr, "+4179%07d", r.below(10000000));
    if (r.chance(90))
        std::snprintf(station.pin, sizeof station.pin, "%04d", r.below(10000));
    else
        station.pin[0] = 0;
    // Descriptions with every character the writer escapes: quotes, ampersand, angle brackets, 8-bit bytes.
    static const char* const descriptions[] = {
        "Areuse at Boudry #%d, uranine tracing",
        "Source de l'Orbe %d, fluorescence & turbidity",
        "Piezometer P%d \"Les Pr\xe9s\" (4-20 mA)",
        "Rain gauge %d, pulse counters <rain> & snow",
        "Gorges de l'Areuse, %d m\xb3/s, station \xab"
        "aval\xbb",
    };
    std::snprintf(station.description, sizeof station.description, descriptions[r.below(5)], index);
    copy_text(station.display_type, "zevo-4k", sizeof station.display_type);
    build_configuration(station, r);
    return station.configuration.refused() == 0;
}

int write_generated_setup(const std::string& path, int stations, std::string* reason) {
    Tsetup setup;
    copy_text(setup.path_data_bin, "/home/hydro/zevo/data_bin", sizeof setup.path_data_bin);
    copy_text(setup.path_data_xml, "/home/hydro/zevo/data_xml", sizeof setup.path_data_xml);
    for (int i = 0; i < 2; ++i) {
        auto* port = new Tcomport;
        port->type = i == 0 ? COMPORT_DIRECT : COMPORT_MODEM;
        port->rate = i == 0 ? 38400 : 9600;
        copy_text(port->port, i == 0 ? "/dev/ttyUSB0" : "/dev/ttyACM0", sizeof port->port);
        copy_text(port->description, i == 0 ? "direct connection" : "standard analog modem",
                  sizeof port->description);
        setup.comports.append(port);
    }
    for (int i = 0; i < stations; ++i) {
        auto* station = new Tstation;
        const bool complete = build_station(*station, i);
        setup.stations.append(station);
        if (!complete) {
            if (reason != nullptr) *reason = "the image of station " + std::to_string(i) + " overflowed";
            return 1;
        }
    }
    return setup.write_file(path.c_str(), reason);
}

// ---------------------------------------------------------------------------------------------------------
// Measurements in child processes

struct Outcome {
    bool ok = false;
    double ms = 0.0;
    double formatting_ms = 0.0; // the save: the same document written to /dev/null, without the disk
    char message[240] = {};
};

struct Child_report {
    Outcome outcome;
    long peak_kib = 0; // the child's peak resident set, as wait4 reports it
};

volatile sig_atomic_t interrupted = 0;
void on_interrupt(int) {
    interrupted = 1;
}

Outcome failure(const std::string& text) {
    Outcome o;
    std::snprintf(o.message, sizeof o.message, "%s", text.c_str());
    return o;
}

// Runs work in a child process and returns what it reported with the child's peak memory.
Child_report run_in_child(const std::function<Outcome()>& work) {
    Child_report report;
    int channel[2];
    if (pipe(channel) != 0) {
        report.outcome = failure(std::string("pipe: ") + std::strerror(errno));
        return report;
    }
    std::fflush(nullptr); // nothing buffered may be written twice
    const pid_t pid = fork();
    if (pid < 0) {
        report.outcome = failure(std::string("fork: ") + std::strerror(errno));
        close(channel[0]);
        close(channel[1]);
        return report;
    }
    if (pid == 0) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        close(channel[0]);
        const Outcome outcome = work();
        const char* p = reinterpret_cast<const char*>(&outcome);
        size_t left = sizeof outcome;
        while (left > 0) {
            const ssize_t n = write(channel[1], p, left);
            if (n <= 0) _exit(3);
            p += n;
            left -= static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(channel[1]);
    Outcome received;
    char* p = reinterpret_cast<char*>(&received);
    size_t got = 0;
    while (got < sizeof received) {
        const ssize_t n = read(channel[0], p + got, sizeof received - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(channel[0]);
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    report.peak_kib = usage.ru_maxrss;
    if (got == sizeof received) {
        report.outcome = received;
    } else if (WIFSIGNALED(status)) {
        report.outcome = failure("the measuring process ended by signal " + std::to_string(WTERMSIG(status)));
    } else {
        report.outcome = failure("the measuring process ended without a report");
    }
    return report;
}

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

size_t station_count(Tsetup& setup) {
    size_t n = 0;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
        ++n;
    return n;
}

Outcome measure_bare_load(const std::string& path) {
    pugi::xml_document document;
    const Clock::time_point start = Clock::now();
    const pugi::xml_parse_result result =
        document.load_file(path.c_str(), pugi::parse_minimal, pugi::encoding_utf8);
    Outcome o;
    o.ms = ms_since(start);
    if (!result) return failure(std::string("pugixml could not load the file: ") + result.description());
    if (std::strcmp(document.document_element().name(), "SETUP") != 0) return failure("no SETUP element");
    o.ok = true;
    return o;
}

Outcome measure_read(const std::string& path, int stations) {
    Tsetup setup;
    std::string reason;
    const Clock::time_point start = Clock::now();
    const int rc = setup.read_file(path.c_str(), &reason);
    Outcome o;
    o.ms = ms_since(start);
    if (rc != 0) return failure("read_file failed: " + reason);
    if (station_count(setup) != static_cast<size_t>(stations)) return failure("read_file lost stations");
    o.ok = true;
    return o;
}

bool same_bytes(const std::string& a, const std::string& b) {
    FILE* fa = std::fopen(a.c_str(), "rb");
    FILE* fb = std::fopen(b.c_str(), "rb");
    bool same = fa != nullptr && fb != nullptr;
    std::vector<char> ba(1 << 20), bb(1 << 20);
    while (same) {
        const size_t na = std::fread(ba.data(), 1, ba.size(), fa);
        const size_t nb = std::fread(bb.data(), 1, bb.size(), fb);
        if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) same = false;
        if (na == 0) break;
    }
    if (fa != nullptr) std::fclose(fa);
    if (fb != nullptr) std::fclose(fb);
    return same;
}

// Reads the file (not timed), then times the save; the saved file must be the file read, byte for byte.
// The same document written to /dev/null tells the formatting from the disk, whose speed varies a lot on a
// shared machine once hundreds of megabytes are flushed.
Outcome measure_write(const std::string& path, const std::string& saved) {
    Tsetup setup;
    std::string reason;
    if (setup.read_file(path.c_str(), &reason) != 0) return failure("read_file failed: " + reason);
    const Clock::time_point start = Clock::now();
    const int rc = setup.write_file(saved.c_str(), &reason);
    Outcome o;
    o.ms = ms_since(start);
    if (rc != 0) return failure("write_file failed: " + reason);
    if (!same_bytes(path, saved)) return failure("the saved file differs from the file read");
    FILE* null_device = std::fopen("/dev/null", "wb");
    if (null_device == nullptr) return failure("cannot open /dev/null");
    const Clock::time_point formatting_start = Clock::now();
    bool written;
    {
        Text_out out(null_device);
        setup.write(&out);
        written = out.flush();
    }
    o.formatting_ms = ms_since(formatting_start);
    std::fclose(null_device);
    if (!written) return failure("writing to /dev/null failed");
    o.ok = true;
    return o;
}

// ---------------------------------------------------------------------------------------------------------
// The run

struct Figures {
    int stations = 0;
    double file_mb = 0;
    double load_ms = 0, read_ms = 0, write_ms = 0, formatting_ms = 0;
    double read_peak_mb = 0, load_peak_mb = 0, write_peak_mb = 0;
};

constexpr double MB = 1e6;

// The best time of repetitions and the highest peak among them; false with a message on the first failure.
bool repeat(int repetitions, const std::function<Outcome()>& work, double* best_ms, double* peak_mb,
            const char* what, double* best_formatting_ms = nullptr) {
    *best_ms = 0;
    *peak_mb = 0;
    for (int i = 0; i < repetitions; ++i) {
        if (interrupted) return false;
        const Child_report report = run_in_child(work);
        if (!report.outcome.ok) {
            std::fprintf(stderr, "bench_setup_file: %s: %s\n", what, report.outcome.message);
            return false;
        }
        if (i == 0 || report.outcome.ms < *best_ms) *best_ms = report.outcome.ms;
        if (best_formatting_ms != nullptr && (i == 0 || report.outcome.formatting_ms < *best_formatting_ms))
            *best_formatting_ms = report.outcome.formatting_ms;
        *peak_mb = std::max(*peak_mb, report.peak_kib * 1024.0 / MB);
    }
    return true;
}

bool measure_size(const std::filesystem::path& folder, int stations, Figures* f) {
    const std::string path = (folder / ("setup-" + std::to_string(stations) + ".xml")).string();
    const std::string saved = (folder / ("saved-" + std::to_string(stations) + ".xml")).string();
    f->stations = stations;
    std::printf("%8d stations: generating...", stations);
    std::fflush(stdout);
    const Child_report generated = run_in_child([&] {
        std::string reason;
        if (write_generated_setup(path, stations, &reason) != 0)
            return failure("cannot write " + path + ": " + reason);
        Outcome o;
        o.ok = true;
        return o;
    });
    if (!generated.outcome.ok) {
        std::fprintf(stderr, "\nbench_setup_file: %s\n", generated.outcome.message);
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    f->file_mb = static_cast<double>(info.st_size) / MB;
    const int repetitions = stations >= 100000 ? 3 : 5;
    std::printf(" %.1f MB; measuring %d times each...", f->file_mb, repetitions);
    std::fflush(stdout);
    const bool ok = repeat(
                        repetitions, [&] { return measure_bare_load(path); }, &f->load_ms, &f->load_peak_mb,
                        "bare load") &&
                    repeat(
                        repetitions, [&] { return measure_read(path, stations); }, &f->read_ms,
                        &f->read_peak_mb, "read_file") &&
                    repeat(
                        repetitions, [&] { return measure_write(path, saved); }, &f->write_ms,
                        &f->write_peak_mb, "write_file", &f->formatting_ms);
    std::printf(ok ? " done\n" : "\n");
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    std::filesystem::remove(saved, ignored);
    return ok;
}

void print_table(const std::vector<Figures>& rows, double idle_peak_mb) {
    std::printf("\n%8s %9s %10s %10s %6s %10s %9s %9s %6s\n", "stations", "file MB", "load ms", "read ms",
                "r/load", "write ms", "write MB/s", "peak MB", "p/file");
    for (const Figures& f : rows)
        std::printf("%8d %9.1f %10.1f %10.1f %6.2f %10.1f %9.0f %9.1f %6.2f\n", f.stations, f.file_mb,
                    f.load_ms, f.read_ms, f.read_ms / f.load_ms, f.write_ms,
                    f.file_mb / (f.write_ms / 1000.0), f.read_peak_mb, f.read_peak_mb / f.file_mb);
    std::printf("\nload: pugixml load_file alone (parse_minimal, utf8); read: Tsetup::read_file; write: "
                "Tsetup::write_file\n(with its fsync) of the document read. Times are the best of the "
                "repetitions, peak is the\nread's process peak resident set (a process that does nothing "
                "peaks at %.1f MB). MB = 10^6 bytes.\n",
                idle_peak_mb);
    std::printf("Peaks of the other measurements:");
    for (const Figures& f : rows)
        std::printf("  %d: load %.1f MB, write %.1f MB;", f.stations, f.load_peak_mb, f.write_peak_mb);
    std::printf("\nThe save without the disk (Tsetup::write to /dev/null):");
    for (const Figures& f : rows)
        std::printf("  %d: %.1f ms (%.2f us per station);", f.stations, f.formatting_ms,
                    1000.0 * f.formatting_ms / f.stations);
    std::printf("\n");
}

int failed_targets = 0;

void verdict(bool pass, const std::string& text) {
    if (!pass) ++failed_targets;
    std::printf("  %s  %s\n", pass ? "PASS" : "FAIL", text.c_str());
}

std::string format(const char* fmt, double a, double b) {
    char text[200];
    std::snprintf(text, sizeof text, fmt, a, b);
    return text;
}

void check_targets(const std::vector<Figures>& rows) {
    std::printf("\nTargets:\n");
    for (const Figures& f : rows) {
        const std::string at = " at " + std::to_string(f.stations) + " stations";
        verdict(f.read_ms <= 1.3 * f.load_ms, format("read_file within 1.3x the bare load: %.2fx (%.1f ms)",
                                                     f.read_ms / f.load_ms, f.read_ms) +
                                                  at);
        verdict(f.write_ms <= f.read_ms,
                format("write_file no slower than read_file: %.1f ms vs %.1f ms", f.write_ms, f.read_ms) +
                    at);
        verdict(f.read_peak_mb <= 6.0 * f.file_mb, format("peak memory at most 6x the file: %.2fx (%.1f MB)",
                                                          f.read_peak_mb / f.file_mb, f.read_peak_mb) +
                                                       at);
    }
    const auto find = [&](int n) -> const Figures* {
        for (const Figures& f : rows)
            if (f.stations == n) return &f;
        return nullptr;
    };
    const Figures* small = find(10000);
    const Figures* large = find(100000);
    if (small == nullptr || large == nullptr) {
        std::printf("  ----  growth from 10,000 to 100,000 stations: not measured in this run\n");
        return;
    }
    const double read_growth = (large->read_ms / large->stations) / (small->read_ms / small->stations);
    const double write_growth = (large->write_ms / large->stations) / (small->write_ms / small->stations);
    verdict(read_growth <= 1.5, format("read_file time per station at 100k at most 1.5x that at 10k: %.2fx "
                                       "(%.2f us per station)",
                                       read_growth, 1000.0 * large->read_ms / large->stations));
    verdict(write_growth <= 1.5, format("write_file time per station at 100k at most 1.5x that at 10k: %.2fx "
                                        "(%.2f us per station)",
                                        write_growth, 1000.0 * large->write_ms / large->stations));
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        int32_t n = 0;
        if (parse_int(argv[i], &n) || n <= 0) {
            std::fprintf(stderr, "Usage: bench_setup_file [STATIONS...]   (default: 1000 10000 100000)\n");
            return 2;
        }
        sizes.push_back(n);
    }
    if (sizes.empty()) sizes = {1000, 10000, 100000};

    std::string pattern = (std::filesystem::temp_directory_path() / "vemora-bench-XXXXXX").string();
    if (mkdtemp(&pattern[0]) == nullptr) {
        std::fprintf(stderr, "bench_setup_file: cannot create a temporary folder: %s\n",
                     std::strerror(errno));
        return 1;
    }
    const std::filesystem::path folder = pattern;
    // No SA_RESTART: an interrupt wakes the parent from its wait, so it can remove the folder and stop.
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const double idle_peak_mb = run_in_child([] {
                                    Outcome o;
                                    o.ok = true;
                                    return o;
                                }).peak_kib *
                                1024.0 / MB;
    std::printf("Setup file benchmark in %s\n", folder.c_str());
    std::vector<Figures> rows;
    bool ok = true;
    for (int n : sizes) {
        Figures f;
        if (!measure_size(folder, n, &f)) {
            ok = false;
            break;
        }
        rows.push_back(f);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (interrupted) {
        std::fprintf(stderr, "bench_setup_file: interrupted\n");
        return 130;
    }
    if (!rows.empty()) {
        print_table(rows, idle_peak_mb);
        check_targets(rows);
        std::printf("\n%s\n", failed_targets == 0
                                  ? "All targets met."
                                  : (std::to_string(failed_targets) + " target(s) FAILED.").c_str());
    }
    return ok ? 0 : 1;
}
