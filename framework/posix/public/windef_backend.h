// POSIX stand-in for the few Windows types and constants the tool uses.
#pragma once

#include <cstdint>
#include <string>

typedef int BOOL;
typedef unsigned int UINT;
typedef unsigned long DWORD;
typedef std::intptr_t INT_PTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* HMODULE;

#define TRUE 1
#define FALSE 0

// Paths here are not cut to the Windows limit of 260 characters.
#define MAX_PATH 4096

#define MB_OK 0x00000000L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define IDOK 1
#define IDCANCEL 2

namespace armwright {
// A path as the system's own calls take it.
using PathString = std::string;
}  // namespace armwright
