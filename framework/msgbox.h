// AfxMessageBox: a modal message box captioned with the application's title.
#pragma once

#include "framework/windef.h"

// Shows `lpszText`; a box shown by text carries no help context.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// Shows string-table entry nIDPrompt; its help context is nIDPrompt unless nIDHelp says otherwise.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
