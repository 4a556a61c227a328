// Who saves in the tests of what a save keeps and refuses: this process's user and, when that is root,
// the user nobody in a child process; folders and files arranged for either, and a file's whole identity.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "save_fixture.h"

constexpr uid_t NOBODY_ID = 65534;  // the user nobody and the group nogroup
constexpr uid_t STRANGER_ID = 4242; // a user and group no process of the tests runs as

struct Saver {
    std::string who;
    uid_t uid;
    gid_t gid;
    bool in_child; // becomes the user nobody in a child process
};

inline bool is_root() {
    return geteuid() == 0;
}

// This process's user; and nobody as well when that is root, so that what only root may do is tried by
// an ordinary user too.
inline std::vector<Saver> savers() {
    std::vector<Saver> all{{is_root() ? "root" : "this user", geteuid(), getegid(), false}};
    if (is_root()) all.push_back({"nobody", NOBODY_ID, NOBODY_ID, true});
    return all;
}

// Someone else: for root the user nobody, for nobody a user that does not exist.
inline uid_t other_user(const Saver& s) {
    return s.uid == 0 ? NOBODY_ID : STRANGER_ID;
}

// A folder that the saver owns, inside a temporary folder everyone may pass through.
class Saver_dir {
  public:
    explicit Saver_dir(const Saver& s) : saver_(s) {
        chmod(top_.path().c_str(), 0755);
        path_ = top_.file("work");
        mkdir(path_.c_str(), 0755);
        if (chown(path_.c_str(), s.uid, s.gid) != 0) std::abort();
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // A file of the saver's, mode 644, unless another owner is given.
    std::string write(const std::string& name, const std::string& bytes) const {
        return write(name, bytes, saver_.uid, saver_.gid);
    }
    std::string write(const std::string& name, const std::string& bytes, uid_t uid, gid_t gid) const {
        const std::string p = file(name);
        std::ofstream(p, std::ios::binary) << bytes;
        if (chown(p.c_str(), uid, gid) != 0) std::abort();
        chmod(p.c_str(), 0644);
        return p;
    }
    // A folder beside the saver's, owned by uid, with the given mode.
    std::string folder(const std::string& name, uid_t uid, mode_t mode) const {
        const std::string p = top_.file(name);
        mkdir(p.c_str(), 0755);
        if (uid != geteuid() && chown(p.c_str(), uid, uid) != 0) std::abort();
        chmod(p.c_str(), mode);
        return p;
    }

  private:
    Temp_dir top_;
    Saver saver_;
    std::string path_;
};

// write_file(path) as the saver: "0 " or "1 <reason>".
inline std::string save_as(const Saver& s, Tsetup& setup, const std::string& path) {
    if (!s.in_child) {
        std::string reason;
        const int result = setup.write_file(path.c_str(), &reason);
        return std::to_string(result) + " " + reason;
    }
    const Child_result r = run_in_child(
        [&](int out) {
            if (setgroups(0, nullptr) != 0 || setgid(s.gid) != 0 || setuid(s.uid) != 0) return 125;
            std::string reason;
            const int result = setup.write_file(path.c_str(), &reason);
            write_all(out, std::to_string(result) + " " + reason);
            return 0;
        },
        60);
    return r.ok() ? r.output : "the saving child ended: " + r.how();
}

// A file's extended attributes by name, read without following a link (as root, every one of them).
inline std::map<std::string, std::string> attributes_of(const std::string& path) {
    std::map<std::string, std::string> out;
    const ssize_t size = llistxattr(path.c_str(), nullptr, 0);
    if (size <= 0) return out;
    std::string names(static_cast<size_t>(size), '\0');
    const ssize_t got = llistxattr(path.c_str(), &names[0], names.size());
    for (size_t at = 0; got > 0 && at < static_cast<size_t>(got); at = names.find('\0', at) + 1) {
        const std::string name = names.c_str() + at;
        const ssize_t length = lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
        std::string value(static_cast<size_t>(std::max<ssize_t>(length, 0)), '\0');
        if (length > 0) lgetxattr(path.c_str(), name.c_str(), &value[0], value.size());
        out[name] = value;
    }
    return out;
}

// What a save must keep of a file, and what tells an old file from a new one.
struct Identity {
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0;
    ino_t inode = 0;
    nlink_t links = 0;
    std::map<std::string, std::string> attributes;
    std::string bytes;
};

inline Identity identity_of(const std::string& path) {
    Identity i;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return i;
    i.uid = info.st_uid;
    i.gid = info.st_gid;
    i.mode = info.st_mode & 07777;
    i.inode = info.st_ino;
    i.links = info.st_nlink;
    i.attributes = attributes_of(path);
    i.bytes = read_bytes(path);
    return i;
}

// Whether files in folder take user.* attributes; when not, why.
inline bool user_attributes_work(const std::string& folder, std::string* why) {
    const std::string probe = folder + "/attribute-probe";
    std::ofstream(probe) << "probe";
    const bool works = setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
    *why = works ? ""
                 : std::string("user.* extended attributes are not supported here: ") + std::strerror(errno);
    unlink(probe.c_str());
    return works;
}

// A POSIX ACL in the form of the system.posix_acl_access attribute: version 2, then (tag, permissions, id)
// for each entry, little-endian, sorted by tag and id.
struct Acl_entry {
    uint16_t tag;
    uint16_t permissions;
    uint32_t id;
};
constexpr uint16_t ACL_USER_OBJ = 0x01, ACL_USER = 0x02, ACL_GROUP_OBJ = 0x04, ACL_GROUP = 0x08,
                   ACL_MASK = 0x10, ACL_OTHER = 0x20;
constexpr uint32_t ACL_NO_ID = 0xFFFFFFFF;

inline std::string acl_bytes(const std::vector<Acl_entry>& entries) {
    std::string out;
    const auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(2, 4);
    for (const Acl_entry& e : entries) {
        put(e.tag, 2);
        put(e.permissions, 2);
        put(e.id, 4);
    }
    return out;
}

// An ACL that gives one more user (and the file's group) read and write.
inline std::string acl_with_user(uid_t user) {
    return acl_bytes({{ACL_USER_OBJ, 6, ACL_NO_ID},
                      {ACL_USER, 6, static_cast<uint32_t>(user)},
                      {ACL_GROUP_OBJ, 4, ACL_NO_ID},
                      {ACL_MASK, 6, ACL_NO_ID},
                      {ACL_OTHER, 4, ACL_NO_ID}});
}
