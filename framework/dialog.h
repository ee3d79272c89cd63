// CDialog: a modal dialog built from a dialog template.
#pragma once

#include "framework/windef.h"

class CWnd;

class CDialog {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual ~CDialog() = default;
    // Shows the dialog until the user closes it; returns the id that ended it.
    virtual INT_PTR DoModal();

protected:
    UINT m_nIDHelp;  // the template id, as the framework keeps it
    CWnd* m_pParentWnd;
};
