// A host that records every window the program opens instead of showing it.
#pragma once

#include <functional>
#include <string>

#include "framework/host.h"

class CRecordingHost : public armwright::CHost {
public:
    // Puts itself in place for its lifetime; the executable seems to live at `strModulePath`.
    explicit CRecordingHost(std::string strModulePath = "Z:\\opt\\aw\\Armwright.exe");
    ~CRecordingHost() override;

    int MessageBox(LPCSTR lpszCaption, LPCSTR lpszText, UINT nType, UINT nIDHelp) override;
    INT_PTR DoModal(UINT nIDTemplate) override;
    CString GetModuleFileName() override { return m_strModulePath.c_str(); }

    // One line a window, in order: "<caption>: error|information [help N]: <text>" or
    // "dialog <id>".
    std::string m_strLog;
    // The text of the last message box, as shown.
    std::string m_strLastText;
    // Runs while each message box would be open, as a user could act meanwhile.
    std::function<void()> m_onMessageBox;

private:
    std::string m_strModulePath;
    armwright::CHost* m_pPrevious;
};
