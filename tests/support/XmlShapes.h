// Shapes and printouts of XML documents that the tests and the fuzzers share.
#pragma once

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

// Deepest element nesting of what the library built, walked without recursion.
inline int ElementTreeDepth(const TiXmlNode& root) {
    int nDeepest = 0;
    std::vector<std::pair<const TiXmlNode*, int>> stack{{&root, 0}};
    while (!stack.empty()) {
        auto [pNode, nDepth] = stack.back();
        stack.pop_back();
        for (const TiXmlNode* pChild = pNode->FirstChild(); pChild;
             pChild = pChild->NextSibling()) {
            int nChildDepth = nDepth + (pChild->ToElement() ? 1 : 0);
            nDeepest = std::max(nDeepest, nChildDepth);
            stack.push_back({pChild, nChildDepth});
        }
    }
    return nDeepest;
}

// nDepth elements <a> each inside the one before.
inline std::string NestedElements(int nDepth) {
    std::string text;
    for (int i = 0; i < nDepth; ++i)
        text += "<a>";
    for (int i = 0; i < nDepth; ++i)
        text += "</a>";
    return text;
}

// What `print` writes to a stream, as a string.
template <typename Print>
std::string Captured(Print print) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* fp = open_memstream(&buffer, &size);
    print(fp);
    std::fclose(fp);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}
