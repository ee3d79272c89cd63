// jemalloc's settings, read from the binary itself so that no environment variable is needed
// (MALLOC_CONF still overrides them). Linked only into the POSIX program.
#include <jemalloc/jemalloc.h>

// Huge pages for the blocks and for jemalloc's own metadata: a large MeInit touches hundreds of
// megabytes of small blocks, and 4 KiB pages cost a fault each.
const char* malloc_conf = "thp:always,metadata_thp:always";
