#!/usr/bin/env python3
"""Runs the examples of a Markdown reference and compares what they print.

    run_examples.py BINDIR DOC.md [BUILTINS.h]

In every fenced block, a line beginning with "$ " is a shell command (it
goes on over the next lines while a quote is open); the lines after it, up
to the next command or the end of the block, are what it prints, standard
error and standard output together. Each command runs with BINDIR first on
PATH, umask 022, in a fresh directory prepared by the shell text of the
document's "<!-- examples-setup ... -->" comment. Every failing example is
shown with a diff; the status is 1 if any failed or none was found.
Given the builtin table's header, every builtin it names must also be the
subject of a "###" heading of the document.
"""
import difflib
import os
import re
import shlex
import subprocess
import sys
import tempfile


def examples(text):
    """Yields (line number, command, expected output) for every example."""
    lines = text.split("\n")
    fence = False
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if line.startswith("```"):
            fence = not fence
            continue
        if not (fence and line.startswith("$ ")):
            continue
        start, command = i, line[2:]
        while i < len(lines) and not complete(command):
            command += "\n" + lines[i]
            i += 1
        output = []
        while i < len(lines) and not lines[i].startswith(("$ ", "```")):
            output.append(lines[i])
            i += 1
        yield start, command, "".join(o + "\n" for o in output)


def complete(command):
    try:
        shlex.split(command)
        return True
    except ValueError:
        return False


def main():
    bindir, doc = sys.argv[1], sys.argv[2]
    text = open(doc, encoding="utf-8").read()
    setup = re.search(r"<!-- examples-setup\n(.*?)-->", text, re.S)
    env = dict(os.environ, PATH=os.path.abspath(bindir) + os.pathsep + os.environ["PATH"])
    env.pop("TZ", None)
    os.umask(0o022)
    count = failed = 0
    for line, command, expected in examples(text):
        count += 1
        with tempfile.TemporaryDirectory(prefix="vornex") as work:
            if setup:
                subprocess.run(["sh", "-ec", setup.group(1)], cwd=work, env=env, check=True)
            run = subprocess.run(["bash", "-c", command], cwd=work, env=env, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=30)
            got = run.stdout.decode("utf-8", "replace")
        if got != expected:
            failed += 1
            print(f"{doc}:{line}: {command}")
            sys.stdout.writelines(difflib.unified_diff(expected.splitlines(True), got.splitlines(True),
                                                       "shown", "printed"))
    if len(sys.argv) > 3:
        headings = set(re.findall(r"\w+", " ".join(re.findall(r"^### (.*)$", text, re.M))))
        names = re.findall(r"X\(\d+, (\w+)\)", open(sys.argv[3]).read())
        missing = [n for n in names if n not in headings]
        if missing or not names:
            failed += 1
            print("builtins without a heading:", " ".join(missing) or "(no names read)")
    print(f"{count} examples, {failed} failed")
    return 1 if failed or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
