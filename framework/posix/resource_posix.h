// The program's resources as the POSIX build carries them: made at build time from its resource
// script, so that both builds show the same texts and layout.
#pragma once

#include <cstddef>

enum AfxDlgItemKind { AFX_DLGITEM_TEXT, AFX_DLGITEM_BUTTON, AFX_DLGITEM_ICON };

struct AfxDlgItem {
    AfxDlgItemKind kind;
    int nID;
    const char* pszText;
    int x, y, cx, cy;
};

struct AfxDlgTemplate {
    unsigned nID;
    const char* pszCaption;
    const AfxDlgItem* pItems;
    std::size_t nItems;
};

struct AfxStringEntry {
    unsigned nID;
    const char* pszText;
};

struct AfxResourceTable {
    const AfxStringEntry* pStrings;
    std::size_t nStrings;
    const AfxDlgTemplate* pDialogs;
    std::size_t nDialogs;
};

// Defined by the program's compiled resources, linked into each executable.
extern const AfxResourceTable g_afxResources;

// Dialog template nID, or nullptr.
const AfxDlgTemplate* AfxFindDialogTemplate(unsigned nID);
