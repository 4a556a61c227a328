// Whether a file changed on disk since it was identified: stat decides when nothing moved, the content
// when something did.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "File_identity.h"
#include "temp_dir.h"

TEST(FileIdentity, SameContentIsTheSameFileWhateverTouchedIt) {
    Temp_dir dir;
    const std::string path = dir.write("setup.xml", "<SETUP>one</SETUP>");
    const File_identity known = identify_file(path);
    ASSERT_TRUE(known.exists);
    EXPECT_EQ(known.size, 18u);
    EXPECT_EQ(compare_with_disk(known, path, nullptr), Disk_state::same);

    // A touch: another modification time, the same bytes.
    utimbuf times{1000, 1000};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
    File_identity now;
    EXPECT_EQ(compare_with_disk(known, path, &now), Disk_state::same);
    EXPECT_NE(now.mtime_ns, known.mtime_ns);
    EXPECT_EQ(now.hash, known.hash);

    // A copy of the same bytes renamed over it: another inode.
    dir.write("copy.xml", "<SETUP>one</SETUP>");
    std::filesystem::rename(dir.file("copy.xml"), path);
    EXPECT_EQ(compare_with_disk(known, path, &now), Disk_state::same);
    EXPECT_NE(now.inode, known.inode);
}

TEST(FileIdentity, OtherBytesOfTheSameSizeAreAChangeUnlessStatIsForgedToo) {
    Temp_dir dir;
    const std::string path = dir.write("setup.xml", "<SETUP>one</SETUP>");
    const File_identity known = identify_file(path);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    dir.write("setup.xml", "<SETUP>two</SETUP>"); // written in place: same inode, same size
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    // stat alone cannot tell this one apart; the caller asking for the new identity hashes it.
    File_identity now;
    EXPECT_EQ(compare_with_disk(known, path, &now), Disk_state::same) << "stat says nothing moved";
    EXPECT_NE(now.hash, known.hash);

    dir.write("setup.xml", "<SETUP>three</SETUP>");
    EXPECT_EQ(compare_with_disk(known, path, nullptr), Disk_state::changed);
    dir.write("setup.xml", "<SETUP>onf</SETUP>");
    EXPECT_EQ(compare_with_disk(known, path, nullptr), Disk_state::changed) << "same size, other bytes";
}

TEST(FileIdentity, AFileGoneIsMissingAndOneThatAppearedIsAChange) {
    Temp_dir dir;
    const std::string path = dir.write("setup.xml", "x");
    const File_identity known = identify_file(path);
    std::filesystem::remove(path);
    File_identity now;
    now.exists = true;
    EXPECT_EQ(compare_with_disk(known, path, &now), Disk_state::missing);
    EXPECT_FALSE(now.exists);

    const File_identity none = identify_file(path);
    EXPECT_FALSE(none.exists);
    dir.write("setup.xml", "");
    EXPECT_EQ(compare_with_disk(none, path, nullptr), Disk_state::changed);
    EXPECT_FALSE(identify_file(dir.path().string()).exists) << "a folder is no file";
}

TEST(FileIdentity, TheHashSeesEveryByteAndTheLength) {
    const std::string a(1000, 'a');
    for (size_t i : {size_t{0}, size_t{7}, size_t{8}, size_t{999}}) {
        std::string b = a;
        b[i] = 'b';
        EXPECT_NE(content_hash(a.data(), a.size()), content_hash(b.data(), b.size())) << i;
    }
    const std::string zeros(9, '\0');
    EXPECT_NE(content_hash(zeros.data(), 8), content_hash(zeros.data(), 9));
}
