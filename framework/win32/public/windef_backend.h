// On Windows the types and constants are the system's own, and its calls come with them.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace armwright {
// A path as the system's own calls take it.
using PathString = std::wstring;
}  // namespace armwright
