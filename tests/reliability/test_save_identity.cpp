// A save keeps the identity of the file it replaces: owner, group, mode, extended attributes and the ACL
// among them; where one of them cannot be kept, the save is refused and the old file stays as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <random>

#include "saver_fixture.h"

namespace {

unsigned test_seed() {
    const char* text = std::getenv("VEMORA_SEED");
    return text != nullptr && *text != 0 ? static_cast<unsigned>(std::atol(text)) : 20240611u;
}

std::string random_bytes(std::mt19937& rng, size_t n) {
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(rng() & 0xFF);
    return out;
}

// A document of a few stations, different each time.
void fill_random(Tsetup& setup, std::mt19937& rng) {
    fill_document(setup, static_cast<int>(rng() % 5), ("document " + std::to_string(rng())).c_str());
}

void expect_same_identity(const Identity& before, const Identity& after, const std::string& what) {
    EXPECT_EQ(after.uid, before.uid) << what;
    EXPECT_EQ(after.gid, before.gid) << what;
    EXPECT_EQ(after.mode, before.mode) << what;
    EXPECT_EQ(after.attributes, before.attributes) << what;
}

// The old file exactly as it was: the same inode, bytes, owner, mode and attributes.
void expect_untouched(const Identity& before, const std::string& path, const std::string& what) {
    const Identity now = identity_of(path);
    EXPECT_EQ(now.inode, before.inode) << what;
    EXPECT_EQ(now.bytes, before.bytes) << what;
    expect_same_identity(before, now, what);
}

} // namespace

TEST(SaveIdentity, ASaveKeepsOwnerGroupModeAndExtendedAttributes) {
    // Generated files, each with an owner and group the saver may give, a random mode (special bits
    // too), random user.* attributes with any bytes, sometimes an ACL and, for root, trusted.* ones.
    const unsigned seed = test_seed();
    for (const Saver& s : savers()) {
        SCOPED_TRACE("saved by " + s.who + ", seed " + std::to_string(seed) + " (VEMORA_SEED)");
        std::mt19937 rng(seed);
        Saver_dir dir(s);
        std::string why;
        const bool attributes = user_attributes_work(dir.path(), &why);
        if (!attributes) std::printf("[ note     ] %s: owner, group and mode only\n", why.c_str());
        bool acls = attributes;
        std::vector<std::string> names;
        for (int round = 0; round < 40; ++round) {
            const std::string name = "setup-" + std::to_string(round) + ".xml";
            names.push_back(name);
            Tsetup old;
            fill_random(old, rng);
            const std::string path = dir.write(name, written(old));
            const uid_t owners[] = {0, NOBODY_ID, 1000, STRANGER_ID};
            const uid_t uid = s.uid == 0 ? owners[rng() % 4] : s.uid;
            const gid_t gid = s.uid == 0 ? owners[rng() % 4] : s.gid;
            ASSERT_EQ(chown(path.c_str(), uid, gid), 0);
            // The saver must be allowed to write the file (read it too, for its user.* attributes).
            const mode_t mode = static_cast<mode_t>(rng() & 07777) | (s.uid == 0 ? 0200 : 0600);
            ASSERT_EQ(chmod(path.c_str(), mode), 0);
            for (int a = static_cast<int>(rng() % 5); attributes && a > 0; --a) {
                const std::string key = "user.vemora." + std::to_string(rng() % 1000);
                const std::string value = random_bytes(rng, rng() % 300);
                ASSERT_EQ(setxattr(path.c_str(), key.c_str(), value.data(), value.size(), 0), 0) << key;
            }
            if (attributes && s.uid == 0 && rng() % 3 == 0) {
                ASSERT_EQ(setxattr(path.c_str(), "trusted.vemora", "t", 1, 0), 0);
            }
            if (acls && rng() % 3 == 0) {
                const std::string acl = acl_with_user(5000 + rng() % 100);
                if (setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
                    std::printf("[ note     ] no ACLs here (%s)\n", std::strerror(errno));
                    acls = false;
                }
            }
            const Identity before = identity_of(path);
            Tsetup setup;
            fill_random(setup, rng);
            ASSERT_EQ(save_as(s, setup, path), "0 ") << name;
            const Identity after = identity_of(path);
            expect_same_identity(before, after, name);
            EXPECT_NE(after.inode, before.inode) << name << ": the file was written in place";
            EXPECT_EQ(after.bytes, written(setup)) << name;
            EXPECT_EQ(after.links, 1u) << name;
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names_in(dir.path()), names); // no temporary file left
    }
}

TEST(SaveIdentity, AnAclTheFolderGivesNewFilesIsNotAddedToTheSavedFile) {
    // A default ACL on the folder gives every new file an ACL of its own; the saved file must have the
    // old one's (here none), not the folder's, or it would let one more user write the fleet's file.
    const Saver s = savers()[0];
    Saver_dir dir(s);
    std::string why;
    if (!user_attributes_work(dir.path(), &why)) GTEST_SKIP() << why;
    const std::string inherited = acl_bytes({{ACL_USER_OBJ, 7, ACL_NO_ID},
                                             {ACL_USER, 7, STRANGER_ID},
                                             {ACL_GROUP_OBJ, 5, ACL_NO_ID},
                                             {ACL_MASK, 7, ACL_NO_ID},
                                             {ACL_OTHER, 5, ACL_NO_ID}});
    const std::string path = dir.write("setup.xml", "old");
    if (setxattr(dir.path().c_str(), "system.posix_acl_default", inherited.data(), inherited.size(), 0) != 0)
        GTEST_SKIP() << "no ACLs here: " << std::strerror(errno);
    const Identity before = identity_of(path);
    ASSERT_EQ(before.attributes.count("system.posix_acl_access"), 0u);
    Tsetup setup;
    fill_document(setup, 2, "kept to its owner");
    ASSERT_EQ(save_as(s, setup, path), "0 ");
    const Identity after = identity_of(path);
    expect_same_identity(before, after, "saved under a default ACL");
    EXPECT_EQ(after.bytes, written(setup));
    // The folder does give the ACL to a file created there, so the case above did arise.
    const std::string fresh = dir.file("fresh.xml");
    ASSERT_EQ(save_as(s, setup, fresh), "0 ");
    EXPECT_EQ(attributes_of(fresh).count("system.posix_acl_access"), 1u);
}

TEST(SaveIdentity, AnOwnerOrGroupThatCannotBeKeptRefusesTheSave) {
    // Only root gives a file away; the user nobody, saving files of its folder that it may write, can keep
    // neither root as their owner nor a group it is no member of.
    if (!is_root()) GTEST_SKIP() << "needs root, to make files of other owners and to become the user nobody";
    const Saver root = savers()[0], nobody = savers()[1];
    Saver_dir dir(nobody);
    const std::string roots = dir.write("roots.xml", "root's file, which everyone may write", 0, 0);
    chmod(roots.c_str(), 0666);
    const std::string grouped = dir.write("grouped.xml", "nobody's file of the group root", NOBODY_ID, 0);
    chmod(grouped.c_str(), 0664);
    const Identity roots_before = identity_of(roots), grouped_before = identity_of(grouped);
    Tsetup setup;
    fill_document(setup, 3, "new");

    EXPECT_EQ(save_as(nobody, setup, roots),
              "1 it belongs to another user (uid 0), and a file you save would belong to you; use Save As to "
              "save a copy");
    expect_untouched(roots_before, roots, "root's file");
    EXPECT_EQ(
        save_as(nobody, setup, grouped),
        "1 its group (gid 0) cannot be kept, as you are not a member of it; use Save As to save a copy");
    expect_untouched(grouped_before, grouped, "group root");
    EXPECT_EQ(joined(names_in(dir.path())), "grouped.xml roots.xml");

    // Root keeps any owner and group: the same two files, and one of nobody:nogroup.
    const std::string nobodys = dir.write("nobodys.xml", "nobody's file");
    for (const std::string& path : {roots, grouped, nobodys}) {
        const Identity before = identity_of(path);
        ASSERT_EQ(save_as(root, setup, path), "0 ") << path;
        expect_same_identity(before, identity_of(path), path);
        EXPECT_EQ(read_bytes(path), written(setup)) << path;
    }
}

TEST(SaveIdentity, AnAttributeThatCannotBeReadOrKeptRefusesTheSave) {
    // A security.* attribute takes root to set it, so nobody cannot give it to the new file; a user.*
    // attribute of a file nobody may write but not read cannot be read. Root saves both, keeping them.
    if (!is_root()) GTEST_SKIP() << "needs root, to set a security.* attribute and to become the user nobody";
    const Saver root = savers()[0], nobody = savers()[1];
    Saver_dir dir(nobody);
    std::string why;
    if (!user_attributes_work(dir.path(), &why)) GTEST_SKIP() << why;
    const std::string labelled = dir.write("labelled.xml", "a file with a security attribute");
    if (setxattr(labelled.c_str(), "security.vemora", "label", 5, 0) != 0)
        GTEST_SKIP() << "security.* attributes cannot be set here: " << std::strerror(errno);
    const std::string write_only = dir.write("write-only.xml", "a file nobody may write but not read");
    ASSERT_EQ(setxattr(write_only.c_str(), "user.note", "n", 1, 0), 0);
    chmod(write_only.c_str(), 0200);
    const Identity labelled_before = identity_of(labelled), write_only_before = identity_of(write_only);
    Tsetup setup;
    fill_document(setup, 2, "new");

    EXPECT_EQ(
        save_as(nobody, setup, labelled),
        "1 its extended attribute \"security.vemora\" cannot be kept (Operation not permitted); use Save "
        "As to save a copy");
    expect_untouched(labelled_before, labelled, "security attribute");
    EXPECT_EQ(
        save_as(nobody, setup, write_only),
        "1 its extended attribute \"user.note\" cannot be read (Permission denied); use Save As to save "
        "a copy");
    expect_untouched(write_only_before, write_only, "write-only file");
    EXPECT_EQ(joined(names_in(dir.path())), "labelled.xml write-only.xml");

    for (const std::string& path : {labelled, write_only}) {
        const Identity before = identity_of(path);
        ASSERT_EQ(save_as(root, setup, path), "0 ") << path;
        expect_same_identity(before, identity_of(path), path);
    }
}
