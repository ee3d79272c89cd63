// The real binary, copied beside its files and started from another folder: exactly what it
// writes to standard error and leaves on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace {

const char kBackup[] = "Meinit backup before Payload Vanmoor.xml";
const char kPoints[] = "Armwright restore points";

const char kUsage[] =
    "Armwright program usage\n"
    "Please define the path and name to MeInit.xml in argument !\n"
    "Program usage :\n"
    "Armwright.exe \"Pathname of MeInit.xml\" /allow \"Filename1.xml\" /addpredif "
    "\"Filename2.xml\" /weapons \"Filename3.xml\"\n"
    "List of arguments :\n"
    "/allow : redefined the allowed payload of the A-10 with those defined in "
    "\"Filename1.xml\"\n"
    "/addpredif : add the predefined payloads from \"Filename2.xml\" at the begining of the "
    "list\n"
    "/weapons : redefined the weapons with those defined in \"Filename3.xml\"\n"
    "/verbose : display more messages in case of error (optional) Must be the first argument "
    "to be efficient !!!\n";

struct Result {
    int status;
    std::string out;
    std::string err;
};

// The binary and the example files in bin/, started from work/.
class EndToEnd : public ::testing::Test {
protected:
    EndToEnd() {
        mkdir(m_dir.Path("bin").c_str(), 0755);
        mkdir(m_dir.Path("work").c_str(), 0755);
        Copy(ARMWRIGHT_BINARY, Bin("Armwright"));
        chmod(Bin("Armwright").c_str(), 0755);
        for (const char* name : {"MeInit.xml", "Filename1.xml", "Filename2.xml", "Filename3.xml"})
            Copy(std::string(ARMWRIGHT_EXAMPLES) + "/" + name, Bin(name));
    }

    std::string Bin(const std::string& name) const { return m_dir.Path("bin/" + name); }
    static void Copy(const std::string& from, const std::string& to) {
        CTempDir::WriteAt(to, ReadWholeFile(from));
    }

    // Runs as nobody when `launcher` names setpriv; see Run.
    Result Run(const std::vector<std::string>& args) {
        return RunWith(std::getenv("ARMWRIGHT_E2E_LAUNCHER"), args);
    }

    Result RunWith(const char* launcher, const std::vector<std::string>& args) {
        const std::string out = m_dir.Path("stdout"), err = m_dir.Path("stderr");
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(m_dir.Path("work").c_str()) != 0)
                _exit(126);
            int fdOut = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int fdErr = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fdOut, 1);
            dup2(fdErr, 2);
            // ARMWRIGHT_E2E_LAUNCHER runs the binary under a checker (valgrind, say).
            std::vector<std::string> copies;
            if (launcher) {
                std::istringstream words(launcher);
                for (std::string word; words >> word;)
                    copies.push_back(word);
            }
            copies.push_back(Bin("Armwright"));
            copies.insert(copies.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& arg : copies)
                argv.push_back(&arg[0]);
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        int status = -1;
        waitpid(pid, &status, 0);
        Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(out),
                      ReadWholeFile(err)};
        unlink(out.c_str());
        unlink(err.c_str());
        return result;
    }

    CTempDir m_dir;
};

}  // namespace

TEST_F(EndToEnd, UsageDialogIsDrawnRowByRowOnStandardError) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"\"init.xml\" /allow \"Filename1.xml\""}, {"\"MeInit.xml\""}}) {
        Result result = Run(args);
        EXPECT_EQ(result.err, kUsage);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.status, 0);
    }
    EXPECT_EQ(ListFolder(m_dir.Path("work")), "");
    EXPECT_FALSE(FileExists(Bin(kBackup)));
}

TEST_F(EndToEnd, NamesResolveBesideTheExecutableAndMessagesAreRecords) {
    const std::string binFolder = m_dir.WindowsPath("bin");
    Result result = Run({"\"nope-MeInit.xml\" /allow \"Filename1.xml\""});
    EXPECT_EQ(result.err,
              "Armwright: error: Unable to open file : " + binFolder + "\\nope-MeInit.xml\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(FileExists(Bin(kBackup)));

    // Arguments are joined by single spaces after leading blanks are dropped, as Windows would
    // pass the line; a relative MeInit in the current folder is not the one taken.
    CTempDir::WriteAt(m_dir.Path("work/MeInit.xml"), "<NotThis/>");
    result = Run({"  \"MeInit.xml\"", "/Verbose", "/bogus\"x\"", "/allow", "\"Filename2.xml\""});
    EXPECT_EQ(result.err,
              "Armwright: error: Unknown argument : /bogus\"x\"\n"
              "Armwright: error: Unable to find \"Pylons\" node in file \"" +
                  binFolder +
                  "\\Filename2.xml\" : it holds \"Payloads\" instead !\n"
                  "This file is not meant for this argument !\n"
                  "Armwright: error: Error with \"allow\" argument !\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadWholeFile(Bin("MeInit.xml")),
              ReadWholeFile(std::string(ARMWRIGHT_EXAMPLES) + "/MeInit.xml"));
    EXPECT_EQ(ReadWholeFile(Bin(kBackup)),
              ReadWholeFile(std::string(ARMWRIGHT_TEST_DATA) + "/e2e/example-backup.xml"));
    EXPECT_EQ(ListFolder(m_dir.Path("work")), "MeInit.xml\n");
}

TEST_F(EndToEnd, AllThreeEditsOnTheExample) {
    Result result =
        Run({"\"MeInit.xml\" /verbose /allow \"Filename1.xml\" /addpredif "
             "\"Filename2.xml\" /weapons \"Filename3.xml\""});
    EXPECT_EQ(result.err, "Armwright: information: Operation successfull !\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadWholeFile(Bin("MeInit.xml")),
              ReadWholeFile(std::string(ARMWRIGHT_TEST_DATA) + "/e2e/example-expected.xml"));
    EXPECT_EQ(ReadWholeFile(Bin(kBackup)),
              ReadWholeFile(std::string(ARMWRIGHT_TEST_DATA) + "/e2e/example-backup.xml"));
}

TEST_F(EndToEnd, SecondOfThreeEditsFailingSavesNothingButTheBackup) {
    CTempDir::WriteAt(Bin("BadTasks.xml"),
                      "<Payloads><Payload Name=\"x\"/></Payloads><Tasks><Task/></Tasks>");
    Result result =
        Run({"\"MeInit.xml\" /verbose /allow \"Filename1.xml\" /addpredif "
             "\"BadTasks.xml\" /weapons \"Filename3.xml\""});
    EXPECT_EQ(result.err,
              "Armwright: error: Unable to get \"WorldID\" of the payload : File format error !\n"
              "Your MeInit is probably corrupted !\n"
              "Armwright: error: Error with \"addpredif\" argument !\n");
    EXPECT_EQ(ReadWholeFile(Bin("MeInit.xml")),
              ReadWholeFile(std::string(ARMWRIGHT_EXAMPLES) + "/MeInit.xml"));
    EXPECT_EQ(ReadWholeFile(Bin(kBackup)),
              ReadWholeFile(std::string(ARMWRIGHT_TEST_DATA) + "/e2e/example-backup.xml"));
}

TEST_F(EndToEnd, UnprivilegedUserCannotWriteTheFolderSoNothingIsTouched) {
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    chmod(m_dir.Path().c_str(), 0755);
    chmod(m_dir.Path("work").c_str(), 0777);
    Result result = RunWith("/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups",
                            {"\"MeInit.xml\" /allow \"Filename1.xml\""});
    EXPECT_EQ(result.err, "Armwright: error: Unable to write backup file : " +
                              m_dir.WindowsPath("bin") + "\\" + kBackup + "\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadWholeFile(Bin("MeInit.xml")),
              ReadWholeFile(std::string(ARMWRIGHT_EXAMPLES) + "/MeInit.xml"));
    EXPECT_EQ(ListFolder(m_dir.Path("bin")),
              "Armwright\nFilename1.xml\nFilename2.xml\nFilename3.xml\nMeInit.xml\n");
}

TEST_F(EndToEnd, UnprivilegedSaveDoesOnlyWhatTheUserCouldAndKeepsTheFileWhatItWas) {
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    chmod(m_dir.Path().c_str(), 0755);
    chmod(m_dir.Path("bin").c_str(), 0777);
    chmod(m_dir.Path("work").c_str(), 0777);
    const std::string example = ReadWholeFile(Bin("MeInit.xml"));
    ASSERT_EQ(Run({"\"MeInit.xml\" /allow \"Filename1.xml\""}).err,
              "Armwright: information: Operation successfull !\n");
    const std::string expected = ReadWholeFile(Bin("MeInit.xml"));
    unlink(Bin(kBackup).c_str());
    std::filesystem::remove_all(Bin(kPoints));
    // Each MeInit in a folder of its own: owner, group, mode, and the folder's mode.
    struct Case {
        const char* folder;
        uid_t uid;
        gid_t gid;
        mode_t mode;
        mode_t folderMode;
        const char* message;  // empty: saved
    };
    const Case cases[] = {
        {"theirs", 0, 0, 0644, 0777, "Unable to save file : "},
        {"group", 0, 100, 0664, 0777, ""},
        {"locked", 0, 0, 0666, 0755, ""},
    };
    for (const Case& c : cases) {
        const std::string folder = m_dir.Path(c.folder), path = folder + "/MeInit.xml";
        mkdir(folder.c_str(), c.folderMode);
        chmod(folder.c_str(), c.folderMode);
        CTempDir::WriteAt(path, example);
        ASSERT_EQ(chown(path.c_str(), c.uid, c.gid), 0);
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        const std::string windowsPath = m_dir.WindowsPath(c.folder) + "\\MeInit.xml";
        Result result = RunWith("/usr/bin/setpriv --reuid=65534 --regid=65534 --groups=100",
                                {"\"" + windowsPath + "\" /allow \"Filename1.xml\""});
        std::string message =
            *c.message ? std::string("Armwright: error: ") + c.message + windowsPath + "\n"
                       : "Armwright: information: Operation successfull !\n";
        EXPECT_EQ(result.err, message) << c.folder;
        EXPECT_EQ(ReadWholeFile(path), *c.message ? example : expected) << c.folder;
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, c.uid) << c.folder;
        EXPECT_EQ(st.st_gid, c.gid) << c.folder;
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.folder;
        EXPECT_EQ(ListFolder(folder), "MeInit.xml\n") << c.folder;
    }
}

namespace {

// Whether this process may make mount namespaces of its own (root, with unshare).
bool CanUnshareMounts() {
    return geteuid() == 0 && std::system("unshare -m true >/dev/null 2>&1") == 0;
}

}  // namespace

TEST_F(EndToEnd, KernelRulesForLinksAndMountsHoldForTheSave) {
    if (!CanUnshareMounts())
        GTEST_SKIP() << "needs root and unshare to mount in a namespace of its own";
    const std::string example = ReadWholeFile(Bin("MeInit.xml"));
    ASSERT_EQ(Run({"\"MeInit.xml\" /allow \"Filename1.xml\""}).err,
              "Armwright: information: Operation successfull !\n");
    const std::string expected = ReadWholeFile(Bin("MeInit.xml"));
    CTempDir::WriteAt(Bin("MeInit.xml"), example);
    unlink(Bin(kBackup).c_str());
    // Each run in a mount namespace of its own, set up by a script before the program starts.
    const auto runMounted = [this](const std::string& mounts,
                                   const std::string& meinit = "MeInit.xml") {
        CTempDir::WriteAt(m_dir.Path("mounts.sh"), "set -e\n" + mounts + "exec \"$@\"\n");
        return RunWith(
            ("unshare -m --propagation private /bin/sh " + m_dir.Path("mounts.sh")).c_str(),
            {"\"" + meinit + "\" /allow \"Filename1.xml\""});
    };

    // A folder mounted without links: a link planted at the backup's name is not followed.
    CTempDir::WriteAt(m_dir.Path("private.xml"), "root's own");
    chmod(m_dir.Path("private.xml").c_str(), 0600);
    ASSERT_EQ(symlink(m_dir.Path("private.xml").c_str(), Bin(kBackup).c_str()), 0);
    const std::string bin = m_dir.Path("bin");
    Result result = runMounted("mount --bind " + bin + " " + bin +
                               "\nmount -o remount,bind,nosymfollow " + bin + "\n");
    EXPECT_EQ(result.err, "Armwright: error: Unable to write backup file : " +
                              m_dir.WindowsPath("bin") + "\\" + kBackup + "\n");
    EXPECT_EQ(ReadWholeFile(m_dir.Path("private.xml")), "root's own");
    EXPECT_EQ(ReadWholeFile(Bin("MeInit.xml")), example);
    unlink(Bin(kBackup).c_str());

    // A MeInit that is a file mounted over its name cannot be renamed over; it is written in place.
    CTempDir::WriteAt(m_dir.Path("mounted.xml"), example);
    result =
        runMounted("mount --bind " + m_dir.Path("mounted.xml") + " " + Bin("MeInit.xml") + "\n");
    EXPECT_EQ(result.err, "Armwright: information: Operation successfull !\n");
    EXPECT_EQ(ReadWholeFile(m_dir.Path("mounted.xml")), expected);
    EXPECT_EQ(ReadWholeFile(Bin("MeInit.xml")), example);

    // An overlay's lower layer holds the MeInit under two names: opening it to write it in place
    // copies it up to a new file, which the save follows.
    for (const char* folder : {"lower", "upper", "work", "over"})
        mkdir(m_dir.Path(folder).c_str(), 0755);
    CTempDir::WriteAt(m_dir.Path("lower/MeInit.xml"), example);
    ASSERT_EQ(link(m_dir.Path("lower/MeInit.xml").c_str(), m_dir.Path("lower/other.xml").c_str()),
              0);
    result = runMounted("mount -t overlay overlay -o lowerdir=" + m_dir.Path("lower") +
                            ",upperdir=" + m_dir.Path("upper") + ",workdir=" + m_dir.Path("work") +
                            " " + m_dir.Path("over") + "\n",
                        m_dir.WindowsPath("over") + "\\MeInit.xml");
    EXPECT_EQ(result.err, "Armwright: information: Operation successfull !\n");
    EXPECT_EQ(ReadWholeFile(m_dir.Path("upper/MeInit.xml")), expected);
    EXPECT_EQ(ListFolder(bin), "Armwright\n" + std::string(kPoints) +
                                   "\nFilename1.xml\nFilename2.xml\nFilename3.xml\nMeInit.xml\n" +
                                   kBackup + "\n");
}

namespace {

// Whether the binary runs under AddressSanitizer, whose shadow memory no address-space limit
// leaves room for.
bool UnderAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

}  // namespace

TEST_F(EndToEnd, LimitsEndTheRunWithWhatItSaysNeverWithASignal) {
    if (UnderAddressSanitizer() || std::system("prlimit -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs prlimit, and no AddressSanitizer";
    // Too little room for the backup: the write past the limit fails instead of ending the run.
    const std::string line = "\"MeInit.xml\" /allow \"Filename1.xml\"";
    Result result = RunWith("prlimit --fsize=4096", {line});
    EXPECT_EQ(result.err, "Armwright: error: Unable to write backup file : " +
                              m_dir.WindowsPath("bin") + "\\" + kBackup + "\n");
    EXPECT_EQ(result.status, 0);
    // Too little memory to start: one line and a status, below the loader's own refusal.
    for (const char* limit : {"10000000", "13000000", "16000000", "17500000"}) {
        result = RunWith((std::string("prlimit --as=") + limit).c_str(), {line});
        EXPECT_TRUE(result.status == 0 || result.status == 1) << limit << ": " << result.status;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

TEST_F(EndToEnd, SimultaneousRunsNeverLoseAnEdit) {
    // Each run that says it succeeded has added the file's payloads once.
    const std::string run =
        "'" + Bin("Armwright") + "' '\"MeInit.xml\" /addpredif \"Filename2.xml\"'";
    int nSucceeded = 0;
    for (int i = 0; i < 10; ++i) {
        const std::string both = "(" + run + " 2>" + m_dir.Path("a") + " & " + run + " 2>" +
                                 m_dir.Path("b") + " & wait)";
        ASSERT_EQ(std::system(both.c_str()), 0);
        for (const char* err : {"a", "b"}) {
            const std::string said = ReadWholeFile(m_dir.Path(err));
            if (said == "Armwright: information: Operation successfull !\n")
                ++nSucceeded;
            else
                EXPECT_EQ(said,
                          "Armwright: error: Unable to edit file : " + m_dir.WindowsPath("bin") +
                              "\\MeInit.xml\nAnother run of the program is editing it !\n");
        }
    }
    const std::string meinit = ReadWholeFile(Bin("MeInit.xml"));
    size_t nAdded = 0;
    for (size_t n = meinit.find("Name=\"Guided missiles\""); n != std::string::npos;
         n = meinit.find("Name=\"Guided missiles\"", n + 1))
        ++nAdded;
    EXPECT_EQ(static_cast<int>(nAdded), nSucceeded);
    EXPECT_GE(nSucceeded, 10);
}

TEST_F(EndToEnd, MemoryRunningOutWhileLoadingIsReportedNotAnAbort) {
    if (UnderAddressSanitizer() || std::system("prlimit -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs prlimit, and no AddressSanitizer";
    std::string meinit = ReadWholeFile(Bin("MeInit.xml"));
    std::string pads;
    for (int i = 0; i < 1000000; ++i)
        pads += "<Pad/>";
    meinit.insert(meinit.rfind("</LockOn_Registry>"), pads);
    CTempDir::WriteAt(Bin("MeInit.xml"), meinit);
    Result result = RunWith("prlimit --as=100000000", {"\"MeInit.xml\" /allow \"Filename1.xml\""});
    EXPECT_EQ(result.err, "Armwright: error: Unable to open file : " + m_dir.WindowsPath("bin") +
                              "\\MeInit.xml\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadWholeFile(Bin("MeInit.xml")), meinit);
    EXPECT_FALSE(FileExists(Bin(kBackup)));
}
