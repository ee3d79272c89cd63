// Whatever the disk does during a save, the run reports it and leaves the MeInit as it was, or
// says that it may be damaged; no temporary file stays. Both backends run these, each with its
// own fault points.
#include <filesystem>
#include <map>
#include <string>

#include "support/DriverFixture.h"
#include "support/SaveFaults.h"

namespace {

const char kAllLine[] =
    "\"MeInit.xml\" /verbose /allow \"Filename1.xml\" /addpredif \"Filename2.xml\" /weapons "
    "\"Filename3.xml\"";

using SaveFault = ExampleDriverTest;

}  // namespace

TEST_F(SaveFault, DiskFaultAtAnyStepLeavesTheMeInitAndNoTemporaryFile) {
    const std::string unableToBackUp =
        Error("Unable to write backup file : " + m_dir.WindowsPath(kBackup));
    const std::string unableToSave =
        Error("Unable to save file : " + m_dir.WindowsPath("MeInit.xml"));
    const std::string files = "Filename1.xml\nFilename2.xml\nFilename3.xml\nMeInit.xml\n";
    for (armwright::SaveStep step :
         {armwright::SaveStep::Create, armwright::SaveStep::Write, armwright::SaveStep::Flush,
          armwright::SaveStep::Sync, armwright::SaveStep::Close, armwright::SaveStep::Move}) {
        std::filesystem::remove(m_dir.Path(kBackup));
        armwright::FailSaveStep(step, 1);
        EXPECT_EQ(Run(kAllLine), unableToBackUp) << static_cast<int>(step);
        EXPECT_EQ(Folder(), files);

        armwright::FailSaveStep(step, 2);
        EXPECT_EQ(Run(kAllLine), unableToSave) << static_cast<int>(step);
        EXPECT_EQ(Read("MeInit.xml"), m_example["MeInit.xml"]);
        EXPECT_EQ(Folder(),
                  "Filename1.xml\nFilename2.xml\nFilename3.xml\nMeInit.xml\n"
                  "Meinit backup before Payload Vanmoor.xml\n");
    }
    armwright::FailSaveStep(armwright::SaveStep::None, 0);
}

TEST_F(SaveFault, RewriteInPlaceFailingAtAnyStepPutsTheOldBytesBack) {
    // A second name makes the save rewrite the MeInit in place rather than replace it.
    std::filesystem::create_hard_link(m_dir.Path("MeInit.xml"), m_dir.Path("other.xml"));
    const std::string meinit = m_dir.WindowsPath("MeInit.xml");
    const std::string files =
        "Filename1.xml\nFilename2.xml\nFilename3.xml\nMeInit.xml\n"
        "Meinit backup before Payload Vanmoor.xml\nother.xml\n";
    for (armwright::SaveStep step :
         {armwright::SaveStep::Mark, armwright::SaveStep::Rewrite, armwright::SaveStep::Truncate,
          armwright::SaveStep::Sync, armwright::SaveStep::Seal}) {
        armwright::FailSaveStep(step, 2);
        EXPECT_EQ(Run(kAllLine), Error("Unable to save file : " + meinit))
            << static_cast<int>(step);
        EXPECT_EQ(Read("MeInit.xml"), m_example["MeInit.xml"]) << static_cast<int>(step);
        EXPECT_EQ(Folder(), files);
    }
    // Nor could the old bytes be put back: the file is one that no run loads, and says so.
    const std::string backup = Read(kBackup);
    armwright::FailSaveSteps({armwright::SaveStep::Rewrite, armwright::SaveStep::Restore}, 2);
    EXPECT_EQ(Run(kAllLine), Error("Unable to save file : " + meinit +
                                   "\nIt may be damaged : restore it from the backup \"" +
                                   m_dir.WindowsPath(kBackup) + "\" !"));
    EXPECT_EQ(Run(kAllLine), Error("Unable to open file : " + meinit) +
                                 Error("Unable to read file \"" + meinit +
                                       "\" : Error document empty. at line 0, column 0 !"));
    EXPECT_EQ(Read(kBackup), backup);
    EXPECT_EQ(Folder(), files);
    armwright::FailSaveStep(armwright::SaveStep::None, 0);
}
