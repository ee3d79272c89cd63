#include <vector>

#include "framework/cstring.h"

// Windows' headers make this member LoadStringA in every unit alike, which is harmless.
BOOL CString::LoadString(UINT nID) {
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    std::vector<char> buffer(256);
    for (;;) {
        int nLength = ::LoadStringA(hInstance, nID, buffer.data(), static_cast<int>(buffer.size()));
        if (nLength <= 0) {
            *this = "";
            return FALSE;
        }
        // A text that filled the buffer may have been cut: read it again with more room.
        if (static_cast<size_t>(nLength) < buffer.size() - 1) {
            *this = CString(buffer.data(), nLength);
            return TRUE;
        }
        buffer.resize(buffer.size() * 2);
    }
}
