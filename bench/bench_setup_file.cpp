// Benchmark of the setup file: parse, read and save times and peak memory for 1,000 to 100,000 stations,
// and 1,000,000 when asked for.
//
// Usage: bench_setup_file [STATIONS...]   (default: 1000 10000 100000; e.g. 1000 10000 100000 1000000)
//        bench_setup_file --write STATIONS FILE   (the plain generated file, to keep or profile)
//        bench_setup_file --read FILE [TIMES]     (reads it TIMES times in this process, for a profiler)
//
// Each size is read as generated (plain), with a long SYSTEM_CONFIG record in every station, and with
// every tenth station's configuration taken from an included file; the targets are checked on the plain
// files. Bare parse and read, read and save alternate in pairs in one process; medians of the pairs.
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
#include "Lib_output.h"
#include "Lib_text.h"
#include "Lib_xml.h"
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

// ---------------------------------------------------------------------------------------------------------
// Inputs of other shapes, made from the generated file's text

// Every CONFIGURATION gets a SYSTEM_CONFIG record of 200 data attributes in front: a file that is mostly
// attributes the reader passes over but the parser must still take apart.
bool add_long_system_config(const std::string& path, std::string* reason) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return *reason = "cannot open " + path, false;
    std::string text;
    char block[1 << 16];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0)
        text.append(block, n);
    std::fclose(in);
    std::string record = "\t\t\t\t<SYSTEM_CONFIG ";
    for (int i = 0; i < 200; ++i)
        record += " data" + std::to_string(i) + "=\"" + std::to_string((i * 37) % 256) + "\"";
    record += "/>\r\n";
    const std::string open = "<CONFIGURATION>\r\n";
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    size_t from = 0;
    for (size_t at; (at = text.find(open, from)) != std::string::npos; from = at + open.size())
        out.append(text, from, at + open.size() - from).append(record);
    out.append(text, from, std::string::npos);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0)
        return *reason = "cannot write " + path, false;
    return true;
}

// Every tenth station's CONFIGURATION names an included file that replaces its own records.
bool add_included_configurations(const std::string& path, std::string* reason) {
    const std::string included = path + ".included.xml";
    FILE* f = std::fopen(included.c_str(), "wb");
    if (f == nullptr) return *reason = "cannot write " + included, false;
    std::fputs("<?xml version='1.0' encoding='utf-8' ?>\r\n<CONFIGURATION>\r\n"
               "\t<ACQUISITION_SEQUENCE value=\"0\">\r\n\t\t<PROBES_POWER state=\"3\"/>\r\n"
               "\t\t<ACQ_FLUO type=\"4\" port=\"1\" channel=\"2\" threshold=\"12.50\" compare=\"lt\"/>\r\n"
               "\t\t<PROBES_POWER state=\"0\"/>\r\n\t</ACQUISITION_SEQUENCE>\r\n"
               "\t<SMS_NUMBER value=\"+41797650000\"/>\r\n\t<ACQ_INTERVAL0 value=\"900\"/>\r\n"
               "</CONFIGURATION>\r\n",
               f);
    if (std::fclose(f) != 0) return *reason = "cannot write " + included, false;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return *reason = "cannot open " + path, false;
    std::string text;
    char block[1 << 16];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0)
        text.append(block, n);
    std::fclose(in);
    const std::string open = "<CONFIGURATION>";
    const std::string with_file = "<CONFIGURATION file=\"" + included + "\">";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t from = 0;
    int station = 0;
    for (size_t at; (at = text.find(open, from)) != std::string::npos; from = at + open.size())
        out.append(text, from, at - from).append(station++ % 10 == 0 ? with_file : open);
    out.append(text, from, std::string::npos);
    f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0)
        return *reason = "cannot write " + path, false;
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Paired runs: the bare parse and the read, then the read and the save, alternate in one process, so
// that a slow moment of the shared machine falls on both sides of a pair; the medians of the pairs'
// ratios are reported. The peak memory of a read is taken in a fresh process that does only that.

struct Paired {
    bool ok = false;
    int pairs = 0;
    double parse_ms = 0, read_ms = 0, save_ms = 0; // medians
    double writer_ms = 0;                          // median
    double read_per_parse = 0, save_per_read = 0;  // medians of the pairs' ratios
    double writer_per_read = 0;
    double read_per_parse_low = 0, read_per_parse_high = 0;
    char message[240] = {};
};

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 != 0 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// The bare parse: pugixml's load_file of the whole file into one tree, with the same pugixml build the
// reader is linked with (this program's). Its allocations go through the reader's counting allocator,
// whose limit (half of the memory) a whole tree of a million stations passes: the limit is lifted for it.
bool bare_parse(const std::string& path, double* ms, std::string* message) {
    const unsigned long long limit = myXMLdocument::tree_limit();
    myXMLdocument::set_tree_limit(~0ull);
    pugi::xml_document document;
    const Clock::time_point start = Clock::now();
    const pugi::xml_parse_result result =
        document.load_file(path.c_str(), pugi::parse_minimal, pugi::encoding_utf8);
    *ms = ms_since(start);
    myXMLdocument::set_tree_limit(limit);
    if (!result) return *message = std::string("the bare parse failed: ") + result.description(), false;
    if (std::strcmp(document.document_element().name(), "SETUP") != 0)
        return *message = "the bare parse found no SETUP", false;
    return true;
}

bool timed_read(const std::string& path, int stations, double* ms, std::string* message) {
    Tsetup setup;
    std::string reason;
    const Clock::time_point start = Clock::now();
    const int rc = setup.read_file(path.c_str(), &reason);
    *ms = ms_since(start);
    if (rc != 0) return *message = "read_file failed: " + reason, false;
    if (station_count(setup) != static_cast<size_t>(stations))
        return *message = "read_file lost stations", false;
    return true;
}

// The save of the document read, with its flush to the disk; a file of the generator's own form must come
// back byte for byte. Before it, the writer alone: the same document written to /dev/null, without the
// file system and the disk.
bool timed_save(const std::string& path, const std::string& saved, bool same_expected, double* ms,
                double* writer_ms, std::string* message) {
    Tsetup setup;
    std::string reason;
    if (setup.read_file(path.c_str(), &reason) != 0) return *message = "read_file failed: " + reason, false;
    FILE* null = std::fopen("/dev/null", "wb");
    if (null == nullptr) return *message = "cannot open /dev/null", false;
    Clock::time_point start = Clock::now();
    {
        Text_out out(null);
        setup.write(&out);
    }
    *writer_ms = ms_since(start);
    std::fclose(null);
    start = Clock::now();
    const int rc = setup.write_file(saved.c_str(), &reason);
    *ms = ms_since(start);
    if (rc != 0) return *message = "write_file failed: " + reason, false;
    if (same_expected && !same_bytes(path, saved))
        return *message = "the saved file differs from the file read", false;
    return true;
}

Paired paired_runs(const std::string& path, const std::string& saved, int stations, int pairs,
                   bool same_expected) {
    Paired p;
    std::vector<double> parse, read, save, writer, read_ratio, save_ratio, writer_ratio;
    std::string message;
    for (int i = 0; i < pairs && !interrupted; ++i) {
        double a = 0, b = 0, c = 0, d = 0, w = 0;
        // The order inside a pair alternates, so neither side always runs on a warm cache.
        const bool parse_first = i % 2 == 0;
        bool ok = parse_first ? bare_parse(path, &a, &message) && timed_read(path, stations, &b, &message)
                              : timed_read(path, stations, &b, &message) && bare_parse(path, &a, &message);
        if (ok)
            ok = timed_read(path, stations, &c, &message) &&
                 timed_save(path, saved, same_expected, &d, &w, &message);
        if (!ok) {
            std::snprintf(p.message, sizeof p.message, "%s",
                          message.empty() ? "a measurement failed" : message.c_str());
            return p;
        }
        parse.push_back(a);
        read.push_back(b);
        save.push_back(d);
        read_ratio.push_back(b / a);
        save_ratio.push_back(d / c);
        writer.push_back(w);
        writer_ratio.push_back(w / c);
    }
    p.pairs = static_cast<int>(parse.size());
    p.parse_ms = median(parse);
    p.read_ms = median(read);
    p.save_ms = median(save);
    p.read_per_parse = median(read_ratio);
    p.save_per_read = median(save_ratio);
    p.writer_ms = median(writer);
    p.writer_per_read = median(writer_ratio);
    if (!read_ratio.empty()) {
        p.read_per_parse_low = *std::min_element(read_ratio.begin(), read_ratio.end());
        p.read_per_parse_high = *std::max_element(read_ratio.begin(), read_ratio.end());
    }
    p.ok = p.pairs == pairs;
    return p;
}

// Runs work in a child and hands its Paired figures back through a pipe.
bool paired_in_child(const std::function<Paired()>& work, Paired* out) {
    int channel[2];
    if (pipe(channel) != 0) return false;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        close(channel[0]);
        const Paired p = work();
        const char* at = reinterpret_cast<const char*>(&p);
        size_t left = sizeof p;
        while (left > 0) {
            const ssize_t n = write(channel[1], at, left);
            if (n <= 0) _exit(3);
            at += n;
            left -= static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(channel[1]);
    size_t got = 0;
    char* at = reinterpret_cast<char*>(out);
    while (got < sizeof *out) {
        const ssize_t n = read(channel[0], at + got, sizeof *out - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(channel[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return got == sizeof *out;
}

// ---------------------------------------------------------------------------------------------------------
// The run

enum class Shape { PLAIN, LONG_SYSTEM_CONFIG, INCLUDED };
const char* shape_name(Shape s) {
    return s == Shape::PLAIN ? "plain" : s == Shape::LONG_SYSTEM_CONFIG ? "long SYSTEM_CONFIG" : "included";
}

struct Figures {
    int stations = 0;
    Shape shape = Shape::PLAIN;
    double file_mb = 0;
    Paired paired;
    double read_peak_mb = 0;
};

constexpr double MB = 1e6;

bool measure_size(const std::filesystem::path& folder, int stations, Shape shape, Figures* f) {
    const std::string tag = std::to_string(stations) + "-" + std::to_string(static_cast<int>(shape));
    const std::string path = (folder / ("setup-" + tag + ".xml")).string();
    const std::string saved = (folder / ("saved-" + tag + ".xml")).string();
    f->stations = stations;
    f->shape = shape;
    std::printf("%8d stations, %s: generating...", stations, shape_name(shape));
    std::fflush(stdout);
    const Child_report generated = run_in_child([&] {
        std::string reason;
        if (write_generated_setup(path, stations, &reason) != 0)
            return failure("cannot write " + path + ": " + reason);
        if (shape == Shape::LONG_SYSTEM_CONFIG && !add_long_system_config(path, &reason))
            return failure(reason);
        if (shape == Shape::INCLUDED && !add_included_configurations(path, &reason)) return failure(reason);
        Outcome o;
        o.ok = true;
        return o;
    });
    std::error_code ignored;
    const auto remove_files = [&] {
        std::filesystem::remove(path, ignored);
        std::filesystem::remove(path + ".included.xml", ignored);
        std::filesystem::remove(saved, ignored);
    };
    if (!generated.outcome.ok) {
        std::fprintf(stderr, "\nbench_setup_file: %s\n", generated.outcome.message);
        remove_files();
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    f->file_mb = static_cast<double>(info.st_size) / MB;
    const int pairs = stations >= 1000000 ? 3 : stations >= 100000 ? 5 : stations >= 10000 ? 9 : 15;
    std::printf(" %.1f MB; %d paired runs...", f->file_mb, pairs);
    std::fflush(stdout);
    bool ok = paired_in_child(
        [&] { return paired_runs(path, saved, stations, pairs, shape == Shape::PLAIN); }, &f->paired);
    if (ok && !f->paired.ok) {
        std::fprintf(stderr, "\nbench_setup_file: %s\n", f->paired.message);
        ok = false;
    }
    if (ok) {
        const Child_report peak = run_in_child([&] { return measure_read(path, stations); });
        ok = peak.outcome.ok;
        f->read_peak_mb = peak.peak_kib * 1024.0 / MB;
        if (!ok) std::fprintf(stderr, "\nbench_setup_file: %s\n", peak.outcome.message);
    }
    std::printf(ok ? " done\n" : "\n");
    remove_files();
    return ok;
}

void print_table(const std::vector<Figures>& rows, double idle_peak_mb) {
    std::printf("\n%8s %-18s %8s %9s %9s %9s %9s %7s %13s %6s %6s %8s %6s\n", "stations", "input", "file MB",
                "parse ms", "read ms", "save ms", "write ms", "r/p", "r/p range", "s/r", "w/r", "peak MB",
                "p/file");
    for (const Figures& f : rows) {
        const Paired& p = f.paired;
        std::printf("%8d %-18s %8.1f %9.1f %9.1f %9.1f %9.1f %7.2f %6.2f-%-6.2f %6.2f %6.2f %8.1f %6.2f\n",
                    f.stations, shape_name(f.shape), f.file_mb, p.parse_ms, p.read_ms, p.save_ms, p.writer_ms,
                    p.read_per_parse, p.read_per_parse_low, p.read_per_parse_high, p.save_per_read,
                    p.writer_per_read, f.read_peak_mb, f.read_peak_mb / f.file_mb);
    }
    std::printf(
        "\nparse: pugixml's load_file of the whole file (parse_minimal, utf8), the pugixml this program "
        "and the reader\nare built with; read: Tsetup::read_file; save: Tsetup::write_file (with its "
        "fsync) of the document read;\nwrite: the writer alone, the same document to /dev/null. Times are "
        "medians of paired runs in one\nprocess; r/p is the median of each pair's read / parse (range over "
        "the pairs), s/r and w/r the\nmedians of each pair's save / read and write / read. peak: the read's "
        "peak resident set in a fresh\nprocess (one that does nothing peaks at %.1f MB). MB = 10^6 bytes.\n",
        idle_peak_mb);
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
    std::printf("\nTargets (plain inputs):\n");
    const Figures* ten_thousand = nullptr;
    for (const Figures& f : rows)
        if (f.shape == Shape::PLAIN && f.stations == 10000) ten_thousand = &f;
    for (const Figures& f : rows) {
        if (f.shape != Shape::PLAIN) continue;
        const std::string at = " at " + std::to_string(f.stations) + " stations";
        if (f.stations < 1000000)
            verdict(f.paired.read_per_parse <= 1.3, format("read within 1.3x the bare parse: %.2fx (%.1f ms)",
                                                           f.paired.read_per_parse, f.paired.read_ms) +
                                                        at);
        verdict(f.paired.save_per_read <= 1.0, format("save no slower than read: %.2fx (%.1f ms)",
                                                      f.paired.save_per_read, f.paired.save_ms) +
                                                   at);
        std::printf("        (the writer alone, without the disk: %.2fx the read, %.1f ms)\n",
                    f.paired.writer_per_read, f.paired.writer_ms);
        verdict(f.read_peak_mb <= 1.5 * f.file_mb,
                format("read's peak memory at most 1.5x the file: %.2fx (%.1f MB)",
                       f.read_peak_mb / f.file_mb, f.read_peak_mb) +
                    at);
        if (f.stations >= 1000000) {
            verdict(f.paired.read_ms < 15000,
                    format("read under 15 s: %.1f s", f.paired.read_ms / 1000, 0) + at);
            verdict(f.read_peak_mb < 5000, format("read under 5 GB: %.0f MB", f.read_peak_mb, 0) + at);
            if (ten_thousand != nullptr) {
                const double growth =
                    (f.paired.read_ms / f.stations) / (ten_thousand->paired.read_ms / ten_thousand->stations);
                verdict(growth <= 1.3, format("read time per station within 1.3x that at 10,000: %.2fx "
                                              "(%.2f us per station)",
                                              growth, 1000.0 * f.paired.read_ms / f.stations));
            }
        }
    }
}

} // namespace

// The two modes for a profiler: a generated file kept, and reads of a file in one process.
int write_mode(const char* stations_text, const char* path) {
    int32_t n = 0;
    if (parse_int(stations_text, &n) || n <= 0) {
        std::fprintf(stderr, "bench_setup_file: not a number of stations: %s\n", stations_text);
        return 2;
    }
    std::string reason;
    if (write_generated_setup(path, n, &reason) != 0) {
        std::fprintf(stderr, "bench_setup_file: cannot write %s: %s\n", path, reason.c_str());
        return 1;
    }
    return 0;
}

int read_mode(const char* path, const char* times_text) {
    int32_t times = 1;
    if (times_text != nullptr && (parse_int(times_text, &times) || times <= 0)) {
        std::fprintf(stderr, "bench_setup_file: not a number of reads: %s\n", times_text);
        return 2;
    }
    std::vector<double> ms;
    for (int i = 0; i < times; ++i) {
        Tsetup setup;
        std::string reason;
        const Clock::time_point start = Clock::now();
        if (setup.read_file(path, &reason) != 0) {
            std::fprintf(stderr, "bench_setup_file: cannot read %s: %s\n", path, reason.c_str());
            return 1;
        }
        ms.push_back(ms_since(start));
        if (i == 0) std::printf("%zu stations\n", station_count(setup));
    }
    std::printf("read: median %.1f ms of %d\n", median(ms), times);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0) return write_mode(argv[2], argv[3]);
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--read") == 0)
        return read_mode(argv[2], argc == 4 ? argv[3] : nullptr);
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
        // The other shapes at the sizes of everyday files; the million is the plain file alone.
        for (Shape shape : {Shape::PLAIN, Shape::LONG_SYSTEM_CONFIG, Shape::INCLUDED}) {
            if (!ok || interrupted || (shape != Shape::PLAIN && n > 100000)) continue;
            Figures f;
            if (!measure_size(folder, n, shape, &f)) {
                ok = false;
                break;
            }
            rows.push_back(f);
        }
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
