// A run of the whole program in-process, its executable seeming to live in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/MeInitEditApp.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

class DriverTest : public ::testing::Test {
protected:
    DriverTest() : m_host(m_dir.WindowsPath("Armwright.exe")) {}

    // Runs the program on `line`; returns every window it opened, one line each.
    std::string Run(const std::string& line) {
        CMeInitEditApp app;
        armwright::RunApplication(app, line.c_str());
        std::string log = m_host.m_strLog;
        m_host.m_strLog.clear();
        return log;
    }
    std::string Read(const std::string& name) const { return ReadWholeFile(m_dir.Path(name)); }
    std::string Folder() const { return ListFolder(m_dir.Path()); }

    static constexpr const char* kBackup = "Meinit backup before Payload Vanmoor.xml";

    CTempDir m_dir;
    CRecordingHost m_host;
};

// The same, with the example MeInit and its three input files beside the executable.
class ExampleDriverTest : public DriverTest {
protected:
    ExampleDriverTest() {
        for (const char* name : {"MeInit.xml", "Filename1.xml", "Filename2.xml", "Filename3.xml"}) {
            m_example[name] = ReadWholeFile(std::string(ARMWRIGHT_EXAMPLES) + "/" + name);
            m_dir.Write(name, m_example[name]);
        }
    }
    // The record of an error box showing `text`.
    static std::string Error(const std::string& text) { return "Armwright: error: " + text + "\n"; }

    std::map<std::string, std::string> m_example;
};
