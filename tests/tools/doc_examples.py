#!/usr/bin/env python3
"""Runs every example program of one markdown page through the real binary
and compares what it printed with the output the page shows beneath it.

    doc_examples.py <morvu binary> <page.md or directory>...
    doc_examples.py --selftest <morvu binary>

How a page marks its examples (fenced blocks, ``` or ~~~):
    ```morvu                 a complete program; it must end with status 0
    ```output                directly after a program (only blank lines between):
                             the program's standard output, exactly
    ```output status=1       the same, and the exit status must be 1
    ```morvu file=lib.mrv    not run: written as lib.mrv into the directory of
    ```text file=words.txt   the next program of the page (modules, input files)
    ```morvu stdin=words.txt the program reads that file as its standard input:
                             a file= block before it, else a file beside the page
    ```morvu args=a b        the program's arguments (split like a shell does)
    ```morvu options="-a app" interpreter options, before the program file
    ```command               one line "morvu <arguments>": the interpreter run
                             with exactly these arguments and no program file
                             of the page's (the start-up and its messages);
                             an output block may follow as after a program
Any other block (text, sh, ...) is prose and is not run.

Each program runs in a fresh temporary directory as "example.mrv", so error
reports name that file; without stdin= its standard input is empty. The
interpreter's directory, which -v prints, shows as {bindir}. A
sanitizer report on standard error fails the example whatever its status.
Every problem is reported as "page:line:" with the line of the block, and an
output mismatch names the first line that differs.
"""
import os
import re
import shlex
import subprocess
import sys
import tempfile

PROGRAM_NAME = "example.mrv"
FENCE = re.compile(r"^( {0,3})(`{3,}|~{3,})\s*(.*)$")
SANITIZER = re.compile(r"(ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|UndefinedBehaviorSanitizer)")
TIMEOUT = 60


class Block:
    def __init__(self, line, info, body, blank_before):
        self.line = line                    # line of the opening fence, counted from 1
        words = shlex.split(info) if info else []
        self.kind = words[0] if words else ""
        self.attrs = {}
        for word in words[1:]:
            key, _, value = word.partition("=")
            self.attrs[key] = value
        self.body = body                    # the lines between the fences
        self.blank_before = blank_before    # only blank lines since the previous block


def split_blocks(text):
    """Returns the fenced blocks of a page and the problems of its layout."""
    blocks, problems = [], []
    lines = text.split("\n")
    i, gap_blank = 0, False
    while i < len(lines):
        opening = FENCE.match(lines[i])
        if not opening:
            gap_blank = gap_blank and not lines[i].strip()
            i += 1
            continue
        indent, fence, info = opening.groups()
        if fence[0] == "`" and "`" in info:
            i += 1                          # an inline code span, not a fence
            continue
        start, body = i + 1, []
        i += 1
        while i < len(lines):
            closing = FENCE.match(lines[i])
            if (closing and closing.group(2)[0] == fence[0] and len(closing.group(2)) >= len(fence)
                    and not closing.group(3)):
                break
            # Lines of an indented fence lose at most the fence's indentation.
            line = lines[i]
            cut = min(len(indent), len(line) - len(line.lstrip(" ")))
            body.append(line[cut:])
            i += 1
        else:
            problems.append((start, "the block opened here is never closed"))
            break
        info = info.strip()
        try:
            blocks.append(Block(start, info, body, gap_blank))
        except ValueError as e:
            problems.append((start, "unreadable info string %r: %s" % (info, e)))
        i += 1
        gap_blank = True
    return blocks, problems


def examples(blocks, page_dir="."):
    """Pairs each program with its output block and the files it gets.
    Returns (examples, problems); an example is a dict."""
    found, problems, files = [], [], []
    for n, block in enumerate(blocks):
        if "file" in block.attrs:
            if not block.attrs["file"] or os.path.isabs(block.attrs["file"]) or ".." in block.attrs["file"].split("/"):
                problems.append((block.line, "file=%r must name a file inside the run directory"
                                 % block.attrs["file"]))
            else:
                files.append((block.attrs["file"], block.body))
            continue
        if block.kind == "output":
            previous = blocks[n - 1] if n > 0 else None
            if not (previous and previous.kind in ("morvu", "command") and "file" not in previous.attrs
                    and block.blank_before):
                problems.append((block.line, "an output block must follow a morvu program directly"))
            continue
        if block.kind not in ("morvu", "command"):
            continue
        example = {"line": block.line, "program": block.body, "files": files, "expect": None,
                   "expect_line": None, "status": 0, "stdin": block.attrs.get("stdin"),
                   "args": shlex.split(block.attrs.get("args", "")),
                   "options": shlex.split(block.attrs.get("options", "")), "command": None}
        if block.kind == "command":
            lines = [line for line in block.body if line.strip()]
            words = shlex.split(lines[0]) if len(lines) == 1 else []
            if not words or words[0] != "morvu" or block.attrs:
                problems.append((block.line, "a command block holds one line \"morvu <arguments>\" "
                                 "and takes no attributes"))
                files = []
                continue
            example["command"] = words[1:]
        files = []
        following = blocks[n + 1] if n + 1 < len(blocks) else None
        if following and following.kind == "output" and following.blank_before:
            example["expect"] = following.body
            example["expect_line"] = following.line
            status = following.attrs.get("status", "0")
            if not re.fullmatch(r"\d+", status):
                problems.append((following.line, "status=%r is not a number" % status))
            else:
                example["status"] = int(status)
        if example["stdin"] is not None and example["stdin"] not in [name for name, _ in example["files"]]:
            beside = os.path.join(page_dir, example["stdin"])
            if not os.path.isfile(beside):
                problems.append((block.line, "stdin=%s names no file= block before the program "
                                 "and no file beside the page" % example["stdin"]))
                continue
            example["stdin"] = os.path.abspath(beside)
        found.append(example)
    if files:
        problems.append((blocks[-1].line, "file= blocks at the end of the page feed no program"))
    return found, problems


def write_lines(path, lines):
    with open(path, "w", encoding="latin-1", newline="\n") as f:
        f.write("".join(line + "\n" for line in lines))


def run_example(binary, example):
    """Runs one example; returns its problems as (line, text) pairs."""
    with tempfile.TemporaryDirectory(prefix="morvu-doc-") as work:
        for name, lines in example["files"]:
            target = os.path.join(work, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            write_lines(target, lines)
        if example["command"] is None:
            write_lines(os.path.join(work, PROGRAM_NAME), example["program"])
            command = [binary] + example["options"] + [PROGRAM_NAME] + example["args"]
        else:
            command = [binary] + example["command"]
        stdin = subprocess.DEVNULL
        if example["stdin"] is not None:
            stdin = open(os.path.join(work, example["stdin"]), "rb")
        try:
            done = subprocess.run(command, cwd=work, stdin=stdin, capture_output=True, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            return [(example["line"], "timed out after %d s" % TIMEOUT)]
        finally:
            if stdin is not subprocess.DEVNULL:
                stdin.close()
    bindir = os.path.dirname(binary).encode("latin-1")
    stdout = done.stdout.replace(bindir, b"{bindir}")
    return compare(example, stdout, done.stderr, done.returncode)


def compare(example, stdout, stderr, status):
    problems = []
    err = stderr.decode("latin-1")
    if SANITIZER.search(err):
        problems.append((example["line"], "sanitizer report:\n" + err))
    actual = stdout.decode("latin-1").split("\n")
    if actual[-1] == "":
        actual.pop()
    expected = example["expect"]
    if expected is not None:
        for i in range(max(len(actual), len(expected))):
            want = expected[i] if i < len(expected) else None
            got = actual[i] if i < len(actual) else None
            if want != got:
                # The line of the output block where the difference shows.
                where = example["expect_line"] + 1 + min(i, len(expected))
                problems.append((where, "output differs at its line %d (program at line %d):\n"
                                 "  expected: %r\n  actual:   %r" % (i + 1, example["line"], want, got)))
                break
    if status != example["status"]:
        problems.append((example["line"], "exit status %d, expected %d" % (status, example["status"])))
        if expected is None and actual:
            problems.append((example["line"], "its output:\n" + "\n".join(actual)))
    if problems and err and not SANITIZER.search(err):
        problems.append((example["line"], "standard error:\n" + err))
    return problems


def check_page(binary, page):
    with open(page, encoding="utf-8") as f:
        text = f.read()
    blocks, problems = split_blocks(text)
    found, more = examples(blocks, os.path.dirname(page))
    problems += more
    for example in found:
        problems += run_example(binary, example)
    return ["%s:%d: %s" % (page, line, text) for line, text in sorted(problems, key=lambda p: p[0])], len(found)


def selftest(binary):
    page = ("Intro `code` and ```inline``` text.\n\n"
            "```morvu\noutl(6 * 7)\n```\n\n```output\n42\n```\n"
            "```text file=in.txt\nred\n```\n"
            "```morvu stdin=in.txt args=\"a b\" options=\"-o out.txt\"\nstr s\ninl(s)\noutl(s, argc())\n```\n"
            "```output\n```\n"
            "   ```morvu\n   outl(1 / 0)\n   ```\n   ```output status=1\n"
            "   System error in file 'example.mrv', line '1':\n     Operator '/': Division by 0\n   ```\n"
            "```sh\nnot run\n```\n")
    blocks, problems = split_blocks(page)
    assert problems == [], problems
    assert [b.kind for b in blocks] == ["morvu", "output", "text", "morvu", "output", "morvu", "output", "sh"]
    found, problems = examples(blocks)
    assert problems == [] and len(found) == 3, (found, problems)
    assert found[1]["args"] == ["a", "b"] and found[1]["options"] == ["-o", "out.txt"], found[1]
    assert found[1]["files"] == [("in.txt", ["red"])], found[1]
    assert found[2]["status"] == 1 and found[2]["expect"][1] == "  Operator '/': Division by 0"
    for example in found:
        assert run_example(binary, example) == [], run_example(binary, example)
    # Without its options the same program writes to standard output.
    assert run_example(binary, dict(found[1], options=[])) != []
    # A wrong line is reported at its place in the page.
    bad = dict(found[0], expect=["41"])
    assert run_example(binary, bad)[0][0] == found[0]["expect_line"] + 1
    assert compare(bad, b"42\n", b"", 0) != []
    assert compare(found[0], b"42\n", b"==1==ERROR: AddressSanitizer: heap-use-after-free", 0) != []
    assert compare(found[0], b"42\n", b"", 1) != []
    assert compare(found[0], b"42\nmore\n", b"", 0) != []
    # Layout faults of a page are problems too.
    assert split_blocks("```morvu\nouts(1)\n")[1] != []
    assert examples(split_blocks("text\n```output\n1\n```\n")[0])[1] != []
    assert examples(split_blocks("```morvu\nouts(1)\n```\nprose\n```output\n1\n```\n")[0])[1] != []
    assert examples(split_blocks("```morvu stdin=x\nouts(1)\n```\n")[0])[1] != []
    # A command runs the interpreter with its own arguments and no program.
    found, problems = examples(split_blocks("```command\nmorvu -o\n```\n\n```output status=1\nx\n```\n")[0])
    assert problems == [] and found[0]["command"] == ["-o"] and found[0]["status"] == 1, (found, problems)
    assert run_example(binary, dict(found[0], expect=None)) == []
    assert examples(split_blocks("```command\nls -l\n```\n")[0])[1] != []
    assert examples(split_blocks("```command\nmorvu\nmorvu -v\n```\n")[0])[1] != []
    # Standard input may also come from a file beside the page.
    with tempfile.TemporaryDirectory(prefix="morvu-selftest-") as work:
        with open(os.path.join(work, "lines.txt"), "w") as f:
            f.write("blue\n")
        with open(os.path.join(work, "page.md"), "w") as f:
            f.write("```morvu stdin=lines.txt\nstr s\ninl(s)\noutl(s)\n```\n```output\nblue\n```\n")
        assert check_page(binary, os.path.join(work, "page.md")) == ([], 1)
    return []


def pages(paths):
    """The pages named, a directory standing for every page below it."""
    for path in paths:
        if os.path.isdir(path):
            for root, dirs, names in sorted(os.walk(path)):
                dirs.sort()
                for name in sorted(names):
                    if name.endswith(".md"):
                        yield os.path.join(root, name)
        else:
            yield path


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--selftest":
        problems = selftest(os.path.abspath(sys.argv[2]))
        total = None
    elif len(sys.argv) >= 3:
        binary = os.path.abspath(sys.argv[1])   # the programs run in another directory
        problems, total = [], 0
        for page in pages(sys.argv[2:]):
            found, count = check_page(binary, page)
            problems += found
            total += count
    else:
        print("usage: doc_examples.py [--selftest] <morvu binary> [<page.md>...]")
        return 2
    for problem in problems:
        print(problem)
    if total is not None:
        print("%d example(s), %d problem(s)" % (total, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
