// Whatever system call of the save fails, the run says what it left: the MeInit as it was, the
// new one, or one that no run loads; and no temporary file stays. Both systems run this.
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
