"""What the program generators and their drivers share: a weighted pick
among forms, and the passes that cut a program showing a finding down to a
smaller one that still shows it. Each pass takes the program's lines and
`keeps`, which tells whether a candidate still shows the finding, and
returns the lines it could not remove. write_summary ends both drivers' runs."""

import os


def pick_weighted(rng, forms):
    """Runs the maker of one of (weight, maker) pairs, chosen by weight."""
    total = sum(w for w, _ in forms)
    x = rng.uniform(0, total)
    for w, make in forms:
        x -= w
        if x <= 0:
            return make()
    return forms[-1][1]()


def drop_chunks(lines, keeps):
    """Removes runs of lines, halving the run's length while none goes."""
    chunks = 2
    while len(lines) >= 2:
        size = max(1, len(lines) // chunks)
        reduced = False
        start = 0
        while start < len(lines):
            candidate = lines[:start] + lines[start + size:]
            if candidate and keeps(candidate):
                lines = candidate
                reduced = True
            else:
                start += size
        if reduced:
            continue
        if size == 1:
            break
        chunks = min(len(lines), chunks * 2)
    return lines


def block_end(lines, i):
    """The line that closes the block opened at the end of line i, or -1."""
    depth = 0
    for j in range(i, len(lines)):
        depth += lines[j].count("{") - lines[j].count("}")
        if depth <= 0:
            return j
    return -1


def drop_blocks(lines, keeps):
    """Removes a routine, loop or if as a whole: its head line, its body and
    its closing brace, which one line at a time could not remove."""
    i = 0
    while i < len(lines):
        if lines[i].rstrip().endswith("{"):
            j = block_end(lines, i)
            candidate = lines[:i] + lines[j + 1:] if j >= 0 else None
            if candidate and keeps(candidate):
                lines = candidate
                continue
        i += 1
    return lines


def write_summary(out, lines, findings):
    """Writes the report lines to out/summary.txt and prints them; the exit
    status of a run: 1 when anything was found."""
    summary = "\n".join(lines) + "\n"
    with open(os.path.join(out, "summary.txt"), "w") as fh:
        fh.write(summary)
    print(summary, end="")
    return 1 if findings else 0
