// Loading and saving the MeInit, as only POSIX has it: permission bits and ACLs, symbolic links,
// a limit on file sizes, time stamps set back.
#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <tinyxml.h>
#include <unistd.h>

#include <string>

#include "framework/file.h"
#include "meinit/MeInitFile.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "xml/XmlFile.h"

namespace {

const char kMeInit[] =
    "<?xml version=\"1.0\" ?>\r\n<LockOn_Registry>\r\n<Units a=\"1\"/>\r\n</LockOn_Registry>\r\n";
const char kPrinted[] =
    "<?xml version=\"1.0\" ?>\n<LockOn_Registry>\n    <Units a=\"1\" />\n</LockOn_Registry>\n";

}  // namespace

TEST(SafeSave, PrivateMeInitGetsABackupJustAsPrivate) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    // Whatever the umask allows.
    chmod(dir.Path("MeInit.xml").c_str(), 0600);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    ASSERT_TRUE(file.SaveAs(dir.WindowsPath("backup.xml").c_str()));
    struct stat st;
    ASSERT_EQ(stat(dir.Path("backup.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(SafeSave, KeepsPermissionBitsSymbolicAndHardLinks) {
    CTempDir dir;
    dir.Write("real.xml", kMeInit);
    chmod(dir.Path("real.xml").c_str(), 0640);
    ASSERT_EQ(symlink(dir.Path("real.xml").c_str(), dir.Path("MeInit.xml").c_str()), 0);
    ASSERT_EQ(link(dir.Path("real.xml").c_str(), dir.Path("hard.xml").c_str()), 0);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    ASSERT_EQ(file.Save(), armwright::SaveResult::Saved);

    struct stat st;
    ASSERT_EQ(lstat(dir.Path("MeInit.xml").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(dir.Path("real.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(ReadWholeFile(dir.Path("real.xml")), kPrinted);
    EXPECT_EQ(ReadWholeFile(dir.Path("hard.xml")), kPrinted);
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\nhard.xml\nreal.xml\n");
}

TEST(SafeSave, WriteFailingPartWayLeavesTheTargetByteIdentical) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    // Bigger than the original, so the new content cannot fit under the limit.
    for (int i = 0; i < 200; ++i)
        file.m_pDocument->RootElement()->InsertEndChild(TiXmlElement("Padding"));
    {
        CFileSizeLimit limit(512);
        EXPECT_EQ(file.Save(), armwright::SaveResult::Failed);
        EXPECT_FALSE(file.SaveAs(dir.WindowsPath("backup.xml").c_str()));
    }
    EXPECT_EQ(ReadWholeFile(dir.Path("MeInit.xml")), kMeInit);
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\n");
}

TEST(SafeSave, UnreachablePlacesFailWithoutLeavingAnything) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    mkdir(dir.Path("sub.xml").c_str(), 0755);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    EXPECT_FALSE(file.SaveAs(dir.WindowsPath("no\\such\\folder.xml").c_str()));
    EXPECT_FALSE(file.SaveAs(dir.WindowsPath("sub.xml").c_str()));
    EXPECT_FALSE(file.SaveAs("C:\\backup.xml"));
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\nsub.xml\n");
    EXPECT_EQ(ListFolder(dir.Path("sub.xml")), "");
}

TEST(SafeSave, ReplacedFileTakesTheTargetsAclNotTheFoldersDefault) {
    CTempDir dir;
    acl_t folderDefault = acl_from_text("u::rwx,g::rwx,o::---,u:nobody:rw-,m::rwx");
    ASSERT_NE(folderDefault, nullptr);
    const bool bSet = acl_set_file(dir.Path().c_str(), ACL_TYPE_DEFAULT, folderDefault) == 0;
    acl_free(folderDefault);
    if (!bSet)
        GTEST_SKIP() << "the temporary folder's file system has no ACLs";
    // One file made before the folder had its default ACL would have none; one made after has
    // it. Each must come back with exactly what it had.
    dir.Write("plain.xml", kMeInit);
    acl_t modeOnly = acl_from_mode(0660);
    ASSERT_EQ(acl_set_file(dir.Path("plain.xml").c_str(), ACL_TYPE_ACCESS, modeOnly), 0);
    acl_free(modeOnly);
    dir.Write("shared.xml", kMeInit);
    const auto accessAcl = [&dir](const char* name) {
        char buffer[256];
        ssize_t n =
            getxattr(dir.Path(name).c_str(), "system.posix_acl_access", buffer, sizeof buffer);
        return n < 0 ? std::string("none") : std::string(buffer, static_cast<size_t>(n));
    };
    const std::string sharedAcl = accessAcl("shared.xml");
    ASSERT_NE(sharedAcl, "none");
    for (const char* name : {"plain.xml", "shared.xml"}) {
        CMeInitFile file;
        ASSERT_TRUE(file.Load(dir.WindowsPath(name).c_str()));
        EXPECT_EQ(file.Save(), armwright::SaveResult::Saved) << name;
        EXPECT_EQ(ReadWholeFile(dir.Path(name)), kPrinted);
    }
    struct stat st;
    ASSERT_EQ(stat(dir.Path("plain.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    EXPECT_EQ(accessAcl("plain.xml"), "none");
    EXPECT_EQ(accessAcl("shared.xml"), sharedAcl);
    EXPECT_EQ(ListFolder(dir.Path()), "plain.xml\nshared.xml\n");
}

TEST(SafeSave, ChangeThatKeepsSizeAndModificationTimeIsNoticed) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    std::string other = kMeInit;
    other.replace(other.find("a=\"1\""), 5, "a=\"2\"");
    struct stat st;
    ASSERT_EQ(stat(dir.Path("MeInit.xml").c_str(), &st), 0);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    dir.Write("MeInit.xml", other);
    ASSERT_EQ(utimensat(AT_FDCWD, dir.Path("MeInit.xml").c_str(), times, 0), 0);
    EXPECT_EQ(file.Save(), armwright::SaveResult::Changed);
    EXPECT_EQ(ReadWholeFile(dir.Path("MeInit.xml")), other);
    // The same through the rewrite in place, which a second name makes the save take.
    ASSERT_EQ(link(dir.Path("MeInit.xml").c_str(), dir.Path("other.xml").c_str()), 0);
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    dir.Write("other.xml", kMeInit);
    EXPECT_EQ(file.Save(), armwright::SaveResult::Changed);
    EXPECT_EQ(ReadWholeFile(dir.Path("MeInit.xml")), kMeInit);
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\nother.xml\n");
}
