// /addpredif: payloads appended under fresh IDs, task entries merged at the head of their Task.
#include <string>

#include "support/EditFixture.h"
#include "support/TempDir.h"

namespace {

const char kWorldIdMessage[] =
    "Unable to get \"WorldID\" of the payload : File format error !\n"
    "Your MeInit is probably corrupted !";

std::string Plane(const std::string& payloads, const std::string& tasks) {
    return "<LockOn_Registry><Units><Planes><Plane Name='A-10A'><Payloads>" + payloads +
           "</Payloads><Tasks>" + tasks + "</Tasks></Plane></Planes></Units></LockOn_Registry>";
}

class PredefinedPayloads : public EditTest {
protected:
    bool Apply(const std::string& input) {
        m_dir.Write("in.xml", input);
        return m_file.AddPredefinedPayloads("A-10A", m_dir.WindowsPath("in.xml").c_str());
    }
    CTempDir m_dir;
};

}  // namespace

TEST_F(PredefinedPayloads, AppendsAfterTheHighestIdAndMergesTasksInFileOrder) {
    SetMeInit(Plane("<Payload ID='3'/><Payload ID='7'/><Payload ID='x'/><Payload ID='-2'/>",
                    "<Task WorldID='5'><A/><B/></Task><Task WorldID='6'/>"));
    ASSERT_TRUE(
        Apply("<Payloads><Skipped ID='99'/><Payload ID='1' Name='p'><S/></Payload>"
              "<!-- c --><Rack Name='r'/></Payloads>"
              "<Tasks><Task WorldID=' 5x'><X/><Y/></Task><Task WorldID='9'><Z/></Task>"
              "<Task WorldID='9'><W/></Task><Task WorldID='6'><V/>t</Task></Tasks>"));
    EXPECT_EQ(Printed(),
              "<LockOn_Registry>\n"
              "    <Units>\n"
              "        <Planes>\n"
              "            <Plane Name=\"A-10A\">\n"
              "                <Payloads>\n"
              "                    <Payload ID=\"3\" />\n"
              "                    <Payload ID=\"7\" />\n"
              "                    <Payload ID=\"x\" />\n"
              "                    <Payload ID=\"-2\" />\n"
              "                    <Payload ID=\"8\" Name=\"p\">\n"
              "                        <S />\n"
              "                    </Payload>\n"
              "                    <Rack Name=\"r\" ID=\"9\" />\n"
              "                </Payloads>\n"
              "                <Tasks>\n"
              "                    <Task WorldID=\"5\">\n"
              "                        <X />\n"
              "                        <Y />\n"
              "                        <A />\n"
              "                        <B />\n"
              "                    </Task>\n"
              "                    <Task WorldID=\"6\">\n"
              "                        <V />t\n"
              "                    </Task>\n"
              "                    <Task WorldID=\"9\">\n"
              "                        <W />\n"
              "                        <Z />\n"
              "                    </Task>\n"
              "                </Tasks>\n"
              "            </Plane>\n"
              "        </Planes>\n"
              "    </Units>\n"
              "</LockOn_Registry>\n");
    EXPECT_EQ(Error(), "");
}

TEST_F(PredefinedPayloads, NumbersFromOneAndStopsShortOfTheLargestId) {
    SetMeInit(Plane("<Other ID='5'/>", ""));
    ASSERT_TRUE(Apply("<Payloads><Payload/></Payloads><Tasks/>"));
    EXPECT_NE(Printed().find("<Payload ID=\"1\" />"), std::string::npos);

    SetMeInit(Plane("<Payload ID='2147483646'/>", ""));
    EXPECT_FALSE(Apply("<Payloads><Payload/><Payload/></Payloads><Tasks/>"));
    ExpectUnchanged(
        "Unable to number the predefined payloads : their IDs would pass 2147483647 !\n"
        "Your MeInit holds too high a payload ID !");
    ASSERT_TRUE(Apply("<Payloads><Payload/></Payloads><Tasks/>"));
    EXPECT_NE(Printed().find("<Payload ID=\"2147483647\" />"), std::string::npos);
}

TEST_F(PredefinedPayloads, TaskWithoutWorldIdStopsTheMergeKeepingWhatWasDone) {
    SetMeInit(Plane("<Payload ID='1'/>", "<Task WorldID='5'><A/></Task>"));
    EXPECT_FALSE(
        Apply("<Payloads><Payload N='new'/></Payloads><Tasks><Task WorldID='5'><X/></Task>"
              "<Task WorldID='five'><Y/></Task><Task WorldID='7'/></Tasks>"));
    EXPECT_EQ(Error(), kWorldIdMessage);
    std::string printed = Printed();
    EXPECT_NE(printed.find("<Payload N=\"new\" ID=\"2\" />"), std::string::npos);
    EXPECT_NE(printed.find("<X />\n                        <A />"), std::string::npos);
    EXPECT_EQ(printed.find("<Y />"), std::string::npos);
    EXPECT_EQ(printed.find("WorldID=\"7\""), std::string::npos);
}

TEST_F(PredefinedPayloads, MissingNodesAndUnreadableFilesFailBeforeAnyChange) {
    const std::string meinit = Plane("<Payload ID='1'/>", "<Task WorldID='5'/>");
    const std::string in = "file \"" + m_dir.WindowsPath("in.xml") + "\"";
    SetMeInit(meinit);
    EXPECT_FALSE(Apply("<Payloads><Payload/></Payloads>"));
    ExpectUnchanged(
        ("Unable to find \"Tasks\" node in " + in +
         " : it holds \"Payloads\" instead !\nThis file is not meant for this argument !")
            .c_str());
    EXPECT_FALSE(Apply("<Payloads>\n  <Payload/>\n    </Tasks>\n</Payloads>"));
    ExpectUnchanged(
        ("Unable to read " + in + " : Error reading end tag. at line 3, column 5 !").c_str());
    for (const char* utf16 : {"\xFF\xFE<\0", "\xFE\xFF\0<", "<\0/\0", "\0<\0/"}) {
        EXPECT_FALSE(Apply(std::string(utf16, 4)));
        ExpectUnchanged(
            ("Unable to read " + in + " : it is UTF-16 text !\nSave it as UTF-8 first !").c_str());
    }
    EXPECT_FALSE(m_file.AddPredefinedPayloads("A-10A", m_dir.WindowsPath("none.xml").c_str()));
    ExpectUnchanged(("Unable to read file \"" + m_dir.WindowsPath("none.xml") +
                     "\" !\nCheck that it exists and that its name is quoted.")
                        .c_str());

    SetMeInit(
        "<LockOn_Registry><Units><Planes><Plane Name='A-10A'><Payloads/></Plane></Planes>"
        "</Units></LockOn_Registry>");
    EXPECT_FALSE(Apply("<Payloads><Payload/></Payloads><Tasks/>"));
    ExpectUnchanged(
        "Unable to find \"Tasks\" node in \"A-10A\" section of specified MeInit !\n"
        "Your MeInit is probably corrupted !");

    SetMeInit(
        "<LockOn_Registry><Units><Planes><Plane Name='F-4'/></Planes></Units>"
        "</LockOn_Registry>");
    EXPECT_FALSE(Apply("<Payloads><Payload/></Payloads><Tasks/>"));
    ExpectUnchanged(
        "Unable to find \"A-10A\" node in \"Units\" section of specified MeInit !\n"
        "Your MeInit is probably corrupted !");
}
