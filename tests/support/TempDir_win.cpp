// The temporary folder of the tests on Windows, in the user's own %TEMP%. Its Path() and
// WindowsPath() name the same files, the one with a '/' before the name, which Windows takes as
// well as a backslash.
#include <windows.h>
// After windows.h, which it needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/TempDir.h"

namespace {

void RemoveTree(const std::string& path) {
    const DWORD nAttributes = GetFileAttributesA(path.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES)
        return;
    // Tests make files read-only; nothing else may stop their removal.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(nAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA entry;
    HANDLE hFind = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name != "." && name != "..")
                RemoveTree(path + "\\" + name);
        } while (FindNextFileA(hFind, &entry));
        FindClose(hFind);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace

CTempDir::CTempDir() {
    char szTemp[MAX_PATH + 1];
    const DWORD nLength = GetTempPathA(sizeof szTemp, szTemp);
    if (nLength == 0 || nLength >= sizeof szTemp)
        ADD_FAILURE() << "no temporary folder";
    for (DWORD n = 0; n < 100; ++n) {
        char szName[32];
        std::snprintf(szName, sizeof szName, "armwright-test-%08lx",
                      (GetTickCount() * 2654435761u) ^ (GetCurrentProcessId() << 8) ^ n);
        const std::string path = std::string(szTemp) + szName;
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            m_strPath = path;
            return;
        }
    }
    ADD_FAILURE() << "cannot make a temporary folder";
}

CTempDir::~CTempDir() {
    RemoveTree(m_strPath);
}

std::string CTempDir::WindowsPath(const std::string& name) const {
    std::string path = name.empty() ? m_strPath : Path(name);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string CTempDir::Write(const std::string& name, const std::string& content) const {
    WriteAt(Path(name), content);
    return Path(name);
}

void CTempDir::WriteAt(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    EXPECT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ListFolder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE hFind = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(hFind, &entry));
        FindClose(hFind);
    }
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& name : names)
        list += name + "\n";
    return list;
}
