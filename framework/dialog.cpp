#include "framework/dialog.h"

#include "framework/host.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
    return armwright::GetHost().DoModal(m_nIDHelp);
}
