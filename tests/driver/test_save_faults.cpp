// Whatever system call of the save fails, the run says what it left: the MeInit as it was, the
// new one, or one that no run loads; and no temporary file stays. Both systems run this.
#include <fstream>

#include "support/SaveWalk.h"

TEST_F(SaveWalk, AnySystemCallFailingLeavesTheMeInitOldNewOrRefusedAndSaysWhich) {
    for (bool bInPlace : {false, true}) {
        const long nCalls = CountCalls(bInPlace);
        for (long nCall = 1; nCall <= nCalls; ++nCall) {
            armwright::seam::Arm(armwright::seam::Mode::Fail, nCall);
            const std::string log = Run(kLine);
            armwright::seam::Arm(armwright::seam::Mode::Count);
            ExpectOldNewOrRefused(log, nCall);
            Reset(bInPlace);
        }
        std::printf("%s: %ld calls, each made to fail\n", bInPlace ? "in place" : "replaced",
                    nCalls);
    }
}

TEST_F(SaveWalk, MeInitRewrittenByAnotherProgramWhileReadIsNeverBackedUpTorn) {
    // Another name for the aircraft, and longer, so that a read cut by the rewrite would have
    // the old name and the new end.
    std::string other = m_example["MeInit.xml"] + "<!-- another program's -->\n";
    other.replace(other.find("A-10A"), 5, "A-10B");
    const long nCalls = CountCalls(false);
    m_dir.Write("MeInit.xml", other);
    Run(kLine);
    const std::string otherBackup = Read(kBackup);
    Reset(false);
    Run(kLine);
    const std::string exampleBackup = Read(kBackup);
    for (long nCall = 1; nCall <= nCalls; ++nCall) {
        Reset(false);
        // Windows keeps another program out of a file the run holds without sharing; such a
        // program then writes nothing.
        armwright::seam::Arm(armwright::seam::Mode::Act, nCall, [this, &other] {
            std::ofstream(m_dir.Path("MeInit.xml"), std::ios::binary) << other;
        });
        const std::string log = Run(kLine);
        armwright::seam::Arm(armwright::seam::Mode::Count);
        if (log ==
            Error("The file changed on disk during the run : " + m_dir.WindowsPath("MeInit.xml"))) {
            EXPECT_EQ(Read("MeInit.xml"), other) << "call " << nCall;
        }
        if (FileExists(m_dir.Path(kBackup))) {
            EXPECT_TRUE(Read(kBackup) == exampleBackup || Read(kBackup) == otherBackup)
                << "call " << nCall;
        }
    }
}
