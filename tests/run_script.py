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
    ## no-program                           run without naming the program file
    ## config: n lib                        a line of a "morvu.sys" beside a copy
                                            of the binary, which then runs as ./morvu
    ## show-file: out.txt                   after the run, "--- out.txt" and the
                                            file's lines count as further output
    ## env: TZ=UTC0                         an environment variable of the run (the
                                            rest of the environment is passed through)
    ## stdout: /dev/full                    standard output of the run goes to that
                                            path; the expected lines are then those
                                            of standard error
    ## stdout: closed-pipe                  standard output is a pipe nobody reads
                                            (its read end closed); as above

The interpreter directory in the version banner depends on the machine; in
the output it is replaced by {bindir}.

The program runs in a fresh temporary directory holding a copy of itself, so
file names in error reports are the bare file name and files it writes do
not land in the source tree. A sanitizer report on standard error fails the
test whatever the status.
"""
import errno
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

EXPECT = re.compile(r"# expect: ?(.*)$")
STATUS = re.compile(r"# expect status:\s*(-?\d+)\s*$")
DIRECTIVE = re.compile(r"^\s*##\s*(args|options|stdin|copy|config|show-file|env|stdout):\s?(.*)$")
FLAG = re.compile(r"^\s*##\s*(no-program)\s*$")
SANITIZER = re.compile(r"(ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|UndefinedBehaviorSanitizer)")


def parse(text):
    spec = {"expect": [], "status": 0, "args": [], "options": [], "stdin": [], "copy": [],
            "config": [], "show-file": [], "env": [], "stdout": [], "no-program": False}
    for line in text.splitlines():
        flag = FLAG.match(line)
        if flag:
            spec[flag.group(1)] = True
            continue
        directive = DIRECTIVE.match(line)
        if directive:
            key, value = directive.groups()
            if key in ("args", "options", "copy", "show-file"):
                spec[key] += shlex.split(value)
            else:
                spec[key].append(value)
            continue
        status = STATUS.search(line)
        if status:
            spec["status"] = int(status.group(1))
            continue
        expect = EXPECT.search(line)
        if expect:
            spec["expect"].append(expect.group(1))
    return spec


class Outcome:
    """What one run of a test program gave: its standard output (with the
    shown files, the interpreter directory written {bindir} and the run's
    working directory written {workdir}), its standard error and its exit
    status; `timed_out` names the command when it ran past the limit."""

    def __init__(self, spec, stdout, stderr, status, timed_out=None):
        self.spec = spec
        self.stdout = stdout
        self.stderr = stderr
        self.status = status
        self.timed_out = timed_out


def run_command(command, **kwargs):
    """subprocess.run, tried again while the program file is busy: a copy
    of the interpreter just written may still be open for writing in a
    child that another thread of the caller forked meanwhile."""
    for attempt in range(50):
        try:
            return subprocess.run(command, **kwargs)
        except OSError as error:
            if error.errno != errno.ETXTBSY or attempt == 49:
                raise
            time.sleep(0.05)


def execute(binary, script, timeout=300):
    """Runs the test program `script` through `binary` as its directives
    say; the comparison with the expected lines is left to the caller. The
    longest programs take most of a minute under the sanitizers, more on a
    loaded machine: the limit only catches a hang."""
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
        program = binary
        if spec["config"]:
            shutil.copy(binary, os.path.join(work, "morvu"))
            with open(os.path.join(work, "morvu.sys"), "w", encoding="latin-1") as f:
                f.write("".join(line + "\n" for line in spec["config"]))
            program = "./morvu"
        env = dict(os.environ)
        for setting in spec["env"]:
            variable, _, value = setting.partition("=")
            env[variable.strip()] = value
        command = [program] + spec["options"] + ([] if spec["no-program"] else [name]) + spec["args"]
        try:
            if spec["stdout"] and spec["stdout"][-1] == "closed-pipe":
                read_end, write_end = os.pipe()
                os.close(read_end)
                try:
                    done = run_command(command, cwd=work, input=stdin, stdout=write_end,
                                       stderr=subprocess.PIPE, timeout=timeout, env=env)
                finally:
                    os.close(write_end)
            elif spec["stdout"]:
                with open(spec["stdout"][-1], "wb") as target:
                    done = run_command(command, cwd=work, input=stdin, stdout=target,
                                       stderr=subprocess.PIPE, timeout=timeout, env=env)
            else:
                done = run_command(command, cwd=work, input=stdin, capture_output=True, timeout=timeout,
                                   env=env)
        except subprocess.TimeoutExpired:
            return Outcome(spec, b"", b"", None, "timed out after %d s: %s" % (timeout, " ".join(command)))
        # With a "stdout" directive the expected lines are those of standard
        # error, and the shown files follow them there.
        streams = [done.stdout or b"", done.stderr]
        shown_into = 1 if spec["stdout"] else 0
        for shown in spec["show-file"]:
            streams[shown_into] += ("--- %s\n" % shown).encode("latin-1")
            try:
                with open(os.path.join(work, shown), "rb") as f:
                    content = f.read()
                streams[shown_into] += content if content.endswith(b"\n") or not content else content + b"\n"
            except OSError:
                streams[shown_into] += b"(missing)\n"
        bindir = os.path.dirname(os.path.abspath(binary)).encode("latin-1")
        for i, stream in enumerate(streams):
            stream = stream.replace(bindir, b"{bindir}")
            if spec["config"]:
                stream = stream.replace(b"Interpreter directory: .\n", b"Interpreter directory: {bindir}\n")
            for place in sorted({work, os.path.realpath(work)}, key=len, reverse=True):
                stream = stream.replace(place.encode("latin-1"), b"{workdir}")
            streams[i] = stream
    return Outcome(spec, streams[0], streams[1], done.returncode)


def run(binary, script):
    done = execute(binary, script)
    if done.timed_out:
        return [done.timed_out]
    expected_stream = done.stderr if done.spec["stdout"] else done.stdout
    return compare(done.spec, expected_stream, done.stderr, done.status)


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
    # "#expect" without the blank is a one-word comment of the language, no directive.
    assert parse('outl(1) #expect: 1\n')["expect"] == []
    assert spec["status"] == 3 and spec["args"] == ["a", "b c"] and spec["stdin"] == ["x"], spec
    assert parse("## env: TZ=XYZ-5:30\n")["env"] == ["TZ=XYZ-5:30"]
    assert parse("## stdout: /dev/null\n")["stdout"] == ["/dev/null"]
    # A run with a variable set still runs the program it names.
    with tempfile.TemporaryDirectory(prefix="morvu-selftest-") as work:
        script = os.path.join(work, "env.mrv")
        with open(script, "w", encoding="latin-1") as f:
            f.write("## env: TZ=UTC0\noutl(6 * 7)  # expect: 42\n")
        assert run(binary, script) == [], run(binary, script)
        # A binary named relative to the working directory still runs the
        # program in its own directory.
        relative = os.path.relpath(binary)
        assert run(binary_path(relative), script) == [], relative
    assert compare(spec, b"1\na # b\n", b"", 3) == []
    assert compare(spec, b"1\n", b"", 3) != []
    assert compare(spec, b"1\na # b\n", b"runtime error: x", 3) != []
    # Without a program file the interpreter prints its usage and fails.
    done = subprocess.run([binary], capture_output=True, timeout=60)
    out = done.stdout.decode("latin-1")
    assert done.returncode == 1, done.returncode
    assert "\nProgram file for Morvu not defined\n\nUsage: morvu " in out, out
    return []


def binary_path(name):
    """The binary as an absolute path: the program runs in another directory.
    A bare name is looked up on the PATH, as the shell would."""
    if os.sep not in name:
        found = shutil.which(name)
        if found:
            return os.path.abspath(found)
    return os.path.abspath(name)


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--selftest":
        problems = selftest(binary_path(sys.argv[2]))
    elif len(sys.argv) == 3:
        problems = run(binary_path(sys.argv[1]), sys.argv[2])
    else:
        print("usage: run_script.py [--selftest] <morvu binary> [<script>]")
        return 2
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
