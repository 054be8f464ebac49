#!/usr/bin/env python3
"""Writes tests/scripts/types/container_oracle.mrv: random sorts, searches,
insertions and deletions on lists and arrays, each expectation computed by
an independent model here (Python's sorted and plain list operations).

    tests/tools/container_oracle.py --seed 21 > tests/scripts/types/container_oracle.mrv

Sorts with code use keys that only tie for equal elements, so the expected
order does not depend on how the sort treats ties.
"""
import argparse
import random


def text_of(value):
    return str(value)


def list_text(values):
    return "(" + ",".join(text_of(v) for v in values) + ")"


def array_text(values):
    return "[" + ",".join(f"{i}->{text_of(v)}" for i, v in enumerate(values)) + "]"


def literal(value):
    if isinstance(value, str):
        return '"' + value + '"'
    return str(value)


def args_text(values):
    return ", ".join(literal(v) for v in values)


def random_int(rng):
    kind = rng.random()
    if kind < 0.6:
        return rng.randint(-20, 20)
    if kind < 0.85:
        return rng.randint(-2**40, 2**40)
    return rng.choice([-1, 1]) * rng.randint(10**18, 10**25)  # beyond 64 bits


def random_text(rng):
    return "".join(rng.choice("abAB09z") for _ in range(rng.randint(0, 4)))


def mod(value, divisor):
    return value % divisor  # the language's remainder for a positive divisor


def emit_sorts(out, rng, index):
    values = [random_int(rng) for _ in range(rng.randint(0, 25))]
    out.append(f"l = list:({args_text(values)})")
    out.append("l.sort()")
    out.append(f"outl(l)   # expect: {list_text(sorted(values))}")
    out.append("l.Sort()")
    out.append(f"outl(l)   # expect: {list_text(sorted(values, reverse=True))}")
    out.append("l.sort(v, {v % 7, -v})")
    out.append(f"outl(l)   # expect: {list_text(sorted(values, key=lambda x: (mod(x, 7), -x)))}")
    out.append("l.Sort(v, {-v})")
    out.append(f"outl(l)   # expect: {list_text(sorted(values))}")
    texts = [random_text(rng) for _ in range(rng.randint(0, 12))]
    out.append(f"l = list:({args_text(texts)})")
    out.append("l.sort()")
    out.append(f"outl(l)   # expect: {list_text(sorted(texts, key=lambda t: t.encode()))}")
    if values:
        out.append(f"a = array:({len(values)}, {args_text(values)})")
        out.append("a.Sort()")
        out.append(f"outl(a)   # expect: {array_text(sorted(values, reverse=True))}")
        out.append("a.sort(v, {v % 5, v})")
        out.append(f"outl(a)   # expect: {array_text(sorted(values, key=lambda x: (mod(x, 5), x)))}")


def emit_searches(out, rng, index):
    values = [rng.randint(-10, 10) for _ in range(rng.randint(0, 20))]
    bound = rng.randint(-10, 10)
    hits = [i for i, x in enumerate(values) if x > bound]
    out.append(f"l = list:({args_text(values)})")
    out.append(f"sout(\",\", l.find_all(v, {{v > {bound}}}))")
    out.append(f"outl()   # expect: {','.join(map(str, hits))}")
    out.append(f"sout(\",\", l.Find_all(v, {{v > {bound}}}))")
    out.append(f"outl()   # expect: {','.join(map(str, reversed(hits)))}")
    first = hits[:1]
    last = hits[-1:]
    out.append(f"outl(l.find(v, {{v > {bound}}}), \"|\", l.Find(v, {{v > {bound}}}))"
               f"   # expect: {''.join(map(str, first))}|{''.join(map(str, last))}")
    if values:
        out.append(f"a = array:({len(values)}, {args_text(values)})")
        holes = sorted(rng.sample(range(len(values)), rng.randint(0, len(values) // 2)))
        if holes:
            out.append(f"a.del({args_text(holes)})")
        kept = [i for i in range(len(values)) if i not in holes]
        array_hits = [i for i in kept if values[i] % 3 == 0]
        out.append("sout(\",\", a.find_all(v, {v % 3 == 0}))")
        out.append(f"outl()   # expect: {','.join(map(str, array_hits))}")
        out.append("sout(\",\", a.Find_all(v, {v % 3 == 0}))")
        out.append(f"outl()   # expect: {','.join(map(str, reversed(array_hits)))}")
        out.append(f"outl(a.keys())   # expect: {''.join(map(str, kept))}")


def model_insert(values, pairs, from_end):
    """Every pair names a gap of the list before the call; values for the
    same gap keep their argument order."""
    count = len(values)
    before = [[] for _ in range(count + 1)]
    for index, value in pairs:
        gap = count - index if from_end else index
        before[gap].append(value)
    result = []
    for gap in range(count + 1):
        result.extend(before[gap])
        if gap < count:
            result.append(values[gap])
    return result


def emit_edits(out, rng, index):
    values = [rng.randint(0, 99) for _ in range(rng.randint(0, 12))]
    out.append(f"l = list:({args_text(values)})")
    pairs = [(rng.randint(0, len(values)), rng.randint(100, 199)) for _ in range(rng.randint(1, 4))]
    from_end = rng.random() < 0.5
    name = "Ins" if from_end else "ins"
    flat = ", ".join(f"{i}, {v}" for i, v in pairs)
    out.append(f"l.{name}({flat})")
    values = model_insert(values, pairs, from_end)
    out.append(f"outl(l)   # expect: {list_text(values)}")
    if values:
        gone = rng.sample(range(len(values)), rng.randint(1, min(4, len(values))))
        from_end = rng.random() < 0.5
        name = "Del" if from_end else "del"
        written = [len(values) - 1 - p if from_end else p for p in gone]
        out.append(f"l.{name}({args_text(written)})")
        values = [x for i, x in enumerate(values) if i not in gone]
        out.append(f"outl(l)   # expect: {list_text(values)}")
    if values:
        position = rng.randrange(len(values))
        out.append(f"outl(l.get({position}), \" \", l.Get({position}))"
                   f"   # expect: {values[position]} {values[len(values) - 1 - position]}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=21)
    parser.add_argument("--rounds", type=int, default=6)
    options = parser.parse_args()
    rng = random.Random(options.seed)
    out = [
        "# Random sorts, searches, insertions and deletions on lists and arrays,",
        f"# each checked against an independent model (tests/tools/container_oracle.py",
        f"# --seed {options.seed}, which writes this file).",
        "any l, a, v",
    ]
    for index in range(options.rounds):
        emit_sorts(out, rng, index)
        emit_searches(out, rng, index)
        emit_edits(out, rng, index)
    print("\n".join(out))


if __name__ == "__main__":
    main()
