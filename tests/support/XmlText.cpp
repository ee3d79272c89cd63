#include "support/XmlText.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>

std::string PrintDocument(const TiXmlDocument& doc) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* fp = open_memstream(&buffer, &size);
    doc.SaveFile(fp);
    std::fclose(fp);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

void ParseDocument(TiXmlDocument& doc, const std::string& xml) {
    doc.Clear();
    doc.Parse(xml.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc() << " in\n" << xml;
}
