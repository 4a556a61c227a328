// What a save refuses to replace, as root and as an ordinary user: a file with other hard links, one the
// user may not write, no regular file, a link another user put into a shared folder, a dangling link and
// a loop of links. Each refusal says why and what to do, and leaves every file as it was.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <map>

#include "saver_fixture.h"

namespace {

const std::string SAVE_AS_ITS_OWN = "; use Save As to save to a file of its own";

// Everything in a folder as lstat sees it, with a regular file's bytes and a link's text: a refused save
// must change none of it and add nothing.
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (const std::string& name : names_in(folder)) {
        const std::string path = folder + "/" + name;
        struct stat info {};
        lstat(path.c_str(), &info);
        std::string& d = out[name];
        d = std::to_string(info.st_mode) + " " + std::to_string(info.st_uid) + ":" +
            std::to_string(info.st_gid) + " inode " + std::to_string(info.st_ino) + " links " +
            std::to_string(info.st_nlink);
        if (S_ISREG(info.st_mode)) d += " bytes " + read_bytes(path);
        if (S_ISLNK(info.st_mode)) d += " to " + std::filesystem::read_symlink(path).string();
    }
    return out;
}

// Saves as s and expects the refusal with its reason, every file of the folders as it was.
void expect_refused(const Saver& s, const std::string& path, const std::string& reason,
                    const std::vector<std::string>& folders) {
    std::vector<std::map<std::string, std::string>> before;
    for (const std::string& f : folders)
        before.push_back(snapshot(f));
    Tsetup setup;
    fill_document(setup, 3, "the new document");
    EXPECT_EQ(save_as(s, setup, path), "1 " + reason) << path;
    for (size_t i = 0; i < folders.size(); ++i)
        EXPECT_EQ(snapshot(folders[i]), before[i]) << path << ": " << folders[i];
}

// Saves as s and expects the save to land in real, which keeps its identity.
void expect_saved_into(const Saver& s, const std::string& path, const std::string& real) {
    const Identity before = identity_of(real);
    Tsetup setup;
    fill_document(setup, 2, ("saved through " + path).c_str());
    EXPECT_EQ(save_as(s, setup, path), "0 ") << path;
    const Identity after = identity_of(real);
    EXPECT_EQ(after.bytes, written(setup)) << path;
    EXPECT_EQ(after.uid, before.uid) << path;
    EXPECT_EQ(after.mode, before.mode) << path;
}

std::string link_to(const std::string& text, const std::string& at, uid_t owner) {
    EXPECT_EQ(symlink(text.c_str(), at.c_str()), 0) << at;
    if (owner != geteuid()) {
        EXPECT_EQ(lchown(at.c_str(), owner, owner), 0) << at;
    }
    return at;
}

} // namespace

TEST(SaveRefusals, AFileWithOtherHardLinksIsRefused) {
    // Replacing one name of a file with hard links would part it from the others silently.
    for (const Saver& s : savers()) {
        SCOPED_TRACE("saved by " + s.who);
        Saver_dir dir(s);
        const std::string path = dir.write("setup.xml", "linked content");
        ASSERT_EQ(link(path.c_str(), dir.file("copy.xml").c_str()), 0);
        expect_refused(s, path,
                       "it has 2 hard links; saving would break the link: use Save As to save a copy",
                       {dir.path()});
        ASSERT_EQ(link(path.c_str(), dir.file("third.xml").c_str()), 0);
        expect_refused(s, dir.file("copy.xml"),
                       "it has 3 hard links; saving would break the link: use Save As to save a copy",
                       {dir.path()});
    }
}

TEST(SaveRefusals, AFileTheUserMayNotWriteIsRefusedThoughTheFolderWouldLetItBeReplaced) {
    for (const Saver& s : savers()) {
        SCOPED_TRACE("saved by " + s.who);
        Saver_dir dir(s);
        const std::string read_only = dir.write("read-only.xml", "kept read-only by its owner");
        chmod(read_only.c_str(), 0444);
        expect_refused(s, read_only,
                       "it is read-only (mode 444); use Save As to save a copy, or make it writable first",
                       {dir.path()});
        chmod(read_only.c_str(), 0400);
        expect_refused(s, read_only,
                       "it is read-only (mode 400); use Save As to save a copy, or make it writable first",
                       {dir.path()});
        // A file the user may write but not read is saved.
        const std::string write_only = dir.write("write-only.xml", "old");
        chmod(write_only.c_str(), 0200);
        Tsetup setup;
        fill_document(setup, 2, "written, not read");
        EXPECT_EQ(save_as(s, setup, write_only), "0 ");
        EXPECT_EQ(identity_of(write_only).mode, 0200u);
        chmod(write_only.c_str(), 0600); // for this process to read it, when it is not root
        EXPECT_EQ(read_bytes(write_only), written(setup));
        if (!is_root()) continue; // files of other users take root to make
        if (s.uid != 0) {
            // Root's file in nobody's own folder: the folder alone would let nobody replace it.
            const std::string roots = dir.write("roots.xml", "root's file", 0, 0);
            expect_refused(s, roots,
                           "you may not write it (mode 644, owner uid 0); use Save As to save a copy",
                           {dir.path()});
        } else {
            // Root may write another user's file, and keeps its owner.
            const std::string others = dir.write("others.xml", "nobody's file", NOBODY_ID, NOBODY_ID);
            expect_saved_into(s, others, others);
            EXPECT_EQ(identity_of(others).uid, NOBODY_ID);
        }
    }
}

TEST(SaveRefusals, ATargetThatIsNoRegularFileIsRefused) {
    // A named pipe, a socket, a folder, a device node, or a link to one: replacing it with a file would
    // take away what it is, and a pipe is never opened.
    for (const Saver& s : savers()) {
        SCOPED_TRACE("saved by " + s.who);
        Saver_dir dir(s);
        const std::string pipe = dir.file("pipe.xml");
        ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
        expect_refused(s, pipe, "it is a named pipe, not a regular file" + SAVE_AS_ITS_OWN, {dir.path()});

        const std::string socket_path = dir.file("socket.xml");
        const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(socket_path.size(), sizeof address.sun_path);
        std::strcpy(address.sun_path, socket_path.c_str());
        ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        expect_refused(s, socket_path, "it is a socket, not a regular file" + SAVE_AS_ITS_OWN, {dir.path()});
        close(sock);

        const std::string folder = dir.file("folder.xml");
        ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
        expect_refused(s, folder, "it is a folder, not a regular file" + SAVE_AS_ITS_OWN, {dir.path()});
        expect_refused(s, folder + "/", "it is a folder, not a regular file" + SAVE_AS_ITS_OWN, {dir.path()});

        const std::string to_pipe = link_to("pipe.xml", dir.file("to-pipe.xml"), s.uid);
        expect_refused(s, to_pipe,
                       "it is a symbolic link to a named pipe, not to a regular file" + SAVE_AS_ITS_OWN,
                       {dir.path()});

        if (!is_root()) {
            std::printf("[ note     ] a device node takes root to make: not tried\n");
            continue;
        }
        const std::string device = dir.file("device.xml");
        ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        expect_refused(s, device, "it is a character device, not a regular file" + SAVE_AS_ITS_OWN,
                       {dir.path()});
    }
}

TEST(SaveRefusals, ALinkOfAnotherUserInASharedFolderIsNotFollowed) {
    // In a sticky, world-writable folder anyone may put a link; following it would let them choose which
    // file a save replaces. A link there is followed when the saver, root or the folder's owner owns it;
    // anywhere else any link is followed.
    for (const Saver& s : savers()) {
        SCOPED_TRACE("saved by " + s.who);
        Saver_dir dir(s);
        const std::string real = dir.write("real.xml", "the file the links lead to");
        const std::string shared = dir.folder("shared", is_root() ? 0 : geteuid(), 01777);
        const std::string own = link_to(real, shared + "/own.xml", s.uid);
        expect_saved_into(s, own, real);
        EXPECT_TRUE(std::filesystem::is_symlink(own));
        if (!is_root()) {
            std::printf("[ note     ] links of other users take root to make: only the saver's own tried\n");
            continue;
        }
        const uid_t other = other_user(s);
        const std::string foreign = link_to(real, shared + "/foreign.xml", other);
        const std::string refusal = "it is a symbolic link owned by another user (uid " +
                                    std::to_string(other) +
                                    ") in a shared folder (sticky and world-writable), which a save does not "
                                    "follow" +
                                    SAVE_AS_ITS_OWN;
        expect_refused(s, foreign, refusal, {dir.path(), shared});
        // The saver's own link leading to the foreign one: each link of a chain is judged.
        expect_refused(s, link_to(foreign, shared + "/chain.xml", s.uid), refusal, {dir.path(), shared});

        expect_saved_into(s, link_to(real, shared + "/roots.xml", 0), real);
        const std::string owned = dir.folder("owned", other, 01777);
        expect_saved_into(s, link_to(real, owned + "/owners.xml", other), real);
        const std::string open = dir.folder("open", 0, 0777);
        expect_saved_into(s, link_to(real, open + "/foreign.xml", other), real);
        EXPECT_EQ(joined(names_in(dir.path())), "real.xml");
    }
}

TEST(SaveRefusals, ADanglingLinkOrALoopOfLinksIsRefusedNotReplaced) {
    const std::string dangling = "it is a symbolic link to a file that does not exist" + SAVE_AS_ITS_OWN;
    const std::string loop = "it is a symbolic link in a loop of links" + SAVE_AS_ITS_OWN;
    for (const Saver& s : savers()) {
        SCOPED_TRACE("saved by " + s.who);
        Saver_dir dir(s);
        expect_refused(s, link_to("missing.xml", dir.file("dangling.xml"), s.uid), dangling, {dir.path()});
        expect_refused(s, link_to("no-folder/missing.xml", dir.file("dangling-folder.xml"), s.uid), dangling,
                       {dir.path()});
        link_to("loop-b.xml", dir.file("loop-a.xml"), s.uid);
        expect_refused(s, link_to("loop-a.xml", dir.file("loop-b.xml"), s.uid), loop, {dir.path()});
        expect_refused(s, link_to("self.xml", dir.file("self.xml"), s.uid), loop, {dir.path()});
        expect_refused(s, link_to("through.xml/x", dir.file("through.xml"), s.uid), loop, {dir.path()});

        // A chain as long as the system follows is followed; one link more is a loop.
        const std::string real = dir.write("real.xml", "old");
        std::string next = "real.xml";
        for (int i = 1; i <= 41; ++i) {
            const std::string name = "chain-" + std::to_string(i) + ".xml";
            link_to(next, dir.file(name), s.uid);
            next = name;
        }
        expect_saved_into(s, dir.file("chain-40.xml"), real);
        expect_refused(s, dir.file("chain-41.xml"), loop, {dir.path()});
    }
}

TEST(SaveRefusals, TheCommandLineToolGivesTheSameReasonsAndExitsOne) {
    for (const Saver& s : savers()) {
        SCOPED_TRACE("saved by " + s.who);
        Saver_dir dir(s);
        Tsetup input;
        fill_document(input, 5, "input");
        const std::string in = dir.write("input.xml", written(input));
        const std::string linked = dir.write("linked.xml", "linked");
        ASSERT_EQ(link(linked.c_str(), dir.file("other-name.xml").c_str()), 0);
        std::vector<std::pair<std::string, std::string>> refused = {
            {linked, "it has 2 hard links; saving would break the link: use Save As to save a copy"}};
        if (s.uid != 0 && is_root()) {
            const std::string roots = dir.write("roots.xml", "root's", 0, 0);
            chmod(roots.c_str(), 0666);
            refused.push_back(
                {roots,
                 "it belongs to another user (uid 0), and a file you save would belong to you; use Save "
                 "As to save a copy"});
        }
        for (const auto& [path, reason] : refused) {
            const auto before = snapshot(dir.path());
            for (const std::vector<std::string>& command :
                 {std::vector<std::string>{"normalize", in, path}, {"edit", in, "2", path, "ed_ID=5"}}) {
                const Child_result r = run_cli_binary(command, s.in_child ? s.uid : 0);
                EXPECT_EQ(r.exit_code, 1) << command[0] << ": " << r.output;
                EXPECT_EQ(r.output, "vemora-cli: cannot write \"" + path + "\": " + reason + "\n")
                    << command[0];
            }
            EXPECT_EQ(snapshot(dir.path()), before) << path;
        }
    }
}
