// A large document read a piece at a time: the elements of one list (STATION inside STATIONS) are parsed
// one by one into a reused tree, so the whole file never becomes one tree, and the file is read a block at
// a time, so its bytes are never all in memory either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Lib_progress.h"
#include "Lib_xml.h"

class Xml_pieces {
  public:
    Xml_pieces();
    ~Xml_pieces();
    Xml_pieces(const Xml_pieces&) = delete;
    Xml_pieces& operator=(const Xml_pieces&) = delete;

    enum class Split {
        DONE,      // the outline is parsed: root() and next() give the document
        WHOLE,     // the file must be read as one tree (which says why, should it fail)
        CANCELLED, // the progress sink asked to stop
    };

    // Reads the file a block at a time and finds every element named item directly inside an element
    // named list directly inside the root; the rest of the document is parsed with an empty element in
    // place of each (the outline). WHOLE when the bytes around the pieces hold anything the scan is not
    // certain of (a processing instruction, CDATA, a document type, markup it cannot delimit, a document
    // that is not well-formed), when there is no such element, or when the file cannot be read as it was
    // found: the caller then reads the whole document, which gives the error with its line and column.
    // progress hears the file's bytes read and the outline's parse.
    Split split(const char* path, const char* list, const char* item, Progress_sink* progress = nullptr);

    // The outline's root element.
    Xml_element root() const;
    // How many pieces the outline stands for.
    size_t size() const { return extents_.size(); }
    // The next piece in document order, read again from the file and parsed on its own; valid until the
    // next call. None when it does not parse as one element of its name, when the file no longer holds it,
    // or when every piece has been given out.
    Xml_element next();
    // Whether the file still is as the scan found it (its size and modification time): a document made of
    // pieces of two different files is not kept.
    bool unchanged() const;

    // Whether reading by pieces is used at all (tests and the equivalence fuzz target read both ways).
    static void set_enabled(bool enabled);
    static bool enabled();
    // The size of the blocks the file is read in (tests make it small, so pieces cross blocks).
    static void set_block_size(size_t bytes);
    static size_t block_size();

  private:
    struct Extent {
        uint64_t begin;
        size_t length;
    };
    // Makes the bytes from the file's offset `begin` on, `length` of them, stand in the window; false when
    // the file does not hold them.
    bool window_holds(uint64_t begin, size_t length);
    bool grow_window(size_t capacity);
    // Reads the file's next bytes into the window behind those it holds, as many as fit; false when the
    // file gave fewer than it should hold.
    bool fill_window();

    int fd_ = -1;
    uint64_t file_size_ = 0;
    int64_t file_mtime_sec_ = 0, file_mtime_nsec_ = 0;
    // A window on the file: capacity_ bytes (and one more for a terminator), the first filled_ of which are
    // the file's bytes from offset base_ on.
    std::unique_ptr<char[]> window_;
    size_t capacity_ = 0, filled_ = 0;
    uint64_t base_ = 0;
    std::vector<Extent> extents_;
    size_t next_ = 0;
    std::string outline_text_; // the outline's bytes, parsed in place
    pugi::xml_document outline_;
    std::string item_;
    pugi::xml_document piece_;
};
