#include "ui/ProgUsageDlg.h"

#include "ui/resource.h"

CProgUsageDlg::CProgUsageDlg(CWnd* pParent) : CDialog(IDD_PROGUSAGE, pParent) {}
