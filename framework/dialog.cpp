#include "framework/dialog.h"

#include "framework/host.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* /*pParentWnd*/) : m_nIDTemplate(nIDTemplate) {}

INT_PTR CDialog::DoModal() {
    return armwright::GetHost().DoModal(m_nIDTemplate);
}
