// Files named by Windows paths: whole reads, and safe replacement.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "framework/windef.h"

namespace armwright {

// Reads the whole regular file that `lpszPath` names into `data`, followed by nPadding zero
// bytes, in a buffer of exactly that size; false when it cannot be opened or read.
bool ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding);

// Writes a file whole: `write` fills a new temporary file beside the target (text mode), which is
// then flushed to disk and moved over the target in one step. A read-only target is never
// replaced. False on any failure; the target is then untouched and no temporary file remains.
bool SaveFileSafely(LPCSTR lpszPath, const std::function<bool(FILE*)>& write);

}  // namespace armwright
