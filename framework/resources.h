// The program's resources where the system's executables carry none (POSIX): tables made at build
// time from the resource script, so that both builds show the same texts and layout. On Windows
// the resource section holds them, and nothing here is used.
#pragma once

#include <cstddef>

namespace armwright {

enum DlgItemKind { DLGITEM_TEXT, DLGITEM_BUTTON, DLGITEM_ICON };

struct DlgItem {
    DlgItemKind kind;
    int nID;
    const char* pszText;
    int x, y, cx, cy;
};

struct DlgTemplate {
    unsigned nID;
    const char* pszCaption;
    const DlgItem* pItems;
    std::size_t nItems;
};

struct StringEntry {
    unsigned nID;
    const char* pszText;
};

struct ResourceTable {
    const StringEntry* pStrings;
    std::size_t nStrings;
    const DlgTemplate* pDialogs;
    std::size_t nDialogs;
};

// Makes `table` the resources that strings and dialogs are looked up in; the program's own
// compiled resources hand themselves over as it starts, and a program without them has none.
void UseResources(const ResourceTable& table);

// Dialog template nID, or nullptr.
const DlgTemplate* FindDialogTemplate(unsigned nID);

}  // namespace armwright
