#!/usr/bin/env python3
"""End-to-end benchmark of the built converter on two large generated files: feed-shaped
bulletins, and bare one-line reports without bulletins.

Runs tafcvt over each file in English, decoded, JSON and table forms, for all stations and for
a station list, with the output sent to /dev/null, and `cat` of the same file in the same run
as the baseline. Prints for each run the best wall seconds and processor seconds of --repeat runs,
MB/s, reports read per second (every report of the file passes the reader and the station
selection, also in the station-list run), the reports decoded, the time ratio to `cat` and the
peak memory. MB/s, reports/s and the ratio are of the wall time.

    python3 bench/run_bench.py [--bin build/tafcvt] [--file bench/data/bulletins.txt]
                               [--bare-file bench/data/bare.txt] [--mb 200]

The files are generated (bench/make_bulletins.py, fixed seed; the one-line file holds the
bulletins' reports, --bare-of) when they do not exist. --bare-file "" leaves the one-line
file out. When ../shared/corpus exists, its real bulletins repeated to 20 MB are run too
(bench/data/corpus.txt).
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def timed(cmd, env=None, repeat=1):
    """Best wall time and best processor time (user + system) of repeat runs, and the peak
    resident memory (KiB) seen.

    Time and memory are read by /usr/bin/time, a small process: a child forked from this
    script would report the script's own size as its peak. The processor time shows what a
    run costs when other work shares the machine."""
    best, best_cpu, peak = None, None, 0
    for _ in range(repeat):
        with open(os.devnull, "wb") as null:
            start = time.perf_counter()
            proc = subprocess.run(["/usr/bin/time", "-f", "PEAK %M CPU %U %S"] + cmd,
                                  stdout=null, stderr=subprocess.PIPE, env=env)
            elapsed = time.perf_counter() - start
        err = proc.stderr.decode(errors="replace")
        if proc.returncode != 0:
            sys.exit("%s failed (%d): %s" % (" ".join(cmd), proc.returncode, err[:500]))
        stats = [l.split() for l in err.splitlines() if l.startswith("PEAK ")][-1]
        cpu = float(stats[3]) + float(stats[4])
        best = elapsed if best is None else min(best, elapsed)
        best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
        peak = max(peak, int(stats[1]))
    return best, best_cpu, peak


def generate(path, mb, bulletins=None):
    """Makes the bulletin file path of mb MB, or with bulletins the bare reports of that
    bulletin file, when path does not exist."""
    if os.path.exists(path):
        return
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    print("generating %s..." % path, flush=True)
    how = ["--bare-of", bulletins] if bulletins else ["--mb", str(mb)]
    subprocess.check_call([sys.executable, os.path.join(HERE, "make_bulletins.py"), path] + how)


CORPUS = os.path.join(ROOT, "..", "shared", "corpus", "pyiem")
CORPUS_STATIONS = "KDSM,KJFK,EGLL"


def make_corpus_file(path, mb, binary):
    """The real bulletins beside the project (../shared/corpus/pyiem), one after another,
    repeated to mb MB, with a .count file: the reports of one copy times the copies, as the
    converter reads them, and those of the station list."""
    if os.path.exists(path):
        return
    names = sorted(n for n in os.listdir(CORPUS) if n.endswith(".txt"))
    one = b""
    for name in names:
        with open(os.path.join(CORPUS, name), "rb") as f:
            text = f.read()
        one += text if text.endswith(b"\n") else text + b"\n"
    copies = max(1, int(mb * 1024 * 1024 / len(one)))
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as f:
        for _ in range(copies):
            f.write(one)

    def reports(extra):
        with tempfile.TemporaryDirectory() as cfg:
            with open(os.path.join(cfg, "jox.cfg"), "w") as f:
                f.write("*.file_path %s/data/\n" % ROOT)
            sample = os.path.join(cfg, "one.txt")
            with open(sample, "wb") as f:
                f.write(one)
            out = subprocess.run([binary, "-ba", "-ou", "json"] + extra + ["@" + sample],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 env={"PATH": os.environ.get("PATH", ""), "joxdefault": cfg})
            return out.stdout.count(b"\n")

    with open(path + ".count", "w") as f:
        f.write("%d\nLIST %s %d\n" % (reports([]) * copies, CORPUS_STATIONS,
                                        reports(["-id", CORPUS_STATIONS]) * copies))


def bench_file(args, path):
    size_mb = os.path.getsize(path) / (1024 * 1024)
    with open(path + ".count") as f:
        counts = f.read().split()
    reports = int(counts[0])
    # The generator's station list (frequent stations) and the number of their reports.
    stations, listed = (counts[2], int(counts[3])) if len(counts) >= 4 else ("KDSM,KORD,EGLL", 0)

    with tempfile.TemporaryDirectory() as cfg:
        with open(os.path.join(cfg, "jox.cfg"), "w") as f:
            f.write("*.file_path %s/data/\n" % ROOT)
        env = {"PATH": os.environ.get("PATH", ""), "joxdefault": cfg}
        # name, command, reports decoded
        runs = [
            ("cat (baseline)", ["cat", path], 0),
            ("English, all stations", [args.bin, "-ba", "-ou", "eng", "@" + path], reports),
            ("decoded, all stations", [args.bin, "-ba", "-ou", "dec", "@" + path], reports),
            ("JSON, all stations", [args.bin, "-ba", "-ou", "json", "@" + path], reports),
            ("table, all stations", [args.bin, "-ba", "-ou", "table", "@" + path], reports),
            ("English, station list", [args.bin, "-ba", "-id", stations, "@" + path], listed),
            ("decoded, station list", [args.bin, "-ba", "-ou", "dec", "-id", stations, "@" + path],
             listed),
            ("JSON, station list", [args.bin, "-ba", "-ou", "json", "-id", stations, "@" + path],
             listed),
            ("table, station list", [args.bin, "-ba", "-ou", "table", "-id", stations, "@" + path],
             listed),
        ]
        print("file: %s, %.1f MB, %d reports; station list %s (%d reports)" % (
            path, size_mb, reports, stations, listed))
        print("%-24s %8s %8s %9s %12s %9s %8s %8s" % ("run", "seconds", "cpu s", "MB/s",
                                                      "reports/s", "decoded", "x cat", "peak MB"))
        cat_time = None
        for name, cmd, decoded in runs:
            secs, cpu, peak = timed(cmd, env, args.repeat)
            if cat_time is None:
                cat_time = secs
            print("%-24s %8.2f %8.2f %9.1f %12.0f %9d %8.1f %8.1f" % (
                name, secs, cpu, size_mb / secs, reports / secs, decoded, secs / cat_time,
                peak / 1024.0), flush=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "tafcvt"))
    ap.add_argument("--file", default=os.path.join(HERE, "data", "bulletins.txt"))
    ap.add_argument("--bare-file", default=os.path.join(HERE, "data", "bare.txt"))
    ap.add_argument("--corpus-file", default=os.path.join(HERE, "data", "corpus.txt"),
                    help="the real bulletins of ../shared/corpus repeated to 20 MB (made when "
                         "that folder exists; \"\" leaves it out)")
    ap.add_argument("--mb", type=float, default=200.0)
    ap.add_argument("--repeat", type=int, default=1)
    args = ap.parse_args()

    files = [(args.file, None)] + ([(args.bare_file, args.file)] if args.bare_file else [])
    for i, (path, bulletins) in enumerate(files):
        generate(path, args.mb, bulletins)
        if i:
            print()
        bench_file(args, path)
    if args.corpus_file and os.path.isdir(CORPUS):
        make_corpus_file(args.corpus_file, min(args.mb, 20.0), args.bin)
        print()
        bench_file(args, args.corpus_file)


if __name__ == "__main__":
    main()
