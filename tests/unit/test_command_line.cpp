// Taking the command line apart: pieces, the MeInit path, switch words and file names.
#include <gtest/gtest.h>

#include <string>

#include "app/MeInitEditApp.h"

namespace {

std::string Pieces(const char* line) {
    CStringArray pieces;
    armwright::SplitArguments(line, pieces);
    std::string joined;
    for (int i = 0; i < pieces.GetSize(); ++i)
        joined += "[" + std::string(pieces[i]) + "]";
    return joined;
}

}  // namespace

TEST(CommandLine, PiecesStartAtEverySlashAndOnlyTheLastKeepsItsTrailingBlanks) {
    EXPECT_EQ(Pieces("\"MeInit.xml\" /verbose /allow \"a.xml\"  "),
              "[/verbose][/allow \"a.xml\"  ]");
    EXPECT_EQ(Pieces("\"x\" /allow \"a.xml\" \t /weapons \"w.xml\""),
              "[/allow \"a.xml\"][/weapons \"w.xml\"]");
    // A slash inside a quoted name starts a piece too.
    EXPECT_EQ(Pieces("\"MeInit.xml\" /allow \"sub/a.xml\""), "[/allow \"sub][/a.xml\"]");
    EXPECT_EQ(Pieces("no slash"), "");
}

TEST(CommandLine, MeInitPathIsBetweenTheFirstTwoQuotesOfTheWholeLine) {
    EXPECT_EQ(
        std::string(armwright::GetQuotedMeInitPath("\"C:\\sim\\MeInit.xml\" /allow \"a.xml\"")),
        "C:\\sim\\MeInit.xml");
    // Unquoted, the first quoted switch file is taken for it.
    EXPECT_EQ(std::string(armwright::GetQuotedMeInitPath("MeInit.xml /allow \"a.xml\"")), "a.xml");
    EXPECT_EQ(std::string(armwright::GetQuotedMeInitPath("\"MeInit.xml /allow")), "");
    EXPECT_EQ(std::string(armwright::GetQuotedMeInitPath("\"\" /allow")), "");
}

TEST(CommandLine, SwitchWordEndsAtTheFirstSpaceOnly) {
    EXPECT_EQ(std::string(armwright::GetSwitchWord("/allow \"a.xml\"")), "/allow");
    EXPECT_EQ(std::string(armwright::GetSwitchWord("/allow\t\"a.xml\"")), "/allow\t\"a.xml\"");
    EXPECT_EQ(std::string(armwright::GetSwitchWord("/allow\"a.xml\"")), "/allow\"a.xml\"");
    EXPECT_EQ(std::string(armwright::GetSwitchWord("/verbose")), "/verbose");
}

TEST(CommandLine, FileNamesAreCompletedWithTheExecutableFolder) {
    CMeInitEditApp app;
    app.m_strAppFolder = "C:\\tools\\";
    EXPECT_EQ(std::string(app.GetFullPath("D:\\sim\\MeInit.xml")), "D:\\sim\\MeInit.xml");
    EXPECT_EQ(std::string(app.GetFullPath("a\\b.xml")), "C:\\tools\\a\\b.xml");
    EXPECT_EQ(std::string(app.GetFullPath("\\root.xml")), "C:\\tools\\\\root.xml");
    EXPECT_EQ(std::string(app.GetFullPath("C:/sim/MeInit.xml")), "C:\\tools\\C:/sim/MeInit.xml");

    EXPECT_EQ(std::string(app.GetArgumentFile("/allow \"\"a.xml\"\"")), "C:\\tools\\a.xml");
    EXPECT_EQ(std::string(app.GetArgumentFile("/allow \"E:\\x.xml\"")), "E:\\x.xml");
    // Only one blank is skipped, so a second one keeps the opening quote in the name.
    EXPECT_EQ(std::string(app.GetArgumentFile("/allow  \"a.xml\"")), "C:\\tools\\ \"a.xml");
    EXPECT_EQ(std::string(app.GetArgumentFile("/allow \"a.xml\"  ")), "C:\\tools\\a.xml\"  ");
    EXPECT_EQ(std::string(app.GetArgumentFile("/allow")), "C:\\tools\\/allow");
}
