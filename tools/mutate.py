#!/usr/bin/env python3
"""Mutation pass: do the tests catch small faults in the code?

Each mutant of the list (tools/mutants.txt) is one small change of one source file: an exact
piece of text and what replaces it. The mutants are applied one at a time to a scratch copy
of the project (the working tree is never written), the copy is rebuilt in one build folder,
and the test programs that can reach the changed file are run. A mutant is

  killed      a test program failed (or ran past its time limit),
  survived    every test program passed: a fault the tests cannot see, or an equivalent change,
  no-build    the changed code does not compile (left out of the score),
  stale       its text is not found exactly once in its file (left out of the score: the code
              moved on; mend the entry).

The score is killed / (killed + survived). A mutant whose block holds "= equivalent: why" is
one that no test can kill because it does not change what the program does; it is reported as
such and left out of the second score. Results are the same from run to run: the mutants run
in the order of the list, the tests are the project's own (the corpus beside the project is
not in the scratch copy, so its checks skip), and nothing depends on timing but the limit that
stops a test program caught in a loop.

Usage (from anywhere; see tools/README.md):
  tools/mutate.py                     every mutant
  tools/mutate.py --check             only check that every mutant applies, and list its tests
  tools/mutate.py --only wx.,td.mps   the mutants whose names begin with one of these
  tools/mutate.py --report FILE       also write the table of results to FILE
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

PROJECT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_LIST = os.path.join(PROJECT, "tools", "mutants.txt")
DEFAULT_WORK = os.path.join(PROJECT, "build-mutate")
SOURCE_DIRS = ("lib", "src", "tests", "data", "tools", "fuzz", "bench", "doc")
# A test program may take this many times its time on the unchanged code (and at least
# TIME_FLOOR seconds) before it counts as caught in a loop.
TIME_FACTOR = 10
TIME_FLOOR = 30
NICE = ["nice", "-n", "10"]


class Mutant:
    def __init__(self, name, path, line):
        self.name = name
        self.path = path  # relative to the project
        self.line = line  # of its header in the list
        self.old = []
        self.new = []
        self.equivalent = None  # the reason, when the change is known to be equivalent
        self.comment = []

    @property
    def old_text(self):
        return "\n".join(self.old)

    @property
    def new_text(self):
        return "\n".join(self.new)


def read_mutants(list_path):
    """The list format: a header "[name] path", then "- text" lines (the text replaced; several
    lines for a piece of several lines), "+ text" lines (its replacement; none: removed), and
    optionally "= equivalent: reason". "#" lines and blank lines between blocks are comments."""
    mutants = []
    current = None
    comment = []
    with open(list_path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            header = re.match(r"^\[([A-Za-z0-9_.\-]+)\]\s+(\S+)\s*$", line)
            if header:
                current = Mutant(header.group(1), header.group(2), number)
                current.comment = comment
                comment = []
                mutants.append(current)
            elif line.startswith("#") or line.strip() == "":
                if line.startswith("#"):
                    comment.append(line[1:].strip())
            elif current is None:
                sys.exit(f"{list_path}:{number}: text before the first mutant")
            elif line == "-" or line.startswith("- "):
                current.old.append(line[2:])
            elif line == "+" or line.startswith("+ "):
                current.new.append(line[2:])
            elif line.startswith("= equivalent:"):
                current.equivalent = line[len("= equivalent:"):].strip()
            else:
                sys.exit(f"{list_path}:{number}: not a mutant line: {line}")
    names = set()
    for m in mutants:
        if not m.old:
            sys.exit(f"{list_path}:{m.line}: [{m.name}] has no '- ' text")
        if m.name in names:
            sys.exit(f"{list_path}:{m.line}: [{m.name}] named twice")
        names.add(m.name)
    return mutants


def source_files():
    """The project's files as they are in the working tree (changes not yet committed too)."""
    try:
        out = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=PROJECT,
                             check=True, capture_output=True, text=True).stdout
        files = [f for f in out.splitlines() if os.path.isfile(os.path.join(PROJECT, f))]
    except (OSError, subprocess.CalledProcessError):
        files = []
        for top in SOURCE_DIRS:
            for root, _, names in os.walk(os.path.join(PROJECT, top)):
                files += [os.path.relpath(os.path.join(root, n), PROJECT) for n in names]
        files.append("CMakeLists.txt")
    return sorted(f for f in files if not f.startswith("build"))


def sync_copy(copy_dir):
    """Makes copy_dir hold the project's files; unchanged files keep their times, so the
    build folder stays valid from one run to the next."""
    wanted = set(source_files())
    for rel in wanted:
        src = os.path.join(PROJECT, rel)
        dst = os.path.join(copy_dir, rel)
        with open(src, "rb") as f:
            data = f.read()
        if os.path.exists(dst):
            with open(dst, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        with open(dst, "wb") as f:
            f.write(data)
        shutil.copymode(src, dst)
    for root, _, names in os.walk(copy_dir):
        for n in names:
            rel = os.path.relpath(os.path.join(root, n), copy_dir)
            if rel not in wanted:
                os.remove(os.path.join(root, n))


# ---- Which test programs can reach a file ----

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def includes_of(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return INCLUDE.findall(f.read())
    except OSError:
        return []


def code_files(root):
    """Headers and sources of the library and the converter, by file name."""
    found = {}
    for top in ("lib", os.path.join("src", "tafcvt")):
        d = os.path.join(root, top)
        for n in sorted(os.listdir(d)) if os.path.isdir(d) else []:
            if n.endswith((".h", ".cpp")):
                found[n] = os.path.join(top, n)
    return found


def sources_of(header, files):
    """The source files that define what a header declares: the one of the same name, and
    those named after it with a suffix (taf.h: taf_decode.cpp, taf_wx.cpp, ...)."""
    stem = header[:-2]
    return [rel for name, rel in files.items()
            if name.endswith(".cpp") and (name == stem + ".cpp" or name.startswith(stem + "_"))]


def reach(root, start_files, files):
    """Every library or converter file that code starting at start_files can run: a header
    brings in its source files, and each file what it includes."""
    seen = set()
    todo = list(start_files)
    while todo:
        rel = todo.pop()
        if rel in seen:
            continue
        seen.add(rel)
        for inc in includes_of(os.path.join(root, rel)):
            name = os.path.basename(inc)
            if name in files:
                todo.append(files[name])
                if name.endswith(".h"):
                    todo += sources_of(name, files)
    return seen


def test_programs(root):
    """Each test program with the files it can run. A test that runs the built converter
    (TAFCVT_BIN) reaches what its main reaches as well."""
    files = code_files(root)
    main = os.path.join("src", "tafcvt", "main.cpp")
    main_reach = reach(root, [main], files) if os.path.exists(os.path.join(root, main)) else set()
    tests = {}
    tdir = os.path.join(root, "tests")
    for n in sorted(os.listdir(tdir)):
        if not (n.startswith("test_") and n.endswith(".cpp")):
            continue
        rel = os.path.join("tests", n)
        reached = reach(root, [rel], files)
        with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
            if "TAFCVT_BIN" in f.read():
                reached |= main_reach
        tests[n[:-4]] = reached
    return tests


def tests_for(path, tests):
    """The test programs that reach path, the module's own test first."""
    own = "test_" + os.path.splitext(os.path.basename(path))[0]
    chosen = sorted(t for t, reached in tests.items() if path in reached)
    if not chosen:  # a file no test includes the way of: every test program, to be safe
        chosen = sorted(tests)
    if own in chosen:
        chosen.remove(own)
        chosen.insert(0, own)
    return chosen


# ---- Building and testing ----

def run(cmd, cwd, timeout=None, log=None):
    try:
        p = subprocess.run(cmd, cwd=cwd, capture_output=True, text=True, errors="replace",
                           timeout=timeout)
        out = p.stdout + p.stderr
        code = p.returncode
    except subprocess.TimeoutExpired:
        out = ""
        code = None  # ran past its limit
    if log is not None:
        log.write(f"$ {' '.join(cmd)}\n{out}\n")
    return code, out


def configure(copy_dir, build_dir, log):
    code, out = run(NICE + ["cmake", "-S", copy_dir, "-B", build_dir,
                            "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DTAFCVT_BUILD_BENCH=OFF",
                            "-DTAFCVT_FUZZ=OFF"], PROJECT, log=log)
    if code != 0:
        sys.exit("cmake failed on the scratch copy:\n" + out)


def build(build_dir, targets, jobs, log):
    code, _ = run(NICE + ["cmake", "--build", build_dir, "-j", str(jobs), "--target"] + targets,
                  PROJECT, log=log)
    return code == 0


FAILED = re.compile(r"^\[  FAILED  \] (\S+)", re.M)


def run_test(build_dir, test, limit, log):
    """None when the test program passed, else what failed."""
    tdir = os.path.join(build_dir, "tests")
    code, out = run([os.path.join(tdir, test), "--gtest_fail_fast", "--gtest_brief=1"], tdir,
                    timeout=limit, log=log)
    if code == 0:
        return None
    if code is None:
        return f"{test} (time limit)"
    failed = FAILED.search(out)
    return f"{test} {failed.group(1)}" if failed else f"{test} (status {code})"


def baseline(build_dir, tests, jobs, log):
    """Builds the unchanged copy and times every test program; all must pass."""
    if not build(build_dir, ["tafcvt"] + tests, jobs, log):
        sys.exit("the unchanged scratch copy does not build: see the log")
    times = {}
    for t in tests:
        start = time.monotonic()
        failed = run_test(build_dir, t, None, log)
        times[t] = time.monotonic() - start
        if failed:
            sys.exit(f"the unchanged code fails {failed}: mend that first")
    return {t: max(TIME_FLOOR, TIME_FACTOR * s) for t, s in times.items()}


def apply(copy_dir, m):
    """The file's text with the mutant applied, or None (stale) with the reason."""
    path = os.path.join(copy_dir, m.path)
    if not os.path.isfile(path):
        return None, "no such file"
    with open(path, encoding="utf-8") as f:
        text = f.read()
    count = text.count(m.old_text)
    if count != 1:
        return None, f"text found {count} times"
    return text.replace(m.old_text, m.new_text), text


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--list", default=DEFAULT_LIST, help="the mutant list")
    ap.add_argument("--work", default=DEFAULT_WORK,
                    help="scratch folder: the copy (src) and its build folder (build)")
    ap.add_argument("--only", default="", help="comma-separated name prefixes")
    ap.add_argument("--check", action="store_true",
                    help="only check that each mutant applies; show the tests it would run")
    ap.add_argument("--all-tests", action="store_true",
                    help="run every test program, not only those that reach the file")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--report", help="also write the results to this file")
    args = ap.parse_args()

    mutants = read_mutants(args.list)
    if args.only:
        prefixes = [p for p in args.only.split(",") if p]
        mutants = [m for m in mutants if any(m.name.startswith(p) for p in prefixes)]
    copy_dir = os.path.join(args.work, "src")
    build_dir = os.path.join(args.work, "build")
    os.makedirs(copy_dir, exist_ok=True)
    sync_copy(copy_dir)
    tests = test_programs(copy_dir)

    if args.check:
        bad = 0
        for m in mutants:
            changed, why = apply(copy_dir, m)
            chosen = sorted(tests) if args.all_tests else tests_for(m.path, tests)
            state = "ok" if changed is not None else f"STALE ({why})"
            bad += changed is None
            print(f"{m.name:32} {state:24} {' '.join(chosen)}")
        print(f"{len(mutants)} mutants, {bad} stale")
        return 1 if bad else 0

    log_path = os.path.join(args.work, "mutate.log")
    results = []
    with open(log_path, "w", encoding="utf-8") as log:
        configure(copy_dir, build_dir, log)
        limits = baseline(build_dir, sorted(tests), args.jobs, log)
        for number, m in enumerate(mutants, 1):
            changed, original = apply(copy_dir, m)
            chosen = sorted(tests) if args.all_tests else tests_for(m.path, tests)
            detail = ""
            if changed is None:
                state, detail = "stale", original
            else:
                path = os.path.join(copy_dir, m.path)
                log.write(f"==== {m.name}\n")
                try:
                    with open(path, "w", encoding="utf-8") as f:
                        f.write(changed)
                    if not build(build_dir, ["tafcvt"] + chosen, args.jobs, log):
                        state = "no-build"
                    else:
                        state = "survived"
                        for t in chosen:
                            failed = run_test(build_dir, t, limits[t], log)
                            if failed:
                                state, detail = "killed", failed
                                break
                finally:
                    with open(path, "w", encoding="utf-8") as f:
                        f.write(original)
            if state == "survived" and m.equivalent:
                detail = "equivalent: " + m.equivalent
            results.append((m, state, detail))
            print(f"[{number}/{len(mutants)}] {m.name:32} {state:9} {detail}", flush=True)
        # The copy's build folder is left as the unchanged code builds it.
        build(build_dir, ["tafcvt"] + sorted(tests), args.jobs, log)

    lines = summary(results)
    print("\n".join(lines))
    if args.report:
        with open(args.report, "w", encoding="utf-8") as f:
            for m, state, detail in results:
                f.write(f"{m.name:32} {m.path:28} {state:9} {detail}\n")
            f.write("\n" + "\n".join(lines) + "\n")
    return 0


def summary(results):
    count = {s: 0 for s in ("killed", "survived", "no-build", "stale")}
    for _, state, _ in results:
        count[state] += 1
    equivalent = sum(1 for m, s, _ in results if s == "survived" and m.equivalent)
    scored = count["killed"] + count["survived"]
    lines = [f"mutants: {len(results)}; killed {count['killed']}, survived {count['survived']} "
             f"({equivalent} known equivalent), no-build {count['no-build']}, "
             f"stale {count['stale']}"]
    if scored:
        lines.append(f"score: {count['killed']}/{scored} = {100.0 * count['killed'] / scored:.1f}%")
        real = scored - equivalent
        if equivalent and real:
            lines.append(f"score without the equivalent mutants: {count['killed']}/{real} = "
                         f"{100.0 * count['killed'] / real:.1f}%")
    survivors = [m.name for m, s, _ in results if s == "survived" and not m.equivalent]
    if survivors:
        lines.append("survivors: " + " ".join(survivors))
    return lines


if __name__ == "__main__":
    sys.exit(main())
