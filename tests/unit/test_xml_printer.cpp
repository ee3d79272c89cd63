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
    struct CCollected : armwright::CWriter {
        bool Write(const char* p, size_t nSize) override {
            text.append(p, nSize);
            return true;
        }
        std::string text;
    } collected;
    EXPECT_TRUE(armwright::PrintXmlDocument(doc, bByteOrderMark, collected));
    return collected.text;
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
        // The library looks for a quote only before a zero character, with a lead byte or none.
        "<?xml version='1.0'?><r a='&#0;\"' b='\xC3\xA9&#0;\"'/>",
        "<r>  lead  <b/>mid<!--c--><![CDATA[ raw & <stuff> ]]>tail</r>",
        "<r><![CDATA[only]]></r><s>text only</s><t>\xC3\xA9t\xC3\xA9</t>",
        "<a><b><c><d x='1'><e/></d></c></b></a><?pi stuff?><![CDATA[top]]>",
    };
    for (const std::string& text : cases) {
        TiXmlDocument doc;
        armwright::ParseXmlText(doc, text);
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
        ASSERT_TRUE(armwright::LoadXmlFile(doc, dir.WindowsPath(name).c_str()));
        ASSERT_EQ(armwright::SaveXmlFile(doc, dir.WindowsPath(std::string("out-") + name).c_str()),
                  armwright::SaveResult::Saved);
        EXPECT_EQ(ReadWholeFile(dir.Path(std::string("out-") + name)), PrintDocument(doc)) << name;
    }
}

TEST(XmlPrinter, QuoteInADeclarationValueIsWrittenSoThatItReadsBack) {
    // The library writes declaration values as they are: the quote would end the value early.
    TiXmlDocument doc;
    armwright::ParseXmlText(doc,
                            "<?xml version='1.0' encoding='x&quot;y&amp;&#13;z'?><r a='&quot;'/>");
    const std::string printed = Printed(doc, false);
    EXPECT_EQ(printed,
              "<?xml version=\"1.0\" encoding=\"x&quot;y&amp;&#x0D;z\" ?>\n"
              "<r a='&quot;' />\n");
    TiXmlDocument again;
    ASSERT_TRUE(armwright::ParseXmlText(again, printed));
    EXPECT_EQ(Printed(again, false), printed);
}

TEST(XmlPrinter, TextTheLibraryWouldNotReadBackIsWrittenSoThatItDoes) {
    // Invalid UTF-8 whose lead bytes take markup into a value, a value without quotes that ends
    // inside a character, spaces that only references keep, a leading byte-order mark, and a
    // declaration cut short inside a character by the end of the text.
    const std::string cases[] = {
        "<?xml version='1.0'?><r a='\xE0\"x'>t\xC3</r></r>",
        "<?xml version='1.0'?><r a=\xC3/>",
        "<r>&#32;a&#32;&#32;b&#32;</r>",
        "<?xml version='1.0'?><r>&#xFEFF;a</r>",
        "\xEF\xBB\xBF<?xml version='1.0' encoding=\"\xF0\"\"",
    };
    const std::string expected[] = {
        "<?xml version=\"1.0\" ?>\n<r a='\xE0\"x'>t\xC3</r&gt;</r>\n",
        "<?xml version=\"1.0\" ?>\n<r a=\xC3 />\n",
        "<r>&#x20;a &#x20;b&#x20;</r>\n",
        "<?xml version=\"1.0\" ?>\n<r>&#xFEFF;a</r>\n",
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"\xF0\"\"",
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        TiXmlDocument doc;
        ASSERT_TRUE(armwright::ParseXmlText(doc, cases[i])) << cases[i];
        const std::string printed =
            armwright::PrintXmlDocument(doc, armwright::BeganWithByteOrderMark(doc));
        EXPECT_EQ(printed, expected[i]);
        TiXmlDocument again;
        ASSERT_TRUE(armwright::ParseXmlText(again, printed)) << printed;
        EXPECT_EQ(armwright::PrintXmlDocument(again, armwright::BeganWithByteOrderMark(again)),
                  printed);
    }
}
