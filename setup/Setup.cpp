// The setup document and its file.
#include "Setup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Lib_text.h"
#include "Lib_trace.h"

Tsetup::Tsetup() {
    path_data_bin[0] = 0;
    path_data_xml[0] = 0;
}

void Tsetup::clear() {
    stations.clear();
    comports.clear();
    path_data_bin[0] = 0;
    path_data_xml[0] = 0;
}

namespace {

Tcomport* new_comport(uint8_t type, int32_t rate, const char* port, const char* description) {
    Tcomport* c = new (std::nothrow) Tcomport;
    if (c == nullptr) return nullptr;
    c->type = type;
    c->rate = rate;
    copy_text(c->port, port, sizeof c->port);
    copy_text(c->description, description, sizeof c->description);
    return c;
}

} // namespace

void Tsetup::set_defaults() {
    copy_text(path_data_bin, "c:\\korvandel\\data_bin", sizeof path_data_bin);
    copy_text(path_data_xml, "c:\\korvandel\\data_xml", sizeof path_data_xml);
    comports.append(new_comport(COMPORT_DIRECT, 38400, "COM1", "direct connection"));
    comports.append(new_comport(COMPORT_MODEM, 9600, "COM2", "standard analog modem"));
}

void Tsetup::read(Xml_element root) {
    clear();
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child)) {
        if (xml_read_attribute_if_named(child, "PATH_DATA_BIN", "path", VALUE_TEXT, path_data_bin,
                                        sizeof path_data_bin))
            trace("PATH_DATA_BIN = \"%s\"", path_data_bin);
        if (xml_read_attribute_if_named(child, "PATH_DATA_XML", "path", VALUE_TEXT, path_data_xml,
                                        sizeof path_data_xml))
            trace("PATH_DATA_XML = \"%s\"", path_data_xml);
        if (xml_element_is(child, "COMPORTS")) comports.read(child);
        if (xml_element_is(child, "STATIONS")) stations.read(child);
    }
}

int Tsetup::read_file(const char* path, std::string* reason) {
    if (path == nullptr) {
        if (reason != nullptr) *reason = "no file name";
        return 1;
    }
    myXMLdocument document;
    const Xml_element root = xml_load_file(path, &document);
    if (!root) {
        trace("ERROR : unable to read \"%s\" file correctly", path);
        if (reason != nullptr) *reason = document.error_text();
        return 1;
    }
    trace("      : reading setup file \"%s\"", path);
    read(root);
    return 0;
}

void Tsetup::write(Text_out* out) {
    if (out == nullptr) return;
    out->put("<?xml version='1.0' encoding='utf-8' ?>\r\n");
    out->put("<SETUP>\r\n");
    out->printf("\t<PATH_DATA_BIN   path=\"%s\"/>\r\n", xml_escape_field(path_data_bin, sizeof path_data_bin).c_str());
    out->printf("\t<PATH_DATA_XML   path=\"%s\"/>\r\n", xml_escape_field(path_data_xml, sizeof path_data_xml).c_str());
    out->put("\t<COMPORTS>\r\n");
    comports.write(out);
    out->put("\t</COMPORTS>\r\n");
    out->put("\t<STATIONS>\r\n");
    stations.write(out);
    out->put("\t</STATIONS>\r\n");
    out->put("</SETUP>\r\n");
}

namespace {

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file that is really replaced: a link is followed, so the link itself stays a link.
std::string target_of(const char* path) {
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr) return path; // no file yet (or a dangling name): write it where it is named
    std::string target(resolved);
    std::free(resolved);
    return target;
}

std::string system_reason(int error) { return std::strerror(error); }

} // namespace

int Tsetup::write_file(const char* path, std::string* reason) {
    const auto fail = [&](const std::string& text) {
        if (reason != nullptr) *reason = text;
        return 1;
    };
    if (path == nullptr || path[0] == 0) return fail("no file name");
    const std::string target = target_of(path);
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(&temp[0]);
    if (fd < 0) return fail(system_reason(errno));

    // The saved file keeps the permissions of the one it replaces, or gets the usual ones for a new file.
    struct stat info {};
    if (stat(target.c_str(), &info) == 0) {
        fchmod(fd, info.st_mode & 07777);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }

    FILE* f = fdopen(fd, "wb");
    if (f == nullptr) {
        const int error = errno;
        close(fd);
        unlink(temp.c_str());
        return fail(system_reason(error));
    }
    bool ok;
    int error = 0;
    {
        Text_out out(f);
        write(&out);
        ok = out.flush();
        if (!ok) error = errno;
    }
    if (ok && std::fflush(f) != 0) ok = false, error = errno;
    if (ok && fsync(fileno(f)) != 0) ok = false, error = errno;
    if (std::fclose(f) != 0 && ok) ok = false, error = errno;
    if (ok && rename(temp.c_str(), target.c_str()) != 0) ok = false, error = errno;
    if (!ok) {
        unlink(temp.c_str());
        return fail(system_reason(error != 0 ? error : EIO));
    }
    // Make the rename itself durable.
    const int dir = open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 0;
}
