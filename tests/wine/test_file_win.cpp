// What only the Windows backend does with files: device paths to a drive, the lock of an
// in-place rewrite, and the run lock's mutex, which belongs to a thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/file.h"
#include "support/TempDir.h"

namespace {

const char kOld[] = "<r/>\r\n";

bool PrintNew(armwright::CWriter& sink) {
    return sink.Write("<new/>\n", 7);
}

struct Attempt {
    std::string path;
    armwright::CRunLock::Result result;
};

DWORD WINAPI AcquireOnce(LPVOID pAttempt) {
    Attempt& attempt = *static_cast<Attempt*>(pAttempt);
    armwright::CRunLock lock;
    attempt.result = lock.Acquire(attempt.path.c_str());
    return 0;
}

// What another run, on a thread of its own, gets for `path`.
armwright::CRunLock::Result AcquireElsewhere(const std::string& path) {
    Attempt attempt = {path, armwright::CRunLock::None};
    const HANDLE hThread = CreateThread(nullptr, 0, AcquireOnce, &attempt, 0, nullptr);
    EXPECT_NE(hThread, nullptr);
    WaitForSingleObject(hThread, INFINITE);
    CloseHandle(hThread);
    return attempt.result;
}

}  // namespace

TEST(WindowsFile, DevicePathToADriveIsSavedAsTheLocalPath) {
    CTempDir dir;
    dir.Write("MeInit.xml", kOld);
    const std::string path = "\\\\.\\" + dir.WindowsPath("MeInit.xml");
    EXPECT_EQ(armwright::SaveFileSafely(path.c_str(), PrintNew), armwright::SaveResult::Saved);
    EXPECT_EQ(ReadWholeFile(dir.Path("MeInit.xml")), "<new/>\r\n");
}

TEST(WindowsFile, InPlaceRewriteOfAFileWithAnotherProgramsLockIsRefusedBeforeAnyWrite) {
    CTempDir dir;
    dir.Write("MeInit.xml", kOld);
    // A second name makes the save rewrite the file in place.
    std::filesystem::create_hard_link(dir.Path("MeInit.xml"), dir.Path("other.xml"));
    const HANDLE hOther =
        CreateFileW(std::filesystem::path(dir.Path("other.xml")).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hOther, INVALID_HANDLE_VALUE);
    OVERLAPPED at = {};
    ASSERT_TRUE(LockFileEx(hOther, 0, 0, 1, 0, &at));
    EXPECT_EQ(armwright::SaveFileSafely(dir.WindowsPath("MeInit.xml").c_str(), PrintNew),
              armwright::SaveResult::Failed);
    CloseHandle(hOther);
    EXPECT_EQ(ReadWholeFile(dir.Path("MeInit.xml")), kOld);
}

TEST(WindowsFile, RunLockIsBusyForAnotherRunOnTheSameFileUntilReleased) {
    CTempDir dir;
    dir.Write("MeInit.xml", kOld);
    armwright::CRunLock lock;
    ASSERT_EQ(lock.Acquire(dir.WindowsPath("MeInit.xml").c_str()), armwright::CRunLock::Held);
    // The same file, spelt in another case.
    EXPECT_EQ(AcquireElsewhere(dir.WindowsPath("MEINIT.xml")), armwright::CRunLock::Busy);
    lock.Release();
    EXPECT_EQ(AcquireElsewhere(dir.WindowsPath("MEINIT.xml")), armwright::CRunLock::Held);
    EXPECT_EQ(AcquireElsewhere(dir.WindowsPath("missing.xml")), armwright::CRunLock::None);
}
