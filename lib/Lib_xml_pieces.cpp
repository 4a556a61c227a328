// Reading a document a piece at a time. Around the pieces the scan follows the parser's own rules for the
// markup it accepts (names, quoted attribute values, comments, end tags matching their start) and gives up
// on everything else. A piece is cut at the first end tag of its name and confirmed by its own parse: a cut
// that parses as one whole element is exactly the element the whole parse would have made.
//
// The file is read twice, a block at a time: once to find the pieces and make the outline, once to parse
// the pieces. The second read finds the file in the system's cache, and neither holds more than a block
// (or the largest piece) in memory.
#include "Lib_xml_pieces.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool pieces_enabled = true;
size_t block_bytes = size_t{256} << 10;

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

// The scan over a window on the document's bytes, resumed where it stopped each time the window moves on.
// The window's bytes end with a zero at `end`, which no rule accepts, so a look one byte ahead never leaves
// the buffer. A rule that fails at the window's end, short of the file's end, asks for more bytes instead:
// the scan then starts again at the beginning of the markup it was crossing (its token), with the bytes
// from there on and more behind them.
class Scan {
  public:
    enum Outcome { DONE, MORE, FAILED };

    Scan(const char* list, const char* item) : list_(list), item_(item) {}

    // Scans the window from its first byte, which is where the last token began (or the file's start).
    // found(offset, length) hears each piece's place in the window. MORE leaves in token() where the
    // bytes still needed begin.
    template <typename Found> Outcome run(const char* begin, const char* end, bool at_end, Found&& found) {
        p_ = begin;
        end_ = end;
        at_end_ = at_end;
        const Outcome outcome = scan(found);
        if (outcome != MORE) return outcome;
        return at_end_ ? FAILED : MORE;
    }
    size_t token(const char* begin) const { return static_cast<size_t>(token_ - begin); }

  private:
    template <typename Found> Outcome scan(Found&& found) {
        if (!declaration_done_) {
            // The declaration, only where the writer puts it: first in the file.
            token_ = p_;
            if (end_ - p_ < 6 && !at_end_) return MORE;
            if (end_ - p_ >= 6 && std::memcmp(p_, "<?xml", 5) == 0 &&
                is_space(static_cast<unsigned char>(p_[5]))) {
                const char* close = search(p_ + 5, "?>");
                if (close == nullptr) return MORE;
                p_ = close + 2;
            }
            declaration_done_ = true;
        }
        for (;;) {
            token_ = p_;
            if (stack_.empty()) {
                while (p_ < end_ && is_space(static_cast<unsigned char>(*p_)))
                    ++p_;
                if (p_ == end_) {
                    if (!at_end_) return more_from(p_);
                    return root_seen_ ? DONE : FAILED;
                }
                if (*p_ != '<') return FAILED;
            } else {
                p_ = static_cast<const char*>(std::memchr(p_, '<', static_cast<size_t>(end_ - p_)));
                // Text needs no keeping: the scan goes on behind it.
                if (p_ == nullptr) return more_from(end_);
            }
            token_ = p_;
            const Outcome outcome = markup(found);
            if (outcome != DONE) return outcome;
        }
    }

    // One piece of markup from its '<': a comment, an end tag, a start tag (with a whole piece behind it).
    template <typename Found> Outcome markup(Found&& found) {
        const char* tag = p_;
        const unsigned char c = static_cast<unsigned char>(p_[1]);
        if (c == '!') {
            if (p_[2] != '-') return fail(p_ + 2); // CDATA, a document type
            if (p_[3] != '-') return fail(p_ + 3);
            const char* close = search(p_ + 4, "-->");
            if (close == nullptr) return MORE;
            p_ = close + 3;
            return DONE;
        }
        if (c == '/') {
            if (stack_.empty()) return FAILED;
            p_ += 2;
            const char* name = p_;
            read_name();
            if (p_ == end_) return MORE;
            const std::string& open = stack_.back();
            if (static_cast<size_t>(p_ - name) != open.size() ||
                std::memcmp(name, open.data(), open.size()) != 0)
                return FAILED;
            skip_space();
            if (*p_ != '>') return fail(p_);
            ++p_;
            stack_.pop_back();
            return DONE;
        }
        if (tag + 1 == end_) return MORE;
        if (!is_name_start(c)) return FAILED;            // a processing instruction, or no markup at all
        if (stack_.empty() && root_seen_) return FAILED; // a second element after the root
        ++p_;
        const char* name = p_;
        read_name();
        const size_t name_length = static_cast<size_t>(p_ - name);
        bool empty = false;
        const Outcome attributes = read_attributes(&empty);
        if (attributes != DONE) return attributes;
        const bool is_piece = stack_.size() == 2 && stack_[1] == list_ && item_.size() == name_length &&
                              std::memcmp(name, item_.data(), name_length) == 0;
        if (is_piece && !empty) {
            // The piece's markup is not followed: it ends at the first end tag of its name, which the
            // piece's own parse confirms. An element that really ends later (its end tag's text met first in
            // a comment, an attribute value or a nested element of the same name) does not parse when cut
            // there, and the whole document is then parsed instead.
            const char* close = end_tag();
            if (close == nullptr) return MORE;
            p_ = close;
            empty = true;
        }
        root_seen_ = true;
        if (is_piece)
            found(tag, static_cast<size_t>(p_ - tag));
        else if (!empty)
            stack_.emplace_back(name, name_length);
        return DONE;
    }

    // A rule failed at `at`: at the window's end that only means the bytes are not all there yet (MORE
    // keeps the window's bytes from the token on).
    Outcome fail(const char* at) const { return at >= end_ ? MORE : FAILED; }
    // More bytes are needed, and the window's bytes before `keep` are not needed again.
    Outcome more_from(const char* keep) {
        token_ = keep;
        return MORE;
    }

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

    // Behind the first end tag of the piece's name from here ("</name", blanks, ">"), or null when the
    // window holds none.
    const char* end_tag() const {
        const size_t length = item_.size();
        for (const char* q = p_;; ++q) {
            q = static_cast<const char*>(std::memchr(q, '<', static_cast<size_t>(end_ - q)));
            if (q == nullptr) return nullptr;
            if (q[1] != '/' || static_cast<size_t>(end_ - q) < length + 3 ||
                std::memcmp(q + 2, item_.data(), length) != 0)
                continue;
            const char* r = q + 2 + length;
            while (is_space(static_cast<unsigned char>(*r)))
                ++r;
            if (*r == '>') return r + 1;
            if (r == end_) return nullptr; // its blanks run on past the window
        }
    }

    void read_name() {
        if (is_name_start(static_cast<unsigned char>(*p_)))
            while (is_name_char(static_cast<unsigned char>(*p_)))
                ++p_;
    }

    void skip_space() {
        while (is_space(static_cast<unsigned char>(*p_)))
            ++p_;
    }

    // From behind the element's name to behind its '>' or "/>".
    Outcome read_attributes(bool* empty) {
        if (*p_ != '>' && *p_ != '/' && !is_space(static_cast<unsigned char>(*p_))) return fail(p_);
        for (;;) {
            skip_space();
            if (is_name_start(static_cast<unsigned char>(*p_))) {
                read_name();
                skip_space();
                if (*p_ != '=') return fail(p_);
                ++p_;
                skip_space();
                const char quote = *p_;
                if (quote != '"' && quote != '\'') return fail(p_);
                const char* close =
                    static_cast<const char*>(std::memchr(p_ + 1, quote, static_cast<size_t>(end_ - p_ - 1)));
                if (close == nullptr) return MORE;
                p_ = close + 1;
                if (is_name_start(static_cast<unsigned char>(*p_))) return FAILED; // no blank between
                continue;
            }
            if (*p_ == '/') {
                if (p_[1] != '>') return fail(p_ + 1);
                p_ += 2;
                *empty = true;
                return DONE;
            }
            if (*p_ == '>') {
                ++p_;
                return DONE;
            }
            return fail(p_);
        }
    }

    const std::string list_, item_;
    const char* p_ = nullptr;
    const char* end_ = nullptr;
    const char* token_ = nullptr;
    bool at_end_ = false;
    bool declaration_done_ = false;
    bool root_seen_ = false;
    std::vector<std::string> stack_;
};

bool parse(pugi::xml_document& document, char* bytes, size_t size) {
    try {
        return static_cast<bool>(
            document.load_buffer_inplace(bytes, size, parse_options, pugi::encoding_utf8));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Reads up to `length` bytes at the file's offset; how many it got (fewer only at the file's end or on an
// error).
size_t read_at(int fd, char* into, size_t length, uint64_t offset) {
    size_t got = 0;
    while (got < length) {
        const ssize_t n = pread(fd, into + got, length - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

} // namespace

Xml_pieces::Xml_pieces() = default;
Xml_pieces::~Xml_pieces() {
    if (fd_ >= 0) close(fd_);
}

void Xml_pieces::set_enabled(bool enabled) {
    pieces_enabled = enabled;
}

bool Xml_pieces::enabled() {
    return pieces_enabled;
}

void Xml_pieces::set_block_size(size_t bytes) {
    block_bytes = std::max<size_t>(bytes, 1);
}

size_t Xml_pieces::block_size() {
    return block_bytes;
}

bool Xml_pieces::grow_window(size_t capacity) {
    std::unique_ptr<char[]> bigger(new (std::nothrow) char[capacity + 1]);
    if (bigger == nullptr) return false;
    if (filled_ > 0) std::memcpy(bigger.get(), window_.get(), filled_);
    window_ = std::move(bigger);
    capacity_ = capacity;
    return true;
}

bool Xml_pieces::window_holds(uint64_t begin, size_t length) {
    if (begin < base_) return false; // the pieces come in order: the window never goes back
    const uint64_t end = begin + length;
    if (end > file_size_) return false;
    if (end <= base_ + filled_) return true;
    // What the window holds before the piece is let go; what it holds of the piece moves to its front.
    if (begin >= base_ + filled_) {
        filled_ = 0;
    } else {
        const size_t keep = static_cast<size_t>(base_ + filled_ - begin);
        std::memmove(window_.get(), window_.get() + (begin - base_), keep);
        filled_ = keep;
    }
    base_ = begin;
    if (length > capacity_ && !grow_window(std::max(length, capacity_ * 2))) return false;
    fill_window();
    return filled_ >= length;
}

bool Xml_pieces::fill_window() {
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(capacity_ - filled_, file_size_ - (base_ + filled_)));
    const size_t got = read_at(fd_, window_.get() + filled_, want, base_ + filled_);
    filled_ += got;
    return got == want;
}

Xml_pieces::Split Xml_pieces::split(const char* path, const char* list, const char* item,
                                    Progress_sink* progress) {
    extents_.clear();
    next_ = 0;
    outline_.reset();
    outline_text_.clear();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!pieces_enabled || path == nullptr || list == nullptr || item == nullptr) return Split::WHOLE;
    item_ = item;
    // As the whole read opens it; what cannot be read by pieces, the whole read says why.
    struct stat info {};
    fd_ = xml_open_regular(path, &info, nullptr);
    if (fd_ < 0) return Split::WHOLE;
    file_size_ = static_cast<uint64_t>(info.st_size);
    file_mtime_sec_ = static_cast<int64_t>(info.st_mtim.tv_sec);
    file_mtime_nsec_ = static_cast<int64_t>(info.st_mtim.tv_nsec);

    const auto whole = [this] {
        extents_.clear();
        return Split::WHOLE;
    };
    Progress_meter reading(progress, Progress_phase::READING_FILE, file_size_, size_t{4} << 20);
    if (reading.stopped()) return Split::CANCELLED;
    base_ = 0;
    filled_ = 0;
    capacity_ = 0;
    window_.reset();
    if (!grow_window(static_cast<size_t>(std::min<uint64_t>(block_bytes, std::max<uint64_t>(file_size_, 1)))))
        return whole();
    // The outline: the bytes around the pieces, with an empty element in place of each.
    const std::string placeholder = std::string("<") + item + "/>";
    std::string& outline = outline_text_;
    uint64_t outlined = 0; // the outline holds the file's bytes up to here, the pieces replaced
    const auto outline_up_to = [&](uint64_t at) {
        if (at <= outlined) return;
        outline.append(window_.get() + (outlined - base_), static_cast<size_t>(at - outlined));
        outlined = at;
    };
    Scan scan(list, item);
    try {
        for (;;) {
            // The window is filled up from the file; its bytes from the last token on are still there.
            if (!fill_window())
                return whole(); // the file shrank or could not be read: the whole read says why
            window_[filled_] = 0;
            if (reading.at(base_ + filled_)) return Split::CANCELLED;
            const bool at_end = base_ + filled_ == file_size_;
            char* begin = window_.get();
            const Scan::Outcome outcome =
                scan.run(begin, begin + filled_, at_end, [&](const char* tag, size_t length) {
                    const uint64_t at = base_ + static_cast<uint64_t>(tag - begin);
                    outline_up_to(at);
                    outline += placeholder;
                    outlined = at + length;
                    extents_.push_back(Extent{at, length});
                });
            if (outcome == Scan::FAILED) return whole();
            if (outcome == Scan::DONE) break;
            // The bytes before the token are done with: into the outline, and out of the window.
            const size_t keep_from = scan.token(begin);
            const uint64_t token_at = base_ + keep_from;
            outline_up_to(token_at);
            std::memmove(begin, begin + keep_from, filled_ - keep_from);
            filled_ -= keep_from;
            base_ = token_at;
            if (filled_ == capacity_ && !grow_window(capacity_ * 2)) return whole();
        }
        if (extents_.empty()) return whole();
        outline_up_to(base_ + filled_);
    } catch (const std::bad_alloc&) {
        return whole();
    }
    if (reading.finish()) return Split::CANCELLED;

    Progress_meter parsing(progress, Progress_phase::PARSING, 1, 1);
    if (parsing.stopped()) return Split::CANCELLED;
    // Parsed where it stands: the outline's texts point into it.
    if (!parse(outline_, &outline[0], outline.size()) || !outline_.document_element()) {
        outline_.reset();
        return whole();
    }
    if (parsing.finish()) return Split::CANCELLED;
    // The second read starts from the file's beginning, with a block's window again.
    base_ = 0;
    filled_ = 0;
    if (capacity_ > block_bytes) {
        window_.reset();
        capacity_ = 0;
        if (!grow_window(block_bytes)) return whole();
    }
    return Split::DONE;
}

Xml_element Xml_pieces::root() const {
    return outline_.document_element();
}

Xml_element Xml_pieces::next() {
    if (next_ >= extents_.size()) return Xml_element();
    const Extent e = extents_[next_++];
    if (!window_holds(e.begin, e.length)) {
        next_ = extents_.size();
        return Xml_element();
    }
    char* piece = window_.get() + (e.begin - base_);
    // The parse may write a terminator behind the piece, where the next piece may begin: that byte is put
    // back (the window has room for one byte more than it holds).
    const size_t behind = static_cast<size_t>(e.begin - base_) + e.length;
    const char kept = window_[behind];
    const bool parsed = parse(piece_, piece, e.length);
    window_[behind] = kept;
    const Xml_element element = piece_.document_element();
    if (parsed && element && std::strcmp(element.name(), item_.c_str()) == 0 &&
        !xml_next_sibling_element(element))
        return element;
    piece_.reset();
    next_ = extents_.size(); // nothing more is given out
    return Xml_element();
}

bool Xml_pieces::unchanged() const {
    struct stat info {};
    return fd_ >= 0 && fstat(fd_, &info) == 0 && static_cast<uint64_t>(info.st_size) == file_size_ &&
           static_cast<int64_t>(info.st_mtim.tv_sec) == file_mtime_sec_ &&
           static_cast<int64_t>(info.st_mtim.tv_nsec) == file_mtime_nsec_;
}
