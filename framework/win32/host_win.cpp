#include "framework/host.h"

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
};

}  // namespace

armwright::CHost& armwright::GetSystemHost() {
    static CWin32Host host;
    return host;
}
