#!/usr/bin/env python3
"""Mutation matrix: which tests catch which small faults in the program's sources.

Each mutant changes one token of one .cpp file (a comparison, a boolean operator, an arithmetic
sign, a constant, true/false) or removes one call statement, rebuilds the named test targets and
runs them; every test that fails is said to catch it. The matrix shows the tests that catch a
fault no other test catches, and so which checks a fold of the tests must keep. Each result line
also keeps where every failing test failed (the check's file and line, the table row's trace), so
that a single row can be judged too.

  tools/mutants.py run --build build --shard 0/2 --out m0.jsonl song/*.cpp engine/*.cpp
  tools/mutants.py report --survivors m0.jsonl m1.jsonl
  tools/mutants.py run --survivors-of m0.jsonl --out again0.jsonl   # after new tests

The sources are restored after every mutant, also when interrupted or killed. Run it in a work
tree of its own: a build started meanwhile in the same tree would see a mutant.
"""
import argparse
import collections
import json
import os
import random
import re
import signal
import subprocess
import sys
import tempfile

BINARIES = {"core_tests": "tests/core_tests", "app_tests": "tests/app_tests"}

# Operators with a space either side, so that template brackets and pointers are left alone.
SWAPS = [
    (" < ", " <= "), (" <= ", " < "), (" > ", " >= "), (" >= ", " > "),
    (" == ", " != "), (" != ", " == "), (" && ", " || "), (" || ", " && "),
    (" + ", " - "), (" - ", " + "), (" * ", " / "),
    ("true", "false"), ("false", "true"),
]
NUMBER = re.compile(r"(?<![\w.'])(\d+)(?![\w.'])")
CALL_STATEMENT = re.compile(r"^\s*[A-Za-z_][\w:.>\-]*\(.*\);\s*$")
SKIP_LINE = re.compile(r"^\s*(#|//|\*|/\*|static_assert|case |default:|namespace|using )")


def strip_strings(line):
    """The line with string and character literals blanked, so no mutant lands inside one."""
    return re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', lambda m: " " * len(m.group(0)), line)


def mutants_of(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    found = []
    for number, line in enumerate(lines):
        if SKIP_LINE.match(line):
            continue
        code = strip_strings(line)
        if "//" in code:
            code = code[:code.index("//")]
        for old, new in SWAPS:
            for match in re.finditer(re.escape(old), code):
                start = match.start()
                if old in ("true", "false") and (
                    (start > 0 and (code[start - 1].isalnum() or code[start - 1] == "_"))
                    or code[start + len(old):start + len(old) + 1].isalnum()):
                    continue
                found.append((path, number, start, old, new))
        for match in NUMBER.finditer(code):
            value = int(match.group(1))
            found.append((path, number, match.start(), match.group(1), str(value + 1)))
        if CALL_STATEMENT.match(code) and not code.lstrip().startswith("return"):
            found.append((path, number, 0, line, "/* removed */"))
    return found


def apply(mutant):
    path, number, start, old, new = mutant
    with open(path, encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\n")
    line = lines[number]
    if new == "/* removed */":
        lines[number] = new
    else:
        assert line[start:start + len(old)] == old, mutant
        lines[number] = line[:start] + new + line[start + len(old):]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return text


def failing_tests(build, target, timeout):
    """The failing tests and where each failed, or a word for a run with no verdict per test."""
    report = os.path.join(tempfile.gettempdir(), f"mutants-{os.getpid()}-{target}.json")
    if os.path.exists(report):
        os.remove(report)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    try:
        binary = os.path.abspath(os.path.join(build, BINARIES[target]))
        subprocess.run([binary, f"--gtest_output=json:{report}"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                       timeout=timeout, cwd=build)
    except subprocess.TimeoutExpired:
        return "timeout"
    if not os.path.exists(report):
        return "crash"
    with open(report, encoding="utf-8") as f:
        result = json.load(f)
    os.remove(report)
    return {f"{suite['name']}.{test['name']}": [where(f["failure"]) for f in test["failures"]]
            for suite in result["testsuites"] for test in suite["testsuite"]
            if test.get("failures")}


def where(failure):
    """The failed check's file and line, and the innermost trace: which row of a table failed."""
    lines = failure.split("\n")
    check = lines[0].split("/")[-1] if lines else ""
    trace = lines[lines.index("Google Test trace:") + 1] if "Google Test trace:" in lines else ""
    return f"{check} {trace.split(': ', 1)[-1]}".strip()


def result_key(r):
    """What names one mutant in a result line: its place and its change."""
    return (r["file"], r["line"], r["col"], r["old"], r["new"])


def mutant_key(mutant):
    path, number, start, old, new = mutant
    return (path, number + 1, start, old, new)


def uncaught(r):
    """A result line whose fault built and failed no test, nor crashed or hung one."""
    return r["built"] and not any(r["caught"].values())


def survivors(path):
    """The faults a run's result file records that no test caught, by their keys."""
    with open(path, encoding="utf-8") as f:
        return {result_key(r) for r in map(json.loads, f) if uncaught(r)}


def run(args):
    # A kill restores the source under test too: SystemExit runs the finally below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    wanted = survivors(args.survivors_of) if args.survivors_of else None
    files = args.files or sorted({key[0] for key in wanted or ()})
    if not files:
        sys.exit("run: name the files to fault, or --survivors-of a result file")
    everything = [m for path in files for m in mutants_of(path)
                  if wanted is None or mutant_key(m) in wanted]
    random.Random(args.seed).shuffle(everything)
    index, count = (int(x) for x in args.shard.split("/"))
    mine = everything[index::count][:args.limit]
    if args.resume and os.path.exists(args.out):  # a run stopped part-way goes on where it was
        with open(args.out, encoding="utf-8") as f:
            recorded = {result_key(json.loads(line)) for line in f}
        mine = [m for m in mine if mutant_key(m) not in recorded]
    print(f"{len(everything)} mutants in all, {len(mine)} in this shard", flush=True)
    with open(args.out, "a", encoding="utf-8") as out:
        for done, mutant in enumerate(mine):
            path, number, start, old, new = mutant
            original = apply(mutant)
            try:
                built = subprocess.run(["ninja", "-C", args.build, *args.targets],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                       timeout=600).returncode == 0
                caught = {t: failing_tests(args.build, t, args.timeout)
                          for t in args.targets} if built else None
            finally:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original)
            out.write(json.dumps({"file": path, "line": number + 1, "col": start, "old": old,
                                  "new": new, "built": built, "caught": caught}) + "\n")
            out.flush()
            print(f"{done + 1}/{len(mine)} {path}:{number + 1} {old.strip()!r}->{new!r} "
                  f"{'no build' if not built else caught}", flush=True)
    subprocess.run(["ninja", "-C", args.build, *args.targets], stdout=subprocess.DEVNULL)


def base_name(test):
    """A parameterised instance's test: Prefix/Suite.Name/7 is Suite.Name."""
    return re.sub(r"/\d+$", "", test.split("/", 1)[-1] if "/" in test.split(".")[0] else test)


def test_lines(folder="tests"):
    """Lines of each TEST block by its Suite.Name, found by matching braces."""
    sizes = {}
    for root, _, files in os.walk(folder):
        for name in files:
            if not name.endswith(".cpp"):
                continue
            text = open(os.path.join(root, name), encoding="utf-8").read()
            for match in re.finditer(r"^TEST(?:_F|_P)?\((\w+),\s*(\w+)\)", text, re.M):
                depth, i = 0, text.index("{", match.end())
                for i in range(i, len(text)):
                    depth += {"{": 1, "}": -1}.get(text[i], 0)
                    if depth == 0:
                        break
                body = text[match.start():i + 1].split("\n")
                lines = sum(1 for b in body if b.strip() and not b.strip().startswith("//"))
                sizes[f"{match.group(1)}.{match.group(2)}"] = lines
    return sizes


def report(args):
    rows, seen = [], set()
    for line in (line for path in args.results for line in open(path, encoding="utf-8")):
        r = json.loads(line)
        key = result_key(r)
        if key not in seen:  # runs whose shards overlap count each mutant once
            seen.add(key)
            rows.append(r)
    catchers = []  # per attributed mutant: the tests that caught it
    survived = unattributed = 0
    for r in rows:
        if not r["built"]:
            continue
        if any(isinstance(v, str) for v in r["caught"].values()):
            unattributed += 1
            continue
        names = {base_name(n) for v in r["caught"].values() for n in v}
        catchers.append(names)
        survived += not names
    print(f"{len(rows)} mutants, {len(catchers) + unattributed} built, {survived} survived, "
          f"{unattributed} crashed or hung")
    if args.survivors:
        print("Faults no test caught:")
        for r in rows:
            if uncaught(r):
                print(f"  {r['file']}:{r['line']} {r['old'].strip()!r} -> {r['new']!r}")
    if args.checks:
        print_checks(rows)
    sizes = test_lines()
    kills = {}
    for names in catchers:
        for n in names:
            kills[n] = kills.get(n, 0) + 1
    # Take tests away, the longest first, while every caught mutant keeps a catcher.
    # Only tests the runs covered, and that caught enough to judge by, may go.
    ran = {t.strip() for t in open(args.tests, encoding="utf-8")} if args.tests else set(sizes)
    sizes = {n: v for n, v in sizes.items() if n in ran}
    kept = set(sizes)
    for name in sorted(sizes, key=lambda n: (-sizes[n], n)):
        if kills.get(name, 0) >= args.least and all(
                (names & kept) - {name} for names in catchers if name in names):
            kept.discard(name)
    print(f"Tests whose every catch (at least {args.least}) a kept test also makes:")
    for name in sorted(set(sizes) - kept, key=lambda n: (-sizes[n], n)):
        print(f"  {sizes[name]:4d} {name} ({kills.get(name, 0)} caught)")
    print("Tests that caught too little to judge:")
    for name in sorted(kept, key=lambda n: (-sizes[n], n)):
        if kills.get(name, 0) < args.least:
            print(f"  {sizes[name]:4d} {name} ({kills.get(name, 0)} caught)")
    print("Unique catchers:")
    for name in sorted(kept, key=lambda n: (-sizes[n], n)):
        only = sum(1 for names in catchers if names & kept == {name})
        if only:
            print(f"  {sizes[name]:4d} {name}: {only} alone, {kills.get(name, 0)} in all")


def print_checks(rows):
    """Each check (file:line and row) that failed, with the faults no other check caught: a
    check that never stands alone is one a fold may take, once a mutation proves it."""
    alone, caught = collections.Counter(), collections.Counter()
    for r in rows:
        if not r["built"] or any(isinstance(v, str) for v in r["caught"].values()):
            continue
        checks = {w for v in r["caught"].values() for places in v.values() for w in places}
        caught.update(checks)
        if len(checks) == 1:
            alone.update(checks)
    print("Checks that failed (alone / in all):")
    for c in sorted(caught, key=lambda c: (alone[c], -caught[c], c)):
        print(f"  {alone[c]:3d} / {caught[c]:3d}  {c}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    verbs = parser.add_subparsers(dest="verb", required=True)
    r = verbs.add_parser("run")
    r.add_argument("--build", default="build")
    r.add_argument("--targets", nargs="+", default=["core_tests", "app_tests"])
    r.add_argument("--shard", default="0/1")
    r.add_argument("--seed", type=int, default=1)
    r.add_argument("--limit", type=int, default=1_000_000)
    r.add_argument("--timeout", type=int, default=300)
    r.add_argument("--resume", action="store_true", help="skip the faults --out already holds")
    r.add_argument("--survivors-of", metavar="RESULTS",
                   help="only the faults no test caught in an earlier run: are they caught now?")
    r.add_argument("--out", required=True)
    r.add_argument("files", nargs="*")
    p = verbs.add_parser("report")
    p.add_argument("--tests", help="the tests the runs covered, one name a line")
    p.add_argument("--least", type=int, default=3, help="catches a test needs to be judged")
    p.add_argument("--survivors", action="store_true", help="list the faults no test caught")
    p.add_argument("--checks", action="store_true",
                   help="list each check that failed, and the faults it alone caught")
    p.add_argument("results", nargs="+")
    args = parser.parse_args()
    run(args) if args.verb == "run" else report(args)


if __name__ == "__main__":
    sys.exit(main())
