#!/usr/bin/env python3
"""Writes tests/scripts/types/str_oracle.mrv: random editing, splitting and
case-conversion calls on str values, each followed by the result that this
independent Python model computes. The cases come from a fixed seed, so the
file is reproducible; run the tool again after changing the model.

The model follows the rules of the methods:
  repl/repl_all replace from the front, occurrences not overlapping; an empty
  search puts the replacement in front once (repl) or replaces nothing
  (repl_all); Repl/Repl_all replace from the end and never find an empty
  search. ins/Ins insert every pair at its point of the text before the call
  (Ins counts points from the end), texts at one point in argument order.
  del/Del delete the characters at positions of the text before the call.
  setp/Setp and delp/Delp work on the range between two positions.
  chop/Chop/cChop strip the texts in passes over them until a pass removes
  nothing. split reads items that end where the text read so far ends with a
  separator (tried in argument order), skipping empty items; Split reads the
  reversed text with reversed separators and reverses each item. del0/Del0
  with a variable take the first/last item out and strip the separators
  around it. tolower/toupper change ASCII letters only.
"""

import argparse
import random

ALPHABET = "aab,; -cA"


def text_literal(text):
    return '"' + text + '"'


def repl(text, search, replacement, all_, backward):
    if not backward:
        if search == "":
            return text if all_ else replacement + text
        if all_:
            return text.replace(search, replacement)
        i = text.find(search)
        return text if i < 0 else text[:i] + replacement + text[i + len(search):]
    if search == "":
        return text
    pieces = []
    end = len(text)
    while True:
        i = text.rfind(search, 0, end)
        if i < 0:
            break
        pieces.append(replacement + text[i + len(search):end])
        end = i
        if not all_:
            break
    return text[:end] + "".join(reversed(pieces))


def strip_front(text, strips):
    p = 0
    advanced = True
    while advanced:
        advanced = False
        for s in strips:
            while text.startswith(s, p):
                p += len(s)
                advanced = True
    return text[p:]


def strip_back(text, strips):
    return strip_front(text[::-1], [s[::-1] for s in strips])[::-1]


def items(text, separators):
    found = []
    pending = ""
    for ch in text:
        pending += ch
        for s in separators:
            if pending.endswith(s):
                item = pending[: len(pending) - len(s)]
                pending = ""
                if item:
                    found.append(item)
                break
    if pending:
        found.append(pending)
    return found


def split(text, separators, backward):
    if not backward:
        return items(text, separators)
    return [i[::-1] for i in items(text[::-1], [s[::-1] for s in separators])]


def random_text(rng, low=0, high=10):
    return "".join(rng.choice(ALPHABET) for _ in range(rng.randint(low, high)))


def random_search(rng):
    return "".join(rng.choice("ab,; ") for _ in range(rng.randint(0, 2)))


def case_lines(rng):
    """Yields (Morvu lines, expected output) for one random case."""
    kind = rng.choice(["repl", "ins", "del", "setp", "delp", "chop", "case", "split", "take", "flip"])
    text = random_text(rng)
    setup = ["s = " + text_literal(text)]
    show = 'outl("[", s, "]")'
    if kind == "repl":
        name = rng.choice(["repl", "Repl", "repl_all", "Repl_all"])
        search, replacement = random_search(rng), random_text(rng, 0, 2)
        result = repl(text, search, replacement, name.endswith("_all"), name[0] == "R")
        return setup + ["s.%s(%s, %s)" % (name, text_literal(search), text_literal(replacement)), show], "[%s]" % result
    if kind == "ins":
        name = rng.choice(["ins", "Ins"])
        pairs = [(rng.randint(0, len(text)), random_text(rng, 0, 3)) for _ in range(rng.randint(1, 3))]
        points = [(len(text) - p if name == "Ins" else p, t) for p, t in pairs]
        order = sorted(range(len(points)), key=lambda k: points[k][0])
        result, copied = "", 0
        for k in order:
            result += text[copied:points[k][0]] + points[k][1]
            copied = points[k][0]
        result += text[copied:]
        args = ", ".join("%d, %s" % (p, text_literal(t)) for p, t in pairs)
        return setup + ["s.%s(%s)" % (name, args), show], "[%s]" % result
    if kind == "del" and text:
        name = rng.choice(["del", "Del"])
        chosen = rng.sample(range(len(text)), rng.randint(1, min(3, len(text))))
        doomed = {len(text) - 1 - i if name == "Del" else i for i in chosen}
        result = "".join(c for i, c in enumerate(text) if i not in doomed)
        args = ", ".join(str(i) for i in chosen)
        return setup + ["s.%s(%s)" % (name, args), show], "[%s]" % result
    if kind in ("setp", "delp") and text:
        name = rng.choice([kind, kind.capitalize()])
        a, b = rng.randrange(len(text)), rng.randrange(len(text))
        pa, pb = (len(text) - 1 - a, len(text) - 1 - b) if name[0].isupper() else (a, b)
        low, high = min(pa, pb), max(pa, pb)
        replacement = random_text(rng, 0, 3) if kind == "setp" else ""
        result = text[:low] + replacement + text[high + 1:]
        extra = ", " + text_literal(replacement) if kind == "setp" else ""
        return setup + ["s.%s(%d, %d%s)" % (name, a, b, extra), show], "[%s]" % result
    if kind == "chop":
        name = rng.choice(["chop", "Chop", "cChop"])
        strips = [s for s in (random_search(rng) for _ in range(rng.randint(1, 3))) if s] or ["a"]
        result = text
        if name != "Chop":
            result = strip_front(result, strips)
        if name != "chop":
            result = strip_back(result, strips)
        args = ", ".join(text_literal(s) for s in strips)
        return setup + ["s.%s(%s)" % (name, args), show], "[%s]" % result
    if kind == "case":
        name = rng.choice(["tolower", "toupper"])
        text = "".join(rng.choice("aBcD1 _zZ") for _ in range(rng.randint(0, 8)))
        result = text.lower() if name == "tolower" else text.upper()
        return ["s = " + text_literal(text), "s.%s()" % name, show], "[%s]" % result
    if kind == "split":
        name = rng.choice(["split", "Split"])
        separators = [s for s in (random_search(rng) for _ in range(rng.randint(1, 2))) if s] or [","]
        result = split(text, separators, name == "Split")
        args = ", ".join(text_literal(s) for s in separators)
        line = 'sout("|", "[", s.%s(%s), "]")' % (name, args)
        return setup + [line, "outl()"], "|".join(["["] + result + ["]"])
    if kind == "take":
        name = rng.choice(["del0", "Del0"])
        separators = [s for s in (random_search(rng) for _ in range(rng.randint(1, 2))) if s] or [" "]
        found = split(text, separators, name == "Del0")
        if not found:
            line = 'outl(s.%s(v, %s), "[", s, "]")' % (name, ", ".join(text_literal(s) for s in separators))
            return setup + ['v = "-"', line], "false[%s]" % text
        item = found[0]  # Del0 reads from the end: its first item is the last
        if name == "del0":
            rest = strip_front(text, separators)[len(item):]
            rest = strip_front(rest, separators)
        else:
            rest = strip_back(text, separators)
            rest = strip_back(rest[: len(rest) - len(item)], separators)
        line = 'outl(s.%s(v, %s), "[", v, "][", s, "]")' % (name, ", ".join(text_literal(s) for s in separators))
        return setup + [line], "true[%s][%s]" % (item, rest)
    setup.append("s.flip()")
    return setup + [show], "[%s]" % text[::-1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=19)
    parser.add_argument("--cases", type=int, default=80)
    parser.add_argument("output")
    options = parser.parse_args()
    rng = random.Random(options.seed)
    lines = [
        "# Random editing, splitting and case-conversion calls, each checked",
        "# against an independent model (tests/tools/str_oracle.py --seed %d," % options.seed,
        "# which writes this file).",
        "str s, v",
    ]
    for _ in range(options.cases):
        body, expected = case_lines(rng)
        body[-1] = body[-1] + "   # expect: " + expected
        lines.extend(body)
    with open(options.output, "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
