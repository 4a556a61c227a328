// The context of one read: the place of each note, and the included files parsed once each.
#include "Reading_context.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

struct Reading_context::Included {
    myXMLdocument document;
    Xml_element root;
    std::string reason;              // why it could not be read; empty when root is an element
    unsigned long long elements = 0; // what one use walks: the root's children and the commands
};

namespace {

unsigned long long bytes_max = INCLUDE_BYTES_MAX;
unsigned long long elements_max = INCLUDE_ELEMENTS_MAX;

// The elements a configuration reader visits in the root: its children, and the commands of each
// ACQUISITION_SEQUENCE (the reader descends nowhere else).
unsigned long long walked_elements(Xml_element root) {
    unsigned long long n = 0;
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child)) {
        ++n;
        if (!xml_element_is(child, "ACQUISITION_SEQUENCE")) continue;
        for (Xml_element command = xml_first_child_element(child); command;
             command = xml_next_sibling_element(command))
            ++n;
    }
    return n;
}

} // namespace

void Reading_context::set_include_limits(unsigned long long bytes, unsigned long long elements) {
    bytes_max = bytes != 0 ? bytes : INCLUDE_BYTES_MAX;
    elements_max = elements != 0 ? elements : INCLUDE_ELEMENTS_MAX;
}

Reading_context::Reading_context(Note_sink* sink, std::string setup_file)
    : folder(setup_file.empty() ? std::string() : folder_of(setup_file)), sink_(sink) {}

Reading_context::~Reading_context() = default;

void Reading_context::note(Reading_note note) {
    if (sink_ == nullptr) return;
    note.station = station;
    note.station_id = station_id;
    note.comport = comport;
    note.file = file;
    if (note.length == 0) note.length = note.raw.size();
    if (note.raw.size() > RAW_KEPT) note.raw.resize(RAW_KEPT);
    sink_->note(note);
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

Xml_element Reading_context::include(const std::string& name, std::string* path, std::string* reason,
                                     bool* working_folder) {
    // A relative name is first looked for beside the file that names it, then in the working folder, so
    // that a setup file reads the same wherever the program was started from.
    std::string candidates[2];
    int count = 0;
    if (!name.empty() && name[0] != '/' && !folder.empty() && folder != ".")
        candidates[count++] = (folder == "/" ? "/" : folder + "/") + name;
    candidates[count++] = name;
    struct stat info {};
    int error = ENOENT;
    const std::string* found = nullptr;
    for (int i = 0; i < count && found == nullptr; ++i) {
        if (stat(candidates[i].c_str(), &info) == 0)
            found = &candidates[i];
        else
            error = errno;
    }
    if (found == nullptr) {
        *path = name;
        *reason = std::strerror(error);
        return Xml_element();
    }
    *path = *found;
    if (working_folder != nullptr) *working_folder = count == 2 && found == &candidates[1];
    const auto key = std::make_pair(static_cast<unsigned long long>(info.st_dev),
                                    static_cast<unsigned long long>(info.st_ino));
    auto at = included_.find(key);
    if (at == included_.end()) {
        auto included = std::make_unique<Included>();
        const unsigned long long size = static_cast<unsigned long long>(info.st_size);
        if (include_bytes_ + size > bytes_max) {
            included->reason = "the included configuration files of this setup file come to more than " +
                               (bytes_max >= (1u << 20) ? std::to_string(bytes_max >> 20) + " MB"
                                                        : std::to_string(bytes_max) + " bytes");
        } else {
            include_bytes_ += size;
            included->root = xml_load_file(found->c_str(), &included->document);
            if (!included->root)
                included->reason = included->document.error_text();
            else
                included->elements = walked_elements(included->root);
        }
        at = included_.emplace(key, std::move(included)).first;
    }
    const Included& included = *at->second;
    if (!included.root) {
        *reason = included.reason;
        return Xml_element();
    }
    if (include_elements_ + included.elements > elements_max) {
        *reason = "the included configuration files of this setup file have been walked for " +
                  std::to_string(elements_max) + " elements already";
        return Xml_element();
    }
    include_elements_ += included.elements;
    return included.root;
}
