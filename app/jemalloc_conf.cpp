// jemalloc's settings, built into the binary so that no environment variable is needed
// (MALLOC_CONF still adds to them). Linked only into the POSIX program.
#include <jemalloc/jemalloc.h>

// thp:always: huge pages for the blocks. A large MeInit becomes millions of small blocks, and
// 4 KiB pages cost a fault each: with huge pages a 19 MB MeInit takes about half the CPU time.
// oversize_threshold:0: the file's buffer comes from the arena that the nodes then reuse, not
// from an arena of its own, which keeps the peak 3 to 5 MB lower.
// Measured no faster: a background purging thread, one arena, no thread cache, no decay; huge
// pages for jemalloc's metadata cost 4 MB more at the peak.
const char* malloc_conf = "thp:always,oversize_threshold:0";
