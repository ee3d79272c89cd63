// The string class under each kind of ANSI code page Windows gives a process: a double-byte one
// (932, where the manifest's UTF-8 is ignored, before Windows 10 1903), a one-byte one (1252),
// and UTF-8, which the manifest asks for. The same program runs under each; a case checks first
// that it has its code page.
#include <gtest/gtest.h>

#include <string>

#include "framework/cstring.h"

namespace {

std::string Lower(const char* psz) {
    CString str(psz);
    return str.MakeLower().GetString();
}

}  // namespace

TEST(CodePage932, SearchesStepOverTrailBytesAndWideLettersFold) {
    ASSERT_EQ(GetACP(), 932u);
    // ソ is 0x83 0x5C: its trail byte is the backslash's.
    const CString strPath("C:\\\x83\x5C\x83\x74\x83\x67\\MeInit.xml");
    EXPECT_EQ(strPath.Find('\\'), 2);
    EXPECT_EQ(strPath.Find('\\', 3), 9);
    EXPECT_EQ(strPath.ReverseFind('\\'), 9);
    EXPECT_EQ(strPath.Find("\\M"), 9);
    EXPECT_EQ(CString("\x83\x5C").Find('\\'), -1);
    // A lead byte that ends the text stands alone.
    EXPECT_EQ(CString("a\\\x83").ReverseFind('\\'), 1);
    // Full-width letters have full-width lower cases of the same two bytes.
    EXPECT_EQ(Lower("MeInit \x82\x60\x82\x61"), "meinit \x82\x81\x82\x82");
    EXPECT_EQ(CString("/ALLOW \x82\x60").CompareNoCase("/allow \x82\x81"), 0);
}

TEST(CodePage1252, EveryByteIsACharacterAndAccentedLettersFold) {
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(CString("\xC9\\x").Find('\\'), 1);
    EXPECT_EQ(Lower("MeInit \xC9T\xC9"), "meinit \xE9t\xE9");
    EXPECT_EQ(CString("\xC9T\xC9").CompareNoCase("\xE9t\xE9"), 0);
}

TEST(CodePageUtf8, LettersFoldWhereTheirLowerCaseHasTheSameLength) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    EXPECT_EQ(Lower("MeInit"), "meinit");
    EXPECT_EQ(Lower("\xC3\x89T\xC3\x89 \xD0\x9A\xD0\x9E\xD0\x9D"),
              "\xC3\xA9t\xC3\xA9 \xD0\xBA\xD0\xBE\xD0\xBD");  // ÉTÉ КОН
    // İ (two bytes) folds to i (one), ẞ (three) to ß (two): both stay as they are.
    EXPECT_EQ(Lower("\xC4\xB0 \xE1\xBA\x9E"), "\xC4\xB0 \xE1\xBA\x9E");
    EXPECT_EQ(CString("/WEAPONS").CompareNoCase("/weapons"), 0);
    // Конфиг\x: no byte of a sequence is taken for a character.
    const CString strPath("\xD0\x9A\xD0\xBE\xD0\xBD\xD1\x84\xD0\xB8\xD0\xB3\\x");
    EXPECT_EQ(strPath.Find('\\'), 12);
    EXPECT_EQ(strPath.ReverseFind('\\'), 12);
    // A byte that starts no sequence stands alone.
    EXPECT_EQ(CString("\xC3\\").Find('\\'), 1);
}
