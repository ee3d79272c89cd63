#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "framework/file.h"
#include "path_posix.h"
#include "replace_faults_posix.h"

namespace {

armwright::SaveStep g_faultStep = armwright::SaveStep::None;
int g_nReplacesUntilFault = 0;
bool g_bFaultActive = false;

// Whether the test seam makes this step of the current replace fail.
bool Fault(armwright::SaveStep step) {
    if (g_bFaultActive && step == g_faultStep) {
        errno = EIO;
        return true;
    }
    return false;
}

// Closes a descriptor at the end of its scope.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0)
            close(m_fd);
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// The file that writing to strPath really changes: the end of a chain of symbolic links.
bool ResolveTarget(const std::string& strPath, std::string& strTarget) {
    struct stat st;
    if (lstat(strPath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        strTarget = strPath;
        return true;
    }
    char szReal[PATH_MAX];
    if (!realpath(strPath.c_str(), szReal))
        return false;  // a dangling link: there is no file to replace
    strTarget = szReal;
    return true;
}

mode_t DefaultFileMode() {
    mode_t nMask = umask(0);
    umask(nMask);
    return 0666 & ~nMask;
}

// Writes the whole content into the open temporary file; false on the first step that fails.
bool WriteTemporary(int fd, const std::function<bool(FILE*)>& write, const struct stat* pTarget) {
    FILE* fp = fdopen(fd, "w");
    if (!fp) {
        close(fd);
        return false;
    }
    bool bOk = write(fp) && !Fault(armwright::SaveStep::Write) && !ferror(fp) &&
               !Fault(armwright::SaveStep::Flush) && fflush(fp) == 0;
    if (bOk) {
        bOk = fchmod(fd, pTarget ? (pTarget->st_mode & 07777) : DefaultFileMode()) == 0;
        // Keeping the owner is possible only for a privileged run; a failure changes nothing.
        if (bOk && pTarget && (pTarget->st_uid != geteuid() || pTarget->st_gid != getegid()))
            (void)!fchown(fd, pTarget->st_uid, pTarget->st_gid);
    }
    bOk = bOk && !Fault(armwright::SaveStep::Sync) && fsync(fd) == 0;
    return (fclose(fp) == 0) && !Fault(armwright::SaveStep::Close) && bOk;
}

}  // namespace

bool armwright::ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding) {
    std::string strPath;
    if (!armwright::PosixPathFromWindows(lpszPath, strPath))
        return false;
    CFd fd(open(strPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    data.clear();
    data.reserve(static_cast<size_t>(st.st_size) + nPadding);
    char buffer[65536];
    for (;;) {
        ssize_t nRead = read(fd.Get(), buffer, sizeof buffer);
        if (nRead < 0)
            return false;
        if (nRead == 0)
            break;
        data.insert(data.end(), buffer, buffer + nRead);
    }
    data.resize(data.size() + nPadding, '\0');
    return true;
}

void armwright::FailSaveStepForTesting(armwright::SaveStep step, int nReplace) {
    g_faultStep = step;
    g_nReplacesUntilFault = nReplace;
}

bool armwright::SaveFileSafely(LPCSTR lpszPath, const std::function<bool(FILE*)>& write) {
    g_bFaultActive = g_nReplacesUntilFault > 0 && --g_nReplacesUntilFault == 0;
    std::string strPath, strTarget;
    if (!armwright::PosixPathFromWindows(lpszPath, strPath) || !ResolveTarget(strPath, strTarget))
        return false;
    struct stat st;
    const bool bExists = stat(strTarget.c_str(), &st) == 0;
    // No write bit for anyone is the read-only attribute of this view, and it binds root too.
    if (bExists && (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0))
        return false;

    size_t nSlash = strTarget.rfind('/');
    std::string strTemp =
        strTarget.substr(0, nSlash + 1) + "." + strTarget.substr(nSlash + 1) + ".XXXXXX";
    int fd = Fault(armwright::SaveStep::Create) ? -1 : mkostemp(&strTemp[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    if (!WriteTemporary(fd, write, bExists ? &st : nullptr) || Fault(armwright::SaveStep::Move) ||
        rename(strTemp.c_str(), strTarget.c_str()) != 0) {
        unlink(strTemp.c_str());
        return false;
    }
    // Make the rename itself durable; the file is in place whatever this says.
    CFd dir(open(strTarget.substr(0, nSlash + 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        fsync(dir.Get());
    return true;
}
