#!/usr/bin/env python3
"""Macros for the growth kit (growth.py): one shape each, at any size n, with
the text the macro must print.  Also the splitter's crafted input and an
ordinary input of the same size.

Usage: python3 bench/gen_growth.py SHAPE N [--out DIR]
       python3 bench/gen_growth.py splitter-{bytes|names} BYTES [--out DIR]

Writes SHAPE-N.qrn in code page 932, as quorin reads it; or, for a kind of
splitter run, splitter-KIND-crafted-BYTES.qrn and
splitter-KIND-ordinary-BYTES.qrn.
"""

import argparse
import collections
import math
import os


class Shape:
    """A macro shape: `make(n)` returns (macro text, expected stdout text)."""

    def __init__(self, name, n, quick, make, what):
        self.name = name
        self.n = n          # the kit runs n, 2n and 4n
        self.quick = quick  # n under --quick
        self.make = make
        self.what = what


# ---------------------------------------------------------------- names and jumps

def distinct_names(n):
    lines = ["v%d = 1;" % k for k in range(n)]
    lines.append("println(v0 + v%d);" % (n - 1))
    return "\n".join(lines) + "\n", "2\n"


def goto_pairs(n):
    lines = ["goto L0;"]
    lines += ["L%d: goto L%d;" % (k, k + 1) for k in range(n - 1)]
    lines.append('L%d: println("gotos %d");' % (n - 1, n))
    return "\n".join(lines) + "\n", "gotos %d\n" % n


def coprime_stride(n):
    """A stride near 0.618 n that walks all of 0..n-1 before it comes back:
    the jumps land far apart, all over the block."""
    if n < 3:
        return 1
    s = max(1, int(n * 0.618))
    while math.gcd(s, n) != 1:
        s += 1
    return s


def block_labels(n):
    # One block holds the n labels; the gotos form one cycle through all of
    # them (label k jumps to k + s mod n), and the last label of the cycle
    # leaves the block.
    s = coprime_stride(n)
    last = (n - s) % n
    lines = ["c = 0;", "{", "    goto L0;"]
    for k in range(n):
        target = "out" if k == last else "L%d" % ((k + s) % n)
        lines.append("    L%d: c++; goto %s;" % (k, target))
    lines += ["}", 'out: println("labels " cat c);']
    return "\n".join(lines) + "\n", "labels %d\n" % n


# ---------------------------------------------------------------- nesting

def nesting(name, copies, sentence, tail, expected, what):
    """A shape of `copies` nests, each `sentence(n)`, n levels deep, one after
    the other, then `tail`, which prints what `expected(n, copies)` says.

    The copies make a run long enough to time (start-up is some 10 ms) while
    every nest stays within the depth the interpreter accepts: 10,000 levels
    of every shape must work, and the kit's largest depth is 4n."""
    def make(n):
        return sentence(n) * copies + tail + "\n", expected(n, copies)
    return Shape(name, 2500, 200, make, "%s, %d times" % (what, copies))


def one(n, copies):
    return "1\n"


def count(n, copies):
    return "%d\n" % copies


NESTING = [
    nesting("nest_brackets", 100, lambda n: "x = " + "(" * n + "1" + ")" * n + ";\n", "println(x);", one,
            "x = ((...1...)); n brackets deep"),
    nesting("nest_prefix", 100, lambda n: "x = " + "- " * n + "1;\n", "println(x);",
            lambda n, copies: "%d\n" % (-1 if n % 2 else 1), "x = - - ... 1; n prefix operators deep"),
    nesting("nest_calls", 20, lambda n: "x = " + "int(" * n + "1" + ")" * n + ";\n", "println(x);", one,
            "x = int(int(...1...)); n calls deep"),
    nesting("nest_assign", 40, lambda n: "a = " * n + "1;\n", "println(a);", one,
            "a = a = ... = 1; n assignments deep"),
    nesting("nest_blocks", 40, lambda n: "{" * n + " c++; " + "}" * n + "\n", "println(c);", count,
            "{{...{ c++; }...}} n blocks deep"),
    # Every condition is tested before the last else counts the copy.
    nesting("nest_if", 20, lambda n: "if (c < 0) c = 0; else " * n + "c++;\n", "println(c);", count,
            "if (c < 0) c = 0; else if ... n deep, every condition tested"),
    # The innermost body runs once; then every loop tests its condition again.
    nesting("nest_loops", 40, lambda n: "x = 0; " + "while (x < 1) " * n + "x++; c = c + x;\n",
            "println(c);", count, "x = 0; while (x < 1) while (x < 1) ... x++; n loops deep"),
]


# ---------------------------------------------------------------- double-byte text

def dbcs_build(n):
    """Sentences that build s: n double-byte characters, あ and い in turn."""
    return ['s = "";', 'for (i = 0; i < %d; i++) {' % n,
            '    if (i % 2 == 0) s cat= "あ"; else s cat= "い";', "}"]


def dbcs_char(k):
    return "あ" if k % 2 == 0 else "い"


def dbcs_scan(n):
    lines = dbcs_build(n) + ["for (i = 0; i < len(s); i++) c = substr(s, i, 1);",
                             'println(len(s) cat " " cat lenb(s) cat " " cat c);']
    return "\n".join(lines) + "\n", "%d %d %s\n" % (n, 2 * n, dbcs_char(n - 1))


def dbcs_right_substr(n):
    lines = dbcs_build(n) + ["for (i = 0; i < %d; i++) {" % n,
                             "    r = right(s, 2);",
                             "    t = substr(s, i, 2);",
                             "}",
                             'println(r cat " " cat t);']
    return "\n".join(lines) + "\n", "%s%s %s\n" % (dbcs_char(n - 2), dbcs_char(n - 1), dbcs_char(n - 1))


SHAPES = collections.OrderedDict((s.name, s) for s in [
    Shape("names", 10000, 500, distinct_names,
          "n distinct variables, v0 = 1; v1 = 1; ..., one assignment each"),
    Shape("gotos", 10000, 500, goto_pairs,
          "goto L0; L0: goto L1; L1: ... : n goto/label pairs in the macro's own list"),
    Shape("block_labels", 10000, 500, block_labels,
          "one block holding n labels, visited once each by a cycle of gotos that jumps far"),
] + NESTING + [
    Shape("dbcs_scan", 10000, 500, dbcs_scan,
          "for (i = 0; i < len(s); i++) c = substr(s, i, 1); over n double-byte characters"),
    Shape("dbcs_right_substr", 8000, 500, dbcs_right_substr,
          "right(s, 2) and substr(s, i, 2) once per pass, n passes over n double-byte characters"),
])


# ---------------------------------------------------------------- the splitter's crafted input
#
# The splitter remembers the longest operator match at a position in a hash
# table keyed by the next bytes there, as many as the longest operator name
# has: four ("cat=", "div=", "!equ", "<<=", ">>="), packed little-endian into
# a 64-bit integer.  It asks the table only at a word that starts with a byte
# some operator starts with.  The standard library hashes an integer to
# itself, and the table takes the hash modulo its bucket count, a prime from
# a fixed list (13, 29, 59, 127, 257, 541, 1109, 2357, 5087, ...: the next
# one is chosen when the entries outnumber the buckets).
#
# Both inputs are lines `x = x+r+r+...+r;` of three-byte runs r.  No run
# byte starts an operator, so the only words asked about are "=" (one key,
# "= x+") and the "+" signs, whose key is the "+" with the run after it.
# The crafted runs are chosen so that all their keys agree modulo the
# bucket count the table ends with; every search then walks one chain of
# them.  The ordinary input has as many runs, taken in the order they come,
# laid out the same way: the two texts have the same size and the same
# words, and differ only in where their keys land.
#
# Two kinds of run:
# - "bytes": any three bytes that start no word of their own kind (no
#   operator, quote, comment, directive or white space), thousands of them
#   in one bucket of 2357.  Most of them are no words of the language (both
#   lists start with runs that begin with "$"), so the macro is refused as a
#   syntax error at its first sentence, after the whole text has been split:
#   the time is that of loading and splitting.
# - "names": identifiers, so that the macro is valid and runs (every name is
#   a variable never assigned, so the sum is 0).  Three identifier bytes of
#   63 values leave room for about 360 keys that agree modulo 541, the
#   bucket count for 258 to 541 keys, so the chain is shorter and the time
#   also holds analysis and the run: an end-to-end view.

OPERATOR_STARTS = b",=+-*/%&^|<>!~cCdDeE"  # first bytes of the operator names, any case
NOT_A_RUN_BYTE = OPERATOR_STARTS + b"\"'#\\"
RESERVED = {b"for", b"int", b"len"}  # a keyword and function names of three letters
TERMS_PER_LINE = 100  # a sum this long nests 100 deep: well inside the limits
PREFIX = b"x = x+"


class RunKind:
    def __init__(self, name, first, rest, buckets, smaller):
        self.name = name
        self.first = first      # byte values a run may start with
        self.rest = rest        # byte values for its other two bytes
        self.buckets = buckets  # the bucket count the table ends with
        self.smaller = smaller  # the one before it in the list


def byte_set(text):
    return [b for b in text if b not in OPERATOR_STARTS]


_ANY = [b for b in range(0x21, 0x100) if b not in NOT_A_RUN_BYTE]
_LETTERS = byte_set(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_")
_NAME_REST = list(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_")
RUN_KINDS = {
    "bytes": RunKind("bytes", _ANY, _ANY, 2357, 1109),
    "names": RunKind("names", _LETTERS, _NAME_REST, 541, 257),
}


def window_key(run):
    return int.from_bytes(b"+" + run, "little")


def all_runs(kind):
    for a in kind.first:
        for b in kind.rest:
            for c in kind.rest:
                run = bytes((a, b, c))
                if run.lower() not in RESERVED:
                    yield run


def splitter_runs(kind):
    """Returns (crafted runs, ordinary runs): as many of each."""
    # key = "+" | a << 8 | b << 16 | c << 24: the remainders of the first three
    # bytes and of c are counted apart and then combined, which finds the
    # fullest bucket without listing the millions of runs one by one.
    buckets = kind.buckets
    pairs = collections.Counter(window_key(bytes((a, b, 0))) % buckets
                                for a in kind.first for b in kind.rest)
    c_of = {(c << 24) % buckets: c for c in kind.rest}
    counts = [0] * buckets
    for head, times in pairs.items():
        for tail in c_of:
            counts[(head + tail) % buckets] += times
    fullest = counts.index(max(counts))
    crafted = []
    for a in kind.first:
        for b in kind.rest:
            c = c_of.get((fullest - window_key(bytes((a, b, 0)))) % buckets)
            if c is not None and bytes((a, b, c)).lower() not in RESERVED:
                crafted.append(bytes((a, b, c)))
    # The key at "=" joins them, and one spare: the table must end with
    # kind.buckets buckets, neither fewer nor more.
    count = min(len(crafted), buckets - 2)
    assert count + 1 > kind.smaller
    crafted = crafted[:count]
    ordinary = []
    for run in all_runs(kind):
        if len(ordinary) == count:
            break
        ordinary.append(run)
    return crafted, ordinary


def largest_bucket(runs, buckets):
    return max(collections.Counter(window_key(r) % buckets for r in runs).values())


def splitter_macro(runs, size):
    """About `size` bytes of `x = x+run+run+...;` lines cycling through runs."""
    line_bytes = len(PREFIX) + 4 * TERMS_PER_LINE - 1 + len(b";\n")
    lines = []
    term = 0
    for _ in range(max(1, size // line_bytes)):
        parts = []
        for _ in range(TERMS_PER_LINE):
            parts.append(runs[term % len(runs)])
            term += 1
        lines.append(PREFIX + b"+".join(parts) + b";\n")
    lines.append(b"println(x);\n")
    return b"".join(lines)


def splitter_pair(kind_name, size):
    """Returns (crafted bytes, ordinary bytes, description) for a run kind."""
    kind = RUN_KINDS[kind_name]
    crafted, ordinary = splitter_runs(kind)
    text_c = splitter_macro(crafted, size)
    text_o = splitter_macro(ordinary, size)
    assert len(text_c) == len(text_o)
    info = ("%d distinct runs each; largest bucket of %d: crafted %d, ordinary %d"
            % (len(crafted), kind.buckets, largest_bucket(crafted, kind.buckets),
               largest_bucket(ordinary, kind.buckets)))
    return text_c, text_o, info


# ---------------------------------------------------------------- files

def write_macro(path, text):
    """Writes a macro in code page 932, the encoding quorin reads."""
    with open(path, "wb") as f:
        f.write(text.encode("cp932"))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("shape", help="one of %s; or splitter-bytes or splitter-names, the "
                                  "splitter's runs" % ", ".join(SHAPES))
    ap.add_argument("size", type=int, help="n for a shape, bytes for the splitter's inputs")
    ap.add_argument("--out", default=".", help="output directory (default: current)")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    # The splitter's kinds carry a prefix: "names" is also a shape.
    kind = args.shape[len("splitter-"):] if args.shape.startswith("splitter-") else None
    if kind in RUN_KINDS:
        crafted, ordinary, info = splitter_pair(kind, args.size)
        for which, data in (("crafted", crafted), ("ordinary", ordinary)):
            path = os.path.join(args.out, "splitter-%s-%s-%d.qrn" % (kind, which, args.size))
            with open(path, "wb") as f:
                f.write(data)
            print("wrote", path)
        print(info)
        return
    if args.shape not in SHAPES:
        ap.error("unknown shape %s" % args.shape)
    text, expected = SHAPES[args.shape].make(args.size)
    path = os.path.join(args.out, "%s-%d.qrn" % (args.shape, args.size))
    write_macro(path, text)
    print("wrote %s; it prints %r" % (path, expected))


if __name__ == "__main__":
    main()
