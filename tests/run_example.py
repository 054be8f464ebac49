#!/usr/bin/env python3
"""Runs one program of examples/ the way a user would, from a working
directory of its own, and compares its standard output with
examples/expected/<name>.txt, byte for byte. The exit status must be 0 and
standard error empty.

An example that needs options says how it is run in a comment line of its
own, with paths relative to the project's root directory:

    # run: morvu -n examples examples/modules.mrv

The runner takes the options and arguments from that line; the values of
-n, -i and -ib and the program path become absolute, so the example still
runs from the fresh directory. Without such a line the example runs as
"morvu <path of the example>".

To make the expected output of a new example, run it and read what it
prints before saving it:

    build/release/morvu examples/NAME.mrv > examples/expected/NAME.txt
"""
import os
import re
import shlex
import subprocess
import sys
import tempfile

from run_script import binary_path

RUN = re.compile(r"^#\s*run:\s*(.*)$")
VALUE_OPTIONS = ("-n", "-i", "-ib", "-o", "-ob", "-O", "-Ob", "-a")
PATH_OPTIONS = ("-n", "-i", "-ib")
SANITIZER = re.compile(r"(ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|UndefinedBehaviorSanitizer)")


def command_line(binary, example, root):
    """The command that runs `example`: from its run line, or the plain one."""
    with open(example, encoding="latin-1") as f:
        runs = [m.group(1) for m in map(RUN.match, f.read().splitlines()) if m]
    if not runs:
        return [binary, example]
    words = shlex.split(runs[0])
    if not words or words[0] != "morvu":
        raise ValueError("the run line must begin with 'morvu': %r" % runs[0])
    command = [binary]
    words = words[1:]
    i = 0
    # Options first, each path made absolute; then the program and its
    # arguments.
    while i < len(words) and words[i].startswith("-"):
        option = words[i]
        command.append(option)
        i += 1
        if option in VALUE_OPTIONS and i < len(words):
            command.append(os.path.join(root, words[i]) if option in PATH_OPTIONS else words[i])
            i += 1
    if i >= len(words):
        raise ValueError("the run line names no program: %r" % runs[0])
    program = os.path.join(root, words[i])
    if os.path.realpath(program) != os.path.realpath(example):
        raise ValueError("the run line names %s, not this example" % words[i])
    return command + [program] + words[i + 1:]


def first_difference(expected, actual):
    want = expected.split("\n")
    got = actual.split("\n")
    for i in range(max(len(want), len(got))):
        w = want[i] if i < len(want) else None
        g = got[i] if i < len(got) else None
        if w != g:
            return "first difference at output line %d:\n  expected: %r\n  actual:   %r" % (i + 1, w, g)
    return None


def execute(binary, example, timeout=120):
    """Runs `example` as a user would, from a fresh working directory: the
    finished process (its output captured) and the files it left behind.
    A run line that cannot be used raises ValueError, a run past the time
    limit subprocess.TimeoutExpired."""
    example = os.path.abspath(example)
    root = os.path.dirname(os.path.dirname(example))
    command = command_line(binary_path(binary), example, root)
    with tempfile.TemporaryDirectory(prefix="morvu-example-") as work:
        done = subprocess.run(command, cwd=work, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
        left = sorted(os.listdir(work))
    return done, left


def run(binary, example):
    example = os.path.abspath(example)
    name = os.path.splitext(os.path.basename(example))[0]
    expected_path = os.path.join(os.path.dirname(example), "expected", name + ".txt")
    if not os.path.isfile(expected_path):
        return ["no expected output: " + expected_path]
    with open(expected_path, encoding="latin-1") as f:
        expected = f.read()
    try:
        done, left = execute(binary, example)
    except ValueError as error:
        return [str(error)]
    except subprocess.TimeoutExpired as error:
        return ["timed out after %d s: %s" % (error.timeout, " ".join(error.cmd))]
    problems = []
    actual = done.stdout.decode("latin-1")
    err = done.stderr.decode("latin-1")
    difference = first_difference(expected, actual)
    if difference:
        problems.append(difference)
    if done.returncode != 0:
        problems.append("exit status %d, expected 0" % done.returncode)
    if err:
        problems.append(("sanitizer report:\n" if SANITIZER.search(err) else "standard error:\n") + err)
    # An example cleans up after itself: a user runs it in a directory of
    # their own.
    if left:
        problems.append("files left in the working directory: " + ", ".join(left))
    return problems


def selftest(binary):
    """Examples in a scratch project: the runner passes the right ones and
    catches each kind of wrong one."""
    with tempfile.TemporaryDirectory(prefix="morvu-example-selftest-") as root:
        examples = os.path.join(root, "examples")
        os.makedirs(os.path.join(examples, "expected"))
        os.makedirs(os.path.join(examples, "lib"))

        def example(name, program, expected):
            with open(os.path.join(examples, name + ".mrv"), "w", encoding="latin-1") as f:
                f.write(program)
            with open(os.path.join(examples, "expected", name + ".txt"), "w", encoding="latin-1") as f:
                f.write(expected)
            return run(binary, os.path.join(examples, name + ".mrv"))

        with open(os.path.join(examples, "lib", "part.inc"), "w", encoding="latin-1") as f:
            f.write('proc part(str s) { outl(s) }\n')
        assert example("plain", 'outl("a")\n', "a\n") == []
        # The run line's options reach the interpreter, -n made absolute.
        assert example("needs", '# run: morvu -n examples examples/needs.mrv x\nneed "lib/part.inc"\npart("part")\n'
                       'outl(argv(1))\n', "part\nx\n") == []
        assert example("wrong", 'outl("a")\n', "b\n") != []
        assert example("short", 'outl("a")\n', "a\nb\n") != []
        assert example("status", 'exit(3)\n', "") != []
        assert example("litter", 'file f("left.txt")\nf.outl(1)\nf.close()\n', "") != []
        assert example("other", '# run: morvu examples/plain.mrv\n', "") != []
        assert example("unsearched", 'need "lib/part.inc"\npart("part")\n', "part\n") != []
        assert run(binary, os.path.join(examples, "missing.mrv")) != []
    return []


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--selftest":
        problems = selftest(binary_path(sys.argv[2]))
        for problem in problems:
            print(problem)
        return 1 if problems else 0
    if len(sys.argv) != 3:
        print("usage: run_example.py [--selftest] <morvu binary> [<example.mrv>]")
        return 2
    problems = run(sys.argv[1], sys.argv[2])
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
