#!/usr/bin/env python3
"""Times the str benchmark programs: python3 run.py <morvu binary>.

Each program runs once; the Perl and Python twins of append_numbers run
beside it (with a time limit, since an interpreter whose += copies the whole
text takes quadratic time).
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
LIMIT = 120


def timed(command):
    start = time.monotonic()
    try:
        subprocess.run(command, cwd=HERE, stdout=subprocess.DEVNULL, timeout=LIMIT, check=True)
    except subprocess.TimeoutExpired:
        return "> %d s" % LIMIT
    return "%.2f s" % (time.monotonic() - start)


def main():
    morvu = os.path.abspath(sys.argv[1])
    for name in ("append_chars_1m", "append_chars", "append_numbers", "build_10mb", "search_10mb",
                 "search_back_10mb", "split_words"):
        print("%-20s morvu  %s" % (name, timed([morvu, name + ".mrv"])))
    print("%-20s perl   %s" % ("append_numbers", timed(["perl", "append_numbers.pl"])))
    print("%-20s python %s" % ("append_numbers", timed([sys.executable, "append_numbers.py"])))


if __name__ == "__main__":
    main()
