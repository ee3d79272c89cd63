// /allow: the aircraft's first Pylons replaced whole by the input's top-level Pylons.
#include <string>

#include "support/EditFixture.h"
#include "support/XmlShapes.h"
#include "xml/XmlFile.h"

namespace {

const char kMeInit[] =
    "<LockOn_Registry><Units><Planes>"
    "<Plane Name='F-4'><Pylons Count='1'/></Plane>"
    "<Plane Name='A-10A'><Engines/><Pylons Count='2'><Pylon Number='1'/></Pylons><Tasks/>"
    "<Pylons Count='9'/></Plane>"
    "</Planes></Units></LockOn_Registry>";

const char kNoPylonsMessage[] =
    "Unable to find \"Pylons\" node in \"A-10A\" section of specified MeInit !\n"
    "Your MeInit is probably corrupted !";
const char kNoAircraftMessage[] =
    "Unable to find \"A-10A\" node in \"Units\" section of specified MeInit !\n"
    "Your MeInit is probably corrupted !";

class AllowedPayload : public EditTest {
protected:
    bool Apply(const std::string& input) {
        return ApplyTo(input, &CMeInitFile::ApplyAllowedPayload);
    }
};

}  // namespace

TEST_F(AllowedPayload, ReplacesTheFirstPylonsInPlaceWithAllOfTheInput) {
    SetMeInit(kMeInit);
    ASSERT_TRUE(
        Apply("<?xml version='1.0'?><!-- new --><Pylons Count='3' Mode='x'>"
              "<Pylon Number='1'><Launcher CLSID='{A}'/></Pylon>text</Pylons>"));
    EXPECT_EQ(Printed(),
              "<LockOn_Registry>\n"
              "    <Units>\n"
              "        <Planes>\n"
              "            <Plane Name=\"F-4\">\n"
              "                <Pylons Count=\"1\" />\n"
              "            </Plane>\n"
              "            <Plane Name=\"A-10A\">\n"
              "                <Engines />\n"
              "                <Pylons Count=\"3\" Mode=\"x\">\n"
              "                    <Pylon Number=\"1\">\n"
              "                        <Launcher CLSID=\"{A}\" />\n"
              "                    </Pylon>text\n"
              "                </Pylons>\n"
              "                <Tasks />\n"
              "                <Pylons Count=\"9\" />\n"
              "            </Plane>\n"
              "        </Planes>\n"
              "    </Units>\n"
              "</LockOn_Registry>\n");
    // A second run replaces what the first put in; an empty Pylons keeps only its attributes.
    ASSERT_TRUE(Apply("<Pylons Empty='1'/>"));
    EXPECT_NE(Printed().find("<Engines />\n                <Pylons Empty=\"1\" />\n"
                             "                <Tasks />"),
              std::string::npos);
    EXPECT_EQ(Error(), "");
}

TEST_F(AllowedPayload, FailuresLeaveTheDocumentAsItWas) {
    SetMeInit(kMeInit);
    EXPECT_FALSE(Apply("<Loadout><Pylons/></Loadout>"));
    ExpectUnchanged(
        "Unable to find \"Pylons\" node in file \"\" : it holds \"Loadout\" instead !\n"
        "This file is not meant for this argument !");

    SetMeInit(
        "<LockOn_Registry><Units><Planes><Plane Name='A-10A'/></Planes></Units>"
        "</LockOn_Registry>");
    // When both lack Pylons only the input counts.
    EXPECT_FALSE(Apply("<Other/>"));
    ExpectUnchanged(
        "Unable to find \"Pylons\" node in file \"\" : it holds \"Other\" instead !\n"
        "This file is not meant for this argument !");
    EXPECT_FALSE(Apply("<Pylons/>"));
    ExpectUnchanged(kNoPylonsMessage);

    SetMeInit(
        "<LockOn_Registry><Units><Planes><Plane Name='a-10a'><Pylons/></Plane></Planes>"
        "</Units></LockOn_Registry>");
    EXPECT_FALSE(Apply("<Pylons/>"));
    ExpectUnchanged(kNoAircraftMessage);

    SetMeInit("<LockOn_Registry><Weapons/></LockOn_Registry>");
    EXPECT_FALSE(Apply("<Pylons/>"));
    ExpectUnchanged(
        "Unable to find \"Units\" node in \"LockOn_Registry\" section of specified MeInit !\n"
        "Your MeInit is probably corrupted !");
}

TEST_F(AllowedPayload, OwnMessagesAreShownOnlyInVerboseMode) {
    SetMeInit(
        "<LockOn_Registry><Units><Planes><Plane Name='A-10A'/></Planes></Units>"
        "</LockOn_Registry>");
    m_file.m_bVerbose = false;
    EXPECT_FALSE(Apply("<Pylons/>"));
    EXPECT_EQ(m_host.m_strLog, "");
    m_file.m_bVerbose = true;
    EXPECT_FALSE(Apply("<Pylons/>"));
    EXPECT_EQ(m_host.m_strLog, std::string(": error: ") + kNoPylonsMessage + "\n");
}

TEST_F(AllowedPayload, PylonsThatWouldNestTheMeInitPastTheLoadLimitAreRefused) {
    // Pylons of n levels under the aircraft's four nest the MeInit n + 4 deep.
    const auto pylons = [](int nDepth) {
        return "<Pylons>" + NestedElements(nDepth - 1) + "</Pylons>";
    };
    SetMeInit(kMeInit);
    EXPECT_FALSE(Apply(pylons(997)));
    EXPECT_EQ(Error(),
              "Unable to apply file \"\" : your MeInit would be nested deeper than 1000 levels !\n"
              "It could not be opened again !");

    SetMeInit(kMeInit);
    ClearError();
    ASSERT_TRUE(Apply(pylons(996)));
    EXPECT_EQ(Error(), "");
    TiXmlDocument reloaded;
    EXPECT_TRUE(armwright::ParseXmlText(reloaded, Printed()));
}
