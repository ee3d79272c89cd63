// /weapons: registry Launchers replaced by CLSID within the Category of the same CLSID.
#include <string>

#include "support/EditFixture.h"

namespace {

const char kRegistry[] =
    "<LockOn_Registry><Weapons>"
    "<Category CLSID='{BOMBS}'>"
    "<Launcher CLSID='{B1}' Weight='1'/><Launcher Weight='2'/><Launcher CLSID='{B3}'/>"
    "</Category>"
    "<Category CLSID='{ROCKETS}'><Launcher CLSID='{R1}'/></Category>"
    "</Weapons></LockOn_Registry>";

const char kReplaceFailed[] =
    "Unable to replace specified weapon in your MeInit !\n"
    "Either the CLSID of the category oe the launcher does not exist !";

class Weapons : public EditTest {
protected:
    bool Apply(const std::string& input) { return ApplyTo(input, &CMeInitFile::ApplyWeapons); }
};

}  // namespace

TEST_F(Weapons, ReplacesInPlaceIgnoringLetterCaseAndTheLastDuplicateWins) {
    SetMeInit(kRegistry);
    ASSERT_TRUE(
        Apply("<Weapons><Note/><Category CLSID='{rockets}'><Launcher CLSID='{r1}' N='1'/>"
              "</Category><!-- skipped --><Category CLSID='{NONE}'/>"
              "<Group CLSID='{Bombs}'><Launcher CLSID='{B3}' N='a'/>"
              "<Launcher CLSID='{B3}' N='b'><Stores/></Launcher>"
              "<Rack N='c'/></Group></Weapons>"));
    EXPECT_EQ(Printed(),
              "<LockOn_Registry>\n"
              "    <Weapons>\n"
              "        <Category CLSID=\"{BOMBS}\">\n"
              "            <Launcher CLSID=\"{B1}\" Weight=\"1\" />\n"
              "            <Rack N=\"c\" />\n"
              "            <Launcher CLSID=\"{B3}\" N=\"b\">\n"
              "                <Stores />\n"
              "            </Launcher>\n"
              "        </Category>\n"
              "        <Category CLSID=\"{ROCKETS}\">\n"
              "            <Launcher CLSID=\"{r1}\" N=\"1\" />\n"
              "        </Category>\n"
              "    </Weapons>\n"
              "</LockOn_Registry>\n");
    EXPECT_EQ(Error(), "");

    SetMeInit(kRegistry);
    EXPECT_TRUE(Apply("<Weapons><Other/></Weapons>"));
    ExpectUnchanged("");
}

TEST_F(Weapons, StopsAtTheFirstEntryThatFailsKeepingWhatWasDone) {
    SetMeInit(kRegistry);
    EXPECT_FALSE(
        Apply("<Weapons><Category CLSID='{BOMBS}'><Launcher CLSID='{B1}' N='new'/>"
              "<Launcher CLSID='{R1}'/></Category>"
              "<Category CLSID='{ROCKETS}'><Launcher CLSID='{R1}' N='never'/></Category>"
              "</Weapons>"));
    EXPECT_EQ(Error(), kReplaceFailed);
    std::string printed = Printed();
    EXPECT_NE(printed.find("<Launcher CLSID=\"{B1}\" N=\"new\" />"), std::string::npos);
    EXPECT_EQ(printed.find("never"), std::string::npos);

    // Each of these entries cannot be applied, so nothing changes.
    for (const char* input : {
             "<Weapons><Category><Launcher CLSID='{B1}'/></Category></Weapons>",
             // The comment fails once reached; the copy before it changed nothing visible.
             "<Weapons><Category CLSID='{BOMBS}'><Launcher CLSID='{B1}' Weight='1'/><!-- c -->"
             "</Category>"
             "</Weapons>",
             "<Weapons><Category CLSID='{SHIPS}'><Launcher CLSID='{B1}'/></Category></Weapons>",
             "<Weapons><Category CLSID='{ROCKETS}'><Launcher/></Category></Weapons>",
             "<Weapons><Category CLSID='{ROCKETS}'><Launcher CLSID='{B1}'/></Category></Weapons>",
         }) {
        SetMeInit(kRegistry);
        ClearError();
        EXPECT_FALSE(Apply(input)) << input;
        ExpectUnchanged(kReplaceFailed);
    }
}

TEST_F(Weapons, LauncherWithoutClsidReplacesTheFirstWithoutOne) {
    SetMeInit(kRegistry);
    ASSERT_TRUE(Apply("<Weapons><Category CLSID='{BOMBS}'><Launcher N='x'/></Category></Weapons>"));
    EXPECT_NE(Printed().find("<Launcher CLSID=\"{B1}\" Weight=\"1\" />\n"
                             "            <Launcher N=\"x\" />\n"
                             "            <Launcher CLSID=\"{B3}\" />"),
              std::string::npos);
}

TEST_F(Weapons, MissingNodesFailBeforeAnyChange) {
    SetMeInit(kRegistry);
    TiXmlDocument doc;
    ParseDocument(doc, "<Category CLSID='{BOMBS}'><Launcher CLSID='{B1}'/></Category>");
    doc.SetValue("Z:\\in\\w.xml");
    EXPECT_FALSE(m_file.ApplyWeapons(&doc));
    ExpectUnchanged(
        "Unable to find \"Weapons\" node in file \"Z:\\in\\w.xml\" : it holds \"Category\" "
        "instead !\nThis file is not meant for this argument !");
    EXPECT_FALSE(m_file.ApplyWeapons(nullptr));

    SetMeInit("<LockOn_Registry><Units/></LockOn_Registry>");
    EXPECT_FALSE(Apply("<Weapons/>"));
    ExpectUnchanged(
        "Unable to find \"Weapons\" node in \"LockOn_Registry\" section of specified MeInit !\n"
        "Your MeInit is probably corrupted !");
    SetMeInit("<Registry/>");
    EXPECT_FALSE(Apply("<Weapons/>"));
    ExpectUnchanged(
        "Unable to find \"LockOn_Registry\" node in specified MeInit !\n"
        "Your MeInit is probably corrupted !");
}

TEST_F(Weapons, LookupsFollowTheWalkWhenAReplacementMovesItsStart) {
    // The first Launcher becomes a Rack, so the walk now starts at the second child and the
    // Rack's CLSID is found no more; a later entry for it fails.
    SetMeInit(kRegistry);
    EXPECT_FALSE(
        Apply("<Weapons><Category CLSID='{BOMBS}'><Launcher CLSID='{B3}' N='1'/>"
              "<Rack CLSID='{B1}'/><Launcher CLSID='{B1}' N='2'/></Category></Weapons>"));
    EXPECT_EQ(Error(), kReplaceFailed);
    EXPECT_NE(Printed().find("<Rack CLSID=\"{B1}\" />\n            <Launcher Weight=\"2\" />\n"
                             "            <Launcher CLSID=\"{B3}\" N=\"1\" />"),
              std::string::npos);
}

TEST_F(Weapons, Latin1EntryInAUtf8MeInitFailsRatherThanSaveAMeInitThatDoesNotLoad) {
    const std::string registry =
        "<LockOn_Registry><Weapons><Category CLSID='c'><Launcher CLSID='l'/></Category>"
        "</Weapons></LockOn_Registry>";
    const auto weapons = [](const char* declaration, const char* name) {
        return std::string(declaration) + "<Weapons><Category CLSID='c'><Launcher CLSID='l' N='" +
               name + "'/></Category></Weapons>";
    };
    const char latin1[] = "<?xml version='1.0' encoding='ISO-8859-1'?>";
    // A MeInit read as UTF-8 would take the 0xE9 of a Latin-1 'é' for a lead byte, and with it
    // the closing quote.
    for (const char* utf8 : {"<?xml version='1.0'?>", "\xEF\xBB\xBF"}) {
        SetMeInit(utf8 + registry);
        EXPECT_FALSE(Apply(weapons(latin1, "\xE9")));
        ExpectUnchanged(
            "Unable to apply file \"\" : its text is not UTF-8, the encoding of your MeInit !\n"
            "Save it as UTF-8 first !");
    }
    // Plain ASCII, and UTF-8 into a MeInit read byte by byte, read back as they are.
    SetMeInit("<?xml version='1.0'?>" + registry);
    EXPECT_TRUE(Apply(weapons(latin1, "e")));
    SetMeInit(latin1 + registry);
    EXPECT_TRUE(Apply(weapons("", "\xC3\xA9")));
    EXPECT_EQ(Printed(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n"
              "<LockOn_Registry>\n"
              "    <Weapons>\n"
              "        <Category CLSID=\"c\">\n"
              "            <Launcher CLSID=\"l\" N=\"\xC3\xA9\" />\n"
              "        </Category>\n"
              "    </Weapons>\n"
              "</LockOn_Registry>\n");
}
