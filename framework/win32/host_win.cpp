#include <string>

#include "framework/host.h"
#include "framework/path.h"

namespace {

// Centres a window that has no owner on the work area of its monitor, as the framework does for
// a dialog whose template leaves its position to it.
void CenterOnScreen(HWND hWnd) {
    RECT rcWindow;
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    if (!GetWindowRect(hWnd, &rcWindow) ||
        !GetMonitorInfoA(MonitorFromWindow(hWnd, MONITOR_DEFAULTTOPRIMARY), &mi))
        return;
    const RECT& rcArea = mi.rcWork;
    int cx = rcWindow.right - rcWindow.left;
    int cy = rcWindow.bottom - rcWindow.top;
    int x = rcArea.left + ((rcArea.right - rcArea.left) - cx) / 2;
    int y = rcArea.top + ((rcArea.bottom - rcArea.top) - cy) / 2;
    SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The behaviour the dialog class gives a template with no handlers of its own: OK and cancel
// end it (Enter sends the default button's id, Escape and the close box send IDCANCEL).
INT_PTR CALLBACK ModalDialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM) {
    switch (nMessage) {
        case WM_INITDIALOG:
            CenterOnScreen(hWnd);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(hWnd, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
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

    // The buffer grows until the path fits: a path cut short would name another, real folder.
    CString GetModuleFileName() override {
        std::wstring strPath(MAX_PATH, L'\0');
        for (;;) {
            const DWORD nSize = static_cast<DWORD>(strPath.size());
            const DWORD nLength = GetModuleFileNameW(nullptr, &strPath[0], nSize);
            if (nLength == 0)
                return CString();
            if (nLength < nSize) {
                strPath.resize(nLength);
                break;
            }
            if (nSize > kLongestPath)
                return CString();
            strPath.resize(static_cast<size_t>(nSize) * 2);
        }
        return armwright::ProgramPath(strPath).c_str();
    }

private:
    // The longest path that Windows knows, in UTF-16 units.
    static const DWORD kLongestPath = 32767;
};

}  // namespace

armwright::CHost& armwright::GetSystemHost() {
    static CWin32Host host;
    return host;
}
