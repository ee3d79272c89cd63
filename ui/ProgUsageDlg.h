// CProgUsageDlg: the modal dialog that explains the command line.
#pragma once

#include "framework/dialog.h"

class CProgUsageDlg : public CDialog {
public:
    explicit CProgUsageDlg(CWnd* pParent = nullptr);
};
