// The lock file beside a setup file: who holds it, when it is stale, and that two editors cannot both
// take it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "File_lock.h"
#include "temp_dir.h"

namespace {

std::string lock_of(const std::string& user, const std::string& host, long pid, std::time_t time) {
    return "vemora-editor lock\nuser: " + user + "\nhost: " + host + "\npid: " + std::to_string(pid) +
           "\ntime: " + std::to_string(static_cast<long long>(time)) + "\n";
}

// A process of this host that is certainly gone.
long gone_pid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

} // namespace

TEST(FileLock, OnlyOneEditorTakesAFreeLockAndOnlyItsOwnerRemovesIt) {
    Temp_dir dir;
    const std::string setup = dir.write("setup.xml", "<xml/>");
    const std::time_t now = std::time(nullptr);
    EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::NONE);
    std::string reason;
    ASSERT_TRUE(write_lock(setup, false, now, &reason)) << reason;
    const Lock_state mine = inspect_lock(setup, now);
    EXPECT_EQ(mine.status, Lock_status::MINE);
    EXPECT_EQ(mine.holder.pid, static_cast<long>(getpid()));
    EXPECT_EQ(mine.holder.host, this_process(now).host);
    EXPECT_EQ(mine.holder.time, now);
    // A second take without replacing fails, whoever asks; no temporary file stays behind.
    EXPECT_FALSE(write_lock(setup, false, now, &reason));
    EXPECT_EQ(reason, "locked");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 2); // the setup file and its lock

    remove_lock(setup);
    EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::NONE);

    // Another's lock stays when this process closes the file.
    dir.write("setup.xml.lock", lock_of("anna", "lab-pc", 4711, now));
    remove_lock(setup);
    EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::HELD);
    // Open Anyway: the lock becomes this process's.
    ASSERT_TRUE(write_lock(setup, true, now, &reason)) << reason;
    EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::MINE);
}

TEST(FileLock, ALockIsStaleWhenItsProcessIsGoneHereOrItIsADayOldElsewhere) {
    Temp_dir dir;
    const std::string setup = dir.write("setup.xml", "<xml/>");
    const std::time_t now = std::time(nullptr);
    const std::string here = this_process(now).host;

    dir.write("setup.xml.lock", lock_of("anna", here, static_cast<long>(getppid()), now - 3 * 86400));
    EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::HELD); // alive here, however old

    const long gone = gone_pid();
    dir.write("setup.xml.lock", lock_of("anna", here, gone, now));
    const Lock_state stale = inspect_lock(setup, now);
    EXPECT_EQ(stale.status, Lock_status::STALE);
    EXPECT_NE(stale.reason.find(std::to_string(gone)), std::string::npos) << stale.reason;
    EXPECT_EQ(stale.holder.user, "anna");

    dir.write("setup.xml.lock", lock_of("ben", "field-laptop", 12, now - LOCK_STALE_SECONDS + 60));
    EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::HELD);
    dir.write("setup.xml.lock", lock_of("ben", "field-laptop", 12, now - LOCK_STALE_SECONDS - 60));
    EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::STALE);

    for (const char* broken : {"", "vemora-editor lock\nuser: x\n", "something else\npid: 1\n",
                               "vemora-editor lock\nuser: x\nhost: h\npid: 12x\ntime: 5\n"}) {
        dir.write("setup.xml.lock", broken);
        EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::STALE) << broken;
    }
    dir.write("setup.xml.lock", std::string(100000, 'x'));
    EXPECT_EQ(inspect_lock(setup, now).status, Lock_status::STALE);
}

TEST(FileLock, AFolderThatCannotBeWrittenGivesTheReasonAndNoLock) {
    Temp_dir dir;
    const std::string setup = dir.file("missing-folder/setup.xml");
    std::string reason;
    EXPECT_FALSE(write_lock(setup, false, std::time(nullptr), &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(inspect_lock(setup, std::time(nullptr)).status, Lock_status::NONE);

    Lock_holder h{"anna", "lab-pc", 4711, 0};
    const std::string text = holder_text(h);
    EXPECT_EQ(text.rfind("anna on lab-pc (process 4711), since ", 0), 0u) << text;
}
