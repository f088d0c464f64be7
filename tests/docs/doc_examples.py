#!/usr/bin/env python3
"""Runs the examples of the documentation and compares their output.

An example is an indented code block of a Markdown file whose first line
starts with "$ ": each "$ " line is a command (a line ending in a backslash
goes on in the next one), the lines up to the next command its expected
output, standard output and standard error together. The commands of one
file run in order in one empty folder, each in its own bash, so a later
example can use the files an earlier one wrote; a command that should not
run is no example (write it without "$ ").

In the expected output, "[...]" within a line stands for any text, and a
line of "[...]" alone for any number of lines. The folder the commands run
in is shown as /home/me/ferrovello.

  doc_examples.py --tools DIR [--checkout SOURCE BUILD] [--update] DOC.md...

--tools puts the built programs first on the PATH. --checkout makes the
folder look like a checkout whose build is BUILD (its Makefile and build/),
for the README's `make run`. --update writes the output of every example
that no longer matches back into the file, in place of what it expected.
"""

import argparse
import difflib
import os
import re
import subprocess
import sys
import tempfile

SHOWN_FOLDER = "/home/me/ferrovello"
ELISION = "[...]"


class Example:
    def __init__(self, line, command, expected, first, last):
        self.line = line          # 1-based line of the command in the file
        self.command = command
        self.expected = expected  # lines, without the code block's indent
        self.first = first        # 0-based range of the expected lines in the file
        self.last = last


def examples_of(lines):
    """The examples of a Markdown file, in order."""
    found = []
    i = 0
    previous_blank = True
    while i < len(lines):
        line = lines[i]
        starts_block = previous_blank and line.startswith("    ") and line[4:].startswith("$ ")
        previous_blank = line.strip() == ""
        if not starts_block:
            i += 1
            continue
        while i < len(lines) and lines[i].startswith("    ") and lines[i][4:].startswith("$ "):
            start = i
            command = lines[i][6:]
            while command.endswith("\\") and i + 1 < len(lines):
                i += 1
                command += "\n" + lines[i].strip()
            i += 1
            first = i
            while i < len(lines) and lines[i].startswith("    ") and not lines[i][4:].startswith("$ "):
                i += 1
            found.append(Example(start + 1, command, [l[4:].rstrip() for l in lines[first:i]], first, i))
        previous_blank = False
    return found


def pattern_of(expected):
    parts = []
    for line in expected:
        if line == ELISION:
            parts.append(r"(?:[^\n]*\n)*?")
        else:
            parts.append(".*?".join(re.escape(p) for p in line.split(ELISION)) + r"\n")
    return re.compile("".join(parts), re.DOTALL)


def run(command, folder, env):
    done = subprocess.run(["bash", "-c", command], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    text = done.stdout.decode("utf-8", errors="replace").replace(os.path.realpath(folder), SHOWN_FOLDER)
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return [l.rstrip() for l in lines]


def check_file(path, args):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    examples = examples_of(lines)
    if not examples:
        print(f"{path}: no example")
        return False
    env = dict(os.environ, PATH=os.path.abspath(args.tools) + os.pathsep + os.environ.get("PATH", ""),
               LC_ALL="C.UTF-8", LANG="C.UTF-8", COLUMNS="80")
    # Run from `make test` or `make doc-examples`, a `make` in an example
    # would otherwise take itself for a sub-make and say which folder it enters.
    for name in ("MAKEFLAGS", "MAKELEVEL", "MFLAGS", "MAKEOVERRIDES"):
        env.pop(name, None)
    ok = True
    changed = []
    with tempfile.TemporaryDirectory(prefix="doc-examples-") as folder:
        if args.checkout:
            source, build = args.checkout
            os.symlink(os.path.abspath(os.path.join(source, "Makefile")), os.path.join(folder, "Makefile"))
            os.symlink(os.path.abspath(build), os.path.join(folder, "build"))
        for e in examples:
            actual = run(e.command, folder, env)
            if pattern_of(e.expected).fullmatch("".join(l + "\n" for l in actual)):
                continue
            if args.update:
                changed.append((e, actual))
                continue
            ok = False
            print(f"{path}:{e.line}: $ {e.command}")
            for d in difflib.unified_diff(e.expected, actual, "expected", "actual", lineterm=""):
                print("    " + d)
    if changed:
        for e, actual in reversed(changed):
            lines[e.first:e.last] = ["    " + l for l in actual]
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        for e, _ in changed:
            print(f"{path}:{e.line}: output written anew: $ {e.command}")
    print(f"{path}: {len(examples)} examples, {'all as shown' if ok else 'some differ'}")
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--tools", required=True)
    parser.add_argument("--checkout", nargs=2, metavar=("SOURCE", "BUILD"))
    parser.add_argument("--update", action="store_true")
    parser.add_argument("docs", nargs="+")
    args = parser.parse_args()
    results = [check_file(doc, args) for doc in args.docs]
    if not all(results):
        print("To take the new output into the documentation: make doc-examples")
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
