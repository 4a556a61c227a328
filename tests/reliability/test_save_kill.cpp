// Saves killed with SIGKILL at random moments: after every kill the file holds either the old or the new
// content, whole and byte for byte, and the folder holds nothing else.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <time.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <random>

#include "Versions.h"
#include "save_fixture.h"

namespace {

int env_or(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != 0 ? std::atoi(text) : fallback;
}

void sleep_for_microseconds(long us) {
    timespec t{us / 1000000, (us % 1000000) * 1000};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

} // namespace

TEST(SaveKilled, TheFileIsAlwaysTheOldOrTheNewOneAndNothingIsLeft) {
    // Two documents of 20,000 stations (about 5 MB each) take turns: each round a child saves the one
    // that is not in the file and is killed at a random moment of that save, measured beforehand.
    const int kills_wanted = env_or("VEMORA_KILLS", 200);
    const unsigned seed = static_cast<unsigned>(env_or("VEMORA_KILL_SEED", static_cast<int>(time(nullptr))));
    std::mt19937 rng(seed);
    Temp_dir dir;
    const std::string path = dir.file("setup.xml");
    Tsetup documents[2];
    fill_document(documents[0], 20000, "the first document");
    fill_document(documents[1], 20000, "the second document, a little longer");
    const std::string contents[2] = {written(documents[0]), written(documents[1])};

    // How long one save takes here, from the child's start to its end.
    ASSERT_EQ(documents[0].write_file(path.c_str()), 0);
    double longest = 0;
    for (int i = 0; i < 3; ++i) {
        const Child_result timed =
            run_in_child([&](int) { return documents[1 - i % 2].write_file(path.c_str()); }, 60);
        ASSERT_TRUE(timed.ok()) << timed.how();
        longest = std::max(longest, timed.seconds);
    }
    int in_file = 1; // the last timed save wrote documents[1]
    ASSERT_EQ(read_bytes(path), contents[in_file]);

    // A save names its file and renames it in a helper process that outlives a kill of the saver; as the
    // orphans' reaper this process can wait for it before looking at the folder.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int kills = 0, finished_first = 0, old_kept = 0, new_whole = 0, damaged = 0, leftovers = 0, rounds = 0;
    int helpers_outlived = 0;
    std::uniform_int_distribution<long> delay(0, static_cast<long>(longest * 1e6));
    while (kills < kills_wanted && rounds < 3 * kills_wanted) {
        ++rounds;
        const int next = 1 - in_file;
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            const char go = 1;
            if (write(ready[1], &go, 1) != 1) _exit(2);
            _exit(documents[next].write_file(path.c_str()) == 0 ? 0 : 1);
        }
        close(ready[1]);
        char go = 0;
        ASSERT_EQ(read(ready[0], &go, 1), 1);
        close(ready[0]);
        sleep_for_microseconds(delay(rng));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
            ++kills;
            while (waitpid(-1, nullptr, 0) > 0)
                ++helpers_outlived;
        } else {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save failed on its own";
            ++finished_first;
        }

        const std::string now = read_bytes(path);
        if (now == contents[in_file]) {
            ++old_kept;
        } else if (now == contents[next]) {
            ++new_whole;
            in_file = next;
        } else {
            ++damaged;
            ADD_FAILURE() << "round " << rounds << ": the file holds " << now.size()
                          << " bytes of neither document";
            ASSERT_EQ(documents[in_file].write_file(path.c_str()), 0);
        }
        const std::vector<std::string> names = names_in(dir.path());
        if (names != std::vector<std::string>{"setup.xml"}) {
            ++leftovers;
            ADD_FAILURE() << "round " << rounds << ": the folder holds " << joined(names);
            for (const std::string& n : names)
                if (n != "setup.xml") std::filesystem::remove(dir.path() / n);
        }
    }
    std::printf("[ killed   ] %d saves killed with SIGKILL (%d more finished first; one save takes %.0f ms, "
                "seed %u):\n"
                "[ killed   ] the old file whole %d times, the new file whole %d times, damaged %d, files "
                "left behind %d;\n"
                "[ killed   ] %d kills came while the helper named and renamed the file, which it finished\n",
                kills, finished_first, longest * 1000, seed, old_kept, new_whole, damaged, leftovers,
                helpers_outlived);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    RecordProperty("kills", kills);
    RecordProperty("damaged", damaged);
    RecordProperty("left_behind", leftovers);
    EXPECT_EQ(kills, kills_wanted);
    EXPECT_EQ(damaged, 0);
    EXPECT_EQ(leftovers, 0);
    EXPECT_GT(old_kept, 0);  // some kills came in the middle of a save
    EXPECT_GT(new_whole, 0); // and some after its rename
}

namespace {

// What the versions folder holds: how many versions have each content, and what else is there.
struct Versions_seen {
    int with[2] = {0, 0};
    std::vector<std::string> damaged; // versions of neither content, notes that are none
};

// known: what each version held when first seen (0 or 1, -1 neither); a version is never written again,
// so each is read once.
Versions_seen look_at_versions(const std::string& path, const std::string contents[2],
                               std::map<std::string, int>& known) {
    Versions_seen seen;
    const std::string folder = path + ".versions";
    if (!std::filesystem::exists(folder)) return seen;
    for (const std::string& name : names_in(folder)) {
        bool note = false;
        std::time_t t = 0;
        int n = 0;
        if (!parse_version_name(name, "setup.xml", &note, &t, &n)) {
            seen.damaged.push_back(name + " (not a version's name)");
            continue;
        }
        if (note) {
            if (!parse_note(read_bytes(folder + "/" + name), nullptr))
                seen.damaged.push_back(name + " (no whole note)");
            continue;
        }
        auto found = known.find(name);
        if (found == known.end()) {
            const std::string bytes = read_bytes(folder + "/" + name);
            found = known.emplace(name, bytes == contents[0] ? 0 : bytes == contents[1] ? 1 : -1).first;
        }
        if (found->second >= 0)
            ++seen.with[found->second];
        else
            seen.damaged.push_back(name + " (neither document)");
    }
    return seen;
}

bool version_has_inode(const std::string& path, ino_t inode) {
    const std::string folder = path + ".versions";
    for (const std::string& name : names_in(folder)) {
        bool note = true;
        struct stat info {};
        if (parse_version_name(name, "setup.xml", &note, nullptr, nullptr) && !note &&
            stat((folder + "/" + name).c_str(), &info) == 0 && info.st_ino == inode)
            return true;
    }
    return false;
}

} // namespace

TEST(SaveKilled, WithVersionsTheOldFileIsInPlaceOrWholeInTheVersionsFolder) {
    // As above with versions kept (half as many kills), on documents of 5,000 stations so that the versions
    // stay small: after each kill the old content is still the file or one more whole version of it is kept,
    // and the versions folder holds nothing partial.
    const int kills_wanted = env_or("VEMORA_KILLS", 200) / 2;
    const unsigned seed = static_cast<unsigned>(env_or("VEMORA_KILL_SEED", static_cast<int>(time(nullptr))));
    std::mt19937 rng(seed);
    Temp_dir dir;
    const std::string path = dir.file("setup.xml");
    Tsetup documents[2];
    fill_document(documents[0], 5000, "the first document");
    fill_document(documents[1], 5000, "the second document, a little longer");
    const std::string contents[2] = {written(documents[0]), written(documents[1])};
    const auto save = [&](int which) {
        Version_keeping k;
        k.note.changes = {"round"};
        k.note.stations = 5000;
        return documents[which].write_file(path.c_str(), nullptr, nullptr, &k);
    };
    ASSERT_EQ(save(0), 0);
    double longest = 0;
    for (int i = 0; i < 3; ++i) {
        const Child_result timed = run_in_child([&](int) { return save(1 - i % 2); }, 60);
        ASSERT_TRUE(timed.ok()) << timed.how();
        longest = std::max(longest, timed.seconds);
    }
    int in_file = 1;
    ASSERT_EQ(read_bytes(path), contents[in_file]);

    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int kills = 0, rounds = 0, old_kept = 0, new_whole = 0, lost = 0, damaged = 0, leftovers = 0;
    int left_linked = 0; // kills after the version was linked and before the rename
    std::map<std::string, int> known;
    std::uniform_int_distribution<long> delay(0, static_cast<long>(longest * 1e6));
    while (kills < kills_wanted && rounds < 3 * kills_wanted) {
        ++rounds;
        const int next = 1 - in_file;
        const Versions_seen before = look_at_versions(path, contents, known);
        struct stat old_file {};
        ASSERT_EQ(stat(path.c_str(), &old_file), 0);
        const ino_t old_inode = old_file.st_ino;
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            const char go = 1;
            if (write(ready[1], &go, 1) != 1) _exit(2);
            _exit(save(next) == 0 ? 0 : 1);
        }
        close(ready[1]);
        char go = 0;
        ASSERT_EQ(read(ready[0], &go, 1), 1);
        close(ready[0]);
        sleep_for_microseconds(delay(rng));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
            ++kills;
            while (waitpid(-1, nullptr, 0) > 0) {
            }
        } else {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save failed on its own";
        }

        const std::string now = read_bytes(path);
        const Versions_seen after = look_at_versions(path, contents, known);
        if (now == contents[in_file]) {
            ++old_kept;
            if (after.with[in_file] == before.with[in_file] + 1) ++left_linked;
        } else if (now == contents[next]) {
            ++new_whole;
            // The old file itself, by its inode, is now a version: one this save linked, or one a killed
            // save linked before and this one took as its version.
            if (!version_has_inode(path, old_inode)) {
                ++lost;
                ADD_FAILURE() << "round " << rounds << ": the file was replaced and the old one is not among "
                              << "the versions";
            }
            in_file = next;
        } else {
            ++damaged;
            ADD_FAILURE() << "round " << rounds << ": the file holds " << now.size()
                          << " bytes of neither document";
            ASSERT_EQ(save(in_file), 0);
        }
        if (!after.damaged.empty()) {
            damaged += static_cast<int>(after.damaged.size());
            ADD_FAILURE() << "round " << rounds << ": the versions folder holds " << joined(after.damaged);
        }
        const std::vector<std::string> names = names_in(dir.path());
        if (names != std::vector<std::string>{"setup.xml", "setup.xml.versions"}) {
            ++leftovers;
            ADD_FAILURE() << "round " << rounds << ": the folder holds " << joined(names);
        }
    }
    std::printf("[ killed   ] %d saves with versions killed (seed %u): the old file in place %d times (%d "
                "of them also linked as a version), replaced with its version kept %d times, lost %d, "
                "damaged %d, left behind %d\n",
                kills, seed, old_kept, left_linked, new_whole, lost, damaged, leftovers);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_EQ(kills, kills_wanted);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(damaged, 0);
    EXPECT_EQ(leftovers, 0);
    EXPECT_GT(old_kept, 0);
    EXPECT_GT(new_whole, 0);
}
