// The setup document: data directories, COM ports and stations, read from and saved to the setup file.
#pragma once

#include <string>

#include "Comport.h"
#include "Lib_notes.h"
#include "Lib_output.h"
#include "Lib_progress.h"
#include "Lib_xml.h"
#include "Station.h"

struct Version_keeping;
class Xml_pieces;

class Tsetup {
  public:
    Tsetup();
    ~Tsetup() { clear(); }
    Tsetup(const Tsetup&) = delete;
    Tsetup& operator=(const Tsetup&) = delete;

    void clear();
    void set_defaults();
    // Reads the root's children; with a context, its listener hears every decision taken silently.
    void read(Xml_element root, Reading_context* context = nullptr);
    // Exchanges the whole content with other's.
    void swap(Tsetup& other);
    // progress, when given, hears the stations written and may stop the writing: false then, with the
    // output incomplete.
    bool write(Text_out* out, Progress_sink* progress = nullptr);

    // 0 on success; 1 when the file cannot be read or its document would not fit in memory, with the
    // document unchanged and, when asked, a one-line reason ("line 3, column 7: ...", "No such file or
    // directory"). notes, when given, hears what the readers decided silently (cleared by the caller after a
    // failed read: the notes of a read that failed describe nothing kept). progress, when given, hears
    // the bytes read, the parse and the stations read, and may stop the read: FILE_CANCELLED then, with the
    // document unchanged and the reason "cancelled".
    int read_file(const char* path, std::string* reason = nullptr, Note_sink* notes = nullptr,
                  Progress_sink* progress = nullptr);

    // Saves atomically: a temporary file in the same folder is written, flushed to disk and renamed over
    // the target only when everything was written, with the old file's owner, group, mode and extended
    // attributes. 0 on success; 1 on failure or refusal (a file with other hard links, one the user may not
    // write, no regular file, a link not to be followed, an owner or attribute that cannot be kept), with
    // the file that was there before unchanged, no temporary file left and, when asked, a one-line reason.
    // progress, when given, hears the stations written and the flush to the disk, and may stop the save
    // until the file is complete: FILE_CANCELLED then, with the old file and the folder as they were.
    // versions, when given and keeping, keeps the file the save replaces as a version (Versions.h): linked
    // or copied into the versions folder right before the rename, with its note, and the old versions
    // pruned after a successful save. A save that fails or is cancelled leaves no version behind; one
    // whose version cannot be kept fails with the reason and the old file in place.
    int write_file(const char* path, std::string* reason = nullptr, Progress_sink* progress = nullptr,
                   Version_keeping* versions = nullptr);

  private:
    // The read of the parsed document: RETRY when a station read by pieces did not parse or the file
    // changed between its two reads.
    static constexpr int RETRY = -1;
    int read_root(const char* path, Xml_element root, Xml_pieces* pieces, Note_sink* notes,
                  Progress_sink* progress, std::string* reason);

  public:
    char path_data_bin[512];
    char path_data_xml[512];
    Tstations stations;
    Tcomports comports;
};
