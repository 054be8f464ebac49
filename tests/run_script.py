#!/usr/bin/env python3
"""Runs one Morvu test program through the real binary and compares what it
printed and its exit status with what the program file says it expects.

Directives, each in a comment of its own line:
    outl(6 * 7)            # expect: 42     one expected output line, in order
    # expect status: 1                      the exit status (default 0)
    ## args: a b "c d"                      program arguments after the file
    ## options: -n lib                      interpreter options before the file
    ## stdin: text                          one line of standard input
    ## copy: helper.mrv                     a sibling file copied beside it

The program runs in a fresh temporary directory holding a copy of itself, so
file names in error reports are the bare file name and files it writes do
not land in the source tree. A sanitizer report on standard error fails the
test whatever the status.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

EXPECT = re.compile(r"#\s?expect: ?(.*)$")
STATUS = re.compile(r"#\s?expect status:\s*(-?\d+)\s*$")
DIRECTIVE = re.compile(r"^\s*##\s*(args|options|stdin|copy):\s?(.*)$")
SANITIZER = re.compile(r"(ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|UndefinedBehaviorSanitizer)")


def parse(text):
    spec = {"expect": [], "status": 0, "args": [], "options": [], "stdin": [], "copy": []}
    for line in text.splitlines():
        directive = DIRECTIVE.match(line)
        if directive:
            key, value = directive.groups()
            if key in ("args", "options", "copy"):
                spec[key] += shlex.split(value)
            else:
                spec["stdin"].append(value)
            continue
        status = STATUS.search(line)
        if status:
            spec["status"] = int(status.group(1))
            continue
        expect = EXPECT.search(line)
        if expect:
            spec["expect"].append(expect.group(1))
    return spec


def run(binary, script):
    with open(script, encoding="latin-1") as f:
        spec = parse(f.read())
    name = os.path.basename(script)
    with tempfile.TemporaryDirectory(prefix="morvu-test-") as work:
        shutil.copy(script, os.path.join(work, name))
        for extra in spec["copy"]:
            source = os.path.join(os.path.dirname(script), extra)
            target = os.path.join(work, extra)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy(source, target)
        stdin = "".join(line + "\n" for line in spec["stdin"]).encode("latin-1")
        command = [binary] + spec["options"] + [name] + spec["args"]
        try:
            done = subprocess.run(command, cwd=work, input=stdin, capture_output=True, timeout=120)
        except subprocess.TimeoutExpired:
            return ["timed out after 120 s: " + " ".join(command)]
    return compare(spec, done.stdout, done.stderr, done.returncode)


def compare(spec, stdout, stderr, status):
    problems = []
    err = stderr.decode("latin-1")
    if SANITIZER.search(err):
        problems.append("sanitizer report:\n" + err)
    actual = stdout.decode("latin-1").split("\n")
    if actual and actual[-1] == "":
        actual.pop()
    expected = spec["expect"]
    for i in range(max(len(actual), len(expected))):
        want = expected[i] if i < len(expected) else None
        got = actual[i] if i < len(actual) else None
        if want != got:
            problems.append("first difference at output line %d:\n  expected: %r\n  actual:   %r"
                            % (i + 1, want, got))
            break
    if status != spec["status"]:
        problems.append("exit status %d, expected %d" % (status, spec["status"]))
    if problems and err and not SANITIZER.search(err):
        problems.append("standard error:\n" + err)
    return problems


def selftest(binary):
    spec = parse('outl(1)  # expect: 1\n# expect status: 3\n## args: a "b c"\n## stdin: x\n'
                 '"#expect" # expect: a # b\n')
    assert spec["expect"] == ["1", "a # b"], spec
    assert spec["status"] == 3 and spec["args"] == ["a", "b c"] and spec["stdin"] == ["x"], spec
    assert compare(spec, b"1\na # b\n", b"", 3) == []
    assert compare(spec, b"1\n", b"", 3) != []
    assert compare(spec, b"1\na # b\n", b"runtime error: x", 3) != []
    # Without a program file the interpreter prints its usage and fails.
    done = subprocess.run([binary], capture_output=True, timeout=60)
    out = done.stdout.decode("latin-1")
    assert done.returncode == 1, done.returncode
    assert out.startswith("Program file for Morvu not defined\n\nUsage: morvu "), out
    return []


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--selftest":
        problems = selftest(sys.argv[2])
    elif len(sys.argv) == 3:
        problems = run(sys.argv[1], sys.argv[2])
    else:
        print("usage: run_script.py [--selftest] <morvu binary> [<script>]")
        return 2
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
