// A MeInit document parsed from inline text, for the edits' tests.
#pragma once

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

#include "meinit/MeInitFile.h"
#include "support/RecordingHost.h"
#include "support/XmlText.h"
#include "xml/XmlFile.h"

class EditTest : public ::testing::Test {
protected:
    // Parses `xml` as the MeInit, as the program loads it, and remembers how it printed before
    // any edit.
    void SetMeInit(const std::string& xml) {
        *m_file.m_pDocument = TiXmlDocument();  // nothing, not even a byte-order mark, is left
        ASSERT_TRUE(ParseXmlText(*m_file.m_pDocument, xml)) << xml;
        m_strBefore = PrintDocument(*m_file.m_pDocument);
    }
    std::string Printed() const { return PrintDocument(*m_file.m_pDocument); }
    // Runs `edit` on `input` parsed as the edit's file.
    bool ApplyTo(const std::string& input, bool (CMeInitFile::*edit)(TiXmlNode*)) {
        TiXmlDocument doc;
        EXPECT_TRUE(ParseXmlText(doc, input)) << input;
        return (m_file.*edit)(&doc);
    }
    // The edit failed, left no trace in the document and kept `message` (empty: none).
    void ExpectUnchanged(const char* message) {
        EXPECT_EQ(Printed(), m_strBefore);
        EXPECT_EQ(std::string(m_file.m_strError), message);
    }

    CRecordingHost m_host;
    CMeInitFile m_file;
    std::string m_strBefore;
};
