#!/usr/bin/env python3
"""Benchmark kit: runs each workload under quorin, lua5.4 and python3, checks
that the three print the same text, and reports times, ratios and the peak
memory of each.

Usage: python3 bench/run.py [--quorin PATH] [--runs N] [--only NAME] [--quick]

Standard library only.  See bench/README.md for how to read the output.
"""

import argparse
import math
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
WORKLOADS = os.path.join(HERE, "workloads")

sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # keep bench/ free of __pycache__
import gen_analysis  # noqa: E402
import gen_lines  # noqa: E402

# Order of the table.  "strings2x" and "analysis2x" double the work of the
# row before them; their time ratio shows how the cost grows.
ALL = ["loop", "mandelbrot", "collatz", "strings", "strings2x", "strings_dbcs", "variables",
       "analysis", "analysis2x", "lines1m"]
COMPUTE = ["loop", "mandelbrot", "collatz", "variables"]
# Workloads written into the temporary directory at every run:
# name -> (generator, full lines, quick lines).
GENERATED = {"analysis": (gen_analysis.generate, 20000, 2000),
             "analysis2x": (gen_analysis.generate, 40000, 4000),
             "lines1m": (gen_lines.generate, 1000000, 20000)}
IMPLS = ["quorin", "lua", "python"]

# What the host writes on stderr after every run: a line end and the closing
# prompt, in code page 932.
PROMPT = "\n" + "何かキーを押してください..."
EXPECTED_STDERR = PROMPT.encode("cp932")

TARGET_GEO_PYTHON = 0.5
TARGET_GEO_LUA = 2.0
TARGET_DOUBLING = 2.0
TARGET_ANALYSIS_LUA = 3.0
TARGET_COMPUTE_MIB = 10.0
TARGET_LINES_LUA_TIME = 2.0
TARGET_LINES_LUA_MEMORY = 10.0
TARGET_DBCS_STRINGS = 1.5

SIZE_LINE = re.compile(r"^(.*?=\s*)(\d+)(\s*;?\s*(?://|--|#)\s*bench-size\s+quick=(\d+).*)$")


def die(msg, code=2):
    print("run.py: " + msg, file=sys.stderr)
    sys.exit(code)


# ---------------------------------------------------------------- tools

def ensure_lua(explicit):
    if explicit:
        if not shutil.which(explicit):
            die("lua interpreter not found: %s" % explicit)
        return shutil.which(explicit)
    found = shutil.which("lua5.4")
    if found:
        return found
    if os.geteuid() != 0:
        die("lua5.4 is missing; install it (apt-get install -y lua5.4) or run as root")
    print("lua5.4 is missing: installing it with apt-get ...", file=sys.stderr)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    cmd = ["apt-get", "install", "-y", "lua5.4"]
    if subprocess.call(cmd, env=env, stdout=subprocess.DEVNULL) != 0:
        subprocess.call(["apt-get", "update"], env=env, stdout=subprocess.DEVNULL)
        if subprocess.call(cmd, env=env, stdout=subprocess.DEVNULL) != 0:
            die("could not install lua5.4 with apt-get")
    found = shutil.which("lua5.4")
    if not found:
        die("lua5.4 still not found after installing it")
    return found


def find_quorin(path):
    if not os.path.isabs(path):
        path = os.path.join(ROOT, path)
    if not (os.path.isfile(path) and os.access(path, os.X_OK)):
        die("quorin binary not found at %s\n"
            "Build it first, as a Release build:\n"
            "  cmake -S %s -B %s/build -DCMAKE_BUILD_TYPE=Release\n"
            "  cmake --build %s/build -j2 --target quorin\n"
            "or pass --quorin PATH." % (path, ROOT, ROOT, ROOT))
    return path


def build_warnings(quorin):
    """Reads the CMake cache next to the binary, if any, for a slow build."""
    warnings = []
    d = os.path.dirname(quorin)
    for _ in range(3):
        cache = os.path.join(d, "CMakeCache.txt")
        if os.path.isfile(cache):
            with open(cache, errors="replace") as f:
                text = f.read()
            m = re.search(r"^CMAKE_BUILD_TYPE:\w+=(.*)$", text, re.M)
            btype = m.group(1).strip() if m else ""
            if btype not in ("Release", "RelWithDebInfo"):
                warnings.append("quorin was built with CMAKE_BUILD_TYPE=%r, not Release: "
                                "times are not representative" % btype)
            if re.search(r"^QUORIN_SANITIZE:\w+=(ON|1|TRUE)$", text, re.M | re.I):
                warnings.append("quorin was built with sanitizers: times and memory "
                                "are not representative")
            break
        d = os.path.dirname(d)
    return warnings


# ---------------------------------------------------------------- running

class Result:
    def __init__(self, seconds, cpu_seconds, stdout, stderr, code, maxrss_kib, timed_out):
        self.seconds = seconds
        self.cpu_seconds = cpu_seconds
        self.stdout = stdout
        self.stderr = stderr
        self.code = code
        self.maxrss_kib = maxrss_kib
        self.timed_out = timed_out


_SUBREAPER = None


def subreaper():
    """Makes this process the reaper of its orphaned descendants (Linux)."""
    global _SUBREAPER
    if _SUBREAPER is None:
        try:
            import ctypes
            libc = ctypes.CDLL(None, use_errno=True)
            _SUBREAPER = libc.prctl(36, 1, 0, 0, 0) == 0  # PR_SET_CHILD_SUBREAPER
        except (OSError, AttributeError):
            _SUBREAPER = False
    return _SUBREAPER


def launch(cmd, out, err, cwd):
    """Starts cmd as a grandchild, held before its exec until released.

    Linux carries the peak RSS of a process image over an exec, so a program
    started straight from this (large) Python process would report at least
    Python's own RSS as its peak.  The program is therefore forked from a
    small shell instead; the shell exits at once, the held subshell is
    handed to us as its reaper, and we release it.  Returns (pid, release).
    """
    pid_r, pid_w = os.pipe()
    go_r, go_w = os.pipe()
    script = '( read -r _ <&%d; exec "$@" %d<&- ) %d>&- & echo $! >&%d' % (go_r, go_r, pid_w, pid_w)
    shell = subprocess.Popen(["/bin/sh", "-c", script, "sh"] + cmd, stdin=subprocess.DEVNULL,
                             stdout=out, stderr=err, cwd=cwd, pass_fds=(pid_w, go_r))
    os.close(pid_w)
    os.close(go_r)
    with os.fdopen(pid_r) as f:
        text = f.readline().strip()
    shell.wait()
    if not text.isdigit():
        os.close(go_w)
        raise RuntimeError("could not start %s" % cmd[0])

    def release():
        os.write(go_w, b"go\n")
        os.close(go_w)
    return int(text), release


def run_once(cmd, timeout, cwd):
    """Runs cmd with stdin from /dev/null; wall time, output and peak RSS."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        lock = threading.Lock()
        state = {"done": False, "timed_out": False}
        if subreaper():
            pid, release = launch(cmd, out, err, cwd)
            start = time.perf_counter()
            release()
        else:
            start = time.perf_counter()
            proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err, cwd=cwd)
            pid = proc.pid
            proc.returncode = 0  # reaped below; keeps Popen from waiting on it

        def on_timeout():
            with lock:
                if not state["done"]:
                    state["timed_out"] = True
                    os.kill(pid, 9)

        timer = threading.Timer(timeout, on_timeout)
        timer.start()
        try:
            # Wait without reaping, so the pid cannot be reused while the
            # timer may still fire; then reap and collect the usage.
            os.waitid(os.P_PID, pid, os.WEXITED | os.WNOWAIT)
            elapsed = time.perf_counter() - start
            with lock:
                state["done"] = True
            timer.cancel()
            _, status, usage = os.wait4(pid, 0)
        except BaseException:
            timer.cancel()
            with lock:
                if not state["done"]:
                    state["done"] = True
                    os.kill(pid, 9)
                    os.wait4(pid, 0)
            raise
        out.seek(0)
        err.seek(0)
        return Result(elapsed, usage.ru_utime + usage.ru_stime, out.read(), err.read(),
                      os.waitstatus_to_exitcode(status),
                      usage.ru_maxrss, state["timed_out"])


def show(data, limit=300):
    """Error output in one line, without the closing prompt."""
    text = data.decode("cp932", errors="replace")
    if text.endswith(PROMPT):
        text = text[:-len(PROMPT)]
    text = " | ".join(line.strip() for line in text.strip().splitlines() if line.strip())
    if len(text) > limit:
        text = text[:limit] + "..."
    return text


def first_difference(a, b):
    la, lb = a.split(b"\n"), b.split(b"\n")
    for i in range(max(len(la), len(lb))):
        x = la[i] if i < len(la) else None
        y = lb[i] if i < len(lb) else None
        if x != y:
            def r(v):
                return "<missing>" if v is None else repr(v.decode("cp932", errors="replace")[:120])
            return "line %d: %s vs %s" % (i + 1, r(x), r(y))
    return "no difference"


def check_run(impl, res):
    """Returns (normalised stdout or None, problem text or None)."""
    if res.timed_out:
        return None, "%s timed out" % impl
    if impl == "quorin":
        problem = None
        if res.code != 0:
            problem = "quorin exited with status %d" % res.code
        elif res.stderr != EXPECTED_STDERR:
            problem = "quorin wrote unexpected text on stderr: %s" % show(res.stderr)
        if not res.stdout.startswith(b"\n"):
            return None, "quorin stdout does not start with the empty line: %s" % show(res.stdout)
        return res.stdout[1:], problem
    if res.code != 0 or res.stderr:
        return res.stdout, "%s failed (status %d): %s" % (impl, res.code, show(res.stderr))
    return res.stdout, None


# ---------------------------------------------------------------- workloads

def quick_copy(src, dst):
    """Copies a workload file, replacing every tagged size by its quick value."""
    count = 0
    lines = []
    with open(src, encoding="utf-8", newline="") as f:
        for line in f:
            m = SIZE_LINE.match(line.rstrip("\n"))
            if m:
                line = m.group(1) + m.group(4) + m.group(3) + "\n"
                count += 1
            lines.append(line)
    if count == 0:
        die("%s has no bench-size line" % src)
    with open(dst, "w", encoding="utf-8", newline="") as f:
        f.writelines(lines)


def check_doubled_variant(base, variant):
    """The 2x files must equal the base files except for comments and the size."""
    def strip(path):
        keep = []
        with open(path, encoding="utf-8") as f:
            for line in f:
                s = line.strip()
                if not s or s.startswith(("//", "--", "#")):
                    continue
                m = SIZE_LINE.match(line.rstrip("\n"))
                if m:
                    keep.append(("SIZE", m.group(1).strip(), int(m.group(2)), int(m.group(4))))
                else:
                    keep.append(s)
        return keep
    for ext in ("qrn", "lua", "py"):
        a = strip(os.path.join(WORKLOADS, "%s.%s" % (base, ext)))
        b = strip(os.path.join(WORKLOADS, "%s.%s" % (variant, ext)))
        sa = [x for x in a if isinstance(x, tuple)]
        sb = [x for x in b if isinstance(x, tuple)]
        if ([x for x in a if not isinstance(x, tuple)] != [x for x in b if not isinstance(x, tuple)]
                or len(sa) != 1 or len(sb) != 1
                or sb[0][2] != 2 * sa[0][2] or sb[0][3] != 2 * sa[0][3]):
            die("%s.%s is not %s.%s with the size doubled" % (variant, ext, base, ext))


def to_code_page(src, dst):
    """Writes a copy of a UTF-8 macro in code page 932, the encoding quorin reads."""
    with open(src, encoding="utf-8", newline="") as f:
        text = f.read()
    with open(dst, "wb") as f:
        f.write(text.encode("cp932"))


def is_ascii(path):
    with open(path, "rb") as f:
        return f.read().isascii()


def prepare(names, quick, tmp):
    """Returns {name: {"qrn": path, "lua": path, "py": path}}.

    Workload files are UTF-8 in the repository.  A macro with other than
    ASCII text is handed to quorin as a code page 932 copy; Lua and Python
    read the UTF-8 files."""
    files = {}
    for name in names:
        if name in GENERATED:
            generate, full, small = GENERATED[name]
            files[name] = generate(small if quick else full, tmp, name)
            continue
        paths = {}
        for ext in ("qrn", "lua", "py"):
            src = os.path.join(WORKLOADS, "%s.%s" % (name, ext))
            if not os.path.isfile(src):
                die("missing workload file %s" % src)
            if quick:
                dst = os.path.join(tmp, "%s.%s" % (name, ext))
                quick_copy(src, dst)
                paths[ext] = dst
            else:
                paths[ext] = src
        if not is_ascii(paths["qrn"]):
            dst = os.path.join(tmp, "%s.cp932.qrn" % name)
            to_code_page(paths["qrn"], dst)
            paths["qrn"] = dst
        files[name] = paths
    return files


# ---------------------------------------------------------------- measuring

class Row:
    def __init__(self, name):
        self.name = name
        self.times = {impl: [] for impl in IMPLS}
        self.peak_kib = {impl: 0 for impl in IMPLS}  # largest over the runs
        self.problems = []
        self.output = None
        self.skipped = set()

    def median(self, impl):
        t = self.times[impl]
        return statistics.median(t) if t and impl not in self.skipped else None

    def peak_mib(self, impl):
        k = self.peak_kib[impl]
        return k / 1024.0 if k and impl not in self.skipped else None

    @property
    def ok(self):
        return not self.problems


def measure(name, paths, cmds, runs, timeout, tmp, cpu):
    row = Row(name)
    for _ in range(runs):
        outs = {}
        for impl in IMPLS:
            if impl in row.skipped:
                continue
            ext = {"quorin": "qrn", "lua": "lua", "python": "py"}[impl]
            res = run_once(cmds[impl] + [paths[ext]], timeout, tmp)
            out, problem = check_run(impl, res)
            if problem:
                row.problems.append(problem)
            if res.timed_out:
                row.skipped.add(impl)
                continue
            row.times[impl].append(res.cpu_seconds if cpu else res.seconds)
            row.peak_kib[impl] = max(row.peak_kib[impl], res.maxrss_kib)
            if out is not None:
                outs[impl] = out
        # Lua's output is the reference, then Python's; every run must
        # print the same text as the first.
        for impl in ("lua", "python", "quorin"):
            if impl in outs:
                if row.output is None:
                    row.output = (impl, outs[impl])
                    if not outs[impl].strip():
                        row.problems.append("%s printed nothing" % impl)
                break
        if row.output is None:
            continue
        ref_impl, ref = row.output
        for impl in IMPLS:
            if impl in outs and outs[impl] != ref:
                row.problems.append("output of %s differs from %s: %s"
                                    % (impl, ref_impl, first_difference(outs[impl], ref)))
    # Report each distinct problem once.
    seen = []
    for p in row.problems:
        if p not in seen:
            seen.append(p)
    row.problems = seen
    return row


def baseline(cmd, runs, timeout, tmp, cpu):
    """Time and peak RSS of a tiny macro: the cost of starting quorin."""
    path = os.path.join(tmp, "baseline.qrn")
    with open(path, "w") as f:
        f.write('println("ready");\n')
    times, peaks, problems = [], [], []
    for _ in range(runs):
        res = run_once(cmd + [path], timeout, tmp)
        out, problem = check_run("quorin", res)
        if problem:
            problems.append(problem)
        elif out != b"ready\n":
            problems.append("tiny macro printed %s" % show(out or b""))
        times.append(res.cpu_seconds if cpu else res.seconds)
        peaks.append(res.maxrss_kib)
    return statistics.median(times), min(peaks), sorted(set(problems))


# ---------------------------------------------------------------- report

def fmt(v, width, digits=3):
    return ("%*.*f" % (width, digits, v)) if v is not None else " " * (width - 1) + "-"


def ratio(a, b):
    return a / b if a is not None and b else None


def geomean(values):
    if not values or any(v is None or v <= 0 for v in values):
        return None
    return math.exp(sum(math.log(v) for v in values) / len(values))


def verdict(value, limit):
    if value is None:
        return "n/a"
    return "ok" if value <= limit else "MISSED"


def report(rows, base, sizes, cpu):
    print()
    unit = "cpu" if cpu else "s"
    line = "%-12s %10s %10s %10s %8s %9s %8s %8s %8s %9s  %s"
    head = line % ("workload", "quorin " + unit, "lua " + unit, "python " + unit, "q/lua", "q/python",
                   "q MiB", "lua MiB", "py MiB", "q/lua MiB", "status")
    print(head)
    print("-" * len(head))
    for row in rows:
        q, l, p = row.median("quorin"), row.median("lua"), row.median("python")
        qm, lm, pm = row.peak_mib("quorin"), row.peak_mib("lua"), row.peak_mib("python")
        status = "ok" if row.ok else "FAIL"
        if "quorin" in row.skipped:
            status = "FAIL (quorin timed out)"
        print(line % (
            row.name, fmt(q, 10), fmt(l, 10), fmt(p, 10),
            fmt(ratio(q, l) if row.ok else None, 8, 2),
            fmt(ratio(q, p) if row.ok else None, 9, 2),
            fmt(qm, 8, 1), fmt(lm, 8, 1), fmt(pm, 8, 1),
            fmt(ratio(qm, lm) if row.ok else None, 9, 1), status))
    for row in rows:
        for p in row.problems:
            print("!! %s: %s" % (row.name, p))

    by = {r.name: r for r in rows}
    good = {n: r for n, r in by.items() if r.ok}
    results = []  # (description, value, limit) for --strict
    print()
    if base:
        print("quorin start-up (tiny macro): %.3f s, peak %.1f MiB" % (base[0], base[1] / 1024.0))

    if all(n in good for n in COMPUTE):
        gp = geomean([ratio(good[n].median("quorin"), good[n].median("python")) for n in COMPUTE])
        gl = geomean([ratio(good[n].median("quorin"), good[n].median("lua")) for n in COMPUTE])
        print("geometric mean quorin/python3 over %s: %s  (required <= %.1f: %s)"
              % (", ".join(COMPUTE), fmt(gp, 0, 2).strip(), TARGET_GEO_PYTHON, verdict(gp, TARGET_GEO_PYTHON)))
        print("geometric mean quorin/lua5.4  over %s: %s  (expected <= %.1f: %s)"
              % (", ".join(COMPUTE), fmt(gl, 0, 2).strip(), TARGET_GEO_LUA, verdict(gl, TARGET_GEO_LUA)))
        results += [("geomean quorin/python3", gp, TARGET_GEO_PYTHON),
                    ("geomean quorin/lua5.4", gl, TARGET_GEO_LUA)]
        peak = max(good[n].peak_mib("quorin") for n in COMPUTE)
        print("largest quorin peak over the compute workloads: %.1f MiB  (target < %.0f MiB: %s)"
              % (peak, TARGET_COMPUTE_MIB, "ok" if peak < TARGET_COMPUTE_MIB else "MISSED"))
        results.append(("compute peak MiB", peak, TARGET_COMPUTE_MIB))
    else:
        print("geometric means: need %s all passing" % ", ".join(COMPUTE))

    for base_name, double_name, label in (("strings", "strings2x", "strings"),
                                          ("analysis", "analysis2x", "analysis")):
        if base_name in good and double_name in good:
            d = {impl: ratio(good[double_name].median(impl), good[base_name].median(impl)) for impl in IMPLS}
            print("%s doubling (%s time / %s time): quorin %s  (target <= %.1f: %s); lua %s, python %s"
                  % (label, double_name, base_name, fmt(d["quorin"], 0, 2).strip(), TARGET_DOUBLING,
                     verdict(d["quorin"], TARGET_DOUBLING), fmt(d["lua"], 0, 2).strip(),
                     fmt(d["python"], 0, 2).strip()))
            results.append(("%s doubling" % label, d["quorin"], TARGET_DOUBLING))

    if "strings" in good and "strings_dbcs" in good:
        d = {impl: ratio(good["strings_dbcs"].median(impl), good["strings"].median(impl)) for impl in IMPLS}
        print("double-byte strings (strings_dbcs time / strings time): quorin %s  (target <= %.1f: %s);"
              " lua %s, python %s"
              % (fmt(d["quorin"], 0, 2).strip(), TARGET_DBCS_STRINGS, verdict(d["quorin"], TARGET_DBCS_STRINGS),
                 fmt(d["lua"], 0, 2).strip(), fmt(d["python"], 0, 2).strip()))
        results.append(("strings_dbcs/strings", d["quorin"], TARGET_DBCS_STRINGS))

    if "analysis" in good:
        r = ratio(good["analysis"].median("quorin"), good["analysis"].median("lua"))
        print("analysis quorin/lua5.4 (load, analyse, short run): %s  (target <= %.1f: %s)"
              % (fmt(r, 0, 2).strip(), TARGET_ANALYSIS_LUA, verdict(r, TARGET_ANALYSIS_LUA)))
        results.append(("analysis quorin/lua5.4", r, TARGET_ANALYSIS_LUA))
    if "lines1m" in good:
        row = good["lines1m"]
        rt = ratio(row.median("quorin"), row.median("lua"))
        rm = ratio(row.peak_mib("quorin"), row.peak_mib("lua"))
        print("lines1m quorin/lua5.4 (load, analyse, run): time %s  (target <= %.1f: %s), "
              "peak memory %s  (target <= %.1f: %s)"
              % (fmt(rt, 0, 2).strip(), TARGET_LINES_LUA_TIME, verdict(rt, TARGET_LINES_LUA_TIME),
                 fmt(rm, 0, 1).strip(), TARGET_LINES_LUA_MEMORY, verdict(rm, TARGET_LINES_LUA_MEMORY)))
        results += [("lines1m time quorin/lua5.4", rt, TARGET_LINES_LUA_TIME),
                    ("lines1m memory quorin/lua5.4", rm, TARGET_LINES_LUA_MEMORY)]
    if base:
        for n in ("analysis", "analysis2x", "lines1m"):
            if n in good and sizes.get(n):
                extra = (good[n].peak_kib["quorin"] - base[1]) * 1024.0
                print("tree memory estimate, %s: (peak %.1f MiB - baseline %.1f MiB) / %d source bytes"
                      " = %.1f bytes per source byte"
                      % (n, good[n].peak_mib("quorin"), base[1] / 1024.0, sizes[n], extra / sizes[n]))
    return results


# ---------------------------------------------------------------- main

def main():
    ap = argparse.ArgumentParser(
        description="Times quorin against lua5.4 and python3 on the workloads in bench/workloads.")
    ap.add_argument("--quorin", default="build/quorin",
                    help="quorin binary, relative to the repository root unless absolute "
                         "(default build/quorin; build it as Release)")
    ap.add_argument("--lua", default=None, help="Lua 5.4 interpreter (default: lua5.4 on PATH, "
                                                "installed with apt-get when missing)")
    ap.add_argument("--python", default=sys.executable,
                    help="Python 3 interpreter (default: the one running this script)")
    ap.add_argument("--runs", type=int, default=3, help="runs per implementation, median taken (default 3)")
    ap.add_argument("--only", action="append", default=[],
                    help="run only this workload (repeatable or comma-separated): " + ", ".join(ALL))
    ap.add_argument("--quick", action="store_true",
                    help="much smaller sizes, to check the kit itself; the ratios mean little")
    ap.add_argument("--timeout", type=float, default=300.0, help="seconds allowed per run (default 300)")
    ap.add_argument("--cpu", action="store_true",
                    help="compare CPU time (user + system) instead of wall time; "
                         "steadier on a machine that is busy with other work")
    ap.add_argument("--strict", action="store_true", help="exit with status 3 when a target is missed")
    args = ap.parse_args()

    if args.runs < 1:
        die("--runs must be at least 1")
    names = ALL
    if args.only:
        wanted = [n.strip() for item in args.only for n in item.split(",") if n.strip()]
        unknown = [n for n in wanted if n not in ALL]
        if unknown:
            die("unknown workload(s): %s; choose from %s" % (", ".join(unknown), ", ".join(ALL)))
        names = [n for n in ALL if n in wanted]

    quorin = find_quorin(args.quorin)
    lua = ensure_lua(args.lua)
    python = args.python
    if "strings2x" in names:
        check_doubled_variant("strings", "strings2x")

    for w in build_warnings(quorin):
        print("warning: " + w)
    print("quorin: %s\nlua:    %s\npython: %s" % (quorin, lua, python))
    print("runs per implementation: %d, median %s time%s"
          % (args.runs, "CPU" if args.cpu else "wall", "  (QUICK MODE: reduced sizes)" if args.quick else ""))

    cmds = {"quorin": [quorin], "lua": [lua], "python": [python]}
    tmp = tempfile.mkdtemp(prefix="quorin-bench-")
    try:
        files = prepare(names, args.quick, tmp)
        sizes = {n: os.path.getsize(files[n]["qrn"]) for n in names}
        base_time, base_peak, base_problems = baseline(cmds["quorin"], args.runs, args.timeout, tmp,
                                                       args.cpu)
        for p in base_problems:
            print("!! tiny macro: " + p)
        base = None if base_problems else (base_time, base_peak)
        rows = []
        for name in names:
            print("running %-12s ..." % name, end="", flush=True)
            t0 = time.perf_counter()
            row = measure(name, files[name], cmds, args.runs, args.timeout, tmp, args.cpu)
            print(" %.1f s%s" % (time.perf_counter() - t0, "" if row.ok else "  FAIL"), flush=True)
            rows.append(row)
        results = report(rows, base, sizes, args.cpu)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)

    if args.quick:
        print("\n(quick mode: sizes were reduced, so start-up dominates and the targets do not apply)")
    if any(not r.ok for r in rows) or base_problems:
        sys.exit(1)
    if args.strict and not args.quick and any(v is None or v > lim for _, v, lim in results):
        sys.exit(3)


if __name__ == "__main__":
    main()
