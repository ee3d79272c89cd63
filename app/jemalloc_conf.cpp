// jemalloc's settings, built into the binary so that no environment variable is needed
// (MALLOC_CONF still adds to them). Linked only into the POSIX program.
#include <jemalloc/jemalloc.h>

// thp:never: 4 KiB pages, whatever the machine's huge-page policy. A MeInit's nodes are millions
// of small blocks that live until the end, so the run's system time is the cost of faulting in
// its whole peak, and what a fresh 2 MiB page costs depends on the machine's past, not on the
// run. A virtual machine that hands free memory back to its host (free page reporting, as on the
// benchmark's) hands back whole free 2 MiB blocks, just what a huge page takes: 160 MiB touched
// in huge pages took 0.02 s while the blocks were still backed and 0.24 s once handed back, and
// 0.06 to 0.15 s in 4 KiB pages, which come first from small free blocks that are never handed
// back. Freed memory that decays splits partly used huge pages and faults them in again in
// pieces. No compaction stalls were seen either way. In the same rounds of
// `bench/run.sh --quick --malloc-conf thp:always,oversize_threshold:0` (the settings before):
//   19 MB: CPU 0.50 s (0.47 to 0.53), system 0.11 s, peak 162 MB, against 0.74 s (0.69 to
//          0.84), system 0.39 s, peak 170 MB with huge pages;
//   95 MB: CPU 2.49 s (2.46 to 3.17), system 0.59 s, against 3.55 s (3.08 to 3.97), system
//          1.67 s; on 2 MB the peak is 21 against 27 MB.
// Huge pages with decay turned off came to 0.54 s median on 19 MB, but 0.89 s whenever the
// blocks had been handed back.
// Measured with 4 KiB pages and left at jemalloc's defaults, none moving the CPU time beyond the
// few percent of noise on the shared machine: decay turned off (1 % fewer faults, 0.5 % more
// peak), one arena, no or a smaller thread cache, no retained memory, oversize_threshold 0
// instead of 8 MiB (the same peak and faults at 2, 19 and 95 MB). A 1 MiB oversize_threshold
// returns the file's buffers at once, 0.7 MB less peak on 2 MB, but their pages fault in again:
// 540 more faults and 3 % more CPU time there.
const char* malloc_conf = "thp:never";
