#!/usr/bin/env python3
"""Runs generated programs (generate.py) through a sanitizer build of morvu
and sorts the outcomes: a sanitizer report, a death by signal or a run past
the time limit is a finding; any exit status of 0 or 1 without a report is
an ordinary outcome, language errors included.

Findings are told apart by their stack top: the kind of report and the
first frame of the interpreter's own sources (.cpp files; inline helpers of
headers are passed over). For each stack top the smallest program that
showed it is kept and, at the end, cut down line by line to a smaller one
that still shows it.

    drive.py run [--seconds 600] [--seed 1] [--workers 3] [--binary build/asan/morvu]
                 [--out build/reentrancy] [--count N] [--no-minimise]
    drive.py check PROGRAM...     the outcome of each program, one line each
    drive.py minimise PROGRAM     cuts a program down, keeping its stack top

Program i of seed S is generate.py's program of the seed text "S:i", so a
finding is reproduced by `generate.py S i`.
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import generate  # noqa: E402
from program_tools import drop_blocks, drop_chunks, write_summary  # noqa: E402

SANITIZER_ENV = {
    "ASAN_OPTIONS": "detect_leaks=1:halt_on_error=1:abort_on_error=0:exitcode=86:"
                    "handle_abort=1:allocator_may_return_null=1",
    "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1:exitcode=86",
}

FRAME = re.compile(r"^\s*#(\d+) 0x[0-9a-f]+ in (.*?) (\S+?):(\d+)(?::\d+)?$")
ASAN_ERROR = re.compile(r"==\d+==ERROR: (AddressSanitizer|LeakSanitizer): ([\w-]+)")
UBSAN_ERROR = re.compile(r"^(\S+?):(\d+):\d+: runtime error: (.*)$", re.M)
TRIALS = re.compile(r"^trials (\d+) (\d+)$", re.M)


def function_name(text):
    """The bare name of a symbolised function: no namespaces, no arguments."""
    depth = 0
    end = len(text)
    # Cut the parameter list: the last top-level '(' group.
    for i in range(len(text) - 1, -1, -1):
        c = text[i]
        if c == ")":
            depth += 1
        elif c == "(":
            depth -= 1
            if depth == 0:
                end = i
                break
    name = text[:end] if end > 0 else text
    name = name.replace("(anonymous namespace)::", "")
    name = re.sub(r"<.*>", "", name)
    return name.split("::")[-1].strip() or text


def stack_frames(report):
    """(function, file, line) of the first stack of a report."""
    frames = []
    started = False
    for line in report.splitlines():
        m = FRAME.match(line)
        if m:
            started = True
            frames.append((function_name(m.group(2)), m.group(3), int(m.group(4))))
        elif started:
            break
    return frames


def own_frames(frames):
    """The frames in the interpreter's own .cpp files, outermost last."""
    return [f for f in frames if "/src/" in f[1] and f[1].endswith(".cpp")
            and not any(lib in f[1] for lib in ("libsanitizer", "compiler-rt", "libstdc++"))]


class Outcome:
    def __init__(self, status, key="", frames=(), trials=(0, 0), report=""):
        self.status = status      # "clean", "finding"
        self.key = key            # the stack top of a finding
        self.frames = list(frames)
        self.trials = trials
        self.report = report


def classify(status, output, timed_out):
    trials = (0, 0)
    m = TRIALS.search(output)
    if m:
        trials = (int(m.group(1)), int(m.group(2)))
    if timed_out:
        return Outcome("finding", "timeout", report=output[-4000:], trials=trials)
    kind = None
    m = ASAN_ERROR.search(output)
    if m:
        kind = m.group(2) if m.group(1) == "AddressSanitizer" else "leak"
        report = output[m.start():]
    else:
        m = UBSAN_ERROR.search(output)
        if m:
            kind = "undefined-behaviour"
            report = output[m.start():]
    if kind is None:
        if status in (0, 1):
            return Outcome("clean", trials=trials)
        kind = f"signal {-status}" if status < 0 else f"exit status {status}"
        return Outcome("finding", kind, report=output[-4000:], trials=trials)
    frames = stack_frames(report)
    own = own_frames(frames)
    top = own[0][0] if own else (frames[0][0] if frames else "?")
    return Outcome("finding", f"{kind}: {top}", own[:6], trials, report[:20000])


def run_program(binary, text, timeout, scratch):
    """The outcome of one program text."""
    fd, path = tempfile.mkstemp(suffix=".mrv", dir=scratch)
    with os.fdopen(fd, "w") as f:
        f.write(text)
    env = dict(os.environ, **SANITIZER_ENV)
    try:
        proc = subprocess.run([binary, path], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, cwd=scratch, env=env, timeout=timeout)
        output = proc.stdout.decode("latin-1")
        return classify(proc.returncode, output, False)
    except subprocess.TimeoutExpired as e:
        output = (e.stdout or b"").decode("latin-1")
        return classify(None, output, True)
    finally:
        os.unlink(path)


def minimise(binary, text, key, timeout, scratch, log=None):
    """Drops lines, in chunks and then one by one, while the stack top stays."""
    def keeps(lines):
        return run_program(binary, "\n".join(lines) + "\n", timeout, scratch).key == key

    lines = text.splitlines()
    while True:
        before = len(lines)
        lines = drop_blocks(drop_chunks(lines, keeps), keeps)
        if len(lines) == before:
            break
    if log:
        log(f"minimised {key}: {len(text.splitlines())} -> {len(lines)} lines")
    return "\n".join(lines) + "\n"


def slug(key):
    return re.sub(r"[^A-Za-z0-9]+", "_", key).strip("_")


def command_run(args):
    binary = os.path.abspath(args.binary)
    if not os.access(binary, os.X_OK):
        sys.exit(f"no binary at {binary}: cmake --preset asan && cmake --build --preset asan")
    out = os.path.abspath(args.out)
    shutil.rmtree(out, ignore_errors=True)  # no finding of an earlier run stays behind
    os.makedirs(out)
    scratch = tempfile.mkdtemp(prefix="morvu-reentrancy-")
    lock = threading.Lock()
    stats = {"programs": 0, "clean": 0, "findings": 0, "trials_ok": 0, "trials_failed": 0}
    findings = {}   # key -> {"count", "first", "smallest", "text", "frames", "report"}
    next_index = [0]
    deadline = time.monotonic() + args.seconds
    started = time.monotonic()

    def take_index():
        with lock:
            if time.monotonic() >= deadline:
                return None
            if args.count is not None and next_index[0] >= args.count:
                return None
            i = next_index[0]
            next_index[0] += 1
            return i

    def worker():
        while True:
            i = take_index()
            if i is None:
                return
            text = generate.generate(f"{args.seed}:{i}")
            outcome = run_program(binary, text, args.timeout, scratch)
            with lock:
                stats["programs"] += 1
                stats["trials_ok"] += outcome.trials[0]
                stats["trials_failed"] += outcome.trials[1]
                if outcome.status == "clean":
                    stats["clean"] += 1
                    continue
                stats["findings"] += 1
                f = findings.get(outcome.key)
                if f is None:
                    f = findings[outcome.key] = {"count": 0, "first": i, "smallest": i,
                                                 "text": text, "frames": outcome.frames,
                                                 "report": outcome.report}
                    print(f"[{time.monotonic() - started:6.0f}s] new finding {outcome.key} "
                          f"(program {args.seed} {i})", flush=True)
                elif len(text) < len(f["text"]):
                    f.update(smallest=i, text=text, report=outcome.report)
                f["count"] += 1

    with concurrent.futures.ThreadPoolExecutor(args.workers) as pool:
        for _ in range(args.workers):
            pool.submit(worker)
    elapsed = time.monotonic() - started

    if not args.no_minimise and findings:
        def cut(key):
            f = findings[key]
            f["minimised"] = minimise(binary, f["text"], key, args.timeout, scratch, print)
        with concurrent.futures.ThreadPoolExecutor(args.workers) as pool:
            list(pool.map(cut, [k for k in findings if k != "timeout"]))
    shutil.rmtree(scratch, ignore_errors=True)

    lines = [
        f"seed {args.seed}, {args.workers} workers, {elapsed:.0f} s, binary {binary}",
        f"programs {stats['programs']} ({stats['programs'] / max(elapsed, 1e-9):.1f} per second), "
        f"clean {stats['clean']}, with a finding {stats['findings']}",
        f"trial statements run to their end {stats['trials_ok']}, ended by a language error "
        f"{stats['trials_failed']}",
        f"distinct stack tops {len(findings)}",
    ]
    for key, f in sorted(findings.items(), key=lambda kv: -kv[1]["count"]):
        d = os.path.join(out, slug(key))
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "program.mrv"), "w") as fh:
            fh.write(f["text"])
        with open(os.path.join(d, "report.txt"), "w") as fh:
            fh.write(f["report"])
        if "minimised" in f:
            with open(os.path.join(d, "minimised.mrv"), "w") as fh:
                fh.write(f["minimised"])
        frames = " < ".join(fr[0] for fr in f["frames"][:4])
        lines.append(f"  {f['count']:6d}  {key}  [{frames}]  first: generate.py {args.seed} "
                     f"{f['first']}  kept: {d}")
    return write_summary(out, lines, findings)


def command_check(args):
    binary = os.path.abspath(args.binary)
    scratch = tempfile.mkdtemp(prefix="morvu-reentrancy-")
    status = 0
    for path in args.programs:
        with open(path, encoding="latin-1") as fh:
            outcome = run_program(binary, fh.read(), args.timeout, scratch)
        print(f"{path}: {outcome.key or 'clean'}")
        if outcome.status != "clean":
            status = 1
    shutil.rmtree(scratch, ignore_errors=True)
    return status


def command_minimise(args):
    binary = os.path.abspath(args.binary)
    scratch = tempfile.mkdtemp(prefix="morvu-reentrancy-")
    with open(args.program, encoding="latin-1") as fh:
        text = fh.read()
    key = run_program(binary, text, args.timeout, scratch).key
    if not key:
        sys.exit(f"{args.program}: no finding")
    sys.stderr.write(f"{key}\n")
    sys.stdout.write(minimise(binary, text, key, args.timeout, scratch))
    shutil.rmtree(scratch, ignore_errors=True)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--binary", default="build/asan/morvu")
    parser.add_argument("--timeout", type=float, default=20.0, help="seconds per program")
    sub = parser.add_subparsers(dest="command", required=True)
    run = sub.add_parser("run")
    run.add_argument("--seconds", type=float, default=600)
    run.add_argument("--seed", default="1")
    run.add_argument("--workers", type=int, default=3)
    run.add_argument("--out", default="build/reentrancy")
    run.add_argument("--count", type=int)
    run.add_argument("--no-minimise", action="store_true")
    check = sub.add_parser("check")
    check.add_argument("programs", nargs="+")
    mini = sub.add_parser("minimise")
    mini.add_argument("program")
    args = parser.parse_args()
    return {"run": command_run, "check": command_check, "minimise": command_minimise}[args.command](args)


if __name__ == "__main__":
    sys.exit(main())
