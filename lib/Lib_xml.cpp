// XML access over pugixml. Texts are 8-bit: the parser is told the file is UTF-8 and converts nothing, and
// references in attribute values are resolved here into single bytes, never into UTF-8 sequences.
#include "Lib_xml.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Lib_notes.h"
#include "Lib_output.h"
#include "Lib_trace.h"

namespace {

// With parse_minimal nothing in the text is converted: no escapes, no end-of-line or whitespace changes.
constexpr unsigned parse_options = pugi::parse_minimal;

// The memory this process may use: the physical memory, or less when an address-space limit is set
// (ulimit -v), since allocations beyond that limit fail whatever the machine has.
unsigned long long physical_memory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGE_SIZE);
    unsigned long long memory = 4ull << 30;
    if (pages > 0 && page_size > 0)
        memory = static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(page_size);
    struct rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<unsigned long long>(limit.rlim_cur) < memory)
        memory = static_cast<unsigned long long>(limit.rlim_cur);
    return memory;
}

// The file's own bytes: a quarter of the physical memory at most.
unsigned long long size_limit_bytes = physical_memory() / 4;

// The parsed tree: its size depends on the markup, not on the file's size (a file of empty elements
// takes 17 times its size, one of long texts less than its size), so the parser's allocations are
// counted and refused beyond half of the physical memory. A refused allocation ends the parse with
// "out of memory", which the reader reports, instead of the system ending the program.
std::atomic<unsigned long long> tree_limit_bytes{physical_memory() / 2};
std::atomic<unsigned long long> tree_bytes{0};

// Every block carries its size in front, so that a release gives back what it took.
constexpr size_t block_header = alignof(std::max_align_t);

void* counted_allocate(size_t size) {
    const unsigned long long total = tree_bytes.fetch_add(size) + size;
    if (total > tree_limit_bytes.load() || size > SIZE_MAX - block_header) {
        tree_bytes.fetch_sub(size);
        return nullptr;
    }
    char* block = static_cast<char*>(std::malloc(size + block_header));
    if (block == nullptr) {
        tree_bytes.fetch_sub(size);
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    return block + block_header;
}

void counted_deallocate(void* pointer) {
    if (pointer == nullptr) return;
    char* block = static_cast<char*>(pointer) - block_header;
    size_t size;
    std::memcpy(&size, block, sizeof size);
    tree_bytes.fetch_sub(size);
    std::free(block);
}

// Installed before main, before any document exists: a block must be released by the functions that
// allocated it.
[[maybe_unused]] const bool counted_memory_installed = [] {
    pugi::set_memory_management_functions(counted_allocate, counted_deallocate);
    return true;
}();

// Line and column (from 1) of a byte offset, counted on the file's own bytes. The parse has written
// terminators into the buffer, over line breaks among other bytes, so the bytes are read again from the
// descriptor still open, a megabyte at a time: a file of gigabytes takes a second, not minutes.
void line_and_column(int fd, ptrdiff_t offset, long* line, long* column) {
    *line = 1;
    *column = 1;
    constexpr size_t block = 1u << 20;
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[block]);
    if (bytes == nullptr) return;
    off_t at = 0;
    while (at < offset) {
        const size_t want = static_cast<size_t>(std::min<off_t>(static_cast<off_t>(block), offset - at));
        const ssize_t got = pread(fd, bytes.get(), want, at);
        if (got <= 0) break;
        const char* p = bytes.get();
        const char* end = p + got;
        for (const char* nl;
             (nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr;
             p = nl + 1) {
            ++*line;
            *column = 1;
        }
        *column += end - p;
        at += got;
    }
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a reference starting at the '&' of p. Returns its length and the byte it stands for, or 0.
size_t read_reference(const char* p, char* byte) {
    static const struct {
        const char* name;
        char value;
    } entities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&apos;", '\''}, {"&quot;", '"'}};
    for (const auto& e : entities) {
        const size_t n = std::strlen(e.name);
        if (std::strncmp(p, e.name, n) == 0) {
            *byte = e.value;
            return n;
        }
    }
    if (p[1] != '#') return 0;
    const bool hex = p[2] == 'x';
    const char* q = p + (hex ? 3 : 2);
    const char* digits = q;
    unsigned value = 0;
    for (; *q != ';'; ++q) {
        const int d = hex ? hex_value(*q) : (*q >= '0' && *q <= '9' ? *q - '0' : -1);
        if (d < 0) return 0; // no digit, no semicolon: not a reference
        value = value * (hex ? 16u : 10u) + static_cast<unsigned>(d);
        if (value > 255) return 0;
    }
    if (q == digits || value == 0) return 0;
    *byte = static_cast<char>(value);
    return static_cast<size_t>(q - p) + 1;
}

// strcmp(a, b) == 0 without the library call: the names compared here are short and most differ in their
// first byte, so the call's own setup would cost more than the comparison.
bool same_text(const char* a, const char* b) {
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Whether the text holds an '&', so that references may need resolving. Attribute values are mostly a few
// characters long, where this loop beats the library's vectorised search and its setup.
bool holds_ampersand(const char* text) {
    for (; *text != 0; ++text)
        if (*text == '&') return true;
    return false;
}

// The attribute's raw text, or null when the element has no such attribute (the parser answers an empty
// element with no attribute).
const char* raw_attribute(Xml_element element, const char* name) {
    if (name == nullptr) return nullptr;
    const pugi::xml_attribute attribute = element.attribute(name);
    return attribute ? attribute.value() : nullptr;
}

} // namespace

myXMLdocument::myXMLdocument() = default;
myXMLdocument::~myXMLdocument() {
    if (fd_ >= 0) close(fd_);
}

void myXMLdocument::set_size_limit(unsigned long long bytes) {
    size_limit_bytes = bytes;
}
unsigned long long myXMLdocument::size_limit() {
    return size_limit_bytes;
}
void myXMLdocument::set_tree_limit(unsigned long long bytes) {
    tree_limit_bytes = bytes;
}
unsigned long long myXMLdocument::tree_limit() {
    return tree_limit_bytes;
}
unsigned long long myXMLdocument::tree_bytes_in_use() {
    return tree_bytes;
}

namespace {

void close_kept(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

} // namespace

int xml_open_regular(const char* path, struct stat* info, std::string* error) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error != nullptr) *error = std::strerror(errno);
        return -1;
    }
    if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        if (error != nullptr)
            *error = S_ISDIR(info->st_mode) ? "it is a folder, not a file" : "it is not a regular file";
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool xml_read_file(const char* path, myXMLdocument* document, Progress_sink* progress) {
    if (path == nullptr || document == nullptr) return false;
    document->document_.reset();
    document->buffer_.reset();
    document->size_ = 0;
    close_kept(document->fd_);
    document->error_text_.clear();
    document->cancelled_ = false;
    std::string& error = document->error_text_;

    struct stat info {};
    const int fd = xml_open_regular(path, &info, &error);
    if (fd < 0) return false;
    FILE* f = fdopen(fd, "rb");
    if (f == nullptr) {
        error = std::strerror(errno);
        close(fd);
        return false;
    }
    const unsigned long long size = static_cast<unsigned long long>(info.st_size);
    if (size > size_limit_bytes) {
        error = "the file is too large (" + std::to_string(size) + " bytes) for the memory of this computer";
        std::fclose(f);
        return false;
    }
    char* bytes = new (std::nothrow) char[size + 1];
    if (bytes == nullptr) {
        error = "not enough memory to read the file";
        std::fclose(f);
        return false;
    }
    document->buffer_.reset(bytes);
    // Read in pieces of a few megabytes, so that a listener hears how far it is; without one the
    // pieces cost what one read of the whole would.
    const auto stop = [&] {
        document->cancelled_ = true;
        error = "cancelled";
        document->buffer_.reset();
        return false;
    };
    constexpr size_t piece = size_t{4} << 20;
    Progress_meter reading(progress, Progress_phase::READING_FILE, size, piece);
    size_t got = 0;
    while (got < size) {
        const size_t want = std::min<unsigned long long>(piece, size - got);
        const size_t n = std::fread(bytes + got, 1, want, f);
        got += n;
        if (n != want || reading.at(got)) break;
    }
    const bool read_error = std::ferror(f) != 0;
    // A second descriptor stays open until the parse, for the line and column of an error.
    if (!read_error && got == size) document->fd_ = dup(fileno(f));
    std::fclose(f);
    if (reading.stopped()) return stop();
    if (read_error || got != size) {
        error = read_error ? std::strerror(errno) : "the file changed while it was read";
        document->buffer_.reset();
        return false;
    }
    bytes[size] = 0;
    document->size_ = size;
    if (reading.finish()) return stop();
    return true;
}

Xml_element xml_parse_read(myXMLdocument* document, Progress_sink* progress) {
    if (document == nullptr) return Xml_element();
    if (document->buffer_ == nullptr) {
        if (document->error_text_.empty()) document->error_text_ = "the file was not read";
        return Xml_element();
    }
    std::string& error = document->error_text_;
    const auto stop = [&] {
        document->cancelled_ = true;
        error = "cancelled";
        document->document_.reset();
        document->buffer_.reset();
        close_kept(document->fd_);
        return Xml_element();
    };
    // The parser takes the whole text in one call: its listener hears only its start and its end.
    Progress_meter parsing(progress, Progress_phase::PARSING, 1, 1);
    if (parsing.stopped()) return stop();
    pugi::xml_parse_result result;
    try {
        result = document->document_.load_buffer_inplace(document->buffer_.get(), document->size_,
                                                         parse_options, pugi::encoding_utf8);
    } catch (const std::bad_alloc&) {
        result.status = pugi::status_out_of_memory;
    }
    if (result && parsing.finish()) return stop();
    if (!result) {
        if (result.status == pugi::status_out_of_memory) {
            error = "not enough memory to read the file (its XML tree needs more than " +
                    std::to_string(tree_limit_bytes.load() >> 20) + " MB)";
        } else {
            long line, column;
            line_and_column(document->fd_, result.offset, &line, &column);
            error = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                    result.description();
        }
        document->document_.reset();
        document->buffer_.reset();
        close_kept(document->fd_);
        return Xml_element();
    }
    close_kept(document->fd_);
    Xml_element root = document->document_.document_element();
    if (!root) error = "the file holds no XML element";
    return root;
}

Xml_element xml_load_file(const char* path, myXMLdocument* document, Progress_sink* progress) {
    if (!xml_read_file(path, document, progress)) return Xml_element();
    return xml_parse_read(document, progress);
}

Xml_element xml_first_child_element(Xml_element node) {
    for (Xml_element child = node.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element) return child;
    return Xml_element();
}

Xml_element xml_next_sibling_element(Xml_element node) {
    for (Xml_element sibling = node.next_sibling(); sibling; sibling = sibling.next_sibling())
        if (sibling.type() == pugi::node_element) return sibling;
    return Xml_element();
}

bool xml_element_is(Xml_element element, const char* name) {
    // An empty element's name reads as "", so it is checked only when that could match.
    return name != nullptr && same_text(element.name(), name) && (name[0] != 0 || element);
}

const char* xml_element_name(Xml_element element) {
    return element ? element.name() : nullptr;
}

std::string xml_resolve_references(const char* text, size_t max) {
    std::string out;
    if (text == nullptr) return out;
    const char* amp = std::strchr(text, '&');
    if (amp == nullptr) return std::string(text, strnlen(text, max)); // the common case: nothing to resolve
    out.reserve(std::min(std::strlen(text), max));
    const char* p = text;
    while (*p != 0 && out.size() < max) {
        if (*p == '&') {
            char byte;
            const size_t n = read_reference(p, &byte);
            if (n != 0) {
                out += byte;
                p += n;
                continue;
            }
        }
        out += *p++;
    }
    return out;
}

size_t xml_resolved_length(const char* text) {
    if (text == nullptr) return 0;
    size_t length = 0;
    for (const char* p = text; *p != 0; ++length) {
        char byte;
        const size_t n = *p == '&' ? read_reference(p, &byte) : 0;
        p += n != 0 ? n : 1;
    }
    return length;
}

const char* xml_raw_attribute(Xml_element element, const char* name) {
    return raw_attribute(element, name);
}

void xml_note_raw(Reading_note& note, const char* raw) {
    note.raw = xml_resolve_references(raw, RAW_KEPT);
    note.length = xml_resolved_length(raw);
}

std::optional<std::string> xml_attribute_text(Xml_element element, const char* name) {
    const char* raw = raw_attribute(element, name);
    if (raw == nullptr) return std::nullopt;
    return xml_resolve_references(raw);
}

bool xml_raw_is(const char* raw, const char* text) {
    if (raw == nullptr || text == nullptr) return false;
    // Most values hold no reference: they are compared where they stand, without a copy.
    std::string resolved;
    if (holds_ampersand(raw)) {
        resolved = xml_resolve_references(raw);
        raw = resolved.c_str();
    }
    // A resolved text holds no zero byte of its own (a reference to 0 is not resolved), so its end is
    // where its length says.
    const size_t n = std::strlen(text);
    if (std::strlen(raw) != n) return false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char a = static_cast<unsigned char>(raw[i]);
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (std::toupper(a) != std::toupper(b)) return false;
    }
    return true;
}

bool xml_attribute_is(Xml_element element, const char* name, const char* text) {
    if (text == nullptr) return false;
    return xml_raw_is(raw_attribute(element, name), text);
}

bool xml_convert_raw(const char* raw, int kind, void* out, int size) {
    if (raw == nullptr || out == nullptr) return false;
    // A number is converted where it stands first: one that converts cleanly holds no '&', so no
    // reference. Otherwise, and for a text, a value that holds a reference is converted once resolved.
    // A NUL written as a reference is not resolved, so a resolved text holds no zero byte of its own.
    if (kind != VALUE_TEXT && !convert_text_value(raw, out, kind, size)) return true;
    if (kind != VALUE_TEXT && !holds_ampersand(raw)) return false;
    std::string resolved;
    if (holds_ampersand(raw)) {
        resolved = xml_resolve_references(raw);
        raw = resolved.c_str();
    }
    return !convert_text_value(raw, out, kind, size);
}

bool xml_read_attribute(Xml_element element, const char* name, int kind, void* out, int size,
                        const char* trace_label) {
    if (out == nullptr || !element || name == nullptr) return false;
    if (kind == VALUE_TEXT && size > 0) static_cast<char*>(out)[0] = 0;
    const char* text = raw_attribute(element, name);
    if (text == nullptr) return false;
    const bool ok = xml_convert_raw(text, kind, out, size);
    if (ok && trace_label != nullptr) {
        switch (kind) {
        case VALUE_TEXT:
            trace("%s %s %s=\"%s\"", trace_label, "", name, static_cast<const char*>(out));
            break;
        case VALUE_INT:
            trace("%s %s %s=\"%d\"", trace_label, "", name, *static_cast<const int32_t*>(out));
            break;
        case VALUE_REAL:
            trace("%s %s %s=\"%f\"", trace_label, "", name, *static_cast<const double*>(out));
            break;
        default:
            break;
        }
    }
    return ok;
}

bool xml_read_attribute_if_named(Xml_element element, const char* element_name, const char* attribute_name,
                                 int kind, void* out, int size, const char* trace_label) {
    if (!element || element_name == nullptr || strcasecmp(element.name(), element_name) != 0) return false;
    return xml_read_attribute(element, attribute_name, kind, out, size, trace_label);
}

namespace {

// The escaped form of one byte into piece (at most 6 characters and a terminator); its length.
size_t escape_piece(unsigned char c, char* piece) {
    static const char hex_digits[] = "0123456789abcdef";
    const char* named = nullptr;
    switch (c) {
    case '"':
        named = "&quot;";
        break;
    case '&':
        named = "&amp;";
        break;
    case '\'':
        named = "&apos;";
        break;
    case '<':
        named = "&lt;";
        break;
    case '>':
        named = "&gt;";
        break;
    default:
        break;
    }
    if (named != nullptr) {
        const size_t n = std::strlen(named);
        std::memcpy(piece, named, n + 1);
        return n;
    }
    if (c >= 0x80) {
        piece[0] = '&', piece[1] = '#', piece[2] = 'x';
        piece[3] = hex_digits[c >> 4], piece[4] = hex_digits[c & 15];
        piece[5] = ';', piece[6] = 0;
        return 6;
    }
    piece[0] = static_cast<char>(c), piece[1] = 0;
    return 1;
}

} // namespace

int xml_escape_text(char* out, const char* text, int size) {
    // A piece that would not fit with its terminator is never written: an area below 7 bytes gets what
    // fits, an area of 0 bytes nothing at all.
    if (out == nullptr || text == nullptr || size <= 0) return 0;
    int length = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    do {
        if (*p == 0) break;
        char piece[8];
        const int n = static_cast<int>(escape_piece(*p, piece));
        if (length + n + 1 > size) break;
        std::memcpy(out + length, piece, static_cast<size_t>(n) + 1);
        length += n;
        ++p;
    } while (*p != 0 && length < size - 7);
    out[length] = 0;
    return 0;
}

namespace {
bool plain_byte(unsigned char c) {
    return c < 0x80 && c != '"' && c != '&' && c != '\'' && c != '<' && c != '>';
}
} // namespace

void xml_put_escaped(Text_out* out, const char* text, size_t field_size) {
    if (out == nullptr || text == nullptr || field_size == 0) return;
    const size_t length = strnlen(text, field_size - 1);
    size_t run = 0; // the start of the plain characters not yet appended
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (plain_byte(c)) continue;
        out->append(text + run, i - run);
        char piece[8];
        out->append(piece, escape_piece(c, piece));
        run = i + 1;
    }
    out->append(text + run, length - run);
}

std::string xml_escape_field(const char* text, size_t field_size) {
    if (text == nullptr || field_size == 0) return std::string();
    // The same pieces as xml_escape_text without its bound, which could never be reached here: the whole
    // field is escaped.
    const size_t length = strnlen(text, field_size - 1);
    std::string out;
    out.reserve(length + 16);
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (plain_byte(c)) {
            out += static_cast<char>(c);
            continue;
        }
        char piece[8];
        out.append(piece, escape_piece(c, piece));
    }
    return out;
}
