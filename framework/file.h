// Files named by Windows paths: whole reads, and safe replacement.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "framework/windef.h"

// Reads the whole regular file that `lpszPath` names; false when it cannot be opened or read.
bool AfxReadFile(LPCSTR lpszPath, std::string& data);

// Writes a file whole: `write` fills a new temporary file beside the target (text mode), which is
// then flushed to disk and moved over the target in one step. A read-only target is never
// replaced. False on any failure; the target is then untouched and no temporary file remains.
bool AfxReplaceFile(LPCSTR lpszPath, const std::function<bool(FILE*)>& write);
