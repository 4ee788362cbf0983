#!/usr/bin/env python3
"""run_examples.py BINDIR DOC.md [BUILTINS.h]: runs a Markdown page's examples.

In a fenced block, "$ " starts a shell command (continued while a quote is
open); the lines after it, up to the next command or the fence, are what it
prints (stderr and stdout together). Each runs with BINDIR first on PATH in
a fresh directory prepared by the page's "<!-- examples-setup ... -->". With
the builtin table's header, every builtin must have a "###" heading.
"""
import difflib, os, re, shlex, subprocess, sys, tempfile


def examples(lines):
    fence, i = False, 0
    while i < len(lines):
        line, i = lines[i], i + 1
        fence ^= line.startswith("```")
        if fence and line.startswith("$ "):
            start, command = i, line[2:]
            while i < len(lines):
                try:
                    shlex.split(command)  # a quote still open: the command goes on
                    break
                except ValueError:
                    command, i = command + "\n" + lines[i], i + 1
            end = i
            while end < len(lines) and not lines[end].startswith(("$ ", "```")):
                end += 1
            yield start, command, "".join(l + "\n" for l in lines[i:end])
            i = end


bindir, doc = sys.argv[1], sys.argv[2]
text = open(doc, encoding="utf-8").read()
setup = re.search(r"<!-- examples-setup\n(.*?)-->", text, re.S).group(1)
env = dict(os.environ, PATH=os.path.abspath(bindir) + os.pathsep + os.environ["PATH"])
env.pop("TZ", None)
os.umask(0o022)
count = failed = 0
for line, command, expected in examples(text.split("\n")):
    count += 1
    with tempfile.TemporaryDirectory(prefix="vornex") as work:
        subprocess.run(["sh", "-ec", setup], cwd=work, env=env, check=True)
        got = subprocess.run(["bash", "-c", command], cwd=work, env=env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=30).stdout
    got = got.decode("utf-8", "replace")
    if got != expected:
        failed += 1
        print(f"{doc}:{line}: {command}")
        sys.stdout.writelines(difflib.unified_diff(expected.splitlines(True), got.splitlines(True)))
if len(sys.argv) > 3:
    headings = set(re.findall(r"\w+", " ".join(re.findall(r"^### (.*)$", text, re.M))))
    names = re.findall(r"X\(\d+, (\w+)\)", open(sys.argv[3]).read())
    missing = [n for n in names if n not in headings] if names else ["(no names read)"]
    if missing:
        failed += 1
        print("builtins without a heading:", " ".join(missing))
print(f"{count} examples, {failed} failed")
sys.exit(1 if failed or count == 0 else 0)
