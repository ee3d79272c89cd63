// jemalloc's settings, built into the binary so that no environment variable is needed
// (MALLOC_CONF still adds to them). Linked only into the POSIX program.
#include <jemalloc/jemalloc.h>

// thp:never: 4 KiB pages, whatever the machine's huge-page policy. A MeInit's nodes are millions
// of small blocks that all live until the end, so the run's system time is the cost of faulting
// in its whole peak, and a fresh 2 MiB page costs what its memory's past decides. On a virtual
// machine that hands free memory back to its host (free page reporting, as on the 2-core machine
// of the benchmark) whole free 2 MiB blocks are what gets handed back, and a huge page is just
// such a block: 160 MiB touched in huge pages took 0.02 s when the blocks were still backed and
// 0.24 s when they had been handed back, while 4 KiB pages, taken first from the small free
// blocks that are never handed back, took 0.06 to 0.15 s. And the decay that returns freed
// memory splits huge pages that are partly free, to fault them in again in pieces. Measured on
// the 19 MB MeInit, 12 interleaved runs each: with huge pages (and the oversize_threshold:0 kept
// with them before) 0.80 s of CPU time, median, 0.49 to 0.87, of which system 0.02 to 0.38 s;
// with 4 KiB pages 0.62 s, 0.58 to 0.66, system 0.08 to 0.16 s. On the 95 MB MeInit, 5 runs:
// 4.05 s (2.60 to 4.26, system 0.19 to 1.86) against 3.02 s (2.90 to 3.30, system 0.54 to 0.94).
// Huge pages with decay turned off came to 0.54 s median on the 19 MB MeInit, but still 0.89 s
// when the blocks had been handed back. The peak is lower too, 161 against 166 MiB there, and
// 21 against 27 MiB on 2 MB.
// Measured and left at jemalloc's defaults, as none moved the time beyond the noise of the shared
// machine (a few percent) with 4 KiB pages: decay turned off (1 % fewer faults, 0.5 % more
// peak), one arena, no thread cache or a smaller one, no retained memory, and oversize_threshold
// 0 or 8 MiB (the same peak and faults at 2, 19 and 95 MB). A 1 MiB oversize_threshold gives the
// file's buffers an arena that returns them at once: 0.7 MiB less peak at 2 MB, but their pages
// fault in again, 540 more faults and 3 % more CPU time there.
const char* malloc_conf = "thp:never";
