#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

void RemoveTree(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    // Tests take write access away from folders, and make files read-only; a link is removed
    // without a look at what it names.
    if (fs::is_directory(status)) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
        for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
            RemoveTree(entry.path());
    } else if (!fs::is_symlink(status)) {
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
    }
    fs::remove(path, error);
}

}  // namespace

CTempDir::CTempDir() {
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    std::random_device random;
    for (int nTry = 0; nTry < 100 && m_strPath.empty(); ++nTry) {
        const fs::path path = folder / ("armwright-test-" + std::to_string(random()));
        if (fs::create_directory(path, error))
            m_strPath = fs::canonical(path, error).string();
    }
    if (m_strPath.empty())
        ADD_FAILURE() << "cannot make a temporary folder";
}

CTempDir::~CTempDir() {
#ifdef _WIN32
    // Names that make a path longer than MAX_PATH go only in the verbatim form.
    RemoveTree("\\\\?\\" + m_strPath);
#else
    RemoveTree(m_strPath);
#endif
}

std::string CTempDir::WindowsPath(const std::string& name) const {
#ifdef _WIN32
    std::string path = name.empty() ? m_strPath : Path(name);
#else
    std::string path = "Z:" + (name.empty() ? m_strPath : Path(name));
#endif
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
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::string ListFolder(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& name : names)
        list += name + "\n";
    return list;
}
