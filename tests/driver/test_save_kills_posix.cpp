// Wherever the process is killed during a run, the MeInit is the old document, the new one, or
// one that no run loads; what the kill left is removed by the next run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/SaveWalk.h"

TEST_F(SaveWalk, KillAtAnySystemCallLeavesTheMeInitOldNewOrRefused) {
    for (bool bInPlace : {false, true}) {
        const long nCalls = CountCalls(bInPlace);
        for (long nCall = 1; nCall <= nCalls; ++nCall) {
            const pid_t pid = fork();
            if (pid == 0) {
                armwright::seam::Arm(armwright::seam::Mode::End, nCall);
                Run(kLine);
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "call " << nCall;
            ExpectOldNewOrRefused("", nCall);
            Reset(bInPlace);
        }
        std::printf("%s: %ld calls, the process killed at each\n",
                    bInPlace ? "in place" : "replaced", nCalls);
    }
}
