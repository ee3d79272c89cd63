#include <string>

#include "framework/host.h"
#include "framework/path.h"

namespace {

// The behaviour the dialog class gives a template with no handlers of its own: OK and cancel
// end it (Enter sends the default button's id, Escape and the close box send IDCANCEL).
INT_PTR CALLBACK ModalDialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM) {
    const WORD nID = LOWORD(wParam);
    if (nMessage == WM_INITDIALOG)
        return TRUE;  // the system gives the focus to the first control that takes it
    if (nMessage != WM_COMMAND || (nID != IDOK && nID != IDCANCEL))
        return FALSE;
    EndDialog(hWnd, nID);
    return TRUE;
}

// The real windows of the system. Windows' headers name the A entry points of the overrides.
class CWin32Host : public armwright::CHost {
public:
    // A help context has no help file behind it here, so the box carries no Help button.
    int MessageBox(LPCSTR lpszCaption, LPCSTR lpszText, UINT nType, UINT) override {
        return ::MessageBoxA(nullptr, lpszText, lpszCaption, nType);
    }

    INT_PTR DoModal(UINT nIDTemplate) override {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nIDTemplate), nullptr,
                               ModalDialogProc, 0);
    }

    // The buffer grows until the path fits: a path cut short would name another, real folder. No
    // path of Windows is longer than 32,767 UTF-16 units.
    CString GetModuleFileName() override {
        for (DWORD nSize = MAX_PATH; nSize < 65536; nSize *= 2) {
            std::wstring strPath(nSize, L'\0');
            const DWORD nLength = GetModuleFileNameW(nullptr, &strPath[0], nSize);
            if (nLength == 0)
                break;
            if (nLength < nSize)
                return armwright::ProgramPath(strPath.substr(0, nLength)).c_str();
        }
        return CString();
    }
};

}  // namespace

armwright::CHost& armwright::GetSystemHost() {
    static CWin32Host host;
    return host;
}
