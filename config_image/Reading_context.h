// What one read of a setup file carries down to its readers: where they are (station, COM port, included
// file), who listens to their notes, the included files already parsed, and whether the read failed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "Lib_notes.h"
#include "Lib_progress.h"
#include "Lib_xml.h"

// What the included configuration files of one read may cost together. Each file is read and parsed
// once, so its bytes count once; each use of it walks its elements again, so they count at every use. A
// fleet whose stations share one small file stays far below both; a file that makes every station walk a
// million elements stops at the bound instead of taking hours.
constexpr unsigned long long INCLUDE_BYTES_MAX = 1ull << 30;    // bytes read, each file once
constexpr unsigned long long INCLUDE_ELEMENTS_MAX = 1ull << 24; // elements walked, at every use

class Xml_pieces;

class Reading_context {
  public:
    // Reads whose file attributes are relative to setup_file's folder first, then to the working folder.
    explicit Reading_context(Note_sink* sink = nullptr, std::string setup_file = std::string());
    ~Reading_context();
    Reading_context(const Reading_context&) = delete;
    Reading_context& operator=(const Reading_context&) = delete;

    // Whether anyone listens to warnings here: children that lie unused behind an included
    // configuration's end marker are summed up by one note, not judged one by one.
    bool listening() const { return sink_ != nullptr && !unused; }
    // Whether anyone listens to errors (which the trace reports wherever they happen).
    bool listening_to_errors() const { return sink_ != nullptr; }
    // Fills in the place and hands the note on; does nothing when nobody listens.
    void note(Reading_note note);

    // An included configuration file, parsed once per read however many stations name it. The root, or
    // none with *reason set; *path is the file really read (beside the naming file, or in the working
    // folder); *working_folder tells a relative name found only in the working folder.
    Xml_element include(const std::string& name, std::string* path, std::string* reason,
                        bool* working_folder = nullptr);

    // The place of what is read now.
    int station = 0;
    int32_t station_id = 0;
    int comport = 0;
    std::string file;             // the included file being read; empty for the setup file
    std::string folder;           // the folder of the file being read, for relative names
    bool unused = false;          // reading children that no reader of the image will see
    bool sms_number_seen = false; // the first SMS number of a configuration is the one the editor shows

    // Tests lower the bounds to reach them with small files; 0 restores the defaults.
    static void set_include_limits(unsigned long long bytes, unsigned long long elements);

    // Set when a read cannot go on (not enough memory for a record): nothing of it may be kept.
    bool failed = false;
    std::string failure;

    // The stations read so far, told to the meter when there is one; a stop asked through it fails the
    // read and sets `cancelled`.
    Progress_meter* progress = nullptr;
    uint64_t stations_read = 0;
    bool cancelled = false;

    // When the file is read a station at a time: the stations, each parsed on its own in document order
    // where the outline holds an empty STATION. A station that does not parse, or notes too many to hold
    // back, set `retry` (and `failed`): the caller reads the whole document instead.
    Xml_pieces* pieces = nullptr;
    bool retry = false;

  private:
    struct Included;
    Note_sink* sink_;
    std::map<std::pair<unsigned long long, unsigned long long>, std::unique_ptr<Included>> included_;
    unsigned long long include_bytes_ = 0;
    unsigned long long include_elements_ = 0;
};

// The caller's context, or one made in `alone` when the caller gave none: a reader called without a
// context reads all the same, and one called with a context pays nothing for the other case.
inline Reading_context& own_context(Reading_context* context, std::optional<Reading_context>& alone) {
    return context != nullptr ? *context : alone.emplace();
}

// The folder part of a path ("." when it has none).
std::string folder_of(const std::string& path);
