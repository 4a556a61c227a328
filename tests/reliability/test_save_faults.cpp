// Saves that fail: into a folder that cannot be written, onto a full file system, and where the file
// system has no unnamed files. In every case the file that was there stays whole, byte for byte, no
// temporary file is left, and both write_file and the command-line tool say why.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>

#include <csignal>

#include "save_fixture.h"

namespace {

constexpr uid_t NOBODY = 65534;

// The old file, an input for the tool and the folder it all lives in.
struct Save_scene {
    std::string folder, target, old_content, input;
};

Save_scene make_scene(const std::string& folder, const std::string& input_folder, int input_stations) {
    Save_scene s;
    s.folder = folder;
    Tsetup old;
    fill_document(old, 20, "the file that was there");
    s.target = folder + "/setup.xml";
    EXPECT_EQ(old.write_file(s.target.c_str()), 0);
    s.old_content = read_bytes(s.target);
    Tsetup big;
    fill_document(big, input_stations, "a station of the document that is saved");
    s.input = input_folder + "/input.xml";
    EXPECT_EQ(big.write_file(s.input.c_str()), 0);
    return s;
}

// What a failed save must leave: the old file whole and nothing else.
void expect_untouched(const Save_scene& s, const std::string& what) {
    EXPECT_EQ(read_bytes(s.target), s.old_content) << what;
    EXPECT_EQ(joined(names_in(s.folder)), "setup.xml") << what;
}

// A tmpfs of the given size mounted on a folder while it lives; mounted() is false where that cannot be
// done (not root, or no right to mount).
class Small_file_system {
  public:
    Small_file_system(const std::string& at, const char* size) : at_(at) {
        const std::string options = std::string("size=") + size + ",mode=0755";
        mounted_ =
            geteuid() == 0 && mount("tmpfs", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~Small_file_system() {
        if (mounted_) umount2(at_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    unsigned long long free_blocks() const {
        struct statvfs v {};
        statvfs(at_.c_str(), &v);
        return v.f_bfree;
    }

  private:
    std::string at_;
    bool mounted_ = false;
};

// write_file's result and reason, for a child to report.
std::string save_result(Tsetup& setup, const std::string& path) {
    std::string reason;
    const int result = setup.write_file(path.c_str(), &reason);
    return std::to_string(result) + " " + reason;
}

} // namespace

TEST(SaveFaults, AFolderThatCannotBeWrittenKeepsTheOldFile) {
    // As root the folder is made unwritable for the user nobody, whom a child becomes; as anyone else the
    // folder's write permission is taken away.
    Temp_dir dir, inputs;
    const bool as_nobody = geteuid() == 0;
    chmod(dir.path().c_str(), 0755);
    chmod(inputs.path().c_str(), 0755);
    const Save_scene s = make_scene(dir.path().string(), inputs.path().string(), 100);
    chmod(s.input.c_str(), 0644);
    if (!as_nobody) chmod(dir.path().c_str(), 0555);

    Child_result saved = run_in_child(
        [&](int out) {
            if (as_nobody && (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 || setuid(NOBODY) != 0))
                return 125;
            Tsetup setup;
            fill_document(setup, 50, "new");
            write_all(out, save_result(setup, s.target));
            return 0;
        },
        60);
    ASSERT_TRUE(saved.ok()) << saved.how();
    EXPECT_EQ(saved.output, "1 Permission denied");

    const Child_result normalize = run_cli_binary({"normalize", s.input, s.target}, as_nobody ? NOBODY : 0);
    EXPECT_EQ(normalize.exit_code, 1) << normalize.output;
    EXPECT_EQ(normalize.output, "vemora-cli: cannot write \"" + s.target + "\": Permission denied\n");
    const Child_result edit =
        run_cli_binary({"edit", s.input, "1", s.target, "ed_ID=5"}, as_nobody ? NOBODY : 0);
    EXPECT_EQ(edit.exit_code, 1) << edit.output;
    EXPECT_EQ(edit.output, "vemora-cli: cannot write \"" + s.target + "\": Permission denied\n");

    chmod(dir.path().c_str(), 0755);
    expect_untouched(s, "unwritable folder");
}

TEST(SaveFaults, AFullFileSystemKeepsTheOldFileAndGivesItsSpaceBack) {
    // A tmpfs of 1 MiB holds the old file; the document saved onto it takes several MiB. Where no file
    // system can be mounted (not root), a file size limit fails the writes the same way, with EFBIG.
    Temp_dir dir, inputs;
    const std::string mount_point = dir.file("small");
    std::filesystem::create_directory(mount_point);
    Small_file_system small(mount_point, "1m");
    const Save_scene s = make_scene(mount_point, inputs.path().string(), 20000);
    ASSERT_GT(read_bytes(s.input).size(), 4u << 20);
    ASSERT_EQ(read_bytes(s.target), s.old_content);
    const unsigned long long free_before = small.free_blocks();
    const std::string reason = small.mounted() ? "No space left on device" : "File too large";
    if (!small.mounted())
        std::printf("[ note     ] no tmpfs could be mounted: a file size limit stands for the full disk\n");

    // The limit, where it stands in for the full file system, is set in the child only.
    const auto limited = [&]() {
        if (small.mounted()) return;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1 << 20, 1 << 20};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    Child_result saved = run_in_child(
        [&](int out) {
            limited();
            Tsetup setup;
            if (setup.read_file(s.input.c_str()) != 0) return 3;
            write_all(out, save_result(setup, s.target));
            return 0;
        },
        120);
    ASSERT_TRUE(saved.ok()) << saved.how();
    EXPECT_EQ(saved.output, "1 " + reason);
    expect_untouched(s, "write_file");
    if (small.mounted()) {
        EXPECT_EQ(small.free_blocks(), free_before); // the unnamed file's blocks came back
    }

    for (const std::vector<std::string>& command : {std::vector<std::string>{"normalize", s.input, s.target},
                                                    {"edit", s.input, "7", s.target, "ed_ID=5"}}) {
        const Child_result r = run_in_child(
            [&](int out) {
                limited();
                dup2(out, STDERR_FILENO);
                std::vector<const char*> argv{VEMORA_CLI};
                for (const std::string& a : command)
                    argv.push_back(a.c_str());
                argv.push_back(nullptr);
                execv(VEMORA_CLI, const_cast<char* const*>(argv.data()));
                return 126;
            },
            120);
        EXPECT_EQ(r.exit_code, 1) << command[0] << ": " << r.output;
        EXPECT_EQ(r.output, "vemora-cli: cannot write \"" + s.target + "\": " + reason + "\n") << command[0];
        expect_untouched(s, command[0]);
    }
    if (small.mounted()) {
        EXPECT_EQ(small.free_blocks(), free_before);
    }
}

TEST(SaveFaults, WithoutUnnamedFilesANamedTemporaryFileTakesTheirPlace) {
    // A file system without O_TMPFILE, made in a child by a seccomp filter: a failed save removes its
    // named temporary file; a save that succeeds replaces the file and keeps its permissions.
    Temp_dir dir, inputs;
    const Save_scene s = make_scene(dir.path().string(), inputs.path().string(), 20000);
    chmod(s.target.c_str(), 0640);
    const auto save_without_unnamed_files = [&](bool limited) {
        return run_in_child(
            [&](int out) {
                if (!refuse_unnamed_files()) return 125;
                const int probe = open(s.folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
                if (probe >= 0 || errno != EOPNOTSUPP) return 124;
                Tsetup setup;
                if (setup.read_file(s.input.c_str()) != 0) return 3;
                if (limited) {
                    std::signal(SIGXFSZ, SIG_IGN);
                    rlimit limit{1 << 20, 1 << 20};
                    setrlimit(RLIMIT_FSIZE, &limit);
                }
                write_all(out, save_result(setup, s.target));
                return 0;
            },
            120);
    };
    const Child_result failed = save_without_unnamed_files(true);
    if (failed.exit_code == 125) GTEST_SKIP() << "no seccomp filter can be installed here";
    ASSERT_TRUE(failed.ok()) << failed.how();
    EXPECT_EQ(failed.output, "1 File too large");
    expect_untouched(s, "named temporary file, file too large");

    const Child_result saved = save_without_unnamed_files(false);
    ASSERT_TRUE(saved.ok()) << saved.how();
    EXPECT_EQ(saved.output, "0 ");
    EXPECT_EQ(joined(names_in(s.folder)), "setup.xml");
    EXPECT_EQ(read_bytes(s.target), read_bytes(s.input));
    struct stat info {};
    ASSERT_EQ(stat(s.target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}
