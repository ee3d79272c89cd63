// The whole run in-process: what each outcome shows, in order, and what it leaves on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/DriverFixture.h"
#include "support/FileSizeLimit.h"

namespace {

const char kMeInit[] =
    "<?xml version=\"1.0\" ?>\n"
    "<LockOn_Registry>\n"
    "    <Units>\n"
    "        <Planes>\n"
    "            <Plane Name=\"A-10A\">\n"
    "                <Pylons Count=\"1\" />\n"
    "            </Plane>\n"
    "        </Planes>\n"
    "    </Units>\n"
    "</LockOn_Registry>\n";

class Driver : public DriverTest {
protected:
    Driver() {
        m_dir.Write("MeInit.xml", kMeInit);
        m_dir.Write("pylons.xml", "<Pylons Count=\"2\" />");
        m_dir.Write("other.xml", "<Other />");
    }
};

const char kInputs[] = "MeInit.xml\nother.xml\npylons.xml\n";

using CheckDriver = ExampleDriverTest;
const char kInputsAndBackup[] =
    "Armwright restore points\nMeInit.xml\nMeinit backup before Payload Vanmoor.xml\nother.xml\n"
    "pylons.xml\n";

}  // namespace

TEST_F(Driver, UsageDialogWithoutMeinitOrSlashAndNothingTouched) {
    for (const char* line : {"", "\"init.xml\" /allow \"pylons.xml\"", "\"MeInit.xml\"",
                             "\"MeInit.xml\" \\allow \"pylons.xml\""}) {
        EXPECT_EQ(Run(line), "dialog 103\n") << line;
    }
    // The text may stand anywhere and in any letter case.
    EXPECT_EQ(Run("\"C:\\x.xml\" /MEINIT"), "Armwright: error: Unable to open file : C:\\x.xml\n");
    EXPECT_EQ(Folder(), kInputs);
}

TEST_F(Driver, MeInitThatCannotBeLoadedIsNamedByItsCompletedPath) {
    m_dir.Write("Empty-MeInit.xml", "");
    const std::string folder = m_dir.WindowsPath("");
    EXPECT_EQ(Run("\"Missing-MeInit.xml\" /allow \"pylons.xml\""),
              "Armwright: error: Unable to open file : " + folder + "\\Missing-MeInit.xml\n");
    EXPECT_EQ(Run("\"Empty-MeInit.xml\" /allow \"pylons.xml\""),
              "Armwright: error: Unable to open file : " + folder + "\\Empty-MeInit.xml\n");
    // /verbose anywhere on the line adds the reason, since no edit has run to meet it.
    EXPECT_EQ(Run("\"Missing-MeInit.xml\" /allow \"pylons.xml\" /VERBOSE"),
              "Armwright: error: Unable to open file : " + folder + "\\Missing-MeInit.xml\n" +
                  "Armwright: error: Unable to read file \"" + folder +
                  "\\Missing-MeInit.xml\" !\nCheck that it exists and that its name is quoted.\n");
    // Forward slashes hold no ":\", so the folder goes in front.
    EXPECT_EQ(Run("\"" + m_dir.Path("MeInit.xml") + "\" /allow \"pylons.xml\""),
              "Armwright: error: Unable to open file : " + folder + "\\" +
                  m_dir.Path("MeInit.xml") + "\n");
    // With fewer than two quotes the path is empty and names the folder itself.
    EXPECT_EQ(Run("/allow MeInit.xml"),
              "Armwright: error: Unable to open file : " + folder + "\\\n");
    EXPECT_EQ(Folder(), "Empty-MeInit.xml\n" + std::string(kInputs));
}

TEST_F(Driver, MistypedSwitchFailureReportedAsSuccess) {
    EXPECT_EQ(Run("\"MeInit.xml\" /Bogus x /ALLOW \"pylons.xml\" /allow\"other.xml\""),
              "Armwright: error: Unknown argument : /Bogus\n"
              "Armwright: error: Unknown argument : /allow\"other.xml\"\n");
    EXPECT_EQ(Read("MeInit.xml"), kMeInit);
}

TEST_F(Driver, UnquotedMeInitPathOverwroteTheBackupWithAnInput) {
    // The first quoted name was taken for the MeInit and backed up over the good backup.
    m_dir.Write(kBackup, kMeInit);
    EXPECT_EQ(
        Run(m_dir.WindowsPath("MeInit.xml") + " /verbose /allow \"pylons.xml\""),
        "Armwright: error: Unable to use file as MeInit : " + m_dir.WindowsPath("pylons.xml") +
            "\nIt holds no \"LockOn_Registry\" element. Give the path of your MeInit first "
            "on the line, in double quotes !\n");
    EXPECT_EQ(Read(kBackup), kMeInit);
}

TEST_F(Driver, EditsThatAllSucceedAreSavedAfterTheBackup) {
    EXPECT_EQ(Run("\"MeInit.xml\" /ALLOW \"pylons.xml\""),
              "Armwright: information [help 4]: Operation successfull !\n");
    EXPECT_EQ(Read(kBackup), kMeInit);
    EXPECT_NE(Read("MeInit.xml").find("<Pylons Count=\"2\" />"), std::string::npos);
    EXPECT_EQ(Folder(), kInputsAndBackup);

    // A later run backs up the document as that run loaded it, and an absolute path is kept.
    std::string saved = Read("MeInit.xml");
    m_dir.Write("pylons.xml", "<Pylons Count=\"3\" />");
    EXPECT_EQ(Run("\"" + m_dir.WindowsPath("MeInit.xml") + "\" /allow \"pylons.xml\""),
              "Armwright: information [help 4]: Operation successfull !\n");
    EXPECT_EQ(Read(kBackup), saved);
}

TEST_F(Driver, FailedEditSavesNothingButTheBackupAndTheLoopGoesOn) {
    const std::string noPylons =
        "Armwright: error: Unable to find \"Pylons\" node in \"A-10A\" section of specified "
        "MeInit !\nYour MeInit is probably corrupted !\n";
    m_dir.Write("MeInit.xml",
                "<LockOn_Registry><Units><Planes><Plane Name=\"A-10A\"/></Planes>"
                "</Units></LockOn_Registry>");
    // Before "/verbose" only the driver's message; after it the edit's own comes first.
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"pylons.xml\" /verbose /unknown /allow \"pylons.xml\" "
                  "/weapons \"missing.xml\" /addpredif \"other.xml\" /allow  \"pylons.xml\""),
              "Armwright: error [help 2]: Error with \"allow\" argument !\n"
              "Armwright: error: Unknown argument : /unknown\n" +
                  noPylons +
                  "Armwright: error [help 2]: Error with \"allow\" argument !\n"
                  "Armwright: error: Unable to read file \"" +
                  m_dir.WindowsPath("missing.xml") +
                  "\" !\nCheck that it exists and that its name is quoted.\n"
                  "Armwright: error [help 1]: Error with \"weapons\" argument !\n"
                  "Armwright: error: Unable to find \"Payloads\" node in \"A-10A\" section of "
                  "specified MeInit !\nYour MeInit is probably corrupted !\n"
                  "Armwright: error [help 3]: Error with \"addpredif\" argument !\n"
                  "Armwright: error: Unable to read file \"" +
                  m_dir.WindowsPath(" \"pylons.xml") +
                  "\" !\nCheck that it exists and that its name is quoted.\n"
                  "Armwright: error [help 2]: Error with \"allow\" argument !\n");
    EXPECT_EQ(Read("MeInit.xml"),
              "<LockOn_Registry><Units><Planes><Plane Name=\"A-10A\"/></Planes></Units>"
              "</LockOn_Registry>");
    EXPECT_NE(Read(kBackup).find("<Plane Name=\"A-10A\" />"), std::string::npos);
}

TEST_F(Driver, NoEditSwitchWritesOnlyTheBackup) {
    EXPECT_EQ(Run("\"MeInit.xml\" /verbose"), "");
    EXPECT_EQ(Read(kBackup), kMeInit);
    EXPECT_EQ(Run("\"MeInit.xml\" /verbose /what /allow_more \"x\""),
              "Armwright: error: Unknown argument : /what\n"
              "Armwright: error: Unknown argument : /allow_more\n");
    EXPECT_EQ(Read("MeInit.xml"), kMeInit);
    EXPECT_EQ(Folder(), kInputsAndBackup);
}

TEST_F(Driver, BackupThatCannotBeWrittenStopsTheRunBeforeAnyEdit) {
    m_dir.Write(kBackup, "old backup");
    chmod(m_dir.Path(kBackup).c_str(), 0444);
    EXPECT_EQ(
        Run("\"MeInit.xml\" /allow \"pylons.xml\""),
        "Armwright: error: Unable to write backup file : " + m_dir.WindowsPath(kBackup) + "\n");
    EXPECT_EQ(Read("MeInit.xml"), kMeInit);
    EXPECT_EQ(Read(kBackup), "old backup");

    unlink(m_dir.Path(kBackup).c_str());
    mkdir(m_dir.Path(kBackup).c_str(), 0755);
    EXPECT_EQ(
        Run("\"MeInit.xml\" /allow \"pylons.xml\""),
        "Armwright: error: Unable to write backup file : " + m_dir.WindowsPath(kBackup) + "\n");
    EXPECT_EQ(Read("MeInit.xml"), kMeInit);
}

TEST_F(Driver, SaveThatFailsIsReportedAndLeavesTheMeInitAsItWas) {
    chmod(m_dir.Path("MeInit.xml").c_str(), 0444);
    const std::string unableToSave =
        "Armwright: error: Unable to save file : " + m_dir.WindowsPath("MeInit.xml") + "\n";
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"pylons.xml\""), unableToSave);
    EXPECT_EQ(Read("MeInit.xml"), kMeInit);
    EXPECT_EQ(Read(kBackup), kMeInit);

    // A disk that fills part-way through the save: the backup fits, the edited file does not.
    chmod(m_dir.Path("MeInit.xml").c_str(), 0644);
    m_dir.Write("pylons.xml", "<Pylons>" + std::string(4000, 'x') + "</Pylons>");
    {
        CFileSizeLimit limit(2048);
        EXPECT_EQ(Run("\"MeInit.xml\" /allow \"pylons.xml\""), unableToSave);
    }
    EXPECT_EQ(Read("MeInit.xml"), kMeInit);
    EXPECT_EQ(Folder(), kInputsAndBackup);
}

TEST_F(Driver, MeInitChangedWhileABoxHoldsTheRunIsNotOverwritten) {
    // Every box now belongs to a failed run, which writes nothing.
    m_host.m_onMessageBox = [this] { m_dir.Write("MeInit.xml", "<ChangedMeanwhile />"); };
    EXPECT_EQ(Run("\"MeInit.xml\" /bogus /allow \"pylons.xml\""),
              "Armwright: error: Unknown argument : /bogus\n");
    EXPECT_EQ(Read("MeInit.xml"), "<ChangedMeanwhile />");
    EXPECT_EQ(Read(kBackup), kMeInit);
}

TEST_F(Driver, BackupGivenAsTheMeInitIsRefusedBeforeAnythingIsWritten) {
    // Written over itself, the backup would keep no copy of what the run started from.
    m_dir.Write(kBackup, kMeInit);
    ASSERT_EQ(link(m_dir.Path(kBackup).c_str(), m_dir.Path("meinit-link.xml").c_str()), 0);
    ASSERT_EQ(symlink(kBackup, m_dir.Path("meinit-symlink.xml").c_str()), 0);
    for (const char* name : {kBackup, "meinit-link.xml", "meinit-symlink.xml"}) {
        EXPECT_EQ(
            Run(std::string("\"") + name + "\" /allow \"pylons.xml\""),
            "Armwright: error: Unable to write backup file : " + m_dir.WindowsPath(kBackup) + "\n")
            << name;
        EXPECT_EQ(Read(kBackup), kMeInit);
    }
}

TEST_F(Driver, MeInitThatAnotherRunHoldsIsRefusedBeforeAnythingIsWritten) {
    ASSERT_EQ(symlink("MeInit.xml", m_dir.Path("meinit-link.xml").c_str()), 0);
    armwright::CRunLock other;
    ASSERT_EQ(other.Acquire(m_dir.WindowsPath("MeInit.xml").c_str()), armwright::CRunLock::Held);
    for (const char* name : {"MeInit.xml", "meinit-link.xml"}) {
        EXPECT_EQ(Run(std::string("\"") + name + "\" /allow \"pylons.xml\""),
                  "Armwright: error: Unable to edit file : " + m_dir.WindowsPath(name) +
                      "\nAnother run of the program is editing it !\n");
    }
    EXPECT_EQ(Folder(), "MeInit.xml\nmeinit-link.xml\nother.xml\npylons.xml\n");
    other.Release();
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"pylons.xml\""),
              "Armwright: information [help 4]: Operation successfull !\n");
}

TEST_F(CheckDriver, ExampleLineIsOnlyDescribed) {
    const CString folder = armwright::CRestorePoints((m_dir.WindowsPath("") + "\\").c_str(),
                                                     m_dir.WindowsPath("MeInit.xml").c_str())
                               .Folder();
    const auto PointsFolder = [&folder] {
        return std::string(folder.Left(folder.GetLength() - 1).GetString());
    };
    const timespec kLongAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    for (const auto& [name, content] : m_example)
        ASSERT_EQ(utimensat(AT_FDCWD, m_dir.Path(name).c_str(), kLongAgo, 0), 0);
    const std::string heading = "Armwright: information: Check of " +
                                m_dir.WindowsPath("MeInit.xml") + " : nothing was written\n";
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"Filename1.xml\" /addpredif \"Filename2.xml\" /weapons "
                  "\"Filename3.xml\" /Check"),
              heading +
                  "/allow \"Filename1.xml\" : the A-10A would have 7 pylons instead of 5\n"
                  "/addpredif \"Filename2.xml\" : would add payload 5 \"Guided missiles\"\n"
                  "/addpredif \"Filename2.xml\" : would add payload 6 \"Mixed bombs and rockets\"\n"
                  "/addpredif \"Filename2.xml\" : would add entries to the tasks of WorldID 32, "
                  "33 (new)\n"
                  "/weapons \"Filename3.xml\" : would replace 3 launchers\n"
                  "The MeInit would be kept as its original in " +
                  PointsFolder() + "\nThe MeInit would be saved.\n");
    EXPECT_EQ(Run("\"MeInit.xml\" /check"),
              heading + "Nothing would be saved: no edit was asked for.\n");
    EXPECT_EQ(Folder(), "Filename1.xml\nFilename2.xml\nFilename3.xml\nMeInit.xml\n");
    for (const auto& [name, content] : m_example) {
        struct stat st {};
        ASSERT_EQ(stat(m_dir.Path(name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1000000000) << name;
        EXPECT_EQ(Read(name), content) << name;
    }
}

TEST_F(CheckDriver, FailuresAndWarningsAreListedUpToThirtyLines) {
    ASSERT_EQ(Run("\"MeInit.xml\" /addpredif \"Filename2.xml\""),
              "Armwright: information [help 4]: Operation successfull !\n");
    std::string payloads, lines;
    for (int id = 7; id <= 30; ++id) {
        payloads += "<Payload/>";
        lines +=
            "/addpredif \"refs.xml\" : would add payload " + std::to_string(id) + " (no name)\n";
    }
    m_dir.Write("refs.xml", "<Payloads>" + payloads +
                                "</Payloads><Tasks><Task WorldID=\"31\"><PayloadRef ID=\"99\"/>"
                                "</Task></Tasks>");
    const std::string saved = Read("MeInit.xml");
    // Detailed messages come even where /check stands after the edit.
    EXPECT_EQ(
        Run("\"MeInit.xml\" /weapons \"Filename1.xml\" /CHECK /bogus /addpredif \"refs.xml\" "
            "/addpredif \"Filename2.xml\""),
        Error("Unable to find \"Weapons\" node in file \"" + m_dir.WindowsPath("Filename1.xml") +
              "\" : it holds \"Pylons\" instead !\nThis file is not meant for this argument !") +
            "Armwright: error [help 1]: Error with \"weapons\" argument !\n" +
            Error("Unknown argument : /bogus") + "Armwright: information: Check of " +
            m_dir.WindowsPath("MeInit.xml") +
            " : nothing was written\n"
            "/weapons \"Filename1.xml\" : failed (see the messages before)\n"
            "/bogus : failed (see the messages before)\n" +
            lines +
            "/addpredif \"refs.xml\" : would add entries to the tasks of WorldID 31\n"
            "/addpredif \"refs.xml\" : warning : PayloadRef ID=\"99\" in the task of "
            "WorldID 31 would name no payload of the A-10A\n"
            "/addpredif \"Filename2.xml\" : would add payload 31 \"Guided missiles\"\n"
            "/addpredif \"Filename2.xml\" : warning : payload 31 equals payload 5 apart "
            "from its ID : applied already?\n"
            "and 3 more\nNothing would be saved: an edit failed.\n");
    EXPECT_EQ(Read("MeInit.xml"), saved);
}
