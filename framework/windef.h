// Win32 base types and constants that the tool uses.
#pragma once

// Each backend brings its own: the Windows headers themselves, or a POSIX stand-in.
#include <windef_backend.h>
