// The Windows view of the POSIX build: drive Z: is the root, and nothing else can be reached.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/path.h"

TEST(WindowsView, PathsMapBetweenDriveZAndTheRoot) {
    EXPECT_EQ(armwright::ProgramPath("/opt/aw/Armwright"), "Z:\\opt\\aw\\Armwright");
    EXPECT_EQ(armwright::ProgramPath("/opt/a\\w/Armwright"), "");
    std::string path;
    ASSERT_TRUE(armwright::SystemPath("Z:\\opt\\aw\\MeInit.xml", path));
    EXPECT_EQ(path, "/opt/aw/MeInit.xml");
    ASSERT_TRUE(armwright::SystemPath("z:\\a\\\\b", path));
    EXPECT_EQ(path, "/a//b");
    for (const char* unreachable : {"C:\\opt\\x", "\\opt\\x", "opt\\x", "Z:/opt/x", "Z:", ""})
        EXPECT_FALSE(armwright::SystemPath(unreachable, path)) << unreachable;
}

TEST(WindowsView, OnlyRegularFilesCanBeRead) {
    std::vector<char> data;
    for (const char* path : {"Z:\\tmp", "Z:\\proc\\self\\nonexistent", "C:\\Windows\\win.ini"})
        EXPECT_EQ(armwright::ReadWholeFile(path, data, 8), armwright::ReadResult::Failed) << path;
}
