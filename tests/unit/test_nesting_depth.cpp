// The depth scan must never see less nesting than the library's parser reaches, including where
// multi-byte characters, entities, comments and attribute values hide markup from it.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <utility>
#include <vector>

#include "support/XmlShapes.h"
#include "xml/NestingDepth.h"
#include "xml/XmlFile.h"

namespace {

int Scan(const std::string& text, int nLimit = 1000) {
    std::string padded = text + std::string(8, '\0');
    return armwright::ParserNestingDepth(padded.c_str(), nLimit);
}

int Parsed(const std::string& text) {
    std::string padded = text + std::string(8, '\0');
    TiXmlDocument doc;
    doc.Parse(padded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    // The measure the edits use agrees with the tests' own on every shape.
    EXPECT_EQ(armwright::ElementDepth(doc), ElementTreeDepth(doc)) << text;
    return ElementTreeDepth(doc);
}

}  // namespace

TEST(NestingDepth, MatchesTheParserWhereMarkupIsHiddenOrNot) {
    const char kBom[] = "\xEF\xBB\xBF";
    const std::vector<std::pair<std::string, int>> cases = {
        {"<a><b><c/></b></a>", 3},
        {"<?xml version='1.0'?><!-- c --><r><a/><a x='1'/></r><s/>", 2},
        {"<a x=\"/>\" y='</a>'><b/></a>", 2},
        {"<a><!-- </a> --><b/></a>", 2},
        {"<a><![CDATA[ </a> ]]><b/></a>", 2},
        {"<a><!DOCTYPE </a><b/></a>", 2},
        {"<a>&amp;&lt;<b>&#65;</b></a>", 2},
        // A numeric entity runs to the next ';' and can swallow an end tag.
        {"<a>&#</a>#;<b/></a>", 2},
        {"<a>&#x</a>x;<b/></a>", 2},
        // Once the text is UTF-8 a lead byte steps over the next bytes, '<' among them ...
        {std::string(kBom) + "<a>x\xE0</a><b/></a>", 2},
        {"<?xml version='1.0'?><a>x\xE0</a><b/></a>", 2},
        {"<?xml version='1.0' encoding='utf8'?><a>x\xF0</a><b/></a>", 2},
        {"<?xml version='1.0' encoding='UTF&#45;8'?><a>x\xE0</a><b/></a>", 2},
        {"<?xml version='1.0' encoding=UTF-8 ?><a>x\xE0</a><b/></a>", 2},
        // ... but not in a legacy encoding, nor before the declaration says so.
        {"<?xml version='1.0' encoding='ISO-8859-1'?><a>x\xE0</a><b/></a>", 1},
        {"<r>x\xE0</r><?xml version='1.0'?><s/>", 1},
        {"<a>" + std::string(kBom) + "<b/></a>", 2},
        {"<a\n x = '1'\t/>", 1},
        {"<a><b></c></b></a>", 2},
        {"", 0},
        {"text", 0},
    };
    for (const auto& [text, nExpected] : cases) {
        EXPECT_EQ(Scan(text), nExpected) << text;
        EXPECT_EQ(Parsed(text), nExpected) << text;
    }
}

TEST(NestingDepth, StopsCountingPastTheLimitWhateverTheSize) {
    EXPECT_EQ(Scan(NestedElements(1000)), 1000);
    EXPECT_EQ(Scan(NestedElements(1001)), 1001);
    EXPECT_EQ(Scan(NestedElements(1000000)), 1001);
    EXPECT_EQ(Scan(NestedElements(40000), 10), 11);
    std::string siblings = "<r>";
    for (int i = 0; i < 1000000; ++i)
        siblings += "<a/>";
    EXPECT_EQ(Scan(siblings + "</r>"), 2);
}

TEST(NestingDepth, EncodingWithACharacterReferenceIsReadAsTheParserReadsIt) {
    // The library's value ends at the first zero a reference puts in, so these name no encoding,
    // which is UTF-8: a lead byte then steps over the '<' after it, hiding markup or showing it.
    const auto declared = [](const std::string& encoding, const std::string& root) {
        return "<?xml version='1.0' encoding='" + encoding + "'?><r>" + root + "</r>";
    };
    std::string hiddenStarts;
    for (int i = 0; i < 1001; ++i)
        hiddenStarts += "\xE0<a>";
    const std::string shownInComment = "x\xE0<!--" + NestedElements(200000) + "-->";
    for (const char* encoding : {"&#0;", "&#x100;ISO-8859-1"}) {
        TiXmlDocument deep;
        EXPECT_FALSE(armwright::ParseXmlText(deep, declared(encoding, shownInComment))) << encoding;
        EXPECT_EQ(deep.FirstChild(), nullptr) << encoding;
        TiXmlDocument shallow;
        EXPECT_TRUE(armwright::ParseXmlText(shallow, declared(encoding, hiddenStarts))) << encoding;
        EXPECT_EQ(ElementTreeDepth(shallow), 1) << encoding;
    }
    // After a name the zero ends nothing that counts: a legacy encoding, the comment a comment.
    EXPECT_EQ(Scan(declared("ISO-8859-1&#0;", shownInComment)), 1);
    EXPECT_EQ(Parsed(declared("ISO-8859-1&#0;", shownInComment)), 1);
}
