// Whatever the files hold and whatever the disk does, the program reports, never crashes or
// hangs, and leaves the MeInit as it was unless a sound run saved it.
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/DriverFixture.h"
#include "support/XmlShapes.h"

namespace {

// Without /verbose: the reasons it adds for files that cannot be read are pinned elsewhere.
const char kAllLine[] =
    "\"MeInit.xml\" /allow \"Filename1.xml\" /addpredif \"Filename2.xml\" /weapons "
    "\"Filename3.xml\"";

std::string Noise() {
    std::mt19937 random(20261209);
    std::string bytes(4096, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// Contents that no edit, and no MeInit load, can take.
std::vector<std::pair<std::string, std::string>> Unloadable(const std::string& example) {
    return {
        {"empty", ""},
        {"white space only", " \r\n\t \n"},
        {"byte-order mark only", "\xEF\xBB\xBF"},
        {"UTF-16", std::string("\xFF\xFE<\0r\0/\0>\0", 10)},
        {"cut off", example.substr(0, example.size() / 2)},
        {"binary noise", Noise()},
        {"lone lead byte after a byte-order mark", "\xEF\xBB\xBF<r>a\xEA"},
        {"nested 1,001 deep", NestedElements(1001)},
        {"nested 6,000 deep", NestedElements(6000)},
        {"nested 40,000 deep", NestedElements(40000)},
        {"nested 1,000,000 deep", NestedElements(1000000)},
    };
}

using Hardening = ExampleDriverTest;

}  // namespace

TEST_F(Hardening, MeInitThatCannotBeLoadedIsReportedAndLeftAlone) {
    const std::string unableToOpen =
        Error("Unable to open file : " + m_dir.WindowsPath("MeInit.xml"));
    for (const auto& [name, content] : Unloadable(m_example["MeInit.xml"])) {
        m_dir.Write("MeInit.xml", content);
        EXPECT_EQ(Run(kAllLine), unableToOpen) << name;
        EXPECT_EQ(Read("MeInit.xml"), content) << name;
        EXPECT_FALSE(FileExists(m_dir.Path(kBackup))) << name;
    }
    unlink(m_dir.Path("MeInit.xml").c_str());
    EXPECT_EQ(Run(kAllLine), unableToOpen);
    mkdir(m_dir.Path("MeInit.xml").c_str(), 0755);
    EXPECT_EQ(Run(kAllLine), unableToOpen);
    // A FIFO with no writer would hold a blocking open forever.
    rmdir(m_dir.Path("MeInit.xml").c_str());
    ASSERT_EQ(mkfifo(m_dir.Path("MeInit.xml").c_str(), 0644), 0);
    EXPECT_EQ(Run(kAllLine), unableToOpen);
    EXPECT_EQ(Folder(), "Filename1.xml\nFilename2.xml\nFilename3.xml\nMeInit.xml\n");
}

TEST_F(Hardening, InputThatCannotBeLoadedFailsOnlyItsEdit) {
    for (const auto& [name, content] : Unloadable(m_example["Filename1.xml"])) {
        m_dir.Write("bad.xml", content);
        EXPECT_EQ(Run("\"MeInit.xml\" /allow \"bad.xml\" /addpredif \"bad.xml\" /weapons "
                      "\"bad.xml\""),
                  "Armwright: error [help 2]: Error with \"allow\" argument !\n"
                  "Armwright: error [help 3]: Error with \"addpredif\" argument !\n"
                  "Armwright: error [help 1]: Error with \"weapons\" argument !\n")
            << name;
        EXPECT_EQ(Read("MeInit.xml"), m_example["MeInit.xml"]) << name;
    }
    unlink(m_dir.Path("bad.xml").c_str());
    mkdir(m_dir.Path("folder.xml").c_str(), 0755);
    ASSERT_EQ(mkfifo(m_dir.Path("fifo.xml").c_str(), 0644), 0);
    EXPECT_EQ(
        Run("\"MeInit.xml\" /allow \"bad.xml\" /weapons \"folder.xml\" /addpredif \"fifo.xml\""),
        "Armwright: error [help 2]: Error with \"allow\" argument !\n"
        "Armwright: error [help 1]: Error with \"weapons\" argument !\n"
        "Armwright: error [help 3]: Error with \"addpredif\" argument !\n");
    EXPECT_EQ(Read("MeInit.xml"), m_example["MeInit.xml"]);
}

TEST_F(Hardening, OddButReadableFilesGiveTheEditsMessages) {
    // The library stops at the first '>' of an internal subset and keeps only that much.
    const std::string doctype = "<!DOCTYPE LockOn_Registry [ <!ENTITY x \"y\"> ]>\n";
    m_dir.Write("MeInit.xml", doctype + m_example["MeInit.xml"]);
    EXPECT_EQ(Run("\"MeInit.xml\" /verbose /allow \"Filename1.xml\""),
              Error("Unable to use file as MeInit : " + m_dir.WindowsPath("MeInit.xml") +
                    "\nIt holds no \"LockOn_Registry\" element. Give the path of your MeInit "
                    "first on the line, in double quotes !"));
    EXPECT_EQ(Read("MeInit.xml"), doctype + m_example["MeInit.xml"]);

    m_dir.Write("MeInit.xml", m_example["MeInit.xml"]);
    m_dir.Write("doctype.xml", doctype + m_example["Filename3.xml"]);
    EXPECT_EQ(
        Run("\"MeInit.xml\" /verbose /weapons \"doctype.xml\""),
        Error(
            "Unable to find \"Weapons\" node in file \"" + m_dir.WindowsPath("doctype.xml") +
            "\" : it holds \"no element\" instead !\nThis file is not meant for this argument !") +
            "Armwright: error [help 1]: Error with \"weapons\" argument !\n");

    // A second root element is kept and written back.
    m_dir.Write("MeInit.xml", m_example["MeInit.xml"] + "<Second/>\n");
    m_dir.Write("two.xml", "<Pylons Count=\"1\"/><Pylons Count=\"2\"/>");
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"two.xml\""),
              "Armwright: information [help 4]: Operation successfull !\n");
    std::string saved = Read("MeInit.xml");
    EXPECT_NE(saved.find("<Pylons Count=\"1\" />"), std::string::npos);
    EXPECT_EQ(saved.find("<Pylons Count=\"2\" />"), std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 11), "<Second />\n");
}

TEST_F(Hardening, LargeButSoundFilesAreEdited) {
    std::string siblings = "<Pylons>";
    for (int i = 0; i < 1000000; ++i)
        siblings += "<P/>";
    m_dir.Write("siblings.xml", siblings + "</Pylons>");
    m_dir.Write("attribute.xml", "<Pylons Big=\"" + std::string(10 << 20, 'x') + "\"/>");
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"siblings.xml\" /allow \"attribute.xml\""),
              "Armwright: information [help 4]: Operation successfull !\n");
    EXPECT_GT(Read("MeInit.xml").size(), 10u << 20);
    EXPECT_EQ(Read(kBackup).find("Big="), std::string::npos);

    // The same shapes in the MeInit itself: a million siblings under the root, a 10 MB attribute.
    std::string meinit = m_example["MeInit.xml"];
    meinit.insert(meinit.rfind("</LockOn_Registry>"), siblings.substr(8));
    meinit.insert(meinit.find("<LockOn_Registry") + 16,
                  " Big=\"" + std::string(10 << 20, 'y') + "\"");
    m_dir.Write("MeInit.xml", meinit);
    EXPECT_EQ(Run("\"MeInit.xml\" /allow \"Filename1.xml\""),
              "Armwright: information [help 4]: Operation successfull !\n");
    const std::string saved = Read("MeInit.xml");
    EXPECT_NE(saved.find("<LockOn_Registry Big=\"yyyy"), std::string::npos);
    EXPECT_NE(saved.find("<Pylons Count=\"7\">"), std::string::npos);
    EXPECT_NE(saved.find("    <P />\n    <P />\n</LockOn_Registry>"), std::string::npos);
}
