// A temporary folder outside the source tree, removed with everything in it at scope exit.
#pragma once

#include <string>

class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // POSIX path of the folder, or of `name` in it.
    const std::string& Path() const { return m_strPath; }
    std::string Path(const std::string& name) const { return m_strPath + "/" + name; }
    // The same in the Windows view the program shows ("Z:\tmp\...\name").
    std::string WindowsPath(const std::string& name = "") const;

    // Writes `content` to `name` in the folder; returns its POSIX path.
    std::string Write(const std::string& name, const std::string& content) const;
    // Writes `content` to the file at POSIX `path`.
    static void WriteAt(const std::string& path, const std::string& content);

private:
    std::string m_strPath;
};

// The whole content of a file; fails the test when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Whether a file (or link) exists at `path`.
bool FileExists(const std::string& path);
// The names in a folder, sorted.
std::string ListFolder(const std::string& path);
