// The way back: restore points of every MeInit a run replaces, its original kept for good, and
// /restore, which puts back an original, the backup or any copy before the edits after it.
#include <algorithm>
#include <string>
#include <vector>

#include "app/RestorePoints.h"
#include "support/DriverFixture.h"

namespace {

const char kEdits[] =
    " /allow \"Filename1.xml\" /addpredif \"Filename2.xml\" /weapons \"Filename3.xml\"";
const char kSuccess[] = "Armwright: information [help 4]: Operation successfull !\n";

class WayBack : public ExampleDriverTest {
protected:
    // The files kept for the MeInit, sorted; the originals end with " original.xml".
    std::vector<std::string> Points() const {
        const CString folder = armwright::CRestorePoints((m_dir.WindowsPath("") + "\\").c_str(),
                                                         m_dir.WindowsPath("MeInit.xml").c_str())
                                   .Folder();
        const CString within = folder.Left(folder.GetLength() - 1);
        const std::string name = within.Mid(within.ReverseFind('\\') + 1).GetString();
        std::vector<std::string> points;
        const std::string path = m_dir.Path("Armwright restore points") + "/" + name;
        std::string listed = ListFolder(path);
        for (size_t n; (n = listed.find('\n')) != std::string::npos; listed.erase(0, n + 1)) {
            const std::string file = listed.substr(0, n);
            if (file.size() > 4 && file.compare(file.size() - 4, 4, ".xml") == 0)
                points.push_back(ReadWholeFile(path + "/" + file) + "@" + file);
        }
        return points;
    }
    static bool IsOriginal(const std::string& point) {
        return point.find(" original.xml", point.rfind('@')) != std::string::npos;
    }
    static std::string Bytes(const std::string& point) { return point.substr(0, point.rfind('@')); }
};

}  // namespace

TEST_F(WayBack, BatchFileRunTwiceGivesTheSameMeInitAndKeepsTheOriginalOnce) {
    const std::string line = "\"MeInit.xml\" /restore" + std::string(kEdits);
    EXPECT_EQ(Run(line), kSuccess);
    const std::string once = Read("MeInit.xml");
    EXPECT_EQ(Run(line), kSuccess);
    EXPECT_EQ(Read("MeInit.xml"), once);
    // Nothing changed the second time, so nothing more was kept.
    const std::vector<std::string> points = Points();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_TRUE(IsOriginal(points[0]));
    EXPECT_EQ(Bytes(points[0]), m_example["MeInit.xml"]);
}

TEST_F(WayBack, GameUpdateIsKeptAsANewOriginalWhichRestorePutsBackByteForByte) {
    EXPECT_EQ(Run("\"MeInit.xml\"" + std::string(kEdits)), kSuccess);
    std::string updated = m_example["MeInit.xml"];
    updated.replace(updated.find("Version=\"3\""), 11, "Version=\"4\"");
    m_dir.Write("MeInit.xml", updated);
    EXPECT_EQ(Run("\"MeInit.xml\"" + std::string(kEdits)), kSuccess);
    EXPECT_EQ(Run("\"MeInit.xml\" /restore"), kSuccess);
    EXPECT_EQ(Read("MeInit.xml"), updated);
    // Both originals stay, and so does what each restore replaced.
    std::vector<std::string> points = Points();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(std::count_if(points.begin(), points.end(), IsOriginal), 2);
    EXPECT_TRUE(std::any_of(points.begin(), points.end(), [&updated](const std::string& point) {
        return IsOriginal(point) && Bytes(point) == updated;
    }));
}

TEST_F(WayBack, RestoreOfTheBackupPutsBackTheBackupFromBeforeThisRun) {
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"Filename1.xml\""), kSuccess);
    const std::string backup = Read(kBackup);
    EXPECT_EQ(Run("\"MeInit.xml\" /restore \"" + std::string(kBackup) + "\""), kSuccess);
    EXPECT_EQ(Read("MeInit.xml"), backup);
    // Given a file that is not a MeInit, the edit fails and nothing is saved.
    const std::string meinit = Read("MeInit.xml");
    EXPECT_EQ(
        Run("\"MeInit.xml\" /verbose /restore \"Filename1.xml\""),
        Error("Unable to find \"LockOn_Registry\" node in file \"" +
              m_dir.WindowsPath("Filename1.xml") +
              "\" : it holds \"Pylons\" instead !\nThis file is not meant for this argument !") +
            "Armwright: error [help 15]: Error with \"restore\" argument !\n");
    EXPECT_EQ(Read("MeInit.xml"), meinit);
}

TEST_F(WayBack, DamagedMeInitIsPutBackByALineThatStartsWithRestore) {
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"Filename1.xml\""), kSuccess);
    const std::string backup = Read(kBackup);
    std::string damaged = Read("MeInit.xml");
    damaged[0] = '\0';
    m_dir.Write("MeInit.xml", damaged);
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"Filename1.xml\""),
              Error("Unable to open file : " + m_dir.WindowsPath("MeInit.xml")));
    EXPECT_EQ(Run("\"MeInit.xml\" /restore /allow \"Filename1.xml\""), kSuccess);
    // No backup was written of what did not load, and its bytes were kept all the same.
    EXPECT_EQ(Read(kBackup), backup);
    const std::string restored = Read("MeInit.xml");
    EXPECT_EQ(Run("\"MeInit.xml\" /restore /allow \"Filename1.xml\""), kSuccess);
    EXPECT_EQ(Read("MeInit.xml"), restored);
    const std::vector<std::string> points = Points();
    EXPECT_TRUE(std::any_of(points.begin(), points.end(), [&damaged](const std::string& point) {
        return Bytes(point) == damaged;
    }));
}
