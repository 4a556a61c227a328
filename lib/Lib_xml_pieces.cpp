// Reading a document a piece at a time. The scan follows the parser's own rules for the markup it accepts
// (names, quoted attribute values, comments, end tags matching their start) and gives up on everything
// else, so that a piece it cuts out is exactly the element the whole parse would have made.
#include "Lib_xml_pieces.h"

#include <cstring>
#include <new>
#include <string>

#include <unistd.h>

namespace {

bool pieces_enabled = true;

constexpr unsigned parse_options = pugi::parse_minimal; // as the whole parse: nothing converted

bool is_space(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool is_name_start(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool is_name_char(unsigned char c) {
    return is_name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

struct Name {
    const char* text;
    size_t length;
    bool is(const char* other, size_t other_length) const {
        return length == other_length && std::memcmp(text, other, length) == 0;
    }
};

// The scan over the document's bytes. The bytes end with a zero one past `end`, which no rule accepts, so
// a look one byte ahead never leaves the buffer.
class Scan {
  public:
    Scan(const char* begin, const char* end) : p_(begin), begin_(begin), end_(end) {}

    // The extents of the item elements directly inside a list element directly inside the root; false
    // when the bytes hold anything the scan is not certain of.
    template <typename Found> bool run(const char* list, const char* item, Found&& found) {
        const size_t list_length = std::strlen(list), item_length = std::strlen(item);
        // The declaration, only where the writer puts it: first in the file.
        if (end_ - p_ > 5 && std::memcmp(p_, "<?xml", 5) == 0 &&
            is_space(static_cast<unsigned char>(p_[5]))) {
            const char* close = search(p_ + 5, "?>");
            if (close == nullptr) return false;
            p_ = close + 2;
        }
        stack_.reserve(16);
        bool root_seen = false;
        const char* piece = nullptr; // the start of the item element being crossed
        for (;;) {
            if (stack_.empty()) {
                while (p_ < end_ && is_space(static_cast<unsigned char>(*p_)))
                    ++p_;
                if (p_ == end_) break;
                if (*p_ != '<') return false;
            } else {
                p_ = static_cast<const char*>(std::memchr(p_, '<', static_cast<size_t>(end_ - p_)));
                if (p_ == nullptr) return false;
            }
            const char* tag = p_;
            const unsigned char c = static_cast<unsigned char>(p_[1]);
            if (c == '!') {
                if (p_[2] != '-' || p_[3] != '-') return false; // CDATA, a document type
                const char* close = search(p_ + 4, "-->");
                if (close == nullptr) return false;
                p_ = close + 3;
                continue;
            }
            if (c == '/') {
                if (stack_.empty()) return false;
                p_ += 2;
                const Name name = read_name();
                if (!name.is(stack_.back().text, stack_.back().length)) return false;
                skip_space();
                if (*p_ != '>') return false;
                ++p_;
                stack_.pop_back();
                if (piece != nullptr && stack_.size() == 2) {
                    found(static_cast<size_t>(piece - begin_), static_cast<size_t>(p_ - piece));
                    piece = nullptr;
                }
                continue;
            }
            if (!is_name_start(c)) return false;           // a processing instruction, or no markup at all
            if (stack_.empty() && root_seen) return false; // a second element after the root
            ++p_;
            const Name name = read_name();
            bool empty = false;
            if (!read_attributes(&empty)) return false;
            const bool is_piece = stack_.size() == 2 && piece == nullptr && stack_[1].is(list, list_length) &&
                                  name.is(item, item_length);
            if (empty) {
                if (is_piece) found(static_cast<size_t>(tag - begin_), static_cast<size_t>(p_ - tag));
            } else {
                if (is_piece) piece = tag;
                stack_.push_back(name);
            }
            root_seen = true;
        }
        return root_seen && stack_.empty();
    }

  private:
    const char* search(const char* from, const char* text) const {
        const size_t n = std::strlen(text);
        for (const char* q = from; q + n <= end_;) {
            q = static_cast<const char*>(std::memchr(q, text[0], static_cast<size_t>(end_ - q)));
            if (q == nullptr || q + n > end_) return nullptr;
            if (std::memcmp(q, text, n) == 0) return q;
            ++q;
        }
        return nullptr;
    }

    Name read_name() {
        const char* start = p_;
        if (is_name_start(static_cast<unsigned char>(*p_)))
            while (is_name_char(static_cast<unsigned char>(*p_)))
                ++p_;
        return Name{start, static_cast<size_t>(p_ - start)};
    }

    void skip_space() {
        while (is_space(static_cast<unsigned char>(*p_)))
            ++p_;
    }

    // From behind the element's name to behind its '>' or "/>".
    bool read_attributes(bool* empty) {
        if (*p_ != '>' && *p_ != '/' && !is_space(static_cast<unsigned char>(*p_))) return false;
        for (;;) {
            skip_space();
            if (is_name_start(static_cast<unsigned char>(*p_))) {
                read_name();
                skip_space();
                if (*p_ != '=') return false;
                ++p_;
                skip_space();
                const char quote = *p_;
                if (quote != '"' && quote != '\'') return false;
                const char* close =
                    static_cast<const char*>(std::memchr(p_ + 1, quote, static_cast<size_t>(end_ - p_ - 1)));
                if (close == nullptr) return false;
                p_ = close + 1;
                if (is_name_start(static_cast<unsigned char>(*p_))) return false; // no blank between
                continue;
            }
            if (*p_ == '/') {
                if (p_[1] != '>') return false;
                p_ += 2;
                *empty = true;
                return true;
            }
            if (*p_ == '>') {
                ++p_;
                return true;
            }
            return false;
        }
    }

    const char* p_;
    const char* begin_;
    const char* end_;
    std::vector<Name> stack_;
};

bool parse(pugi::xml_document& document, char* bytes, size_t size) {
    try {
        return static_cast<bool>(
            document.load_buffer_inplace(bytes, size, parse_options, pugi::encoding_utf8));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

Xml_pieces::Xml_pieces() = default;
Xml_pieces::~Xml_pieces() = default;

void Xml_pieces::set_enabled(bool enabled) {
    pieces_enabled = enabled;
}

bool Xml_pieces::enabled() {
    return pieces_enabled;
}

bool Xml_pieces::split(myXMLdocument& document, const char* list, const char* item) {
    extents_.clear();
    next_ = 0;
    outline_.reset();
    outline_bytes_.reset();
    document_ = &document;
    bytes_ = document.buffer_.get();
    if (!pieces_enabled || bytes_ == nullptr || list == nullptr || item == nullptr) return false;
    const size_t size = document.size_;
    Scan scan(bytes_, bytes_ + size);
    size_t pieces_length = 0;
    try {
        const bool scanned = scan.run(list, item, [&](size_t begin, size_t length) {
            extents_.push_back(Extent{begin, length});
            pieces_length += length;
        });
        if (!scanned || extents_.empty()) {
            extents_.clear();
            return false;
        }
    } catch (const std::bad_alloc&) {
        extents_.clear();
        return false;
    }
    // The outline: the bytes around the pieces, with an empty element in place of each.
    const std::string placeholder = std::string("<") + item + "/>";
    const size_t outline_size = size - pieces_length + extents_.size() * placeholder.size();
    outline_bytes_.reset(new (std::nothrow) char[outline_size + 1]);
    if (outline_bytes_ == nullptr) {
        extents_.clear();
        return false;
    }
    char* out = outline_bytes_.get();
    size_t from = 0;
    for (const Extent& e : extents_) {
        std::memcpy(out, bytes_ + from, e.begin - from);
        out += e.begin - from;
        std::memcpy(out, placeholder.data(), placeholder.size());
        out += placeholder.size();
        from = e.begin + e.length;
    }
    std::memcpy(out, bytes_ + from, size - from);
    out += size - from;
    *out = 0;
    if (!parse(outline_, outline_bytes_.get(), outline_size) || !outline_.document_element()) {
        outline_.reset();
        outline_bytes_.reset();
        extents_.clear();
        return false;
    }
    return true;
}

Xml_element Xml_pieces::root() const {
    return outline_.document_element();
}

Xml_element Xml_pieces::next() {
    if (next_ > 0 && next_ <= extents_.size()) {
        // The previous piece's parse wrote a terminator behind it: the byte is put back.
        const Extent& last = extents_[next_ - 1];
        bytes_[last.begin + last.length] = kept_;
    }
    if (next_ >= extents_.size()) return Xml_element();
    const Extent e = extents_[next_++];
    // Parsed where it stands, without a copy (a station may hold an attribute of hundreds of megabytes).
    char* piece = bytes_ + e.begin;
    kept_ = piece[e.length];
    if (parse(piece_, piece, e.length)) return piece_.document_element();
    // The parses wrote into the bytes of every piece so far: they are read again, so that the whole
    // parse finds them as they were.
    piece_.reset();
    bytes_[e.begin + e.length] = kept_;
    const size_t from = extents_[0].begin, length = e.begin + e.length - from;
    size_t got = 0;
    while (got < length) {
        const ssize_t n =
            pread(document_->fd_, bytes_ + from + got, length - got, static_cast<off_t>(from + got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    if (got != length) {
        // The whole parse then finds no bytes and says why.
        document_->buffer_.reset();
        document_->error_text_ = "the file changed while it was read";
    }
    next_ = extents_.size() + 1; // nothing more is given out
    return Xml_element();
}
