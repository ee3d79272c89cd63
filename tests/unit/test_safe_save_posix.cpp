// Loading and saving the MeInit, as only POSIX has it: permission bits and ACLs, symbolic links,
// a limit on file sizes, time stamps set back, attributes and flags.
#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <tinyxml.h>
#include <unistd.h>

#include <string>
#include <vector>

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

TEST(SafeSave, BackupIsNeverMoreReadableThanTheMeInitNorTakesTheFoldersGroup) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give the folder another group";
    CTempDir dir;
    // A set-group-id folder of another group passes that group on to every new file.
    ASSERT_EQ(chown(dir.Path().c_str(), 0, 65534), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 02775), 0);
    dir.Write("MeInit.xml", kMeInit);
    ASSERT_EQ(chown(dir.Path("MeInit.xml").c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(dir.Path("MeInit.xml").c_str(), 0640), 0);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    ASSERT_TRUE(file.SaveAs(dir.WindowsPath("backup.xml").c_str()));
    struct stat st;
    ASSERT_EQ(stat(dir.Path("backup.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, 0u);
    EXPECT_EQ(st.st_mode & 0044, 0040u);
    // Made private since: the backup of the last run, or one planted by another user, that
    // anyone may read is replaced, not written into.
    ASSERT_EQ(chmod(dir.Path("MeInit.xml").c_str(), 0600), 0);
    ASSERT_EQ(chmod(dir.Path("backup.xml").c_str(), 0666), 0);
    ASSERT_EQ(chown(dir.Path("backup.xml").c_str(), 65534, 65534), 0);
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    ASSERT_TRUE(file.SaveAs(dir.WindowsPath("backup.xml").c_str()));
    struct stat renewed;
    ASSERT_EQ(stat(dir.Path("backup.xml").c_str(), &renewed), 0);
    EXPECT_NE(renewed.st_ino, st.st_ino);
    EXPECT_EQ(renewed.st_mode & 07777, 0600u);
    EXPECT_EQ(renewed.st_uid, 0u);
    EXPECT_EQ(ReadWholeFile(dir.Path("backup.xml")), kPrinted);
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\nbackup.xml\n");
}

TEST(SafeSave, KeepsAttributesTheUserSetAndTheOwnersFileFlags) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    const std::string path = dir.Path("MeInit.xml");
    // libattr's own list would skip the first; only root may list and set the second.
    std::vector<std::string> names = {"user.Beagle.seen", "user.note"};
    if (geteuid() == 0)
        names.push_back("trusted.note");
    for (const std::string& name : names) {
        if (setxattr(path.c_str(), name.c_str(), "v", 1, 0) != 0)
            GTEST_SKIP() << "the temporary folder's file system has no " << name;
    }
    const int nFlags = FS_NODUMP_FL | FS_NOATIME_FL;
    const int fd = open(path.c_str(), O_RDONLY);
    const bool bFlags = ioctl(fd, FS_IOC_SETFLAGS, &nFlags) == 0;
    close(fd);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    ASSERT_EQ(file.Save(), armwright::SaveResult::Saved);
    EXPECT_EQ(ReadWholeFile(path), kPrinted);
    for (const std::string& name : names)
        EXPECT_EQ(getxattr(path.c_str(), name.c_str(), nullptr, 0), 1) << name;
    int nKept = 0;
    const int fdSaved = open(path.c_str(), O_RDONLY);
    ASSERT_EQ(ioctl(fdSaved, FS_IOC_GETFLAGS, &nKept), 0);
    close(fdSaved);
    if (bFlags) {
        EXPECT_EQ(nKept & nFlags, nFlags);
    }
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\n");
}

TEST(SafeSave, AppendOnlyFolderIsWrittenInPlaceWithNothingLeftInIt) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    struct stat before;
    ASSERT_EQ(stat(dir.Path("MeInit.xml").c_str(), &before), 0);
    const int fd = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    int nFlags = FS_APPEND_FL;
    if (ioctl(fd, FS_IOC_SETFLAGS, &nFlags) != 0) {
        close(fd);
        GTEST_SKIP() << "needs root and a file system with append-only folders";
    }
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    const armwright::SaveResult result = file.Save();
    nFlags = 0;
    ioctl(fd, FS_IOC_SETFLAGS, &nFlags);
    close(fd);
    EXPECT_EQ(result, armwright::SaveResult::Saved);
    struct stat after;
    ASSERT_EQ(stat(dir.Path("MeInit.xml").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadWholeFile(dir.Path("MeInit.xml")), kPrinted);
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\n");
}
