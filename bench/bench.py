"""Times Armwright side by side with its floors and its peers on generated MeInit files.

Variants, run in turn within each round on a fresh copy of the same files, the order rotating
from round to round so that none always follows the same neighbour:
  I/O floor             the MeInit copied twice with cp (backup plus rewrite)
  library floor         TinyXML loads the MeInit and saves it twice, no edit
  durable library floor the same, each save to a temporary file that is flushed and renamed
  Armwright             the three edits, with its backup and safe save
  xmlstarlet            the three edits as one XSLT transform, with a backup copy
  ElementTree           the three edits in Python, with a backup copy
A first round, not counted, checks that every editor wrote the same document (compared in
canonical form, white space between elements aside) and each floor the document it read.
Each run is measured for wall time, CPU time (user and system, its children included), peak
memory and minor page faults, and the kernel's counters in /proc/vmstat are read around it.
"""
import argparse
import hashlib
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PEERS = os.path.join(ROOT, "bench", "peers")
LINE = '"MeInit.xml" /allow "Filename1.xml" /addpredif "Filename2.xml" /weapons "Filename3.xml"'
IO_FLOOR, FLOOR, DURABLE, ARMWRIGHT = ("I/O floor (cp x2)", "library floor",
                                       "durable library floor", "Armwright")
# Armwright's runs each meet the MeInit for the first time, and so keep a copy of it as its
# original; this one finds it kept already, as a second run of a .bat file does.
KNOWN = "Armwright, MeInit kept before"
POINTS = "Armwright restore points"
EDITORS = [ARMWRIGHT, "xmlstarlet", "ElementTree"]
# Kernel counters that explain system time: huge pages faulted in, and compaction run to find
# them. They count for the whole machine, so other work shows in them too.
VMSTAT = ["thp_fault_alloc", "thp_fault_fallback", "compact_stall", "compact_success",
          "thp_split_pmd"]
# Free memory that this virtual machine hands back to its host; a page handed back costs a fault
# in the host when it is next used.
REPORTED = "/sys/module/page_reporting/parameters/reported_kib"


def variants(build, confs):
    floor = os.path.join(build, "bench", "bench_library_floor")
    # The same binary with jemalloc's settings changed (MALLOC_CONF adds to the built-in ones).
    others = [(f"{ARMWRIGHT}, MALLOC_CONF={conf}",
               ["env", f"MALLOC_CONF={conf}", "./Armwright", LINE], "MeInit.xml") for conf in confs]
    return [
        (IO_FLOOR, ["sh", "-c", "cp MeInit.xml backup.xml && cp MeInit.xml out.xml"], "out.xml"),
        (FLOOR, [floor, "MeInit.xml", "backup.xml", "out.xml"], "out.xml"),
        (DURABLE, [floor, "--durable", "MeInit.xml", "backup.xml", "out.xml"], "out.xml"),
        # Armwright takes names beside its executable, so it runs from the work folder.
        (ARMWRIGHT, ["./Armwright", LINE], "MeInit.xml"),
        (KNOWN, ["./Armwright", LINE], "MeInit.xml"),
        ("xmlstarlet", ["bash", os.path.join(PEERS, "xmlstarlet.sh")], "MeInit.xml"),
        ("ElementTree", [sys.executable, os.path.join(PEERS, "elementtree.py")], "MeInit.xml"),
    ] + others


class HashWriter:
    def __init__(self):
        self.digest = hashlib.sha256()

    def write(self, text):
        self.digest.update(text.encode("utf-8"))


def canonical_hash(path):
    out = HashWriter()
    ET.canonicalize(from_file=path, out=out, strip_text=True)
    return out.digest.hexdigest()


def kernel_counters():
    counters = {}
    with open("/proc/vmstat") as f:
        for line in f:
            name, value = line.split()
            if name in VMSTAT:
                counters[name] = int(value)
    try:
        with open(REPORTED) as f:
            counters["reported_kib"] = int(f.read())
    except OSError:
        pass
    return counters


class Run:
    """One run's figures: seconds of wall, user and system time, peak KiB, minor faults, and the
    change in the kernel's counters."""

    def __init__(self, wall, usage, peak_kib, faults, kernel):
        self.wall = wall
        self.user = usage.ru_utime
        self.sys = usage.ru_stime
        self.cpu = usage.ru_utime + usage.ru_stime
        self.peak_kib = peak_kib
        self.faults = faults
        self.kernel = kernel


def run_once(work, pristine, command, name=ARMWRIGHT):
    """Restores the MeInit, then runs the command."""
    shutil.copyfile(pristine, os.path.join(work, "MeInit.xml"))
    if name != KNOWN:
        shutil.rmtree(os.path.join(work, POINTS), ignore_errors=True)
    for name in os.listdir(work):
        if name in ("backup.xml", "out.xml") or name.startswith("Meinit backup"):
            os.remove(os.path.join(work, name))
    # The copy's write-back belongs to the set-up, not to the run that follows.
    os.sync()
    # A process started by this one would count this one's memory as its own peak (the kernel
    # keeps the high-water mark across exec), so GNU time, small itself, starts it and reports
    # its peak and faults.
    measured = os.path.join(os.path.dirname(work), "measured")
    before = kernel_counters()
    start = time.perf_counter()
    child = subprocess.Popen(["/usr/bin/time", "-f", "%M %R", "-o", measured] + command, cwd=work,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    stderr = child.stderr.read()
    # The usage wait4 reports covers the child and every descendant it waited for.
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    after = kernel_counters()
    child.stderr.close()
    # Armwright's exit status is always 0; its report is on standard error.
    if os.waitstatus_to_exitcode(status) != 0 or b"error" in stderr:
        sys.exit(f"{command[0]} failed: {stderr.decode(errors='replace')}")
    with open(measured) as f:
        peak_kib, faults = (int(field) for field in f.read().split()[-2:])
    return Run(wall, usage, peak_kib, faults,
               {name: after[name] - before.get(name, 0) for name in after})


def generate(build, work, *args):
    os.makedirs(work, exist_ok=True)
    subprocess.run([os.path.join(build, "bench", "bench_generate"), args[0], work] +
                   [str(a) for a in args[1:]], check=True)
    shutil.copy2(os.path.join(build, "app", "Armwright"), os.path.join(work, "Armwright"))
    pristine = os.path.join(os.path.dirname(work), "pristine-" + os.path.basename(work) + ".xml")
    shutil.move(os.path.join(work, "MeInit.xml"), pristine)
    return pristine


def compare_size(build, scratch, megabytes, rounds, confs):
    """Returns the file's size in MB and each variant's runs, round by round."""
    work = os.path.join(scratch, f"size{megabytes}")
    pristine = generate(build, work, "meinit", megabytes)
    size_mb = os.path.getsize(pristine) / 2**20
    order = variants(build, confs)
    runs = {name: [] for name, _, _ in order}
    for name, command, output in order:
        run_once(work, pristine, command, name)
        check(work, pristine, name, output)
    for round_ in range(rounds):
        shift = round_ % len(order)
        for name, command, _ in order[shift:] + order[:shift]:
            runs[name].append(run_once(work, pristine, command, name))
    shutil.rmtree(work)
    os.remove(pristine)
    return size_mb, runs


_expected = {}


def check(work, pristine, name, output):
    """Each variant's document, once per size: editors agree, floors keep what they read."""
    digest = canonical_hash(os.path.join(work, output))
    key = "edited" if name in EDITORS or name.startswith(ARMWRIGHT) else "read"
    if key == "read":
        _expected.setdefault(("read", pristine), canonical_hash(pristine))
    if _expected.setdefault((key, pristine), digest) != digest:
        sys.exit(f"{name} wrote a different document than the others at {pristine}")


def median(runs, field):
    return statistics.median(getattr(r, field) for r in runs)


def spread(runs, field, digits=3):
    values = [getattr(r, field) for r in runs]
    return f"{statistics.median(values):.{digits}f} ({min(values):.{digits}f}–{max(values):.{digits}f})"


def ratio(runs, base, field):
    """The ratio of the medians, and the range of the ratios within a round."""
    per_round = [getattr(a, field) / getattr(b, field) for a, b in zip(runs, base)]
    return median(runs, field) / median(base, field), min(per_round), max(per_round)


def table(size_mb, runs):
    lines = [f"#### {size_mb:.1f} MB MeInit", "",
             "| variant | wall s | CPU s | system s | wall / floor | CPU / floor | "
             "wall / durable | CPU / durable | peak MB |",
             "|---|---|---|---|---|---|---|---|---|"]
    for name, variant_runs in runs.items():
        cells = [name, spread(variant_runs, "wall"), spread(variant_runs, "cpu"),
                 spread(variant_runs, "sys")]
        for base in (FLOOR, DURABLE):
            for field in ("wall", "cpu"):
                cells.append(f"{median(variant_runs, field) / median(runs[base], field):.2f}")
        cells.append(f"{max(r.peak_kib for r in variant_runs) / 1024:.0f}")
        lines.append("| " + " | ".join(cells) + " |")
    lines += ["", "| variant | minor faults | huge-page faults | compaction stalls | "
              "MB handed to the host |", "|---|---|---|---|---|"]
    for name, variant_runs in runs.items():
        kernel = [r.kernel for r in variant_runs]

        def counter(key, scale=1):
            values = [k.get(key, 0) / scale for k in kernel]
            return f"{statistics.median(values):.0f} ({min(values):.0f}–{max(values):.0f})"

        lines.append(f"| {name} | {spread(variant_runs, 'faults', 0)} | "
                     f"{counter('thp_fault_alloc')} | {counter('compact_stall')} | "
                     f"{counter('reported_kib', 1024)} |")
    return "\n".join(lines) + "\n"


def goals(size_mb, runs):
    """The goals' checks at this size, each with its margin; returns (lines, all met)."""
    arm = runs[ARMWRIGHT]
    lines, met = [], True
    # The durable floor's goal is looser on a small file, where a run's fixed costs weigh most.
    for base, limit in ((DURABLE, 0.90 if size_mb < 5 else 0.85), (FLOOR, 1.0)):
        for field in ("wall", "cpu"):
            value, low, high = ratio(arm, runs[base], field)
            ok = value <= limit
            met &= ok
            lines.append(f"- {'met' if ok else 'MISSED'}: Armwright's {field} / {base} "
                         f"{value:.3f} (rounds {low:.3f}–{high:.3f}), at most {limit:.2f}")
    cost, low, high = ratio(arm, runs[KNOWN], "cpu")
    ok = cost <= 1.05
    met &= ok
    lines.append(f"- {'met' if ok else 'MISSED'}: keeping a restore point, Armwright's cpu / "
                 f"its cpu with none to keep {cost:.3f} (rounds {low:.3f}–{high:.3f}), at most 1.05")
    peak = max(r.peak_kib for r in arm)
    floor_peak = min(max(r.peak_kib for r in runs[b]) for b in (FLOOR, DURABLE))
    ok = peak <= floor_peak
    met &= ok
    lines.append(f"- {'met' if ok else 'MISSED'}: Armwright's peak {peak / 1024:.1f} MB, "
                 f"the floors' {floor_peak / 1024:.1f} MB")
    for peer in ("xmlstarlet", "ElementTree"):
        for field in ("wall", "cpu"):
            value, low, high = ratio(runs[peer], arm, field)
            ok = value >= 2.0
            met &= ok
            lines.append(f"- {'met' if ok else 'MISSED'}: {peer}'s {field} / Armwright's "
                         f"{value:.3f} (rounds {low:.3f}–{high:.3f}), at least 2")
    return [f"Goals at {size_mb:.1f} MB:"] + lines + [""], met


def growth(build, scratch, sizes, rounds):
    rows = []
    for megabytes in sizes:
        work = os.path.join(scratch, f"growth{megabytes}")
        pristine = generate(build, work, "meinit", megabytes)
        size_mb = os.path.getsize(pristine) / 2**20
        runs = [run_once(work, pristine, ["./Armwright", LINE]) for _ in range(rounds)]
        rows.append((size_mb, runs))
        shutil.rmtree(work)
        os.remove(pristine)
    return rows


def weapons_scaling(build, scratch, launchers, entries_list, rounds):
    rows = []
    for entries in entries_list:
        work = os.path.join(scratch, f"weapons{entries}")
        pristine = generate(build, work, "weapons", launchers, entries)
        command = ["./Armwright", '"MeInit.xml" /weapons "Filename3.xml"']
        rows.append((entries, [run_once(work, pristine, command) for _ in range(rounds)]))
        shutil.rmtree(work)
        os.remove(pristine)
    return rows


def weapons_registry(build, scratch, rounds):
    """A /weapons file of 1,000 entries against the example's shape of registry, 50 categories
    of 20 launchers; against the same run with an empty file, the edit's own cost."""
    works = {}
    for entries in (1000, 0):
        work = os.path.join(scratch, f"registry{entries}")
        works[entries] = (work, generate(build, work, "weapons", 1000, entries, 50))
    command = ["./Armwright", '"MeInit.xml" /weapons "Filename3.xml"']
    runs = {entries: [] for entries in works}
    for _ in range(rounds):
        for entries, (work, pristine) in works.items():
            runs[entries].append(run_once(work, pristine, command))
    for work, pristine in works.values():
        shutil.rmtree(work)
        os.remove(pristine)
    return list(runs.items())


def plot(path, results, growth_rows):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, axes = plt.subplots(1, 2, figsize=(11, 4.5), sharey=True)
    sizes = [size for size, _ in results]
    for ax, field, label in ((axes[0], "wall", "wall time"), (axes[1], "cpu", "CPU time")):
        for n, name in enumerate(results[0][1]):
            values = [[getattr(r, field) for r in runs[name]] for _, runs in results]
            middle = [statistics.median(v) for v in values]
            ax.errorbar(sizes, middle, yerr=[[m - min(v) for m, v in zip(middle, values)],
                                             [max(v) - m for m, v in zip(middle, values)]],
                        marker="o", capsize=3, color=f"C{n}", label=name,
                        linestyle="--" if "floor" in name else "-")
        if growth_rows:
            ax.plot([size for size, _ in growth_rows],
                    [median(runs, field) for _, runs in growth_rows],
                    linestyle=":", color="C3", label="Armwright, 1 to 100 MB")
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_xlabel("MeInit size (MB)")
        ax.set_title(f"{label}: median, bars from min to max")
        ax.grid(True, which="both", alpha=0.3)
    axes[0].set_ylabel("seconds")
    axes[1].legend(fontsize=8)
    fig.suptitle("All three edits with a backup, against floors and peers")
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def read_first_line(path):
    try:
        with open(path) as f:
            return f.readline().strip()
    except OSError:
        return "n/a"


def machine():
    model = ""
    try:
        with open("/proc/cpuinfo") as f:
            model = next(line.split(":", 1)[1].strip() for line in f if line.startswith("model name"))
    except (OSError, StopIteration):
        pass
    with open("/proc/meminfo") as f:
        memory = int(f.readline().split()[1]) / 2**20
    thp = "/sys/kernel/mm/transparent_hugepage/"
    reporting = "on" if os.path.exists(REPORTED) else "off"
    return (f"{model}, {os.cpu_count()} cores, {memory:.0f} GiB, {platform.platform()}; "
            f"transparent huge pages: enabled {read_first_line(thp + 'enabled')}, "
            f"defrag {read_first_line(thp + 'defrag')}; free page reporting to the host: "
            f"{reporting}")


def load():
    return read_first_line("/proc/loadavg").split(" ")[:3]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "release"),
                        help="the release build folder (default build/release)")
    parser.add_argument("--sizes", type=float, nargs="+", default=[2, 20, 100])
    parser.add_argument("--rounds", type=int, default=7,
                        help="counted rounds per size; files of 50 MB and more get two fewer")
    parser.add_argument("--quick", action="store_true", help="skip growth and /weapons scaling")
    parser.add_argument("--malloc-conf", action="append", default=[], metavar="CONF",
                        help="also run Armwright with these jemalloc settings (repeatable)")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    out_dir = os.path.join(ROOT, "build", "bench")
    os.makedirs(out_dir, exist_ok=True)
    started = time.perf_counter()
    report = [f"Machine: {machine()}", f"Load average at the start: {' '.join(load())}", ""]
    results, all_met = [], True
    with tempfile.TemporaryDirectory(prefix="armwright-bench-") as scratch:
        for megabytes in args.sizes:
            rounds = args.rounds if megabytes < 50 else max(3, args.rounds - 2)
            size_mb, runs = compare_size(build, scratch, megabytes, rounds, args.malloc_conf)
            results.append((size_mb, runs))
            goal_lines, met = goals(size_mb, runs)
            all_met &= met
            report.append(table(size_mb, runs) + "\n" + "\n".join(goal_lines))
            print(report[-1], flush=True)
        growth_rows = []
        if not args.quick:
            growth_rows = growth(build, scratch, [1, 2, 5, 10, 20, 50, 100], 5)
            lines = ["#### Armwright's time against size", "",
                     "| MB | wall s | CPU s | CPU s per MB |", "|---|---|---|---|"]
            for mb, runs in growth_rows:
                lines.append(f"| {mb:.1f} | {spread(runs, 'wall')} | {spread(runs, 'cpu')} | "
                             f"{median(runs, 'cpu') / mb:.4f} |")
            report.append("\n".join(lines) + "\n")
            weapon_rows = weapons_scaling(build, scratch, 10000, [100, 300, 1000, 3000, 10000], 3)
            lines = ["#### /weapons entries against 10,000 launchers in one category", "",
                     "| entries | wall s | CPU s |", "|---|---|---|"]
            lines += [f"| {entries} | {spread(runs, 'wall')} | {spread(runs, 'cpu')} |"
                      for entries, runs in weapon_rows]
            report.append("\n".join(lines) + "\n")
            registry_rows = weapons_registry(build, scratch, 15)
            lines = ["#### /weapons entries against 1,000 launchers in 50 categories", "",
                     "| entries | wall s | CPU s |", "|---|---|---|"]
            lines += [f"| {entries} | {spread(runs, 'wall', 4)} | {spread(runs, 'cpu', 4)} |"
                      for entries, runs in registry_rows]
            report.append("\n".join(lines) + "\n")
            print("\n".join(report[-3:]), flush=True)
    minutes = (time.perf_counter() - started) / 60
    report.append(f"Load average at the end: {' '.join(load())}; the run took {minutes:.1f} "
                  f"minutes; every goal {'met' if all_met else 'NOT met'}.")
    print(report[-1])
    with open(os.path.join(out_dir, "results.md"), "w") as f:
        f.write("\n".join(report) + "\n")
    plot(os.path.join(ROOT, "docs", "benchmark.png"), results, growth_rows)
    print(f"written: {os.path.join(out_dir, 'results.md')} and docs/benchmark.png")


if __name__ == "__main__":
    main()
