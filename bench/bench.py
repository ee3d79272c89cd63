"""Times Armwright side by side with its floors and its peers on generated MeInit files.

Variants, run in turn within each round on a fresh copy of the same files:
  I/O floor       the MeInit copied twice with cp (backup plus rewrite)
  library floor   TinyXML loads the MeInit and saves it twice, no edit
  Armwright       the three edits, with its backup and safe save
  xmlstarlet      the three edits as one XSLT transform, with a backup copy
  ElementTree     the three edits in Python, with a backup copy
Before a figure is reported, every editor must have written the same document (compared in
canonical form, white space between elements aside) and each floor the document it read.
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
RELEASE = os.path.join(ROOT, "build", "release")
ARMWRIGHT = os.path.join(RELEASE, "app", "Armwright")
GENERATE = os.path.join(RELEASE, "bench", "bench_generate")
LIBRARY_FLOOR = os.path.join(RELEASE, "bench", "bench_library_floor")
PEERS = os.path.join(ROOT, "bench", "peers")
LINE = '"MeInit.xml" /allow "Filename1.xml" /addpredif "Filename2.xml" /weapons "Filename3.xml"'

VARIANTS = [
    ("I/O floor (cp x2)", ["sh", "-c", "cp MeInit.xml backup.xml && cp MeInit.xml out.xml"], "out.xml"),
    ("library floor", [LIBRARY_FLOOR, "MeInit.xml", "backup.xml", "out.xml"], "out.xml"),
    # Armwright takes names beside its executable, so it runs from the work folder, as installed.
    ("Armwright", ["./Armwright", LINE], "MeInit.xml"),
    ("xmlstarlet", ["bash", os.path.join(PEERS, "xmlstarlet.sh")], "MeInit.xml"),
    ("ElementTree", [sys.executable, os.path.join(PEERS, "elementtree.py")], "MeInit.xml"),
]
EDITORS = ["Armwright", "xmlstarlet", "ElementTree"]


class HashWriter:
    def __init__(self):
        self.digest = hashlib.sha256()

    def write(self, text):
        self.digest.update(text.encode("utf-8"))


def canonical_hash(path):
    out = HashWriter()
    ET.canonicalize(from_file=path, out=out, strip_text=True)
    return out.digest.hexdigest()


def run_once(work, pristine, command):
    """Restores the MeInit, then runs the command; returns (seconds, peak KiB)."""
    shutil.copyfile(pristine, os.path.join(work, "MeInit.xml"))
    for name in ("backup.xml", "out.xml", "Meinit backup.xml"):
        if os.path.exists(os.path.join(work, name)):
            os.remove(os.path.join(work, name))
    rss = os.path.join(os.path.dirname(work), "rss")
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss] + command, cwd=work,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    # Armwright's exit status is always 0; its report is on standard error.
    if result.returncode != 0 or b"error" in result.stderr:
        sys.exit(f"{command[0]} failed: {result.stderr.decode(errors='replace')}")
    with open(rss) as f:
        return seconds, int(f.read().split()[-1])


def generate(work, *args):
    os.makedirs(work, exist_ok=True)
    subprocess.run([GENERATE, args[0], work] + [str(a) for a in args[1:]], check=True)
    shutil.copy2(ARMWRIGHT, os.path.join(work, "Armwright"))
    pristine = os.path.join(os.path.dirname(work), "pristine-" + os.path.basename(work) + ".xml")
    shutil.move(os.path.join(work, "MeInit.xml"), pristine)
    return pristine


def compare_size(scratch, megabytes, rounds):
    work = os.path.join(scratch, f"size{megabytes}")
    pristine = generate(work, "meinit", megabytes)
    size_mb = os.path.getsize(pristine) / 2**20
    times = {name: [] for name, _, _ in VARIANTS}
    peaks = {name: 0 for name, _, _ in VARIANTS}
    for round_ in range(rounds):
        for name, command, output in VARIANTS:
            seconds, peak = run_once(work, pristine, command)
            times[name].append(seconds)
            peaks[name] = max(peaks[name], peak)
            if round_ == 0:
                check(work, pristine, name, output, times)
    return size_mb, times, peaks


_expected = {}


def check(work, pristine, name, output, times):
    """Each variant's document, once per size: editors agree, floors keep what they read."""
    digest = canonical_hash(os.path.join(work, output))
    key = "edited" if name in EDITORS else "read"
    if key == "read":
        _expected.setdefault(("read", pristine), canonical_hash(pristine))
    if _expected.setdefault((key, pristine), digest) != digest:
        sys.exit(f"{name} wrote a different document than the others at {pristine}")


def table(size_mb, times, peaks):
    lines = [f"#### {size_mb:.1f} MB MeInit", "",
             "| variant | min s | median s | / I/O floor | / library floor | / Armwright | peak MB | peak / size |",
             "|---|---|---|---|---|---|---|---|"]
    io = statistics.median(times["I/O floor (cp x2)"])
    lib = statistics.median(times["library floor"])
    arm = statistics.median(times["Armwright"])
    for name, _, _ in VARIANTS:
        median = statistics.median(times[name])
        lines.append(f"| {name} | {min(times[name]):.3f} | {median:.3f} | {median / io:.1f} | "
                     f"{median / lib:.2f} | {median / arm:.2f} | {peaks[name] / 1024:.0f} | "
                     f"{peaks[name] / 1024 / size_mb:.1f} |")
    return "\n".join(lines) + "\n"


def growth(scratch, sizes, rounds):
    rows = []
    for megabytes in sizes:
        work = os.path.join(scratch, f"growth{megabytes}")
        pristine = generate(work, "meinit", megabytes)
        size_mb = os.path.getsize(pristine) / 2**20
        best = min(run_once(work, pristine, ["./Armwright", LINE])[0] for _ in range(rounds))
        rows.append((size_mb, best))
        shutil.rmtree(work)
        os.remove(pristine)
    return rows


def weapons_scaling(scratch, launchers, entries_list, rounds):
    rows = []
    for entries in entries_list:
        work = os.path.join(scratch, f"weapons{entries}")
        pristine = generate(work, "weapons", launchers, entries)
        command = ["./Armwright", '"MeInit.xml" /weapons "Filename3.xml"']
        best = min(run_once(work, pristine, command)[0] for _ in range(rounds))
        rows.append((entries, best))
        shutil.rmtree(work)
        os.remove(pristine)
    return rows


def weapons_registry(scratch, rounds):
    """A /weapons file of 1,000 entries against the example's shape of registry, 50 categories
    of 20 launchers; against the same run with an empty file, the edit's own cost."""
    works = {}
    for entries in (1000, 0):
        work = os.path.join(scratch, f"registry{entries}")
        works[entries] = (work, generate(work, "weapons", 1000, entries, 50))
    command = ["./Armwright", '"MeInit.xml" /weapons "Filename3.xml"']
    times = {entries: [] for entries in works}
    for _ in range(rounds):
        for entries, (work, pristine) in works.items():
            times[entries].append(run_once(work, pristine, command)[0])
    for work, pristine in works.values():
        shutil.rmtree(work)
        os.remove(pristine)
    return [(entries, min(t), statistics.median(t)) for entries, t in times.items()]


def plot(path, results, growth_rows):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, ax = plt.subplots(figsize=(7, 4.5))
    sizes = [r[0] for r in results]
    for name, _, _ in VARIANTS:
        ax.plot(sizes, [statistics.median(r[1][name]) for r in results], marker="o", label=name)
    if growth_rows:
        ax.plot([r[0] for r in growth_rows], [r[1] for r in growth_rows], linestyle=":",
                color="C2", label="Armwright, 1 to 100 MB (min)")
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xlabel("MeInit size (MB)")
    ax.set_ylabel("time (s, median)")
    ax.set_title("All three edits with a backup, against floors and peers")
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def machine():
    model = ""
    try:
        with open("/proc/cpuinfo") as f:
            model = next(line.split(":", 1)[1].strip() for line in f if line.startswith("model name"))
    except (OSError, StopIteration):
        pass
    with open("/proc/meminfo") as f:
        memory = int(f.readline().split()[1]) / 2**20
    return f"{model}, {os.cpu_count()} cores, {memory:.0f} GiB, {platform.platform()}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", type=float, nargs="+", default=[2, 20, 100])
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--quick", action="store_true", help="skip growth and /weapons scaling")
    args = parser.parse_args()
    out_dir = os.path.join(ROOT, "build", "bench")
    os.makedirs(out_dir, exist_ok=True)
    report = [f"Machine: {machine()}", ""]
    results = []
    with tempfile.TemporaryDirectory(prefix="armwright-bench-") as scratch:
        for megabytes in args.sizes:
            rounds = args.rounds if megabytes < 50 else max(3, args.rounds // 2)
            size_mb, times, peaks = compare_size(scratch, megabytes, rounds)
            results.append((size_mb, times, peaks))
            report.append(table(size_mb, times, peaks))
            print(report[-1], flush=True)
            shutil.rmtree(os.path.join(scratch, f"size{megabytes}"))
            os.remove(os.path.join(scratch, f"pristine-size{megabytes}.xml"))
        growth_rows, weapon_rows = [], []
        if not args.quick:
            growth_rows = growth(scratch, [1, 2, 5, 10, 20, 50, 100], 3)
            lines = ["#### Armwright's time against size", "", "| MB | min s | s per MB |", "|---|---|---|"]
            lines += [f"| {mb:.1f} | {s:.3f} | {s / mb:.4f} |" for mb, s in growth_rows]
            report.append("\n".join(lines) + "\n")
            weapon_rows = weapons_scaling(scratch, 10000, [100, 300, 1000, 3000, 10000], 3)
            lines = ["#### /weapons entries against 10,000 launchers in one category", "",
                     "| entries | min s |", "|---|---|"]
            lines += [f"| {entries} | {s:.3f} |" for entries, s in weapon_rows]
            report.append("\n".join(lines) + "\n")
            registry_rows = weapons_registry(scratch, 15)
            lines = ["#### /weapons entries against 1,000 launchers in 50 categories", "",
                     "| entries | min s | median s |", "|---|---|---|"]
            lines += [f"| {entries} | {low:.4f} | {median:.4f} |" for entries, low, median in registry_rows]
            report.append("\n".join(lines) + "\n")
            print("\n".join(report[-3:]), flush=True)
    with open(os.path.join(out_dir, "results.md"), "w") as f:
        f.write("\n".join(report))
    plot(os.path.join(ROOT, "docs", "benchmark.png"), results, growth_rows)
    print(f"written: {os.path.join(out_dir, 'results.md')} and docs/benchmark.png")


if __name__ == "__main__":
    main()
