// Our printer must write exactly the bytes the library's SaveFile writes, whatever the document.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

#include "support/TempDir.h"
#include "support/XmlShapes.h"
#include "support/XmlText.h"
#include "xml/XmlFile.h"
#include "xml/XmlPrinter.h"

namespace {

std::string Printed(const TiXmlDocument& doc, bool bByteOrderMark) {
    return Captured([&](FILE* fp) { EXPECT_TRUE(PrintXmlDocument(doc, bByteOrderMark, fp)); });
}

}  // namespace

TEST(XmlPrinter, WritesWhatTheLibraryWrites) {
    const std::string examples = std::string(ARMWRIGHT_EXAMPLES) + "/";
    const std::string cases[] = {
        ReadWholeFile(examples + "MeInit.xml"),
        ReadWholeFile(examples + "Filename2.xml"),
        "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8' standalone='yes'?><r a=\"x\"/>",
        "<?xml version='1&#0;0' encoding=''?><!DOCTYPE r><!-- c --><r/><s/>",
        "<r a='say \"hi\"' b=\"it's\" c='&amp;&lt;&gt;&#9;&#0;z' d=\"&#x41;\">t&amp;x&#1;y</r>",
        "<r>  lead  <b/>mid<!--c--><![CDATA[ raw & <stuff> ]]>tail</r>",
        "<r><![CDATA[only]]></r><s>text only</s><t>\xC3\xA9t\xC3\xA9</t>",
        "<a><b><c><d x='1'><e/></d></c></b></a><?pi stuff?><![CDATA[top]]>",
    };
    for (const std::string& text : cases) {
        TiXmlDocument doc;
        ParseXmlText(doc, text);
        const bool bByteOrderMark = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
        EXPECT_EQ(Printed(doc, bByteOrderMark), PrintDocument(doc)) << text;
    }
}

TEST(XmlPrinter, KeepsTheByteOrderMarkThroughASave) {
    CTempDir dir;
    dir.Write("bom.xml", "\xEF\xBB\xBF<r/>");
    dir.Write("plain.xml", "<r/>");
    for (const char* name : {"bom.xml", "plain.xml"}) {
        TiXmlDocument doc;
        ASSERT_TRUE(LoadXmlFile(doc, dir.WindowsPath(name).c_str()));
        ASSERT_EQ(SaveXmlFile(doc, dir.WindowsPath(std::string("out-") + name).c_str()),
                  armwright::SaveResult::Saved);
        EXPECT_EQ(ReadWholeFile(dir.Path(std::string("out-") + name)), PrintDocument(doc)) << name;
    }
}
