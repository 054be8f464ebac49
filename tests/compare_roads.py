#!/usr/bin/env python3
"""Runs every program the project keeps through two interpreters and
compares what they do, byte for byte: standard output, standard error and
the exit status. Made to hold the default build (every specialised road on)
against the general-only one (MORVU_FAST_PATHS=OFF), which must compute the
same by the general evaluator alone:

    tests/compare_roads.py [-j N] [--slow S] [--only TEXT] BIN_A BIN_B

The programs:
  - every script test, tests/scripts/**/*.mrv, run as tests/run_script.py
    runs it (its directives: args, options, stdin, copy, env, config,
    show-file, stdout, no-program);
  - every example, examples/*.mrv, run as tests/run_example.py runs it;
  - every bench program, bench/programs/*.mrv, and each bench/*.mrv whose
    first run through BIN_A ends within S seconds of the processor (default
    10; the others are reported as too slow), each from a scratch directory
    of its own with no standard input.

In every stream the interpreter's own directory reads {bindir} and the
run's working directory {workdir}, so a version banner or a message naming
a scratch file is the same for both binaries.

Some programs print what differs from run to run (times, process ids, the
clock). Each program therefore runs twice through BIN_A: a stream that
differs between those two runs is skipped, and reported as skipped. A
stream in which BIN_B differs from BIN_A is run once more through both; if
either binary then differs from its own first run the stream is skipped as
well, otherwise it is a difference.

Each difference is printed with the program, the stream and its first
differing line; a summary follows. The exit status is 1 when any program
differs, 0 otherwise.
"""
import argparse
import concurrent.futures
import glob
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import run_example  # noqa: E402
import run_script  # noqa: E402

STREAMS = ("stdout", "stderr", "status")
TIMEOUT = 120


class Result:
    """One run: the three streams, or a time-out."""

    def __init__(self, stdout=b"", stderr=b"", status=None, timed_out=False, seconds=0.0):
        self.stdout = stdout
        self.stderr = stderr
        self.status = status
        self.timed_out = timed_out
        self.seconds = seconds

    def stream(self, name):
        if self.timed_out:
            return ("timed out after %d s" % TIMEOUT) if name == "status" else b""
        return getattr(self, name)


def masked(binary, data):
    return data.replace(os.path.dirname(binary).encode("latin-1"), b"{bindir}")


def run_script_test(binary, path, timeout):
    done = run_script.execute(binary, path, timeout)
    if done.timed_out:
        return Result(timed_out=True)
    return Result(done.stdout, done.stderr, done.status)


def run_example_program(binary, path, timeout):
    try:
        done, _ = run_example.execute(binary, path, timeout)
    except subprocess.TimeoutExpired:
        return Result(timed_out=True)
    return Result(masked(binary, done.stdout), masked(binary, done.stderr), done.returncode)


def run_bench_program(binary, path, timeout, cpu_limit=None):
    command = [binary, path]
    if cpu_limit:
        # Processor seconds, not wall-clock ones: on a busy machine the same
        # program takes much longer, but not more of the processor.
        command = ["sh", "-c", 'ulimit -t %d && exec "$0" "$@"' % max(1, round(cpu_limit))] + command
    with tempfile.TemporaryDirectory(prefix="morvu-roads-") as work:
        try:
            done = subprocess.run(command, cwd=work, stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            return Result(timed_out=True)
        if cpu_limit and done.returncode in (-signal.SIGXCPU, -signal.SIGKILL):
            return Result(timed_out=True)
        out, err = masked(binary, done.stdout), masked(binary, done.stderr)
        for place in sorted({work, os.path.realpath(work)}, key=len, reverse=True):
            out = out.replace(place.encode("latin-1"), b"{workdir}")
            err = err.replace(place.encode("latin-1"), b"{workdir}")
        return Result(out, err, done.returncode)


RUNNERS = {"script": run_script_test, "example": run_example_program, "bench": run_bench_program}


def programs():
    """(kind, path, time limit of the first run or None) of every program."""
    found = []
    for path in sorted(glob.glob(os.path.join(ROOT, "tests", "scripts", "**", "*.mrv"), recursive=True)):
        found.append(("script", path, False))
    for path in sorted(glob.glob(os.path.join(ROOT, "examples", "*.mrv"))):
        found.append(("example", path, False))
    for path in sorted(glob.glob(os.path.join(ROOT, "bench", "programs", "*.mrv"))):
        found.append(("bench", path, False))
    for path in sorted(glob.glob(os.path.join(ROOT, "bench", "*.mrv"))):
        found.append(("bench", path, True))
    return found


def timed(runner, binary, path, timeout, cpu_limit=None):
    start = time.monotonic()
    result = runner(binary, path, timeout, cpu_limit) if cpu_limit else runner(binary, path, timeout)
    result.seconds = time.monotonic() - start
    return result


def text(value):
    if isinstance(value, bytes):
        value = value.decode("latin-1")
    value = repr(value)
    return value if len(value) <= 200 else value[:197] + "..."


def first_difference(name, a, b):
    """Where stream `name` of two runs first differs, as a line of text."""
    if name == "status":
        return "exit status %s / %s" % (a, b)
    la = a.split(b"\n")
    lb = b.split(b"\n")
    for i in range(max(len(la), len(lb))):
        x = la[i] if i < len(la) else None
        y = lb[i] if i < len(lb) else None
        if x != y:
            where = "line %d" % (i + 1)
            return "%s, %s:\n      A: %s\n      B: %s" % (name, where, "(none)" if x is None else text(x),
                                                         "(none)" if y is None else text(y))
    return name


def compare(kind, path, binary_a, binary_b, slow, timeout):
    """The outcome of one program: ("too slow", seconds) or a list of
    (stream, "same" | "differs" | "skipped", detail)."""
    runner = RUNNERS[kind]
    a1 = timed(runner, binary_a, path, timeout, slow)
    if slow and a1.timed_out:
        return ("too slow", slow)
    b1 = timed(runner, binary_b, path, timeout)
    a2 = timed(runner, binary_a, path, timeout)
    outcome = []
    again = None
    for name in STREAMS:
        x, y, x2 = a1.stream(name), b1.stream(name), a2.stream(name)
        if x != x2:
            outcome.append((name, "skipped", "differs between two runs of BIN_A"))
            continue
        if x == y:
            outcome.append((name, "same", ""))
            continue
        if again is None:
            again = (timed(runner, binary_a, path, timeout), timed(runner, binary_b, path, timeout))
        if again[0].stream(name) != x:
            outcome.append((name, "skipped", "differs between three runs of BIN_A"))
        elif again[1].stream(name) != y:
            outcome.append((name, "skipped", "differs between two runs of BIN_B"))
        else:
            outcome.append((name, "differs", first_difference(name, x, y)))
    return outcome


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("binary_a", metavar="BIN_A")
    parser.add_argument("binary_b", metavar="BIN_B")
    parser.add_argument("-j", "--jobs", type=int, default=os.cpu_count() or 2, help="programs run at once")
    parser.add_argument("--slow", type=float, default=10.0,
                        help="processor seconds within which the first run of a bench/*.mrv must end "
                             "(default 10)")
    parser.add_argument("--only", default="", help="only the programs whose path contains this text")
    parser.add_argument("--timeout", type=float, default=TIMEOUT, help="seconds per run (default 120)")
    args = parser.parse_args()
    binary_a = run_script.binary_path(args.binary_a)
    binary_b = run_script.binary_path(args.binary_b)
    for binary in (binary_a, binary_b):
        if not os.access(binary, os.X_OK):
            print("no interpreter at %s" % binary)
            return 2
    jobs = [p for p in programs() if args.only in os.path.relpath(p[1], ROOT)]
    # The slow ones first, so that they do not come last on one worker.
    jobs.sort(key=lambda p: (p[0] != "bench", not p[2]))
    lock = threading.Lock()
    counts = {"programs": 0, "differ": 0, "skipped": 0, "slow": 0}
    by_kind = {}
    started = time.monotonic()

    def one(job):
        kind, path, slow = job
        outcome = compare(kind, path, binary_a, binary_b, args.slow if slow else None, args.timeout)
        name = os.path.relpath(path, ROOT)
        with lock:
            if outcome[0] == "too slow":
                counts["slow"] += 1
                print("too slow: %s (its first run needed over %g s of the processor)" % (name, outcome[1]),
                      flush=True)
                return
            counts["programs"] += 1
            by_kind[kind] = by_kind.get(kind, 0) + 1
            differs = [o for o in outcome if o[1] == "differs"]
            for stream, state, detail in outcome:
                if state == "skipped":
                    counts["skipped"] += 1
                    print("skipped: %s, %s: %s" % (name, stream, detail), flush=True)
            if differs:
                counts["differ"] += 1
                print("DIFFERS: %s" % name, flush=True)
                for _, _, detail in differs:
                    print("    " + detail, flush=True)

    with concurrent.futures.ThreadPoolExecutor(max(1, args.jobs)) as pool:
        for future in [pool.submit(one, job) for job in jobs]:
            future.result()
    names = {"script": ("script test", "script tests"), "example": ("example", "examples"),
             "bench": ("bench program", "bench programs")}
    kinds = ", ".join("%d %s" % (by_kind[k], names[k][by_kind[k] != 1]) for k in names if k in by_kind)
    print("roads: %d programs compared (%s) in %.0f s, %d differ, %d streams skipped as unstable, "
          "%d too slow to compare" % (counts["programs"], kinds or "none", time.monotonic() - started,
                                      counts["differ"], counts["skipped"], counts["slow"]))
    print("BIN_A: %s\nBIN_B: %s" % (binary_a, binary_b))
    return 1 if counts["differ"] else 0


if __name__ == "__main__":
    sys.exit(main())
