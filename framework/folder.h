// Folders named by Windows paths, for the files a run keeps beside the executable.
#pragma once

#include <string>
#include <vector>

#include "framework/windef.h"

namespace armwright {

// Makes the folder `lpszPath` unless it is one already; false when it is not one then.
bool MakeFolder(LPCSTR lpszPath);
// The names of the regular files in the folder `lpszPath`, in no order.
std::vector<std::string> FilesIn(LPCSTR lpszPath);
// Removes the file `lpszPath`.
bool RemoveFile(LPCSTR lpszPath);

}  // namespace armwright
