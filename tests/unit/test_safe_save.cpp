// Loading and saving the MeInit: the file on disk is replaced whole or not at all. Both backends
// run these; test_safe_save_posix.cpp has what only POSIX has.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <filesystem>
#include <new>
#include <string>

#include "framework/file.h"
#include "meinit/MeInitFile.h"
#include "support/TempDir.h"
#include "xml/XmlFile.h"

namespace {

const char kMeInit[] =
    "<?xml version=\"1.0\" ?>\r\n<LockOn_Registry>\r\n<Units a=\"1\"/>\r\n</LockOn_Registry>\r\n";
// Saved through the C library's text mode, which on Windows ends lines with CR LF.
#ifdef _WIN32
const char kPrinted[] =
    "<?xml version=\"1.0\" ?>\r\n<LockOn_Registry>\r\n    <Units a=\"1\" />\r\n"
    "</LockOn_Registry>\r\n";
#else
const char kPrinted[] =
    "<?xml version=\"1.0\" ?>\n<LockOn_Registry>\n    <Units a=\"1\" />\n</LockOn_Registry>\n";
#endif

}  // namespace

TEST(SafeSave, LoadKeepsThePathAndSaveWritesThereNotToTheBackup) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    EXPECT_EQ(std::string(file.m_pDocument->Value()), dir.WindowsPath("MeInit.xml"));
    file.m_pDocument->RootElement()->SetAttribute("changed", 1);
    ASSERT_TRUE(file.SaveAs(dir.WindowsPath("backup.xml").c_str()));
    ASSERT_EQ(file.Save(), armwright::SaveResult::Saved);
    EXPECT_EQ(ReadWholeFile(dir.Path("backup.xml")), ReadWholeFile(dir.Path("MeInit.xml")));
    EXPECT_NE(ReadWholeFile(dir.Path("MeInit.xml")).find("changed=\"1\""), std::string::npos);
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\nbackup.xml\n");
}

TEST(SafeSave, LoadRefusesWhatIsNotAWellFormedFile) {
    CTempDir dir;
    dir.Write("empty.xml", "");
    dir.Write("blank.xml", " \r\n\t");
    dir.Write("broken.xml", "<LockOn_Registry><Units>");
    std::filesystem::create_directory(dir.Path("folder.xml"));
    CMeInitFile file;
    for (const char* name : {"missing.xml", "empty.xml", "blank.xml", "broken.xml", "folder.xml"})
        EXPECT_FALSE(file.Load(dir.WindowsPath(name).c_str())) << name;
    EXPECT_FALSE(file.Load(("C:" + dir.WindowsPath("empty.xml").substr(2)).c_str()));
}

TEST(SafeSave, NameAsLongAsTheFileSystemAllowsIsSaved) {
    CTempDir dir;
    const std::string name = std::string(251, 'm') + ".xml";
    dir.Write(name, kMeInit);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath(name).c_str()));
    EXPECT_EQ(file.Save(), armwright::SaveResult::Saved);
    EXPECT_EQ(ReadWholeFile(dir.Path(name)), kPrinted);
    EXPECT_EQ(ListFolder(dir.Path()), name + "\n");
}

TEST(SafeSave, ExceptionWhilePrintingLeavesTheTargetAndNoTemporaryFile) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    const auto throwing = [](armwright::CWriter& sink) -> bool {
        sink.Write("<Partial", 8);
        throw std::bad_alloc();
    };
    const std::string target = dir.WindowsPath("MeInit.xml");
    EXPECT_EQ(armwright::SaveFileSafely(target.c_str(), throwing), armwright::SaveResult::Failed);
    EXPECT_EQ(armwright::SaveFileSafely(dir.WindowsPath("new.xml").c_str(), throwing),
              armwright::SaveResult::Failed);
    // A second link makes the save rewrite the file in place rather than replace it.
    std::filesystem::create_hard_link(dir.Path("MeInit.xml"), dir.Path("other.xml"));
    EXPECT_EQ(armwright::SaveFileSafely(target.c_str(), throwing), armwright::SaveResult::Failed);
    EXPECT_EQ(ReadWholeFile(dir.Path("MeInit.xml")), kMeInit);
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\nother.xml\n");
}

TEST(SafeSave, ReadOnlyTargetIsNeverReplacedEvenByRoot) {
    CTempDir dir;
    dir.Write("MeInit.xml", kMeInit);
    std::filesystem::permissions(dir.Path("MeInit.xml"), std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::group_read |
                                                             std::filesystem::perms::others_read);
    CMeInitFile file;
    ASSERT_TRUE(file.Load(dir.WindowsPath("MeInit.xml").c_str()));
    EXPECT_EQ(file.Save(), armwright::SaveResult::Failed);
    EXPECT_EQ(ReadWholeFile(dir.Path("MeInit.xml")), kMeInit);
    EXPECT_EQ(ListFolder(dir.Path()), "MeInit.xml\n");
}

TEST(SafeLoad, LoneLeadByteAfterByteOrderMarkIsNotReadPastTheBuffer) {
    // The parser steps over the three bytes a lead byte announces, past the terminator; under
    // AddressSanitizer a read beyond the buffer fails this test.
    for (const char* text :
         {"\xEF\xBB\xBF<r>a\xEA", "\xEF\xBB\xBF<r a='\xF0", "\xEF\xBB\xBF<r>\xF4"}) {
        TiXmlDocument doc;
        EXPECT_FALSE(armwright::ParseXmlText(doc, text));
    }
}
