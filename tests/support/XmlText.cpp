#include "support/XmlText.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include "support/XmlShapes.h"

std::string PrintDocument(const TiXmlDocument& doc) {
    return Captured([&doc](FILE* fp) { doc.SaveFile(fp); });
}

void ParseDocument(TiXmlDocument& doc, const std::string& xml) {
    doc.Clear();
    doc.Parse(xml.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc() << " in\n" << xml;
}
