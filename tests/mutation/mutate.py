#!/usr/bin/env python3
"""Mutation driver: does a test suite notice when the library code is wrong?

Each mutation list (tests/mutation/<suite>.txt) names a gtest filter and a set of small faults
in the library source. The driver applies one fault at a time, rebuilds the test binary in a
plain (non-sanitized) Debug build directory of its own, runs the suite's tests under a timeout
and records whether they failed ("caught") or passed ("survived"). A mutation that does not
compile is reported as "invalid" and counts neither way; one that compiles but breaks the
build's assembly of the shipped scripts (the build runs the mutated assembler) is caught by the
build. The source is restored after every mutation, also on Ctrl-C, a kill or a crash of the
driver. An entry that no longer applies is reported and skipped (and counted in the summary);
the tests run in an empty folder each time.

List format, one entry per line ('#' starts a comment line):

    filter: DatumPool*:DatumText*
    src/machine/datum_pool.cpp :: if (count > limit) :: if (count >= limit)
    src/machine/datum_pool.cpp:42 :: + 1 :: + 2

An entry is `path[:line] :: old text :: new text`. Without a line number the old text must
occur exactly once in the file; with one it must occur exactly once on that line. `new text`
may be empty (a dropped statement). Several `filter:` lines are joined with ':'.

Usage:
    nice -n 15 tests/mutation/mutate.py tests/mutation/cells.txt [more lists...]
        [--root DIR] [--build DIR] [--timeout S] [--only N,M] [--results FILE] [--check]
        [--filter GTEST_FILTER] [--compare GTEST_FILTER]

--root    source tree to mutate (default: the repository holding this script)
--build   build directory (default: ROOT/build/mutation)
--only    run only these entries (1-based numbers within each list)
--results write one tab-separated line per mutation (list, number, status, entry)
--filter  run these tests instead of the lists' own (to measure an older version of a suite)
--compare also run these tests on every mutation and report both outcomes (an older and a
          newer version of a suite built into one test binary: one build per mutation)
--check   only verify that every entry applies; build and run nothing
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path

TEST_BINARY = "tessaglyph_tests"


@dataclass
class Mutation:
    number: int
    path: str
    line: int  # 0: anywhere in the file
    old: str
    new: str

    def describe(self) -> str:
        where = f"{self.path}:{self.line}" if self.line else self.path
        return f"{where} :: {self.old} :: {self.new}"


def parse_list(list_path: Path):
    filters, mutations = [], []
    for line_number, raw in enumerate(list_path.read_text().splitlines(), 1):
        text = raw.strip()
        if not text or text.startswith("#"):
            continue
        if text.startswith("filter:"):
            filters.append(text[len("filter:"):].strip())
            continue
        parts = raw.split(" :: ")
        if len(parts) != 3:
            sys.exit(f"{list_path}:{line_number}: expected 'path :: old :: new'")
        where, old, new = parts[0].strip(), parts[1], parts[2].rstrip()
        path, _, line = where.partition(":")
        if not old:
            sys.exit(f"{list_path}:{line_number}: empty old text")
        mutations.append(Mutation(len(mutations) + 1, path, int(line) if line else 0, old, new))
    if not filters:
        sys.exit(f"{list_path}: no 'filter:' line")
    return ":".join(filters), mutations


def mutated_text(original: str, m: Mutation) -> str:
    """The file with the mutation applied; raises ValueError when it does not apply once."""
    if m.line == 0:
        count = original.count(m.old)
        if count != 1:
            raise ValueError(f"old text found {count} times in {m.path}")
        return original.replace(m.old, m.new)
    lines = original.split("\n")
    if m.line > len(lines):
        raise ValueError(f"{m.path} has no line {m.line}")
    count = lines[m.line - 1].count(m.old)
    if count != 1:
        raise ValueError(f"old text found {count} times on {m.path}:{m.line}")
    lines[m.line - 1] = lines[m.line - 1].replace(m.old, m.new)
    return "\n".join(lines)


class Restorer:
    """Puts a mutated file back however the driver ends."""

    def __init__(self):
        self.saved = None  # (path, original text)

    def save(self, path: Path, text: str):
        self.saved = (path, text)

    def restore(self):
        if self.saved is not None:
            path, text = self.saved
            path.write_text(text)
            self.saved = None


def run(command, cwd, timeout=None):
    try:
        done = subprocess.run(command, cwd=cwd, timeout=timeout, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, errors="replace")
        return done.returncode, done.stdout
    except subprocess.TimeoutExpired as e:
        return None, (e.stdout or b"").decode(errors="replace") if isinstance(e.stdout, bytes) \
            else (e.stdout or "")


def build(build_dir: Path):
    return run(["cmake", "--build", str(build_dir), "-j2", "--target", TEST_BINARY], None)


def run_suite(build_dir: Path, gtest_filter: str, timeout: float):
    # Each run starts in an empty folder of its own, so that a file a mutant leaves behind
    # cannot fail the runs after it.
    scratch = build_dir / "mutation-run"
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir()
    return run([str(build_dir / TEST_BINARY), f"--gtest_filter={gtest_filter}",
                "--gtest_brief=1"], scratch, timeout)


def configure(root: Path, build_dir: Path):
    if (build_dir / "build.ninja").exists():
        return
    # No debug information and, where it is installed, lld: a mutation costs one compile and
    # the links, and both are several times faster so.
    fast = ["-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g0", "-DTG_PYTHON=OFF"]
    if shutil.which("ld.lld"):
        fast.append("-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld")
    code, out = run(["cmake", "-S", str(root), "-B", str(build_dir), "-G", "Ninja",
                     "-DCMAKE_BUILD_TYPE=Debug", "-DTG_SANITIZE=OFF", "-DTG_TESTS=ON", *fast],
                    None)
    if code != 0:
        sys.exit(f"configure failed:\n{out}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("lists", nargs="+", type=Path)
    parser.add_argument("--root", type=Path, default=Path(__file__).resolve().parents[2])
    parser.add_argument("--build", type=Path)
    parser.add_argument("--timeout", type=float, default=120.0)
    parser.add_argument("--only", default="")
    parser.add_argument("--results", type=Path)
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--filter", help="gtest filter to use instead of the lists' own")
    parser.add_argument("--compare", help="a second gtest filter run on every mutation too")
    args = parser.parse_args()
    root = args.root.resolve()
    build_dir = (args.build or root / "build" / "mutation").resolve()
    only = {int(n) for n in args.only.split(",") if n}

    suites = [(p, *parse_list(p)) for p in args.lists]
    if args.filter:
        suites = [(p, args.filter, mutations) for p, _, mutations in suites]
    # An entry that no longer applies is reported and skipped; the rest of its list still runs.
    stale = set()
    for list_path, _, mutations in suites:
        for m in mutations:
            try:
                mutated_text((root / m.path).read_text(), m)
            except (OSError, ValueError) as e:
                stale.add((list_path.name, m.number))
                print(f"{list_path.name} #{m.number}: does not apply: {e}")
    if args.check:
        sys.exit(1 if stale else 0)

    restorer = Restorer()

    def on_signal(signum, _frame):
        restorer.restore()
        sys.exit(128 + signum)

    signal.signal(signal.SIGINT, on_signal)
    signal.signal(signal.SIGTERM, on_signal)

    configure(root, build_dir)
    results = []
    try:
        for list_path, gtest_filter, mutations in suites:
            # Built again for every list: the binary the previous list left holds its last mutant.
            code, out = build(build_dir)
            if code != 0:
                sys.exit(f"the unmutated tree does not build:\n{out[-4000:]}")
            for baseline in filter(None, [gtest_filter, args.compare]):
                code, out = run_suite(build_dir, baseline, args.timeout)
                if code != 0:
                    sys.exit(f"{list_path.name}: {baseline} fails without mutations:\n"
                             f"{out[-4000:]}")
            for m in mutations:
                if (only and m.number not in only) or (list_path.name, m.number) in stale:
                    continue
                path = root / m.path
                original = path.read_text()
                restorer.save(path, original)
                path.write_text(mutated_text(original, m))
                code, out = build(build_dir)
                # A mutant that compiles but leaves the build's own tools unable to assemble the
                # shipped scripts is noticed by every build: caught, whatever the tests say.
                by_build = code != 0 and "FAILED: scripts/" in out
                statuses = []
                for suite_filter in filter(None, [gtest_filter, args.compare]):
                    if code != 0:
                        statuses.append("caught" if by_build else "invalid")
                        continue
                    passed, _ = run_suite(build_dir, suite_filter, args.timeout)
                    statuses.append("survived" if passed == 0 else "caught")
                restorer.restore()
                results.append((list_path.name, m.number, *statuses, m.describe()))
                shown = " ".join(f"{s:<8}" for s in statuses)
                how = " (the shipped scripts no longer assemble)" if by_build else ""
                print(f"{list_path.name} #{m.number:>3} {shown} {m.describe()}{how}", flush=True)
    finally:
        restorer.restore()

    if args.results:
        args.results.write_text("".join("\t".join(map(str, r)) + "\n" for r in results))
    columns = [("", 2)] + ([(" (compared suite)", 3)] if args.compare else [])
    for list_path, _, _ in suites:
        mine = [r for r in results if r[0] == list_path.name]
        for label, column in columns:
            caught = sum(r[column] == "caught" for r in mine)
            valid = sum(r[column] != "invalid" for r in mine)
            skipped = sum(name == list_path.name for name, _ in stale)
            print(f"{list_path.name}{label}: caught {caught}/{valid} ({len(mine) - valid} invalid"
                  + (f", {skipped} not applied)" if skipped else ")"))
    if args.compare:
        lost = [r for r in results if r[3] == "caught" and r[2] != "caught"]
        for r in lost:
            print(f"{r[0]} #{r[1]}: caught by the compared suite only: {r[-1]}")


if __name__ == "__main__":
    main()
