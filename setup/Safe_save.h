// Saving a file in place of another: atomically, keeping who may read and write it, refusing what would
// break.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <sys/stat.h>

// Writes the whole content to f; 0 or the system's error number.
using Save_content = std::function<int(FILE* f)>;

// Writes content into a new file beside the one path names and renames it over that file once it is
// complete and on disk. The new file keeps the old one's owner, group, mode and extended attributes (and
// with them its ACL). 0 on success; 1 with the old file byte for byte as it was and a one-line reason
// (the system's, or why the save is refused: a file with other hard links, one this user may not write,
// no regular file, a link not to be followed, an owner or attribute that cannot be kept).
//
// keeping, when given, keeps the file that the save replaces (see Save_keeping).
struct Save_keeping;
int save_file(const char* path, const Save_content& content, std::string* reason,
              const Save_keeping* keeping = nullptr);

// What a save does with the file it replaces, for saves that keep it (as a version).
struct Save_keeping {
    // Of the old file's links, how many are its own copies kept by earlier saves, which are no reason to
    // refuse it as a file with other hard links. Asked only for a file with more than one link.
    std::function<unsigned long(const struct stat& old)> own_links;
    // Called once the new content is complete and on disk, right before it is renamed over the old file
    // (only when there is one), which is `name` in the folder `dir`. "" or why the save must stop; the
    // old file is then left as it was.
    std::function<std::string(int dir, const std::string& name, const struct stat& old)> keep_old;
    // Called when the rename after keep_old failed: takes back what keep_old made.
    std::function<void()> drop_kept;
};

// A named temporary file that a killed save left (where the file system has no unnamed files) is removed
// by a later save of the same file once it is this old: a younger one may belong to a save still running.
constexpr long SAVE_LEFTOVER_AGE_SECONDS = 60;

// The temporary name a save of the file `name` uses: name + ".vemora-" + 6 random letters and digits, or
// ".vemora-" + 6 when that would be longer than name_max.
std::string save_temporary_name(const std::string& name, size_t name_max);

// Whether name is a temporary name that a save of the file `target_name` uses (either form).
bool is_save_temporary_name(const std::string& name, const std::string& target_name);
