#!/usr/bin/env python3
"""Writes the "lines1m" workload: a macro of one sentence per line,
`x = x + 1;` a million times, ending with a println of x, together with
Lua and Python programs that do the same.  Running it is trivial, so its
time and memory are those of loading and analysing a very long macro.

Usage: python3 bench/gen_lines.py [--lines 1000000] [--out DIR] [--name lines1m]

The Lua and Python programs are flat top-level code with a global x, like
the analysis programs: that is how a generated script is written, and it
keeps every language compiling one huge chunk.
"""

import argparse

from gen_analysis import write_programs


def build(lines):
    """Returns the (qrn, lua, py) texts for `lines` increments."""
    qrn = "x = x + 1;\n" * lines + "println(x);\n"
    lua = "x = 0\n" + "x = x + 1\n" * lines + "print(x)\n"
    py = "x = 0\n" + "x = x + 1\n" * lines + "print(x)\n"
    return qrn, lua, py


def generate(lines, outdir, name="lines1m"):
    """Writes name.qrn, name.lua and name.py into outdir; returns their paths."""
    return write_programs(build(lines), outdir, name)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--lines", type=int, default=1000000, help="number of increments (default 1000000)")
    ap.add_argument("--out", default=".", help="output directory (default: current)")
    ap.add_argument("--name", default="lines1m", help="base file name (default lines1m)")
    args = ap.parse_args()
    for ext, path in generate(args.lines, args.out, args.name).items():
        print("wrote", path)


if __name__ == "__main__":
    main()
