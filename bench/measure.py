#!/usr/bin/env python3
"""Times the benchmark workloads over the inputs of make_install.py.

Every round runs `zip -q -r` of the install and each workload once, each
after a `sync`; a workload's figure is the median of its rounds, set
against the median zip time of the same rounds. Peak memory is the largest
resident set of the tool over the rounds, as /usr/bin/time reports it (a
child of this script would carry the script's own high-water mark).

Usage: measure.py ROOT TOOL ROUNDS"""
import glob
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(argv, cwd):
    """Runs argv after a sync; returns (wall seconds, peak RSS in KiB)."""
    # Every run starts with nothing waiting to be written: otherwise the
    # first fsync of a run pays for the files written before it.
    os.sync()
    with tempfile.NamedTemporaryFile("r") as peak:
        start = time.perf_counter()
        status = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak.name] + argv, cwd=cwd,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        wall = time.perf_counter() - start
        # /check ends with 1 when it finds an error; the en-gb pack of the
        # install has none, so any other status is a failure here too.
        if status != 0:
            sys.exit(f"failed: {' '.join(argv)}")
        return wall, int(peak.read().split()[-1])


def fresh_copies(sources, folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for s in sources:
        shutil.copy(s, folder)


def main():
    root, tool, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
    install = os.path.join(root, "install")
    lang_files = os.path.join(root, "tool", "LangFiles")
    build_out = os.path.join(root, "build_out")
    clean_dir = os.path.join(root, "clean")
    ini_dir = os.path.join(root, "ini")
    pack = os.path.join(lang_files, "Nuvexa-en-gb-5_6_3_3234.lgp")
    large = os.path.join(root, "large", "large.dll")
    po_dir = os.path.join(root, "po")
    imported = os.path.join(root, "imported")

    # (label, goal as a ratio to zip or None, preparation, command)
    workloads = [
        ("/lgp en-gb", 0.4, None, [tool, install, "/lgp", "en-gb"]),
        ("/diff of the install against its pack", 0.3, None, [tool, install, "/diff", pack]),
        ("/check of the install against its pack", 0.3, None, [tool, install, "/check", pack]),
        ("/po_export of the install with its pack", 0.5, None,
         [tool, install, "/po_export", pack, "/folder=" + po_dir]),
        ("/po_import of those PO files", 0.5, None,
         [tool, install, "/po_import", po_dir, "en-gb", "/folder=" + imported]),
        ("/clean of the install's language files", 0.15,
         lambda: fresh_copies(sorted(glob.glob(os.path.join(lang_files, "*.lng"))), clean_dir),
         [tool, clean_dir, "/clean"]),
        ("/ini_tx of 65,540 keys", 0.3,
         lambda: shutil.copy(os.path.join(lang_files, "nuvexa.lng"), os.path.join(ini_dir, "nuvexa.lng")),
         [tool, os.path.join(ini_dir, "nuvexa.lng"), "/ini_tx", os.path.join(ini_dir, "keys.ini")]),
        ("/build of a 4 MB TEXT module", None, None, [tool, large, "/build", "/folder=" + build_out]),
        ("/build en-gb of a 4 MB TEXT module", None, None,
         [tool, large, "/build", "/folder=" + build_out, "en-gb"]),
    ]
    zip_times = []
    times = {w[0]: [] for w in workloads}
    peaks = {w[0]: 0 for w in workloads}
    for r in range(rounds):
        if os.path.exists(os.path.join(root, "install.zip")):
            os.remove(os.path.join(root, "install.zip"))
        zip_times.append(run(["zip", "-q", "-r", "install.zip", "install"], root)[0])
        for label, _, prepare, argv in workloads:
            if prepare:
                prepare()
            wall, peak = run(argv, root)
            times[label].append(wall)
            peaks[label] = max(peaks[label], peak)
        print(f"round {r + 1}: zip {zip_times[-1]:.2f} s, " +
              ", ".join(f"{label.split()[0]} {times[label][-1]:.2f}" for label, *_ in workloads), file=sys.stderr)

    zip_median = statistics.median(zip_times)
    print(f"| {'workload':<40} | tool (s) | zip (s) | ratio | goal   | peak RSS (MiB) |")
    print(f"|{'-' * 42}|----------|---------|-------|--------|----------------|")
    for label, goal, _, _ in workloads:
        median = statistics.median(times[label])
        goal_text = f"<= {goal}" if goal is not None else ""
        if label.startswith("/build en-gb"):
            goal_text = "<=32MiB"
        print(f"| {label:<40} | {median:8.3f} | {zip_median:7.3f} | {median / zip_median:5.2f} | {goal_text:<6} |"
              f" {peaks[label] / 1024:14.1f} |")
    print()
    print(f"rounds: {rounds}; zip times: " + ", ".join(f"{t:.2f}" for t in zip_times))
    for label, *_ in workloads:
        print(f"{label}: " + ", ".join(f"{t:.3f}" for t in times[label]))
    size = lambda p: os.path.getsize(p) // 1024
    total = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(install) for f in fs)
    print(f"install: {total / 1e6:.1f} MB in {sum(len(fs) for _, _, fs in os.walk(install))} files; "
          f"pack: {size(pack)} KiB; zip of the install: {size(os.path.join(root, 'install.zip'))} KiB; "
          f"language file for /ini_tx: {size(os.path.join(lang_files, 'nuvexa.lng'))} KiB")


if __name__ == "__main__":
    main()
