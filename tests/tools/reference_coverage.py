#!/usr/bin/env python3
"""Checks that docs/reference/ names exactly what the interpreter accepts.

    reference_coverage.py ROOT PAGE...     check these pages ("int", "functions")
    reference_coverage.py ROOT --all       check every page
    reference_coverage.py ROOT --list      print the page names, one a line
    reference_coverage.py ROOT --selftest  check the checker on made-up pages

ROOT is the project's source root. The pages are one per built-in type, plus
"functions" (the built-in functions), "statements" (the statement keywords)
and "index" (docs/reference/README.md links every other page).

Where the names come from. Nothing is listed by hand, so a method added to a
handler and left out of the reference fails here:

- The types are the rows of the handler table in src/types/method_table.cpp,
  {'code', "name", name_functions, name_procedures, ...}. A type whose
  handlers another row already uses (args uses list's) shares that type's
  methods: its own page may hold the entries that differ, the shared page
  holds the rest.
- A type's method names are the method keys its handler files compare with.
  The handler files are the file under src/types/ that defines
  `bool <handlers>_functions(` and its siblings named `<handlers>_*.cpp`
  (str_edit.cpp, graph_walk.cpp, file_input.cpp ...), where those types keep
  the rest of their methods. A method key is the method name and the byte
  0xA7, then the argument types: every string literal there that begins with
  an identifier and "\\xA7" names a method, unless it is the argument of a
  call other than key_is / key_has_prefix (a set of first bytes given to
  string_view, say). A literal that begins with "\\xA7" itself, or a call of
  is_call_form_key, means the type has a call form (its constructor).
- The output methods (out, outl, sout, ...) are recognised by a parser of
  their name (output_form_of) rather than by literals: a handler file that
  calls output_form_of or output_key accepts every keyword the statement
  binder sends to exec_output.
- The built-in functions are the rows of builtins[] in
  src/eval/builtin_functions.cpp; the statement keywords are the rows of
  keywords[] in src/exec/statement_binding.cpp, plus `need`, which the
  inclusion step carries out before the program runs (its word is checked to
  be still there).
- The iteration members `for` and `For` (L.for(v, {...})) are no method
  keys: src/exec/iteration_walks.cpp accepts them on the types whose tags
  is_walkable_tag in src/values/walk_pins.h lists; the tags' letters come
  from src/values/type_tags.h and match the first column of the handler
  table.
- The methods common to every type (src/types/scalar/any.cpp) belong to the
  page "any" only.

What a page must hold. Every entry is a level-3 heading beginning with the
name in backticks; several names documented together are joined by " / "
(### `ins` / `Ins`). A call form is headed `type:(...)`. The name is the text
before the first "(" or blank, after the last ":". An entry for an operator
(its backticked text is no name, as in ### `[]`) is not checked. Each
accepted name needs an entry, and each entry's names must be accepted, so
every name the reference lists is one the interpreter takes. Each documented
name must also be called in one of the page's ```morvu examples (a method
as `.name(`, a function as `name(`, a statement by its word; a call form as
`type:(`, `type name(` or `.""(`): the example checker runs those
examples, so every documented name is called at least once in the suite.
"""
import os
import re
import sys

TYPE_ROW = re.compile(r"\{\s*'(.)'\s*,\s*\"(\w+)\"\s*,\s*(\w+)_functions\s*,\s*(\w+)_procedures\s*,")
BUILTIN_ROW = re.compile(r"\{\s*\"(\w+)\"\s*,\s*builtin_\w+\s*\}")
KEYWORD_ROW = re.compile(r"\{\s*\"(\w+)\"\s*,\s*(exec_\w+)\s*\}")
NAME_LITERAL = re.compile(r'"([A-Za-z_]\w*)\\xA7')
CALL_FORM_LITERAL = re.compile(r'"\\xA7')
# What stands right before a literal: a call's opening parenthesis, and the
# function's name.
CALL_BEFORE = re.compile(r"(\w+)\s*\(\s*$")
KEY_TESTS = ("key_is", "key_has_prefix")
COMMENT = re.compile(r"//[^\n]*|/\*.*?\*/", re.S)
HEADING = re.compile(r"^###\s+(.*?)\s*$")
FENCE = re.compile(r"^(```|~~~)")
NAME = re.compile(r"^\w*$")
CALL_FORM = ""  # the name of a call form
TAG_CONSTANT = re.compile(r"\btag_(\w+)\s*=\s*'(.)'")
ITERATION_MEMBERS = {"for", "For"}


def read(path):
    with open(path, encoding="utf-8") as stream:
        return stream.read()


def code_of(path):
    """The file without comments (a comment may quote a key)."""
    return COMMENT.sub(" ", read(path))


class SOURCE:
    """The names the interpreter accepts, read from its source files."""

    def __init__(self, root):
        self.root = root
        src = os.path.join(root, "src")
        table = code_of(os.path.join(src, "types", "method_table.cpp"))
        self.types = []  # (page name, handler prefix), in table order
        for _code, name, functions, procedures in TYPE_ROW.findall(table):
            if functions != procedures:
                raise SystemExit(f"method_table.cpp: {name} has handlers of two prefixes")
            self.types.append((name, functions))
        if not self.types:
            raise SystemExit("method_table.cpp: no rows of the handler table found")

        keywords = KEYWORD_ROW.findall(code_of(os.path.join(src, "exec", "statement_binding.cpp")))
        self.statements = {name for name, _ in keywords}
        self.output_names = {name for name, executor in keywords if executor == "exec_output"}
        if not self.statements or not self.output_names:
            raise SystemExit("statement_binding.cpp: no keyword table found")
        inclusion = code_of(os.path.join(src, "frontend", "inclusion.cpp"))
        if '"need"' not in inclusion:
            raise SystemExit("inclusion.cpp no longer names the need statement")
        self.statements.add("need")

        self.functions = set(BUILTIN_ROW.findall(code_of(os.path.join(src, "eval", "builtin_functions.cpp"))))
        if not self.functions:
            raise SystemExit("builtin_functions.cpp: no table of built-in functions found")

        self.files_of = {}
        self.methods_of = {}
        for _name, prefix in self.types:
            if prefix not in self.methods_of:
                self.files_of[prefix] = self.handler_files(prefix)
                self.methods_of[prefix] = self.method_names(self.files_of[prefix])

        self.walkable = self.walkable_types(src, {name: code for code, name, _, _ in TYPE_ROW.findall(table)})

    @staticmethod
    def walkable_types(src, code_of_type):
        walks = code_of(os.path.join(src, "exec", "iteration_walks.cpp"))
        if not re.search(r"bool\s+is_iteration_member\b[^{]*\{[^}]*is_walkable_tag\(", walks):
            raise SystemExit("iteration_walks.cpp: is_iteration_member no longer asks is_walkable_tag")
        pins = code_of(os.path.join(src, "values", "walk_pins.h"))
        body = re.search(r"bool\s+is_walkable_tag\s*\([^)]*\)\s*\{(.*?)\n\}", pins, re.S)
        if not body:
            raise SystemExit("walk_pins.h: is_walkable_tag not found")
        letters = dict(TAG_CONSTANT.findall(code_of(os.path.join(src, "values", "type_tags.h"))))
        walked = {letters[tag] for tag in re.findall(r"case\s+tag_(\w+)\s*:", body.group(1))}
        types = {name for name, code in code_of_type.items() if code in walked}
        if not types:
            raise SystemExit("no walkable types found")
        return types

    def handler_files(self, prefix):
        types_dir = os.path.join(self.root, "src", "types")
        definition = re.compile(r"\bbool\s+" + prefix + r"_functions\s*\(\s*METHOD_CALL")
        homes = []
        for folder, _dirs, files in os.walk(types_dir):
            for file in files:
                path = os.path.join(folder, file)
                if file.endswith(".cpp") and definition.search(code_of(path)):
                    homes.append(path)
        if len(homes) != 1:
            raise SystemExit(f"{prefix}_functions is defined in {len(homes)} files under src/types")
        folder = os.path.dirname(homes[0])
        siblings = [os.path.join(folder, file) for file in sorted(os.listdir(folder))
                    if file.startswith(prefix + "_") and file.endswith(".cpp")]
        return homes + siblings

    def method_names(self, files):
        names = set()
        for path in files:
            text = code_of(path)
            for match in NAME_LITERAL.finditer(text):
                call = CALL_BEFORE.search(text, max(0, match.start() - 80), match.start())
                if call and call.group(1) not in KEY_TESTS:
                    continue
                names.add(match.group(1))
            if CALL_FORM_LITERAL.search(text) or "is_call_form_key(" in text:
                names.add(CALL_FORM)
            if "output_form_of(" in text or "output_key(" in text:
                names |= self.output_names
        if not names:
            raise SystemExit("no method keys found in " + ", ".join(files))
        return names

    def pages(self):
        return [name for name, _ in self.types] + ["functions", "statements"]

    def accepted(self, page):
        """The names the page must list, and the names it may list."""
        if page == "functions":
            return self.functions, self.functions
        if page == "statements":
            return self.statements, self.statements
        prefix = dict(self.types)[page]
        names = set(self.methods_of[prefix])
        if page in self.walkable:
            names |= ITERATION_MEMBERS
        first_owner = next(name for name, p in self.types if p == prefix)
        if first_owner != page:
            return set(), names  # a sharing type: the owner's page holds what it leaves out
        return names, names


def shown(name, page):
    return f"{page}:(...) (call form)" if name == CALL_FORM else name


def entries(text):
    """(heading line number, [names], body) for every level-3 heading."""
    found = []
    lines = text.splitlines()
    in_fence = False
    current = None
    for number, line in enumerate(lines, 1):
        if FENCE.match(line):
            in_fence = not in_fence
        if not in_fence:
            heading = HEADING.match(line)
            if heading or line.startswith("## ") or line.startswith("# "):
                if current:
                    found.append(current)
                current = None
            if heading:
                current = (number, heading_names(heading.group(1)), [])
                continue
        if current:
            current[2].append(line)
    if current:
        found.append(current)
    return [(number, names, "\n".join(body)) for number, names, body in found]


def heading_names(title):
    """The names a heading documents: backticked spans joined by " / "."""
    names = []
    rest = title
    while True:
        span = re.match(r"`([^`]+)`\s*", rest)
        if not span:
            break
        names.append(name_of(span.group(1)))
        rest = rest[span.end():]
        joiner = re.match(r"/\s*", rest)
        if not joiner:
            break
        rest = rest[joiner.end():]
    return names


def name_of(span):
    word = re.split(r"[(\s]", span, maxsplit=1)[0]
    return word.rsplit(":", 1)[-1] if ":" in word else word


def morvu_programs(text):
    """The programs of a page: fenced blocks whose info string begins with
    the word morvu and names no file (those are files a program reads)."""
    programs = []
    current = None
    fence_mark = None
    for line in text.splitlines():
        fence = FENCE.match(line)
        if fence and current is None:
            words = line.lstrip("`~").split()
            fence_mark = line[0]
            current = [] if words[:1] == ["morvu"] and not any(w.startswith("file=") for w in words) else False
        elif fence and line[0] == fence_mark and not line.strip(fence_mark).strip():
            if current is not False:
                programs.append("\n".join(current))
            current = None
        elif current not in (None, False):
            current.append(line)
    return programs


def use_pattern(page, name):
    """How a program calls the name documented on the page."""
    if page == "statements":
        return re.compile(r"(?<![\w.:])" + re.escape(name) + r"\b")
    if page == "functions":
        return re.compile(r"(?<![\w.])" + re.escape(name) + r"\s*\(")
    if name == CALL_FORM:
        return re.compile(r"\b" + re.escape(page) + r"\s*:\s*\(|\b" + re.escape(page) + r"\s+\w+\s*\(|\.\s*\"\"\s*\(")
    return re.compile(r"\.\s*" + re.escape(name) + r"\s*\(")


def check_page(source, page, reference):
    path = os.path.join(reference, page + ".md")
    if not os.path.exists(path):
        must, _ = source.accepted(page)
        listed = ", ".join(sorted(shown(name, page) for name in must)) or "(the entries it documents)"
        return [f"{page}.md is missing; it must document: {listed}"]
    problems = []
    must, may = source.accepted(page)
    text = read(path)
    programs = morvu_programs(text)
    documented = {}
    for number, names, _body in entries(text):
        if not names:
            problems.append(f"{page}.md:{number}: a level-3 heading without a `name` in backticks")
            continue
        for name in names:
            if not NAME.match(name):
                continue  # an operator's entry
            if name in documented:
                problems.append(f"{page}.md:{number}: {shown(name, page)} is documented twice "
                                f"(first at line {documented[name]})")
            documented.setdefault(name, number)
            if name not in may:
                problems.append(f"{page}.md:{number}: {shown(name, page)} is no name the interpreter accepts here")
            elif not any(use_pattern(page, name).search(program) for program in programs):
                problems.append(f"{page}.md:{number}: no example on the page calls {shown(name, page)}")
    for name in sorted(must - set(documented)):
        problems.append(f"{page}.md: no entry for {shown(name, page)}")
    return problems


def check_index(source, reference):
    path = os.path.join(reference, "README.md")
    if not os.path.exists(path):
        return ["README.md is missing"]
    links = set(re.findall(r"\]\(([\w-]+)\.md\)", read(path)))
    return [f"README.md does not link {page}.md" for page in source.pages() if page not in links]


def selftest(source):
    """The checker must notice each kind of fault on a page made up from the
    names the source accepts, and its key extraction must keep to keys."""
    import tempfile
    failures = []

    def expect(what, problems, wanted):
        if sorted(problems) != sorted(wanted):
            failures.append(f"{what}: got {problems}, want {wanted}")

    def page_text(page, names, extra="", uses=None):
        uses = names if uses is None else uses
        lines = [f"# {page}", ""]
        for name in sorted(names):
            lines += [f"### `{page}:(...)`" if name == CALL_FORM else f"### `{name}`", ""]
        calls = [f'x = {page}:(1)' if n == CALL_FORM else f"x.{n}(1)" for n in sorted(uses)]
        lines += [extra, "```morvu", *calls, "```", ""]
        return "\n".join(lines)

    with tempfile.TemporaryDirectory() as folder:
        def run(page, text):
            with open(os.path.join(folder, page + ".md"), "w", encoding="utf-8") as stream:
                stream.write(text)
            return check_page(source, page, folder)

        page = "str"
        must, _ = source.accepted(page)
        expect("a complete page", run(page, page_text(page, must)), [])
        expect("an entry missing", run(page, page_text(page, must - {"flip"})), ["str.md: no entry for flip"])
        expect("an operator entry", run(page, page_text(page, must, "### `[]`\n")), [])
        problems = run(page, page_text(page, must | {"flap"}, uses=must))
        expect("an unknown name", [p.split(": ", 1)[1] for p in problems],
               ["flap is no name the interpreter accepts here"])
        problems = run(page, page_text(page, must, uses=must - {"flip"}))
        expect("a name never called", [p.split(": ", 1)[1] for p in problems],
               ["no example on the page calls flip"])
        os.remove(os.path.join(folder, "str.md"))
        problems = check_page(source, page, folder)
        if len(problems) != 1 or "flip" not in problems[0]:
            failures.append(f"a missing page: got {problems}")

        handler = os.path.join(folder, "made_up.cpp")
        with open(handler, "w", encoding="utf-8") as stream:
            stream.write('if (key_is(key, "size\\xA7")) {}\n'
                         '// "gone\\xA7" in a comment\n'
                         'if (key_has_prefix(key,\n    "find\\xA7")) {}\n'
                         '{"sqrt\\xA7", big_sqrt},\n'
                         'std::string_view("ipsof\\xA7").find(key[0]);\n')
        expect("key extraction", sorted(source.method_names([handler])), ["find", "size", "sqrt"])
    for failure in failures:
        print("selftest:", failure)
    return 1 if failures else 0


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    source = SOURCE(argv[1])
    reference = os.path.join(argv[1], "docs", "reference")
    if argv[2] == "--list":
        print("\n".join(source.pages() + ["index"]))
        return 0
    if argv[2] == "--selftest":
        return selftest(source)
    pages = source.pages() + ["index"] if argv[2] == "--all" else argv[2:]
    problems = []
    for page in pages:
        if page == "index":
            problems += check_index(source, reference)
        elif page in source.pages():
            problems += check_page(source, page, reference)
        else:
            problems.append(f"no reference page is called {page}")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
