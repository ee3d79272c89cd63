// CDialog: a modal dialog built from a dialog template.
#pragma once

#include "framework/host.h"

class CWnd;

class CDialog {
public:
    // The framework's signature; the parent goes unused, as the host owns every dialog it shows.
    explicit CDialog(UINT nIDTemplate, CWnd* /*pParentWnd*/ = nullptr)
        : m_nIDTemplate(nIDTemplate) {}
    virtual ~CDialog() = default;
    // Shows the dialog until the user closes it; returns the id that ended it.
    virtual INT_PTR DoModal() { return armwright::GetHost().DoModal(m_nIDTemplate); }

protected:
    UINT m_nIDTemplate;  // the resource id of the dialog's template
};
