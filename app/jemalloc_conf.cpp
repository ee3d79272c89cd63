// jemalloc's settings, built into the binary so that no environment variable is needed
// (MALLOC_CONF still adds to them). Linked only into the POSIX program.
#include <jemalloc/jemalloc.h>

// thp:never: 4 KiB pages, whatever the machine's huge-page policy. A MeInit's nodes live until
// the end, so a run's system time is the cost of faulting in its whole peak, and a fresh huge
// page costs what the machine's past decides, not the run (docs/benchmark.md, heap settings).
const char* malloc_conf = "thp:never";
