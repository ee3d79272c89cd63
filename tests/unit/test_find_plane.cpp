// Finding the aircraft: the first element by exact Name from the first Plane on.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include "meinit/MeInitFile.h"
#include "support/XmlText.h"

namespace {

// The `Id` attribute of the plane found for `name`, or "none".
std::string Found(const std::string& xml, const char* name) {
    CMeInitFile file;
    ParseDocument(*file.m_pDocument, xml);
    TiXmlElement* pPlane = file.FindPlane(name);
    const char* id = pPlane ? pPlane->Attribute("Id") : nullptr;
    return pPlane ? (id ? id : "?") : "none";
}

const char kPlanes[] =
    "<LockOn_Registry><Units><Planes>"
    "<Glider Id='before' Name='A-10A'/>"
    "<Plane Id='1' Name='a-10a'/>"
    "<Plane Id='2' Name='A-10A '/>"
    "<Plane Id='3'/>"
    "<!-- a comment -->"
    "<Helicopter Id='4' Name='A-10A'/>"
    "<Plane Id='5' Name='A-10A'/>"
    "</Planes></Units></LockOn_Registry>";

}  // namespace

TEST(FindPlane, TakesTheFirstExactNameFromTheFirstPlaneOnWhateverTheTag) {
    EXPECT_EQ(Found(kPlanes, "A-10A"), "4");
    EXPECT_EQ(Found(kPlanes, "a-10a"), "1");
    EXPECT_EQ(Found(kPlanes, "A-10A "), "2");
    EXPECT_EQ(Found(kPlanes, ""), "3");
    EXPECT_EQ(Found(kPlanes, "F-4"), "none");
}

TEST(FindPlane, MissingStepsOfThePathFindNothing) {
    EXPECT_EQ(Found("<LockOn_Registry/>", "A-10A"), "none");
    EXPECT_EQ(Found("<LockOn_Registry><Units/></LockOn_Registry>", "A-10A"), "none");
    EXPECT_EQ(Found("<Registry><Units><Planes><Plane Id='1' Name='A-10A'/></Planes></Units>"
                    "</Registry>",
                    "A-10A"),
              "none");
    EXPECT_EQ(Found("<LockOn_Registry><Units><Planes><Jet Id='1' Name='A-10A'/></Planes>"
                    "</Units></LockOn_Registry>",
                    "A-10A"),
              "none");
    // Each step takes the first child of its name only.
    EXPECT_EQ(Found("<LockOn_Registry><Units><Planes/><Planes><Plane Id='1' Name='A-10A'/>"
                    "</Planes></Units></LockOn_Registry>",
                    "A-10A"),
              "none");
}
