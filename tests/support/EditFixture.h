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
    // any edit. The edits then run in verbose mode, so that their messages are seen.
    void SetMeInit(const std::string& xml) {
        m_file.m_bVerbose = true;
        ClearError();
        *m_file.m_pDocument = TiXmlDocument();  // nothing, not even a byte-order mark, is left
        ASSERT_TRUE(armwright::ParseXmlText(*m_file.m_pDocument, xml)) << xml;
        m_strBefore = PrintDocument(*m_file.m_pDocument);
    }
    std::string Printed() const { return PrintDocument(*m_file.m_pDocument); }
    // Runs `edit` on `input` parsed as the edit's file.
    bool ApplyTo(const std::string& input, bool (CMeInitFile::*edit)(TiXmlNode*)) {
        TiXmlDocument doc;
        EXPECT_TRUE(armwright::ParseXmlText(doc, input)) << input;
        return (m_file.*edit)(&doc);
    }
    // The last message an edit showed; empty when none has since SetMeInit or ClearError.
    const std::string& Error() const { return m_host.m_strLastText; }
    void ClearError() { m_host.m_strLastText.clear(); }
    // The edit failed, left no trace in the document and showed `message` (empty: none).
    void ExpectUnchanged(const char* message) {
        EXPECT_EQ(Printed(), m_strBefore);
        EXPECT_EQ(Error(), message);
    }

    CRecordingHost m_host;
    CMeInitFile m_file;
    std::string m_strBefore;
};
