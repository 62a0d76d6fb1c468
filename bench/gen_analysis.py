#!/usr/bin/env python3
"""Writes the "analysis" workload: a long, flat macro of varied sentences
(arithmetic, if/else, small while and for loops, string functions, comments)
together with equivalent Lua and Python programs.  Running it takes little
time, so its wall time is dominated by loading and analysing the source.

Usage: python3 bench/gen_analysis.py [--lines 20000] [--out DIR] [--name analysis]

The output is deterministic for a given line count.  Integer variables stay
in [0, 10007) and every string variable stays non-empty, so the three
languages agree without any 32-bit or remainder-sign emulation.
"""

import argparse
import os
import random

MOD = 10007
NUM_INTS = 40
NUM_STRS = 8
SEED = 20240611


class Emitter:
    """Collects the three programs side by side."""

    def __init__(self):
        self.q = []
        self.l = []
        self.p = []

    def add(self, q, l, p):
        # q, l, p: lists of lines (or single strings) for each language
        for dst, src in ((self.q, q), (self.l, l), (self.p, p)):
            if isinstance(src, str):
                dst.append(src)
            else:
                dst.extend(src)


def emit_chunk(rng, e, serial):
    """Appends one randomly chosen construct to all three programs."""
    def iv():
        return "v%d" % rng.randrange(NUM_INTS)

    def sv():
        return "s%d" % rng.randrange(NUM_STRS)

    kind = rng.choices(
        ["arith", "sub", "divmix", "bits", "compound", "real", "ifelse", "ifand",
         "while", "for", "nested", "substr", "append", "len", "equ", "cmp", "comment"],
        weights=[12, 6, 5, 4, 4, 3, 8, 4, 5, 5, 3, 6, 4, 4, 3, 3, 4])[0]

    if kind == "arith":
        a, b, d = iv(), iv(), iv()
        c, x = rng.randrange(2, 98), rng.randrange(0, 1000)
        e.add("%s = (%s * %d + %s + %d) %% %d;" % (a, b, c, d, x, MOD),
              "%s = (%s * %d + %s + %d) %% %d" % (a, b, c, d, x, MOD),
              "%s = (%s * %d + %s + %d) %% %d" % (a, b, c, d, x, MOD))
    elif kind == "sub":
        a, b, d = iv(), iv(), iv()
        e.add("%s = (%s - %s + 20011) %% %d;" % (a, b, d, MOD),
              "%s = (%s - %s + 20011) %% %d" % (a, b, d, MOD),
              "%s = (%s - %s + 20011) %% %d" % (a, b, d, MOD))
    elif kind == "divmix":
        a, b, d = iv(), iv(), iv()
        c, m = rng.randrange(2, 10), rng.randrange(2, 60)
        e.add("%s = (%s div %d + %s * %d) %% %d;" % (a, b, c, d, m, MOD),
              "%s = (%s // %d + %s * %d) %% %d" % (a, b, c, d, m, MOD),
              "%s = (%s // %d + %s * %d) %% %d" % (a, b, c, d, m, MOD))
    elif kind == "bits":
        a, b, d = iv(), iv(), iv()
        sh = rng.randrange(1, 4)
        e.add("%s = ((%s ^ %s) & 8191) + ((%s << %d) & 255);" % (a, b, d, b, sh),
              "%s = ((%s ~ %s) & 8191) + ((%s << %d) & 255)" % (a, b, d, b, sh),
              "%s = ((%s ^ %s) & 8191) + ((%s << %d) & 255)" % (a, b, d, b, sh))
    elif kind == "compound":
        a, b = iv(), iv()
        e.add("%s += %s; %s %%= %d;" % (a, b, a, MOD),
              "%s = %s + %s; %s = %s %% %d" % (a, a, b, a, a, MOD),
              "%s += %s; %s %%= %d" % (a, b, a, MOD))
    elif kind == "real":
        a, b = iv(), iv()
        c = rng.randrange(2, 8)
        e.add("%s = int(%s / %d + 0.5) %% %d;" % (a, b, c, MOD),
              "%s = math.floor(%s / %d + 0.5) %% %d" % (a, b, c, MOD),
              "%s = int(%s / %d + 0.5) %% %d" % (a, b, c, MOD))
    elif kind == "ifelse":
        a, b, c = iv(), iv(), iv()
        e.add(["if (%s > %s) {" % (a, b),
               "    %s = (%s + %s) %% %d;" % (c, c, a, MOD),
               "} else {",
               "    %s = (%s + %s + 1) %% %d;" % (c, c, b, MOD),
               "}"],
              ["if %s > %s then" % (a, b),
               "  %s = (%s + %s) %% %d" % (c, c, a, MOD),
               "else",
               "  %s = (%s + %s + 1) %% %d" % (c, c, b, MOD),
               "end"],
              ["if %s > %s:" % (a, b),
               "    %s = (%s + %s) %% %d" % (c, c, a, MOD),
               "else:",
               "    %s = (%s + %s + 1) %% %d" % (c, c, b, MOD)])
    elif kind == "ifand":
        a, b, c = iv(), iv(), iv()
        lim = rng.randrange(1000, 9000)
        e.add("if (%s <= %s && %s != %d) %s = (%s * 7 + 3) %% %d;" % (a, b, c, lim, c, c, MOD),
              "if %s <= %s and %s ~= %d then %s = (%s * 7 + 3) %% %d end" % (a, b, c, lim, c, c, MOD),
              "if %s <= %s and %s != %d: %s = (%s * 7 + 3) %% %d" % (a, b, c, lim, c, c, MOD))
    elif kind == "while":
        a = iv()
        n = rng.randrange(2, 5)
        e.add(["k = 0;",
               "while (k < %d) {" % n,
               "    %s = (%s * 3 + k) %% %d;" % (a, a, MOD),
               "    k++;",
               "}"],
              ["k = 0",
               "while k < %d do" % n,
               "  %s = (%s * 3 + k) %% %d" % (a, a, MOD),
               "  k = k + 1",
               "end"],
              ["k = 0",
               "while k < %d:" % n,
               "    %s = (%s * 3 + k) %% %d" % (a, a, MOD),
               "    k += 1"])
    elif kind == "for":
        a, b = iv(), iv()
        n = rng.randrange(2, 5)
        e.add("for (k = 0; k < %d; k++) { %s = (%s + %s * k) %% %d; }" % (n, a, a, b, MOD),
              "for k = 0, %d do %s = (%s + %s * k) %% %d end" % (n - 1, a, a, b, MOD),
              ["for k in range(%d):" % n,
               "    %s = (%s + %s * k) %% %d" % (a, a, b, MOD)])
    elif kind == "nested":
        a = iv()
        e.add(["k = 0;",
               "while (k < 2) {",
               "    if (%s %% 2 == 0) %s = (%s div 2 + k) %% %d;" % (a, a, a, MOD),
               "    else %s = (%s * 3 + 1) %% %d;" % (a, a, MOD),
               "    k++;",
               "}"],
              ["k = 0",
               "while k < 2 do",
               "  if %s %% 2 == 0 then %s = (%s // 2 + k) %% %d" % (a, a, a, MOD),
               "  else %s = (%s * 3 + 1) %% %d end" % (a, a, MOD),
               "  k = k + 1",
               "end"],
              ["k = 0",
               "while k < 2:",
               "    if %s %% 2 == 0:" % a,
               "        %s = (%s // 2 + k) %% %d" % (a, a, MOD),
               "    else:",
               "        %s = (%s * 3 + 1) %% %d" % (a, a, MOD),
               "    k += 1"])
    elif kind == "substr":
        a, b, c = sv(), sv(), iv()
        e.add("%s = substr(%s cat %s, 1, 6);" % (a, b, c),
              "%s = string.sub(%s .. %s, 2, 7)" % (a, b, c),
              "%s = (%s + str(%s))[1:7]" % (a, b, c))
    elif kind == "append":
        a, b = sv(), iv()
        e.add("%s cat= \"q\" cat %s;" % (a, b),
              "%s = %s .. \"q\" .. %s" % (a, a, b),
              "%s += \"q\" + str(%s)" % (a, b))
    elif kind == "len":
        a, b = iv(), sv()
        e.add("%s = (%s + len(%s) * 3) %% %d;" % (a, a, b, MOD),
              "%s = (%s + #%s * 3) %% %d" % (a, a, b, MOD),
              "%s = (%s + len(%s) * 3) %% %d" % (a, a, b, MOD))
    elif kind == "equ":
        a, b, c = sv(), sv(), iv()
        if rng.random() < 0.5:
            e.add("if (%s equ %s) %s = (%s + 7) %% %d; else %s = (%s + 1) %% %d;" % (a, b, c, c, MOD, c, c, MOD),
                  "if %s == %s then %s = (%s + 7) %% %d else %s = (%s + 1) %% %d end" % (a, b, c, c, MOD, c, c, MOD),
                  ["if %s == %s:" % (a, b),
                   "    %s = (%s + 7) %% %d" % (c, c, MOD),
                   "else:",
                   "    %s = (%s + 1) %% %d" % (c, c, MOD)])
        else:
            e.add("if (%s !equ %s) %s = (%s + 5) %% %d;" % (a, b, c, c, MOD),
                  "if %s ~= %s then %s = (%s + 5) %% %d end" % (a, b, c, c, MOD),
                  "if %s != %s: %s = (%s + 5) %% %d" % (a, b, c, c, MOD))
    elif kind == "cmp":
        a, b, c = sv(), sv(), iv()
        e.add("if ((%s cmp %s) < 0) %s = (%s + 2) %% %d;" % (a, b, c, c, MOD),
              "if %s < %s then %s = (%s + 2) %% %d end" % (a, b, c, c, MOD),
              "if %s < %s: %s = (%s + 2) %% %d" % (a, b, c, c, MOD))
    else:
        e.add("// step %d: nothing to see here, just a comment line" % serial,
              "-- step %d: nothing to see here, just a comment line" % serial,
              "# step %d: nothing to see here, just a comment line" % serial)


def checkpoint(e, rng):
    a, b = "v%d" % rng.randrange(NUM_INTS), "s%d" % rng.randrange(NUM_STRS)
    e.add("println(\"cp \" cat %s cat \" \" cat %s);" % (a, b),
          "print(\"cp \" .. %s .. \" \" .. %s)" % (a, b),
          "print(\"cp \" + str(%s) + \" \" + %s)" % (a, b))


def build(lines):
    """Returns (qrn, lua, py) texts; the macro has at least `lines` lines."""
    rng = random.Random(SEED)
    e = Emitter()
    e.add("// Generated by gen_analysis.py: a long macro for load and analysis timing.",
          "-- Generated by gen_analysis.py: a long program for load and compile timing.",
          "# Generated by gen_analysis.py: a long program for load and compile timing.")
    for k in range(NUM_INTS):
        e.add("v%d = %d;" % (k, k * 37 % MOD + 1), "v%d = %d" % (k, k * 37 % MOD + 1),
              "v%d = %d" % (k, k * 37 % MOD + 1))
    for k in range(NUM_STRS):
        e.add("s%d = \"t%d\";" % (k, k), "s%d = \"t%d\"" % (k, k), "s%d = \"t%d\"" % (k, k))
    e.add("k = 0;", "k = 0", "k = 0")
    serial = 0
    next_cp = 1000
    # The closing summary below takes NUM_INTS + NUM_STRS + 2 lines.
    while len(e.q) + NUM_INTS + NUM_STRS + 2 < lines:
        serial += 1
        emit_chunk(rng, e, serial)
        if len(e.q) >= next_cp:
            checkpoint(e, rng)
            next_cp += 1000
    # Final summary: a sum and a hash of every integer, then the strings' lengths.
    e.add("total = 0; h = 0;", "total = 0 h = 0", "total = 0; h = 0")
    for k in range(NUM_INTS):
        e.add("total = total + v%d; h = (h * 31 + v%d) %% 1000003;" % (k, k),
              "total = total + v%d h = (h * 31 + v%d) %% 1000003" % (k, k),
              "total = total + v%d; h = (h * 31 + v%d) %% 1000003" % (k, k))
    for k in range(NUM_STRS):
        e.add("total = total + len(s%d);" % k, "total = total + #s%d" % k,
              "total = total + len(s%d)" % k)
    e.add("println(\"analysis \" cat total cat \" \" cat h cat \" \" cat s0 cat \" \" cat s7);",
          "print(\"analysis \" .. total .. \" \" .. h .. \" \" .. s0 .. \" \" .. s7)",
          "print(\"analysis \" + str(total) + \" \" + str(h) + \" \" + s0 + \" \" + s7)")
    return tuple("\n".join(x) + "\n" for x in (e.q, e.l, e.p))


def write_programs(texts, outdir, name):
    """Writes the (qrn, lua, py) texts as name.qrn, name.lua and name.py into
    outdir; returns their paths."""
    os.makedirs(outdir, exist_ok=True)
    paths = {}
    for ext, text in zip(("qrn", "lua", "py"), texts):
        path = os.path.join(outdir, "%s.%s" % (name, ext))
        with open(path, "w", newline="\n") as f:
            f.write(text)
        paths[ext] = path
    return paths


def generate(lines, outdir, name="analysis"):
    """Writes name.qrn, name.lua and name.py into outdir; returns their paths."""
    return write_programs(build(lines), outdir, name)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--lines", type=int, default=20000, help="macro length in lines (default 20000)")
    ap.add_argument("--out", default=".", help="output directory (default: current)")
    ap.add_argument("--name", default="analysis", help="base file name (default analysis)")
    args = ap.parse_args()
    for ext, path in generate(args.lines, args.out, args.name).items():
        print("wrote", path)


if __name__ == "__main__":
    main()
