#!/usr/bin/env python3
"""Growth kit: runs quorin alone on macros of one shape at n, 2n and 4n and
reports how its time grows with each doubling; then times the splitter's
crafted input against an ordinary input of the same size.

Usage: python3 bench/growth.py [--quorin PATH] [--runs N] [--only NAME] [--quick] [--cpu]

Standard library only.  The shapes are written by gen_growth.py; see
bench/README.md for what each measures and how to read the output.
"""

import argparse
import os
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # keep bench/ free of __pycache__
import gen_growth  # noqa: E402
import run  # noqa: E402

# The last doubling, t(4n) / t(2n), may be at most this: a cost linear in n
# gives 2, and a little more leaves room for caches and noise.
TARGET_DOUBLING = 2.2
# The crafted splitter input may take at most this many times as long as the
# ordinary one of the same size.
TARGET_SPLITTER = 2.0
SPLITTER_SIZES = [2 << 20, 8 << 20]
QUICK_SPLITTER_SIZES = [200 << 10]
SPLITTER = "splitter"  # the name --only knows the splitter rows by


def die(msg, code=2):
    print("growth.py: " + msg, file=sys.stderr)
    sys.exit(code)


class Measured:
    """The runs of one macro: times, peak memory and what went wrong."""

    def __init__(self):
        self.times = []
        self.peak_kib = 0
        self.problems = []
        self.timed_out = False

    # The shortest run: other work on the machine only ever adds time, and a
    # ratio of two noisy medians swings more than one of two minimums.
    def best(self):
        return min(self.times) if self.times and not self.timed_out else None

    @property
    def ok(self):
        return not self.problems


def run_macro(quorin, path, expected_out, refused, timeout, tmp, cpu, into):
    """Runs one macro once and adds its time, peak and problems to `into`.
    A macro `refused` must end in the syntax error instead of running."""
    if into.timed_out:
        return
    res = run.run_once([quorin, path], timeout, tmp)
    if res.timed_out:
        into.timed_out = True
        into.problems.append("timed out after %.0f s" % timeout)
        return
    into.times.append(res.cpu_seconds if cpu else res.seconds)
    into.peak_kib = max(into.peak_kib, res.maxrss_kib)
    out, problem = run.check_run("quorin", res)
    if refused and res.code == 0:
        problem = None if is_syntax_error(res.stderr) else \
            "expected the syntax error, got on stderr: %s" % run.show(res.stderr)
    if problem:
        into.problems.append(problem)
    elif out != expected_out:
        into.problems.append("printed %s, expected %s"
                             % (run.show(out or b"", 80), run.show(expected_out, 80)))


def distinct(problems):
    seen = []
    for p in problems:
        if p not in seen:
            seen.append(p)
    return seen


# ---------------------------------------------------------------- shapes

def measure_shape(shape, n, quorin, runs, timeout, tmp, cpu):
    sizes = [n, 2 * n, 4 * n]
    files = []
    for size in sizes:
        text, expected = shape.make(size)
        path = os.path.join(tmp, "%s-%d.qrn" % (shape.name, size))
        gen_growth.write_macro(path, text)
        files.append((path, expected.encode("cp932")))
    results = [Measured() for _ in sizes]
    for _ in range(runs):
        for (path, expected), into in zip(files, results):
            run_macro(quorin, path, expected, False, timeout, tmp, cpu, into)
    return sizes, results


def report_shapes(rows, cpu):
    unit = "cpu" if cpu else "s"
    line = "%-18s %6s %9s %9s %9s %6s %6s %9s  %s"
    head = line % ("shape", "n", "t(n) " + unit, "t(2n)", "t(4n)", "2n/n", "4n/2n", "4n MiB", "status")
    print(head)
    print("-" * len(head))
    verdicts = []
    for shape, sizes, results in rows:
        t = [r.best() for r in results]
        d1, d2 = None, None
        if all(r.ok for r in results):
            d1, d2 = run.ratio(t[1], t[0]), run.ratio(t[2], t[1])
            status = run.verdict(d2, TARGET_DOUBLING)
            verdicts.append((shape.name, d2, TARGET_DOUBLING))
        else:
            status = "FAIL"
        print(line % (shape.name, sizes[0], run.fmt(t[0], 9), run.fmt(t[1], 9), run.fmt(t[2], 9),
                      run.fmt(d1, 6, 2), run.fmt(d2, 6, 2),
                      run.fmt(results[2].peak_kib / 1024.0 if results[2].peak_kib else None, 9, 1),
                      status))
    for shape, sizes, results in rows:
        for size, r in zip(sizes, results):
            for p in distinct(r.problems):
                print("!! %s at %d: %s" % (shape.name, size, p))
    return verdicts


# ---------------------------------------------------------------- the splitter

# The message of the syntax error, in the frame quorin writes on stderr
# before the closing prompt (the frame may also say where the error is).
SYNTAX_ERROR = "マクロに文法的エラーがあります。".encode("cp932")


def is_syntax_error(stderr):
    return SYNTAX_ERROR in stderr and stderr.endswith(run.EXPECTED_STDERR)


def measure_splitter(kind, size, quorin, runs, timeout, tmp, cpu):
    crafted, ordinary, info = gen_growth.splitter_pair(kind, size)
    # The runs of the "bytes" kind are no words of the language: the macro is
    # refused at its first sentence, after splitting.  Identifiers run.
    refused = kind == "bytes"
    expected_out = b"" if refused else b"0\n"
    files = []
    for which, data in (("crafted", crafted), ("ordinary", ordinary)):
        path = os.path.join(tmp, "splitter-%s-%s-%d.qrn" % (kind, which, size))
        with open(path, "wb") as f:
            f.write(data)
        files.append(path)
    results = [Measured(), Measured()]
    for _ in range(runs):
        for path, into in zip(files, results):
            run_macro(quorin, path, expected_out, refused, timeout, tmp, cpu, into)
    for path in files:
        os.remove(path)
    return info, results


def report_splitter(rows, cpu):
    unit = "cpu" if cpu else "s"
    line = "%-7s %8s %13s %13s %7s  %s"
    head = line % ("runs", "size", "crafted " + unit, "ordinary " + unit, "ratio", "status")
    print(head)
    print("-" * len(head))
    verdicts = []
    for kind, size, info, (crafted, ordinary) in rows:
        r = None
        if crafted.ok and ordinary.ok:
            r = run.ratio(crafted.best(), ordinary.best())
            status = run.verdict(r, TARGET_SPLITTER)
            verdicts.append(("splitter %s %d" % (kind, size), r, TARGET_SPLITTER))
        else:
            status = "FAIL"
        print(line % (kind, "%.1f MiB" % (size / float(1 << 20)), run.fmt(crafted.best(), 13),
                      run.fmt(ordinary.best(), 13), run.fmt(r, 7, 1), status))
    infos = []
    for kind, _, info, _ in rows:
        if (kind, info) not in infos:
            infos.append((kind, info))
    for kind, info in infos:
        print("%s: %s" % (kind, info))
    for kind, size, info, results in rows:
        for which, r in zip(("crafted", "ordinary"), results):
            for p in distinct(r.problems):
                print("!! splitter %s %s at %d bytes: %s" % (kind, which, size, p))
    return verdicts


# ---------------------------------------------------------------- main

def main():
    names = list(gen_growth.SHAPES) + [SPLITTER]
    ap = argparse.ArgumentParser(
        description="Times quorin on macro shapes at n, 2n and 4n and on the splitter's crafted input.")
    ap.add_argument("--quorin", default="build/quorin",
                    help="quorin binary, relative to the repository root unless absolute "
                         "(default build/quorin; build it as Release)")
    ap.add_argument("--runs", type=int, default=5, help="runs per macro, the best taken (default 5)")
    ap.add_argument("--only", action="append", default=[],
                    help="run only this shape (repeatable or comma-separated): " + ", ".join(names))
    ap.add_argument("--size", action="append", default=[], metavar="SHAPE=N",
                    help="run SHAPE at N, 2N and 4N instead of its usual n (repeatable)")
    ap.add_argument("--quick", action="store_true",
                    help="tiny sizes, to check the kit itself; the ratios mean nothing")
    ap.add_argument("--timeout", type=float, default=300.0, help="seconds allowed per run (default 300)")
    ap.add_argument("--cpu", action="store_true",
                    help="compare CPU time (user + system) instead of wall time; "
                         "steadier on a machine that is busy with other work")
    ap.add_argument("--strict", action="store_true", help="exit with status 3 when a target is missed")
    ap.add_argument("--list", action="store_true", help="list the shapes with their sizes and stop")
    args = ap.parse_args()

    if args.list:
        for shape in gen_growth.SHAPES.values():
            print("%-18s n = %-6d %s" % (shape.name, shape.n, shape.what))
        print("%-18s %-10s %s" % (SPLITTER, "", "crafted against ordinary input of %s"
                                  % " and ".join("%d MiB" % (s >> 20) for s in SPLITTER_SIZES)))
        return

    if args.runs < 1:
        die("--runs must be at least 1")
    wanted = names
    if args.only:
        wanted = [n.strip() for item in args.only for n in item.split(",") if n.strip()]
        unknown = [n for n in wanted if n not in names]
        if unknown:
            die("unknown shape(s): %s; choose from %s" % (", ".join(unknown), ", ".join(names)))
    sizes = {}
    for item in args.size:
        name, _, value = item.partition("=")
        if name not in gen_growth.SHAPES or not value.isdigit() or int(value) < 1:
            die("--size wants SHAPE=N with a shape from %s" % ", ".join(gen_growth.SHAPES))
        sizes[name] = int(value)

    quorin = run.find_quorin(args.quorin)
    for w in run.build_warnings(quorin):
        print("warning: " + w)
    print("quorin: %s" % quorin)
    print("runs per macro: %d, best %s time%s"
          % (args.runs, "CPU" if args.cpu else "wall", "  (QUICK MODE: reduced sizes)" if args.quick else ""))

    tmp = tempfile.mkdtemp(prefix="quorin-growth-")
    shape_rows, splitter_rows, problems = [], [], []
    try:
        base_time, base_peak, problems = run.baseline([quorin], args.runs, args.timeout, tmp, args.cpu)
        for shape in gen_growth.SHAPES.values():
            if shape.name not in wanted:
                continue
            n = sizes.get(shape.name, shape.quick if args.quick else shape.n)
            print("running %-18s ..." % shape.name, end="", flush=True)
            t0 = time.perf_counter()
            sizes_run, results = measure_shape(shape, n, quorin, args.runs, args.timeout, tmp, args.cpu)
            print(" %.1f s%s" % (time.perf_counter() - t0, "" if all(r.ok for r in results) else "  FAIL"),
                  flush=True)
            shape_rows.append((shape, sizes_run, results))
        if SPLITTER in wanted:
            for kind in gen_growth.RUN_KINDS:
                for size in (QUICK_SPLITTER_SIZES if args.quick else SPLITTER_SIZES):
                    print("running splitter %-5s %4.1f MiB ..." % (kind, size / float(1 << 20)),
                          end="", flush=True)
                    t0 = time.perf_counter()
                    info, results = measure_splitter(kind, size, quorin, args.runs, args.timeout, tmp,
                                                     args.cpu)
                    print(" %.1f s%s" % (time.perf_counter() - t0,
                                         "" if all(r.ok for r in results) else "  FAIL"), flush=True)
                    splitter_rows.append((kind, size, info, results))
    finally:
        shutil.rmtree(tmp, ignore_errors=True)

    print()
    for p in problems:
        print("!! tiny macro: " + p)
    if not problems:
        print("quorin start-up (tiny macro): %.3f s, peak %.1f MiB" % (base_time, base_peak / 1024.0))
    verdicts = []
    if shape_rows:
        print("\nGrowth: the last doubling, t(4n)/t(2n), should be at most %.1f\n" % TARGET_DOUBLING)
        verdicts += report_shapes(shape_rows, args.cpu)
    if splitter_rows:
        print("\nSplitter: crafted input against an ordinary one of the same size, at most %.0fx\n"
              % TARGET_SPLITTER)
        verdicts += report_splitter(splitter_rows, args.cpu)

    if args.quick:
        print("\n(quick mode: sizes were reduced, so start-up dominates and the targets do not apply)")
    failed = problems or any(not r.ok for _, _, results in shape_rows for r in results) \
        or any(not r.ok for _, _, _, results in splitter_rows for r in results)
    if failed:
        sys.exit(1)
    if args.strict and not args.quick and any(v is None or v > lim for _, v, lim in verdicts):
        sys.exit(3)


if __name__ == "__main__":
    main()
