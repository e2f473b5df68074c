#!/usr/bin/env python3
"""Which tests add nothing to what the rest of the suite executes?

Runs every test of a coverage build (gcc --coverage) on its own, records the library lines and branch outcomes it reaches (src/, include/, tools/), and then
picks, largest test first, the tests that can go while the remaining ones still reach every
line and every branch outcome the whole suite reaches. A test that goes is a candidate only:
reaching a line is not checking it, so the mutation lists decide (mutate.py --filter OLD
--compare NEW).

Tests are grouped by their base name (parameterized instances and typed tests go together), and
a test's size is the number of non-blank lines from its TEST line to the next one.

    tests/mutation/redundant_tests.py --build BUILD [--jobs N] [--work DIR] [--filter GLOB]
        [--cache FILE] [--at-risk LIST... [--chosen FILE]]

Set up the build with, e.g.:
    cmake -S . -B BUILD -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTG_PYTHON=OFF \\
      -DCMAKE_CXX_FLAGS="--coverage -g0" -DCMAKE_EXE_LINKER_FLAGS=--coverage
    cmake --build BUILD --target tessaglyph_tests
"""

import argparse
import concurrent.futures
import fnmatch
import json
import os
import queue
import re
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
TEST_BINARY = "tessaglyph_tests"
TEST_LINE = re.compile(r"^(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P)\((\w+),\s*(\w+)\)")


def list_tests(binary: Path):
    out = subprocess.run([str(binary), "--gtest_list_tests"], capture_output=True, text=True,
                         check=True).stdout
    suite, names = "", []
    for line in out.splitlines():
        if not line.strip():
            continue
        if not line.startswith(" "):
            suite = line.split("#")[0].strip()
        else:
            names.append(suite + line.split("#")[0].strip())
    return names


def base_name(full: str) -> str:
    """Prefix/Suite.Name/3 and Suite/0.Name -> Suite.Name."""
    suite, _, name = full.partition(".")
    suite = suite.split("/")[1] if suite.count("/") == 1 and not suite.split("/")[1].isdigit() \
        else suite.split("/")[0]
    return suite + "." + name.split("/")[0]


def test_sizes():
    sizes, places = {}, {}
    for path in sorted((ROOT / "tests").rglob("*.cpp")):
        lines = path.read_text().splitlines()
        starts = [(i, m) for i, line in enumerate(lines) if (m := TEST_LINE.match(line))]
        for k, (i, m) in enumerate(starts):
            end = starts[k + 1][0] if k + 1 < len(starts) else len(lines)
            key = f"{m.group(2)}.{m.group(3)}"
            sizes[key] = sum(1 for line in lines[i:end] if line.strip())
            places[key] = f"{path.relative_to(ROOT)}:{i + 1}"
    return sizes, places


def source_dir(build: Path) -> Path:
    for line in (build / "CMakeCache.txt").read_text().splitlines():
        if line.startswith("CMAKE_HOME_DIRECTORY:"):
            return Path(line.split("=", 1)[1])
    return ROOT


def reached(test: str, slot: Path, build: Path, source: Path):
    """The set of library lines and branch outcomes one test reaches (the tools it runs too)."""
    for old in slot.rglob("*.gcda"):
        old.unlink()
    env = dict(os.environ, GCOV_PREFIX=str(slot), GCOV_PREFIX_STRIP="0", TESSAGLYPH_DEBUG="0")
    run = subprocess.run([str(build / TEST_BINARY), f"--gtest_filter={test}"], env=env,
                         cwd=build, capture_output=True, text=True, timeout=600)
    counts = []
    for data in slot.rglob("*.gcda"):
        if f"{TEST_BINARY}.dir" in data.parts:
            continue  # the tests' own code
        notes = data.with_suffix(".gcno")
        if not notes.exists():
            notes.symlink_to(Path("/") / notes.relative_to(slot))
        counts.append(str(data))
    items = set()
    if counts:
        out = subprocess.run(["gcov", "-t", "-i", *counts], capture_output=True, text=True,
                             cwd=slot).stdout
        for record in out.splitlines():
            if not record.startswith("{"):
                continue
            for entry in json.loads(record).get("files", []):
                name = os.path.relpath(os.path.normpath(build / entry["file"]), source)
                if not name.startswith(("src/", "include/", "tools/")):
                    continue
                for line in entry["lines"]:
                    if line["count"]:
                        items.add(f"{name}:{line['line_number']}")
                    for k, branch in enumerate(line["branches"]):
                        if branch["count"]:
                            items.add(f"{name}:{line['line_number']}:{k}")
    return test, run.returncode, items


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, type=Path)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--work", type=Path, default=None)
    parser.add_argument("--filter", default="*", help="consider only tests matching this glob")
    parser.add_argument("--cache", type=Path, default=None,
                        help="JSON file of per-test coverage to reuse and extend")
    parser.add_argument("--chosen", type=Path, default=None,
                        help="with --at-risk: the tests to remove, one Suite.Name a line (or "
                             "lines as this tool prints them), instead of every candidate")
    parser.add_argument("--at-risk", nargs="*", type=Path, default=[], metavar="LIST",
                        help="mutation lists: print the entries on lines a candidate reaches")
    args = parser.parse_args()
    build = args.build.resolve()
    source = source_dir(build)
    work = (args.work or build / "redundancy").resolve()
    tests = list_tests(build / TEST_BINARY)
    cache = {}
    if args.cache and args.cache.exists():
        cache = {k: set(v) for k, v in json.loads(args.cache.read_text()).items()}
    todo = [t for t in tests if t not in cache]
    slots = queue.Queue()
    for k in range(args.jobs):
        slots.put(work / f"slot{k}")

    def one(test):
        slot = slots.get()
        try:
            return reached(test, slot, build, source)
        finally:
            slots.put(slot)

    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        jobs = [pool.submit(one, t) for t in todo]
        for done, job in enumerate(concurrent.futures.as_completed(jobs), 1):
            test, rc, items = job.result()
            cache[test] = items
            print(f"[{done}/{len(todo)}] {test}: {len(items)} items, rc {rc}", file=sys.stderr)
            if args.cache and done % 20 == 0:
                args.cache.write_text(json.dumps({k: sorted(v) for k, v in cache.items()}))
    if args.cache:
        args.cache.write_text(json.dumps({k: sorted(v) for k, v in cache.items()}))

    groups = defaultdict(set)
    for test in tests:
        groups[base_name(test)] |= cache.get(test, set())
    sizes, places = test_sizes()
    count = defaultdict(int)
    for items in groups.values():
        for item in items:
            count[item] += 1
    order = sorted(groups, key=lambda g: -sizes.get(g, 0))
    removable = []
    for group in order:
        if not fnmatch.fnmatch(group, args.filter):
            continue
        items = groups[group]
        if all(count[item] >= 2 for item in items):
            for item in items:
                count[item] -= 1
            removable.append(group)
    total = sum(sizes.get(g, 0) for g in removable)
    for group in removable:
        print(f"{places.get(group, '?')}\t{group}\t{sizes.get(group, 0)}")
    print(f"# {len(removable)} of {len(groups)} tests add no reached line or branch outcome; "
          f"{total} non-blank lines", file=sys.stderr)
    if args.at_risk:
        if args.chosen:
            chosen = [line.split("\t")[1] if "\t" in line else line.strip()
                      for line in args.chosen.read_text().splitlines() if line.strip()]
            removable = [g for g in chosen if g in groups]
        print_at_risk(args.at_risk, [groups[g] for g in removable], removable)


def mutated_line(m) -> str:
    """The library line a mutation changes, as the coverage names it."""
    if m.line:
        return f"{m.path}:{m.line}"
    text = (ROOT / m.path).read_text()
    at = text.find(m.old)
    return f"{m.path}:{text[:at].count(chr(10)) + 1}" if at >= 0 else ""


def print_at_risk(lists, reached_sets, removed):
    """Per list, the entries a removed test could have been the one to catch: only those can
    change outcome, so only those need the before-and-after run."""
    sys.path.insert(0, str(Path(__file__).parent))
    from mutate import parse_list  # pylint: disable=import-outside-toplevel
    lines = set().union(*reached_sets) if reached_sets else set()
    # Prefix/Suite.Name/3 and Suite/0.Name alike (a longer name that starts the same goes too,
    # which only makes the comparison stricter).
    without = ":".join(f"*{g}*:*{g.replace('.', '/*.')}" for g in removed)
    for path in lists:
        suite_filter, mutations = parse_list(path)
        risky = [str(m.number) for m in mutations if mutated_line(m) in lines]
        if risky:
            print(f"{path}\t--only {','.join(risky)}\t--filter '{suite_filter}'"
                  f"\t--compare '{suite_filter}-{without}'")


if __name__ == "__main__":
    main()
