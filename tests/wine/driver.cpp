// Test helper for Windows: runs Armwright.exe with an exact command line, records every window it
// opens the way the POSIX build writes them, closes each one, and reports the exit status. The
// command line may also start a program that starts Armwright.exe (cmd.exe with a batch file):
// the windows of every process the run starts count.
//
//   driver.exe ACTION LINEFILE
//
// LINEFILE holds the whole command line in UTF-8, program name included, so that quotes and
// blanks reach the program exactly as typed, and in Unicode, whatever the code pages of this
// driver and of the program; the records are written in UTF-8 too. ACTION says how the usage dialog
// is closed: "button" (its OK button), "enter", "escape" or "close" (the caption's close box);
// "hold:MS" leaves it open MS milliseconds first (for a screenshot), then uses the button. Two more
// stand for another program at work on a file during the run, dialogs closed by the button:
// "lock:PATH" holds PATH open for writing, sharing only reads; "scan:PATH" holds it open for
// reading, sharing everything, as a virus scanner does; "edit:PATH" appends a line to PATH while
// the first message box is shown.
// Message boxes are always closed with their OK button.
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const DWORD kTimeoutMs = 60000;
const int kMsgBoxTextId = 0xFFFF;
// Windows and Wine number the message box's icon control differently.
const int kMsgBoxIconIds[] = {0x14, 0x440};

std::string Utf8(const std::wstring& strText) {
    const int nText = static_cast<int>(strText.size());
    const int nBytes =
        WideCharToMultiByte(CP_UTF8, 0, strText.data(), nText, nullptr, 0, nullptr, nullptr);
    std::string strUtf8(static_cast<size_t>(nBytes > 0 ? nBytes : 0), '\0');
    if (nBytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, strText.data(), nText, &strUtf8[0], nBytes, nullptr,
                            nullptr);
    return strUtf8;
}

std::wstring Wide(const std::string& strUtf8) {
    const int nBytes = static_cast<int>(strUtf8.size());
    const int nWide = MultiByteToWideChar(CP_UTF8, 0, strUtf8.data(), nBytes, nullptr, 0);
    std::wstring strWide(static_cast<size_t>(nWide > 0 ? nWide : 0), L'\0');
    if (nWide > 0)
        MultiByteToWideChar(CP_UTF8, 0, strUtf8.data(), nBytes, &strWide[0], nWide);
    return strWide;
}

std::string WindowText(HWND hWnd) {
    wchar_t szText[4096] = L"";
    GetWindowTextW(hWnd, szText, 4096);
    return Utf8(szText);
}

std::string ClassName(HWND hWnd) {
    char szClass[256] = "";
    GetClassNameA(hWnd, szClass, sizeof szClass);
    return szClass;
}

struct FindContext {
    DWORD dwProcessId;
    std::vector<HWND> windows;
    std::map<DWORD, DWORD> parents;  // process id -> its parent's, at this round
};

// Whether the process is the one started or one it started: a batch file's cmd.exe starts the
// program whose windows count.
bool StartedBy(const FindContext& context, DWORD dwPid) {
    for (int nDepth = 0; nDepth < 8; ++nDepth) {
        if (dwPid == context.dwProcessId)
            return true;
        auto it = context.parents.find(dwPid);
        if (it == context.parents.end())
            return false;
        dwPid = it->second;
    }
    return false;
}

BOOL CALLBACK CollectTopLevel(HWND hWnd, LPARAM lParam) {
    FindContext* pContext = reinterpret_cast<FindContext*>(lParam);
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    if (StartedBy(*pContext, dwPid) && IsWindowVisible(hWnd) && ClassName(hWnd) == "#32770")
        pContext->windows.push_back(hWnd);
    return TRUE;
}

std::map<DWORD, DWORD> ProcessParents() {
    std::map<DWORD, DWORD> parents;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL bMore = Process32First(hSnapshot, &pe); bMore; bMore = Process32Next(hSnapshot, &pe))
        parents[pe.th32ProcessID] = pe.th32ParentProcessID;
    CloseHandle(hSnapshot);
    return parents;
}

BOOL CALLBACK CollectChildren(HWND hWnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> Children(HWND hWnd) {
    std::vector<HWND> children;
    EnumChildWindows(hWnd, CollectChildren, reinterpret_cast<LPARAM>(&children));
    return children;
}

// 32-bit pixels of a memory bitmap, top row first.
std::vector<DWORD> Pixels(HDC hdc, HBITMAP hbm, int cx, int cy) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bits(static_cast<size_t>(cx) * cy);
    GetDIBits(hdc, hbm, 0, cy, bits.data(), &bi, DIB_RGB_COLORS);
    for (DWORD& px : bits)
        px &= 0xFFFFFF;
    return bits;
}

// Whether the control shows `hIcon`. Icon handles of another process mean nothing here and Wine
// does not lend their pictures across processes, so the screen is compared with the same icon
// drawn here on the control's own background colour.
bool ShowsIcon(HWND hControl, HICON hIcon) {
    RECT rc;
    GetWindowRect(hControl, &rc);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return false;
    HDC hdcScreen = GetDC(nullptr);
    HDC hdc = CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, cx, cy);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    BitBlt(hdc, 0, 0, cx, cy, hdcScreen, rc.left, rc.top, SRCCOPY);
    SelectObject(hdc, hOld);
    std::vector<DWORD> shown = Pixels(hdc, hbm, cx, cy);

    HBRUSH hBrush =
        CreateSolidBrush(RGB(GetBValue(shown[0]), GetGValue(shown[0]), GetRValue(shown[0])));
    hOld = SelectObject(hdc, hbm);
    RECT rcAll = {0, 0, cx, cy};
    FillRect(hdc, &rcAll, hBrush);
    DrawIconEx(hdc, 0, 0, hIcon, 0, 0, 0, nullptr, DI_NORMAL);
    SelectObject(hdc, hOld);
    std::vector<DWORD> expected = Pixels(hdc, hbm, cx, cy);
    DeleteObject(hBrush);
    DeleteObject(hbm);
    DeleteDC(hdc);
    ReleaseDC(nullptr, hdcScreen);

    size_t nDiffer = 0;
    for (size_t i = 0; i < shown.size(); ++i)
        nDiffer += shown[i] != expected[i];
    return nDiffer * 50 < shown.size();
}

// "error", "information" or what else the box shows, from its icon control.
std::string MessageBoxKind(HWND hWnd) {
    for (int nId : kMsgBoxIconIds) {
        HWND hIconControl = GetDlgItem(hWnd, nId);
        if (!hIconControl)
            continue;
        if (ShowsIcon(hIconControl, LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION))))
            return "error";
        if (ShowsIcon(hIconControl, LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION))))
            return "information";
        return "other-icon";
    }
    return "no-icon";
}

// The caption, then each row of static texts from top to bottom, left to right in a row.
std::string DialogRecord(HWND hWnd) {
    std::map<LONG, std::vector<std::pair<LONG, std::string>>> rows;
    for (HWND hChild : Children(hWnd)) {
        LONG nStyle = GetWindowLongA(hChild, GWL_STYLE);
        if (ClassName(hChild) != "Static" || (nStyle & SS_TYPEMASK) == SS_ICON)
            continue;
        RECT rc;
        GetWindowRect(hChild, &rc);
        rows[rc.top].push_back({rc.left, WindowText(hChild)});
    }
    std::string strRecord = WindowText(hWnd) + "\n";
    for (auto& row : rows) {
        std::stable_sort(row.second.begin(), row.second.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < row.second.size(); ++i)
            strRecord += (i ? " " : "") + row.second[i].second;
        strRecord += "\n";
    }
    return strRecord;
}

// Facts of the dialog that the POSIX record cannot show, as "# " lines.
std::string DialogFacts(HWND hWnd) {
    std::ostringstream out;
    RECT rc;
    GetWindowRect(hWnd, &rc);
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    GetMonitorInfoA(MonitorFromWindow(hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    int dx = (rc.left + rc.right) - (mi.rcWork.left + mi.rcWork.right);
    int dy = (rc.top + rc.bottom) - (mi.rcWork.top + mi.rcWork.bottom);
    out << "# centred: " << ((std::abs(dx) <= 2 && std::abs(dy) <= 2) ? "yes" : "no") << "\n";
    out << "# owner: " << (GetWindow(hWnd, GW_OWNER) ? "yes" : "none") << "\n";
    out << "# controls:";
    for (HWND hChild : Children(hWnd)) {
        out << " " << ClassName(hChild) << "(" << static_cast<short>(GetDlgCtrlID(hChild)) << ")";
    }
    out << "\n";
    return out.str();
}

void Print(const std::string& strRecord) {
    std::fputs(strRecord.c_str(), stdout);
    std::fflush(stdout);
}

void PressKey(DWORD dwThreadId, HWND hDialog, WPARAM vk) {
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    HWND hTarget = hDialog;
    if (GetGUIThreadInfo(dwThreadId, &gti) && gti.hwndFocus)
        hTarget = gti.hwndFocus;
    PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
    PostMessageA(hTarget, WM_KEYUP, vk, 0xC0000001);
}

void CloseDialog(HWND hWnd, DWORD dwThreadId, const std::string& strAction) {
    if (strAction == "enter") {
        PressKey(dwThreadId, hWnd, VK_RETURN);
    } else if (strAction == "escape") {
        PressKey(dwThreadId, hWnd, VK_ESCAPE);
    } else if (strAction == "close") {
        PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        if (strAction.compare(0, 5, "hold:") == 0)
            Sleep(static_cast<DWORD>(std::atoi(strAction.c_str() + 5)));
        HWND hButton = GetDlgItem(hWnd, IDCANCEL);
        PostMessageA(hButton, BM_CLICK, 0, 0);
    }
}

// Appends a line to the file, as another program would.
bool AppendLine(const std::wstring& strPath) {
    HANDLE hFile = CreateFileW(strPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const char szLine[] = "<!-- edited during the run -->\r\n";
    DWORD nWritten = 0;
    bool bOk = hFile != INVALID_HANDLE_VALUE &&
               WriteFile(hFile, szLine, sizeof szLine - 1, &nWritten, nullptr) &&
               nWritten == sizeof szLine - 1;
    if (hFile != INVALID_HANDLE_VALUE)
        CloseHandle(hFile);
    return bOk;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc != 3) {
        std::fprintf(stderr, "usage: driver ACTION LINEFILE\n");
        return 2;
    }
    std::string strAction = Utf8(argv[1]);
    std::ifstream in(argv[2], std::ios::binary);
    std::string strLine((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r'))
        strLine.pop_back();

    const bool bLock = strAction.compare(0, 5, "lock:") == 0;
    const bool bScan = strAction.compare(0, 5, "scan:") == 0;
    std::wstring strEdit = strAction.compare(0, 5, "edit:") == 0 ? Wide(strAction.substr(5)) : L"";
    HANDLE hLock = INVALID_HANDLE_VALUE;
    if (bLock || bScan) {
        hLock = CreateFileW(
            Wide(strAction.substr(5)).c_str(), bLock ? GENERIC_WRITE : GENERIC_READ,
            bLock ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hLock == INVALID_HANDLE_VALUE) {
            std::printf("driver: cannot hold %s (%lu)\n", strAction.c_str() + 5, GetLastError());
            return 2;
        }
    }

    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring strWideLine = Wide(strLine);
    std::vector<wchar_t> line(strWideLine.begin(), strWideLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        std::printf("driver: CreateProcess failed (%lu)\n", GetLastError());
        return 2;
    }

    std::set<HWND> handled;
    DWORD dwStart = GetTickCount();
    bool bTimedOut = false;
    while (WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT) {
        if (GetTickCount() - dwStart > kTimeoutMs) {
            bTimedOut = true;
            TerminateProcess(pi.hProcess, 99);
            break;
        }
        FindContext context{pi.dwProcessId, {}, ProcessParents()};
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&context));
        for (HWND hWnd : context.windows) {
            if (handled.count(hWnd))
                continue;
            handled.insert(hWnd);
            Sleep(200);  // let the window finish its start-up (centring, focus)
            if (GetDlgItem(hWnd, IDOK)) {
                wchar_t szText[4096] = L"";
                GetDlgItemTextW(hWnd, kMsgBoxTextId, szText, 4096);
                // The icon is compared on screen, so give a slow machine time to paint it.
                std::string strKind = MessageBoxKind(hWnd);
                for (int nTry = 0; nTry < 25 && strKind == "other-icon"; ++nTry) {
                    Sleep(200);
                    strKind = MessageBoxKind(hWnd);
                }
                Print(WindowText(hWnd) + ": " + strKind + ": " + Utf8(szText) + "\n");
                if (!strEdit.empty()) {
                    if (!AppendLine(strEdit))
                        Print("driver: cannot edit " + Utf8(strEdit) + "\n");
                    strEdit.clear();
                }
                PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(hWnd, IDOK)));
            } else {
                // Written before the dialog closes, so that a screenshot can wait for it.
                Print(DialogRecord(hWnd) + DialogFacts(hWnd));
                CloseDialog(hWnd, pi.dwThreadId, strAction);
            }
        }
    }
    DWORD dwExit = 0;
    GetExitCodeProcess(pi.hProcess, &dwExit);
    std::printf(bTimedOut ? "# timeout\n" : "# exit: %lu\n", dwExit);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (hLock != INVALID_HANDLE_VALUE)
        CloseHandle(hLock);
    return 0;
}
