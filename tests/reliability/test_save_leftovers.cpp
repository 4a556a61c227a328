// A save's temporary names: a short one beside a file whose name leaves no room for the usual one, and
// the temporary files that killed saves left where the file system has no unnamed files, which a later
// save removes: only those, never a file that merely looks like one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>

#include "Safe_save.h"
#include "saver_fixture.h"

namespace {

// Sets a file's (or a link's own) times two minutes back: older than a running save's file can be.
void age(const std::string& path) {
    const timespec then{time(nullptr) - 2 * SAVE_LEFTOVER_AGE_SECONDS, 0};
    const timespec times[2] = {then, then};
    EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::string of_length(size_t length) {
    return std::string(length - 4, 'l') + ".xml";
}

std::string temporary_of(const std::vector<std::string>& names, const std::string& target) {
    for (const std::string& n : names)
        if (is_save_temporary_name(n, target)) return n;
    return "";
}

} // namespace

TEST(SaveTemporaryNames, TheFilesNameAndASuffixOrAShortNameWhereThatWouldBeTooLong) {
    const std::string fits = of_length(241), too_long = of_length(242);
    const std::string first = save_temporary_name(fits, 255), second = save_temporary_name(fits, 255);
    EXPECT_EQ(first.size(), 255u);
    EXPECT_EQ(first.rfind(fits + ".vemora-", 0), 0u) << first;
    EXPECT_NE(first, second); // random
    const std::string short_name = save_temporary_name(too_long, 255);
    EXPECT_EQ(short_name.size(), 14u);
    EXPECT_EQ(short_name.rfind(".vemora-", 0), 0u) << short_name;
    EXPECT_TRUE(is_save_temporary_name(first, fits));
    EXPECT_TRUE(is_save_temporary_name(short_name, too_long));
    EXPECT_TRUE(is_save_temporary_name(short_name, "setup.xml")); // the short form serves every file

    for (const char* ours : {"setup.xml.vemora-aB3xY9", ".vemora-000000"})
        EXPECT_TRUE(is_save_temporary_name(ours, "setup.xml")) << ours;
    for (const char* foreign :
         {"setup.xml.backup", "setup.xml.123456", "setup.xml.vemora-abc12", "setup.xml.vemora-abc1234",
          "setup.xml.vemora-ab_123", "setup.xml.vemora-ab.123", "setup.xml.vemorx-abc123",
          "Setup.xml.vemora-abc123", "other.xml.vemora-abc123", "x.vemora-abc123", ".vemora-abc12",
          "setup.xml", ""})
        EXPECT_FALSE(is_save_temporary_name(foreign, "setup.xml")) << foreign;
}

TEST(SaveTemporaryNames, AFileWhoseNameLeavesNoRoomForTheSuffixIsSavedBothWays) {
    // Names of 241 characters take the suffix, of 242 and of 255 (the longest a name may be) the short
    // name; with unnamed files and, in a child where the file system has none, with a named one.
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed temporary file" : "named temporary file");
        Temp_dir dir;
        std::vector<std::string> names;
        Tsetup first, second;
        fill_document(first, 3, "first");
        fill_document(second, 4, "second");
        for (const size_t length : {241u, 242u, 255u}) {
            const std::string path = dir.file(of_length(length));
            names.push_back(of_length(length));
            const Child_result r = run_in_child(
                [&](int out) {
                    if (!unnamed && !refuse_unnamed_files()) return 125;
                    std::string reason;
                    for (Tsetup* s : {&first, &second}) // a new file, then one that is replaced
                        if (s->write_file(path.c_str(), &reason) != 0) write_all(out, reason);
                    return 0;
                },
                60);
            if (r.exit_code == 125) GTEST_SKIP() << "no seccomp filter can be installed here";
            ASSERT_TRUE(r.ok()) << r.how();
            EXPECT_EQ(r.output, "") << length;
            EXPECT_EQ(read_bytes(path), written(second)) << length;
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names_in(dir.path()), names);
    }
}

TEST(SaveLeftovers, ALaterSaveRemovesWhatKilledSavesLeftAndNothingElse) {
    // Removed: the file's temporary names (and the short one), regular files of the saver's, with one
    // link, untouched for two minutes. Kept: a younger one (a save may be running), one of another user,
    // with a second link, a folder or a link of that name, and names that only look alike.
    for (const Saver& s : savers()) {
        SCOPED_TRACE("saved by " + s.who);
        Saver_dir dir(s);
        const std::string path = dir.write("setup.xml", "old");
        const auto leftover = [&](const std::string& name) {
            const std::string p = dir.write(name, "<?xml version='1.0' encoding='utf-8' ?>\r\n<SETUP>");
            age(p);
            return p;
        };
        leftover("setup.xml.vemora-old001");
        leftover(".vemora-old002");
        std::vector<std::string> kept = {"setup.xml", "setup.xml.vemora-new001"};
        dir.write("setup.xml.vemora-new001", "a save still running");
        if (is_root()) {
            const std::string other = leftover("setup.xml.vemora-frn001");
            ASSERT_EQ(chown(other.c_str(), other_user(s), other_user(s)), 0);
            age(other);
            kept.push_back("setup.xml.vemora-frn001");
        }
        ASSERT_EQ(link(leftover("setup.xml.vemora-lnk001").c_str(), dir.file("linked.xml").c_str()), 0);
        const std::string folder = dir.file("setup.xml.vemora-dir001");
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        ASSERT_EQ(chown(folder.c_str(), s.uid, s.gid), 0);
        age(folder);
        const std::string link_path = dir.file("setup.xml.vemora-sym001");
        ASSERT_EQ(symlink("setup.xml", link_path.c_str()), 0);
        ASSERT_EQ(lchown(link_path.c_str(), s.uid, s.gid), 0);
        age(link_path);
        const std::vector<std::string> alike = {"setup.xml.backup",        "setup.xml.123456",
                                                "setup.xml.vemora-abc12",  "setup.xml.vemora-abc1234",
                                                "setup.xml.vemora-ab_123", "other.xml.vemora-abc123"};
        for (const std::string& name : alike)
            leftover(name);
        kept.insert(kept.end(), alike.begin(), alike.end());
        kept.insert(kept.end(), {"setup.xml.vemora-lnk001", "linked.xml", "setup.xml.vemora-dir001",
                                 "setup.xml.vemora-sym001"});
        std::sort(kept.begin(), kept.end());

        Tsetup setup;
        fill_document(setup, 2, "new");
        ASSERT_EQ(save_as(s, setup, path), "0 ");
        EXPECT_EQ(names_in(dir.path()), kept);
        EXPECT_EQ(read_bytes(path), written(setup));
    }
}

TEST(SaveLeftovers, AKilledSaveWithoutUnnamedFilesLeavesNothingOnceAnotherSaveComes) {
    // A child on a file system without unnamed files is killed while its named temporary file is being
    // written. The next save leaves that file while it may still be a running save's; once it is old, the
    // next save removes it.
    Temp_dir dir;
    const std::string path = dir.file("setup.xml");
    Tsetup old, big, next;
    fill_document(old, 20, "the file that was there");
    fill_document(big, 40000, "a document large enough to be caught in the middle of its save");
    fill_document(next, 30, "the next save");
    ASSERT_EQ(old.write_file(path.c_str()), 0);
    const std::string old_content = read_bytes(path);

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (!refuse_unnamed_files()) _exit(125);
        _exit(big.write_file(path.c_str()) == 0 ? 0 : 1);
    }
    std::string caught;
    for (int i = 0; i < 100000 && caught.empty(); ++i) {
        caught = temporary_of(names_in(dir.path()), "setup.xml");
        if (caught.empty()) usleep(100);
    }
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 125)
        GTEST_SKIP() << "no seccomp filter can be installed here";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save ended before it was caught";
    ASSERT_FALSE(caught.empty());
    EXPECT_EQ(read_bytes(path), old_content);
    const std::vector<std::string> left = {"setup.xml", caught};
    EXPECT_EQ(names_in(dir.path()), left);

    const auto save_without_unnamed_files = [&]() {
        return run_in_child(
            [&](int out) {
                if (!refuse_unnamed_files()) return 125;
                std::string reason;
                write_all(out, std::to_string(next.write_file(path.c_str(), &reason)) + " " + reason);
                return 0;
            },
            60);
    };
    Child_result r = save_without_unnamed_files();
    EXPECT_EQ(r.output, "0 ");
    EXPECT_EQ(names_in(dir.path()), left); // young: perhaps a save still running
    age(dir.file(caught));
    r = save_without_unnamed_files();
    EXPECT_EQ(r.output, "0 ");
    EXPECT_EQ(joined(names_in(dir.path())), "setup.xml");
    EXPECT_EQ(read_bytes(path), written(next));
}
