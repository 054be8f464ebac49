#!/usr/bin/env python3
"""Runs generated programs (generate.py) through two interpreters, the
default build and the general-only one (MORVU_FAST_PATHS=OFF), and compares
their standard output, standard error and exit status byte for byte. Any
difference is a finding: one of the specialised roads computed something
the general evaluator does not.

The programs of fuzz/corpus/roads, each of which once showed a difference,
run first. Then come generated programs, several to a file (their names
made distinct by a suffix), so that the start of a process does not
dominate. A file that differs is split into its programs, each run alone;
each program that still differs is cut down line by line, and block by
block, to a smaller one that differs in the same streams, and is kept under
<out>/ with both outputs. Findings are told apart by the streams that
differ (and the two exit statuses); a few of the smallest programs of each
kind are cut down.

    drive.py [--a BIN] [--b BIN] run [--seconds 60] [--count N] [--seed 1]
             [--workers N] [--batch 20] [--out build/roads] [--no-reduce]
    drive.py [--a BIN] [--b BIN] check PROGRAM...   compares each program
    drive.py [--a BIN] [--b BIN] reduce PROGRAM     cuts a differing program down
    drive.py batch SEED INDEX [COUNT]               prints the file of COUNT
                                                    programs from INDEX on

Program i of seed S is generate.py's program of the seed text "S:i" (names
without a suffix when it runs alone); the run stops at --count programs or
after --seconds, whichever comes first, so a fixed count gives the same
programs on every machine. The exit status is 1 when any program differs.
"""
import argparse
import concurrent.futures
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.dirname(HERE))
import generate  # noqa: E402
from program_tools import block_end, drop_blocks, drop_chunks, write_summary  # noqa: E402

CORPUS = os.path.join(ROOT, "fuzz", "corpus", "roads")


class Run:
    def __init__(self, stdout, stderr, status):
        self.stdout = stdout
        self.stderr = stderr
        self.status = status   # an int, or "timeout"


def run_text(binary, text, timeout, scratch, name="program.mrv"):
    """One run of a program text, from a scratch directory of its own."""
    work = tempfile.mkdtemp(dir=scratch)
    try:
        with open(os.path.join(work, name), "w", encoding="latin-1") as f:
            f.write(text)
        try:
            done = subprocess.run([binary, name], cwd=work, stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            return Run(b"", b"", "timeout")
        bindir = os.path.dirname(binary).encode("latin-1")
        return Run(done.stdout.replace(bindir, b"{bindir}"), done.stderr.replace(bindir, b"{bindir}"),
                   done.returncode)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def difference(a, b):
    """The kind of difference between two runs: the streams that differ and
    the two statuses, or "" when they agree."""
    streams = [name for name in ("stdout", "stderr") if getattr(a, name) != getattr(b, name)]
    if a.status != b.status:
        streams.append(f"status {a.status}/{b.status}")
    return " ".join(streams)


def first_lines(a, b):
    """Where the standard outputs of two runs first part, for the report."""
    for name in ("stdout", "stderr"):
        la, lb = getattr(a, name).split(b"\n"), getattr(b, name).split(b"\n")
        for i in range(max(len(la), len(lb))):
            x = la[i] if i < len(la) else None
            y = lb[i] if i < len(lb) else None
            if x != y:
                show = lambda v: "(none)" if v is None else repr(v.decode("latin-1"))[:200]  # noqa: E731
                return f"{name} line {i + 1}: A {show(x)} / B {show(y)}"
    return f"status {a.status} / {b.status}"


class Driver:
    def __init__(self, args):
        self.a = os.path.abspath(args.a)
        self.b = os.path.abspath(args.b)
        self.timeout = args.timeout
        for binary in (self.a, self.b):
            if not os.access(binary, os.X_OK):
                sys.exit(f"no interpreter at {binary}")
        self.scratch = tempfile.mkdtemp(prefix="morvu-roads-")

    def close(self):
        shutil.rmtree(self.scratch, ignore_errors=True)

    def compare(self, text, timeout=None):
        """(kind of difference or "", run of A, run of B)."""
        timeout = timeout or self.timeout
        ra = run_text(self.a, text, timeout, self.scratch)
        rb = run_text(self.b, text, timeout, self.scratch)
        return difference(ra, rb), ra, rb

    def reduce(self, text, kind, deadline=None):
        """Drops lines, in chunks and then one by one, and whole blocks, while
        the program differs in the same way."""
        # A cut that loops for ever is no use: a short time limit.
        quick = min(self.timeout, 3.0)
        tried = {}

        def keeps(lines):
            if deadline and time.monotonic() > deadline:
                return False
            key = "\n".join(lines)
            if key not in tried:
                tried[key] = self.compare(key + "\n", quick)[0] == kind
            return tried[key]

        def unwrap_blocks(lines):
            # A loop or if whose body alone matters: its head and closing
            # line go, its body stays.
            i = 0
            while i < len(lines):
                if lines[i].rstrip().endswith("{"):
                    j = block_end(lines, i)
                    if j >= 0 and lines[j].strip() in ("}", "})"):
                        candidate = lines[:i] + lines[i + 1:j] + lines[j + 1:]
                        if candidate and keeps(candidate):
                            lines = candidate
                            continue
                i += 1
            return lines

        lines = text.splitlines()
        while True:
            before = len(lines)
            lines = unwrap_blocks(drop_blocks(drop_chunks(lines, keeps), keeps))
            if len(lines) == before:
                break
        return "\n".join(lines) + "\n"


def batch_text(seed, first, count):
    """The file of programs first .. first + count - 1 of a seed: each with
    its own suffix, each but the last ending with its catch."""
    parts = []
    for position in range(count):
        text, catch, caught = generate.parts(f"{seed}:{first + position}", f"_{position}")
        last = position == count - 1
        parts.append(f"# program {seed} {first + position}\n{text}{catch if caught or not last else ''}")
    return "".join(parts)


def alone_text(seed, index, ends_batch):
    """Program `index` run alone, ending as it ended in its file."""
    text, catch, caught = generate.parts(f"{seed}:{index}")
    return text + (catch if caught or not ends_batch else "")


def slug(kind):
    return re.sub(r"[^A-Za-z0-9]+", "_", kind).strip("_")


def command_run(args):
    driver = Driver(args)
    out = os.path.abspath(args.out)
    shutil.rmtree(out, ignore_errors=True)  # no finding of an earlier run stays behind
    os.makedirs(out)
    lock = threading.Lock()
    started = time.monotonic()
    deadline = started + args.seconds
    stats = {"programs": 0, "files": 0, "differing": 0, "corpus": 0, "statuses": {}, "timeouts": []}
    findings = []   # dicts: origin, text, kind, a, b

    def note(origin, text, kind, ra, rb):
        with lock:
            findings.append({"origin": origin, "text": text, "kind": kind, "a": ra, "b": rb})
            print(f"[{time.monotonic() - started:5.0f}s] differs ({kind}): {origin}", flush=True)

    # The corpus first: every program of it once showed a difference.
    corpus = sorted(glob.glob(os.path.join(args.corpus, "*.mrv")))

    def replay(path):
        with open(path, encoding="latin-1") as f:
            text = f.read()
        kind, ra, rb = driver.compare(text)
        with lock:
            stats["corpus"] += 1
        if kind:
            note(f"corpus {os.path.relpath(path, ROOT)}", text, kind, ra, rb)

    with concurrent.futures.ThreadPoolExecutor(args.workers) as pool:
        list(pool.map(replay, corpus))

    next_index = [0]

    def take():
        with lock:
            if time.monotonic() >= deadline:
                return None
            if args.count is not None and next_index[0] >= args.count:
                return None
            first = next_index[0]
            count = args.batch if args.count is None else min(args.batch, args.count - first)
            next_index[0] += count
            return first, count

    def worker():
        while True:
            taken = take()
            if taken is None:
                return
            first, count = taken
            text = batch_text(args.seed, first, count)
            kind, ra, rb = driver.compare(text)
            with lock:
                stats["programs"] += count
                stats["files"] += 1
                stats["statuses"][ra.status] = stats["statuses"].get(ra.status, 0) + 1
                if ra.status == "timeout":
                    # Both ran past the limit, or only A: a program that
                    # does not end is a fault of the generator's.
                    stats["timeouts"].append(f"{first} .. {first + count - 1}")
            if not kind:
                continue
            # Which programs of the file differ, each run alone.
            alone = 0
            for position in range(count):
                index = first + position
                single = alone_text(args.seed, index, position == count - 1)
                k, sa, sb = driver.compare(single)
                if k:
                    alone += 1
                    note(f"program {args.seed} {index}", single, k, sa, sb)
            if not alone:
                note(f"file of programs {args.seed} {first} .. {first + count - 1} (no program alone)",
                     text, kind, ra, rb)
            with lock:
                stats["differing"] += max(alone, 1)

    with concurrent.futures.ThreadPoolExecutor(args.workers) as pool:
        for _ in range(args.workers):
            pool.submit(worker)
    elapsed = time.monotonic() - started

    # A few of the smallest programs of each kind are cut down.
    by_kind = {}
    for f in findings:
        by_kind.setdefault(f["kind"], []).append(f)
    # Every program of the corpus that differs is reported; of the generated
    # ones, the few smallest of each kind.
    chosen = [f for f in findings if f["origin"].startswith("corpus")]
    generated = {}
    for f in findings:
        if not f["origin"].startswith("corpus"):
            generated.setdefault(f["kind"], []).append(f)
    for kind, group in generated.items():
        group.sort(key=lambda f: len(f["text"]))
        chosen += group[:args.keep]
    if not args.no_reduce and chosen:
        reduce_deadline = time.monotonic() + args.reduce_seconds

        def cut(f):
            if f["origin"].startswith("corpus"):
                f["reduced"] = f["text"]
                return
            f["reduced"] = driver.reduce(f["text"], f["kind"], reduce_deadline)
            _, f["ra"], f["rb"] = driver.compare(f["reduced"])
            with lock:
                print(f"cut down ({f['kind']}) {f['origin']}: {len(f['text'].splitlines())} -> "
                      f"{len(f['reduced'].splitlines())} lines", flush=True)

        with concurrent.futures.ThreadPoolExecutor(args.workers) as pool:
            list(pool.map(cut, chosen))
    driver.close()

    statuses = ", ".join(f"{n} with status {s}" for s, n in sorted(stats["statuses"].items(), key=str))
    lines = [
        f"seed {args.seed}, {args.workers} workers, {elapsed:.0f} s",
        f"A: {driver.a}",
        f"B: {driver.b}",
        f"corpus programs {stats['corpus']}; generated programs {stats['programs']} "
        f"({stats['programs'] / max(elapsed, 1e-9):.0f} per second) in {stats['files']} files ({statuses or 'none'})",
        f"programs that differ {len(findings)}, kinds {len(by_kind)}",
    ]
    if stats["timeouts"]:
        lines.append(f"files past the time limit of {args.timeout:g} s through A (drive.py batch "
                     f"{args.seed} FIRST): programs " + ", ".join(stats["timeouts"]))
    seen = {}
    for number, f in enumerate(chosen):
        text = f.get("reduced", f["text"])
        if text in seen:
            lines.append(f"  {f['kind']}: {f['origin']}: cut down to the same program as {seen[text]}")
            continue
        d = os.path.join(out, f"{number:02d}_{slug(f['kind'])}")
        seen[text] = os.path.relpath(d, ROOT)
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "program.mrv"), "w", encoding="latin-1") as fh:
            fh.write(f["text"])
        if "reduced" in f:
            with open(os.path.join(d, "reduced.mrv"), "w", encoding="latin-1") as fh:
                fh.write(f["reduced"])
        ra, rb = f.get("ra", f["a"]), f.get("rb", f["b"])
        for tag, r in (("a", ra), ("b", rb)):
            with open(os.path.join(d, f"{tag}.out"), "wb") as fh:
                fh.write(r.stdout + b"--- stderr\n" + r.stderr + f"--- status {r.status}\n".encode())
        lines.append(f"  {f['kind']}: {f['origin']}: {first_lines(ra, rb)}\n    kept: {os.path.relpath(d, ROOT)}")
    for kind, group in generated.items():
        if len(group) > args.keep:
            lines.append(f"  ({len(group) - args.keep} more generated programs of kind {kind} not kept)")
    return write_summary(out, lines, findings)


def command_check(args):
    driver = Driver(args)
    status = 0
    for path in args.programs:
        with open(path, encoding="latin-1") as fh:
            kind, ra, rb = driver.compare(fh.read())
        print(f"{path}: {kind + ': ' + first_lines(ra, rb) if kind else 'same'}")
        if kind:
            status = 1
    driver.close()
    return status


def command_reduce(args):
    driver = Driver(args)
    with open(args.program, encoding="latin-1") as fh:
        text = fh.read()
    kind = driver.compare(text)[0]
    if not kind:
        driver.close()
        sys.exit(f"{args.program}: no difference")
    sys.stderr.write(f"{kind}\n")
    sys.stdout.write(driver.reduce(text, kind))
    driver.close()
    return 0


def command_batch(args):
    sys.stdout.write(batch_text(args.seed, args.index, args.count))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--a", default="build/bench/morvu", help="the default build (default build/bench/morvu)")
    parser.add_argument("--b", default="build/general/morvu",
                        help="the general-only build (default build/general/morvu)")
    parser.add_argument("--timeout", type=float, default=10.0, help="seconds per run of a file")
    sub = parser.add_subparsers(dest="command", required=True)
    run = sub.add_parser("run")
    run.add_argument("--seconds", type=float, default=60)
    run.add_argument("--count", type=int, help="programs to run at most")
    run.add_argument("--seed", default="1")
    run.add_argument("--workers", type=int, default=os.cpu_count() or 2)
    run.add_argument("--batch", type=int, default=20, help="programs to a file")
    run.add_argument("--out", default="build/roads")
    run.add_argument("--corpus", default=CORPUS)
    run.add_argument("--keep", type=int, default=3, help="programs of each kind of difference cut down and kept")
    run.add_argument("--reduce-seconds", type=float, default=30, help="for cutting the kept programs down")
    run.add_argument("--no-reduce", action="store_true")
    check = sub.add_parser("check")
    check.add_argument("programs", nargs="+")
    red = sub.add_parser("reduce")
    red.add_argument("program")
    batch = sub.add_parser("batch")
    batch.add_argument("seed")
    batch.add_argument("index", type=int)
    batch.add_argument("count", type=int, nargs="?", default=20)
    args = parser.parse_args()
    return {"run": command_run, "check": command_check, "reduce": command_reduce,
            "batch": command_batch}[args.command](args)


if __name__ == "__main__":
    sys.exit(main())
