// A large document read a piece at a time: the elements of one list (STATION inside STATIONS) are parsed
// one by one into a reused tree, so the whole file never becomes one tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Lib_xml.h"

class Xml_pieces {
  public:
    Xml_pieces();
    ~Xml_pieces();
    Xml_pieces(const Xml_pieces&) = delete;
    Xml_pieces& operator=(const Xml_pieces&) = delete;

    // Finds every element named item directly inside an element named list directly inside the root of
    // the bytes document has read (xml_read_file), and parses the rest of the document with an empty
    // element in place of each (the outline). False when the bytes hold anything the scan is not certain
    // of (a processing instruction, CDATA, a document type, markup it cannot delimit, a document that is
    // not well-formed) or no such element: the caller then parses the whole document, which gives the
    // error with its line and column. The document's bytes stay as they were read.
    bool split(myXMLdocument& document, const char* list, const char* item);

    // The outline's root element.
    Xml_element root() const;
    // How many pieces the outline stands for.
    size_t size() const { return extents_.size(); }
    // The next piece in document order, parsed on its own where it stands in the document's bytes; valid
    // until the next call. None when it does not parse (the bytes of the pieces parsed so far are then read
    // again from the file, so the whole parse finds them as they were) or when every piece has been given
    // out.
    Xml_element next();

    // Whether reading by pieces is used at all (tests and the equivalence fuzz target read both ways).
    static void set_enabled(bool enabled);
    static bool enabled();

  private:
    struct Extent {
        size_t begin;
        size_t length;
    };
    myXMLdocument* document_ = nullptr;
    char* bytes_ = nullptr;
    std::vector<Extent> extents_;
    size_t next_ = 0;
    std::unique_ptr<char[]> outline_bytes_;
    pugi::xml_document outline_;
    char kept_ = 0; // the byte behind the piece, which its parse overwrites with a terminator
    pugi::xml_document piece_;
};
