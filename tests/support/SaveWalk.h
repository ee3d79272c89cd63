// The example run, walked through every system call of the save's seam: each made to fail, or
// the process ended there.
#pragma once

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "app/RestorePoints.h"
#include "support/DriverFixture.h"
#include "support/SyscallSeam.h"

class SaveWalk : public ExampleDriverTest {
protected:
    static constexpr const char* kLine =
        "\"MeInit.xml\" /allow \"Filename1.xml\" /addpredif \"Filename2.xml\" /weapons "
        "\"Filename3.xml\"";
    static constexpr const char* kPoints = "Armwright restore points";
    static constexpr const char* kSuccess =
        "Armwright: information [help 4]: Operation successfull !\n";

    SaveWalk() {
        Run(kLine);
        m_expected = Read("MeInit.xml");
    }

    // Puts the example back, the backup gone; a second name for the MeInit (bInPlace) makes the
    // save rewrite it in place.
    void Reset(bool bInPlace) {
        for (const char* name : {"MeInit.xml", kBackup, "other.xml"})
            std::remove(m_dir.Path(name).c_str());
        std::filesystem::remove_all(m_dir.Path(kPoints));
        m_dir.Write("MeInit.xml", m_example["MeInit.xml"]);
        if (bInPlace)
            std::filesystem::create_hard_link(m_dir.Path("MeInit.xml"), m_dir.Path("other.xml"));
    }

    // The number of system calls of a whole run, the example put back after it.
    long CountCalls(bool bInPlace) {
        Reset(bInPlace);
        armwright::seam::Arm(armwright::seam::Mode::Count);
        EXPECT_EQ(Run(kLine), kSuccess);
        const long nCalls = armwright::seam::Calls();
        Reset(bInPlace);
        return nCalls;
    }

    // After a run that failed or was ended at call nCall (`log` empty then): the MeInit is the
    // old document, the new one, or one that no run loads, and the log says which. The next run
    // goes on from there, and neither leaves a temporary file.
    void ExpectOldNewOrRefused(const std::string& log, long nCall) {
        const std::string meinit = Read("MeInit.xml"), path = m_dir.WindowsPath("MeInit.xml");
        const std::string backup = m_dir.WindowsPath(kBackup);
        std::set<std::string> said = {""};
        if (meinit == m_example["MeInit.xml"]) {
            said.insert({Error("Unable to open file : " + path),
                         Error("The file changed on disk during the run : " + path),
                         Error("Unable to write backup file : " + backup),
                         Error("Unable to save file : " + path),
                         Error("Unable to keep a restore point of file : " + path + "\nin \"" +
                               PointsFolder() + "\" : nothing was saved !"),
                         "Armwright: error [help 2]: Error with \"allow\" argument !\n",
                         "Armwright: error [help 3]: Error with \"addpredif\" argument !\n",
                         "Armwright: error [help 1]: Error with \"weapons\" argument !\n"});
        } else if (meinit == m_expected) {
            said.insert({kSuccess,
                         Error("File written, but the system reported an error : " + path +
                               "\nCheck it, or restore it from the backup \"" + backup + "\" !")});
        } else {
            EXPECT_EQ(meinit.substr(0, 1), std::string(1, '\0')) << "call " << nCall;
            said.insert(Error("Unable to save file : " + path +
                              "\nIt may be damaged : restore it from the backup \"" + backup +
                              "\" !"));
        }
        EXPECT_EQ(said.count(log), 1u) << "call " << nCall << ": " << log;
        const bool bLoads = !meinit.empty() && meinit[0] != '\0';
        EXPECT_EQ(Run(kLine), bLoads ? kSuccess : Error("Unable to open file : " + path))
            << "call " << nCall;
        std::string listed = Folder();
        for (const std::string& name : {std::string("other.xml\n"), std::string(kPoints) + "\n"}) {
            const size_t nFound = listed.find(name);
            if (nFound != std::string::npos)
                listed.erase(nFound, name.size());
        }
        const std::string points =
            ListFolder(m_dir.Path(kPoints) +
                       PointsFolder().substr(PointsFolder().rfind('\\')).replace(0, 1, "/"));
        EXPECT_EQ(points.find(".armwright-"), std::string::npos) << "call " << nCall;
        const std::string inputs = "Filename1.xml\nFilename2.xml\nFilename3.xml\nMeInit.xml\n";
        EXPECT_TRUE(listed == inputs || listed == inputs + kBackup + "\n")
            << "call " << nCall << ":\n"
            << listed;
    }

    // The Windows path of the MeInit's restore points.
    std::string PointsFolder() const {
        const armwright::CRestorePoints points((m_dir.WindowsPath("") + "\\").c_str(),
                                               m_dir.WindowsPath("MeInit.xml").c_str());
        const std::string folder = points.Folder().GetString();
        return folder.substr(0, folder.size() - 1);
    }

    std::string m_expected;  // the MeInit after one run of the line
};
