#!/usr/bin/env python3
"""Byte identity of zeplo1 against a reference build on random valid cases.

Writes the soak generator's cases (tests/e2e/soak_generator.hpp) for a seed
and a range, runs the reference and the candidate zeplo1 on each in scratch
copies of the case folder, and compares exit status, standard output,
standard error and the files S_amp1, amp_dat and zeplo_dat byte for byte.
Counts the numbers compared (every field of the three files and every number
on standard output) and the differing bytes; exits 1 on any difference.

Usage:
  tests/identity/compare_with_reference.py REF_ZEPLO1 NEW_ZEPLO1 [--cases 2000]
      [--first 0] [--seed 1955] [--jobs 2] [--keep DIR]

The reference is the program built from a commit before the change under
test, for example:
  git worktree add /tmp/zeplo-perf-ref 6889f15
  cmake -S /tmp/zeplo-perf-ref -B /tmp/zeplo-perf-ref/build -DCMAKE_BUILD_TYPE=Release \\
        -DZEPLO_TESTS=OFF -DZEPLO_BENCH=OFF
  cmake --build /tmp/zeplo-perf-ref/build --target zeplo1
2000 cases take about 3 minutes on 2 cores (mostly the two programs).
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
OUTPUTS = ("S_amp1", "amp_dat", "zeplo_dat")
NUMBER = re.compile(rb"[-+]?(?:\d+\.?\d*|\.\d+)(?:[EeDd][-+]?\d+)?|\*{4,}|-?(?:INF|NAN|inf|nan)")


def build_generator(work):
    exe = os.path.join(work, "identity_cases")
    cxx = os.environ.get("CXX", "c++")
    subprocess.run([cxx, "-std=c++20", "-O2", "-I", os.path.join(ROOT, "tests", "e2e"),
                    os.path.join(HERE, "identity_cases.cpp"), "-o", exe], check=True)
    return exe


def run(program, case_dir, scratch):
    shutil.copytree(case_dir, scratch)
    with open(os.path.join(case_dir, "answers"), "rb") as answers:
        done = subprocess.run([program], stdin=answers, cwd=scratch, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, env={"LC_ALL": "C", "PATH": "/usr/bin:/bin"},
                              timeout=120)
    result = {"status": str(done.returncode).encode(), "stdout": done.stdout, "stderr": done.stderr}
    for name in OUTPUTS:
        path = os.path.join(scratch, name)
        result[name] = open(path, "rb").read() if os.path.exists(path) else None
    shutil.rmtree(scratch)
    return result


def differing_bytes(a, b):
    if a is None or b is None:
        return 0 if a is b else max(len(a or b""), len(b or b""))
    return sum(x != y for x, y in zip(a, b)) + abs(len(a) - len(b))


def compare(args, case_dir, work):
    name = os.path.basename(case_dir)
    ref = run(args.ref, case_dir, os.path.join(work, name + ".ref"))
    new = run(args.new, case_dir, os.path.join(work, name + ".new"))
    diffs = {part: differing_bytes(ref[part], new[part]) for part in ref}
    values = sum(len(NUMBER.findall(ref[part] or b"")) for part in ("stdout",) + OUTPUTS)
    return name, values, {k: v for k, v in diffs.items() if v}, ref["status"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("ref")
    parser.add_argument("new")
    parser.add_argument("--cases", type=int, default=2000)
    parser.add_argument("--first", type=int, default=0)
    parser.add_argument("--seed", type=int, default=1955)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--keep", help="write the cases here and keep them")
    args = parser.parse_args()
    args.ref, args.new = os.path.abspath(args.ref), os.path.abspath(args.new)

    work = tempfile.mkdtemp(prefix="zeplo-identity-")
    try:
        cases = args.keep or os.path.join(work, "cases")
        subprocess.run([build_generator(work), str(args.seed), str(args.first), str(args.cases), cases], check=True)
        dirs = sorted(os.path.join(cases, d) for d in os.listdir(cases) if d.startswith("case-"))
        dirs = [d for d in dirs if args.first <= int(d.rsplit("-", 1)[1]) < args.first + args.cases]
        scratch = os.path.join(work, "runs")
        os.makedirs(scratch)
        total_values = total_bytes = failed = 0
        statuses = {}
        with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
            for name, values, diffs, status in pool.map(lambda d: compare(args, d, scratch), dirs):
                total_values += values
                statuses[status] = statuses.get(status, 0) + 1
                if diffs:
                    failed += 1
                    total_bytes += sum(diffs.values())
                    print("DIFF %s: %s" % (name, ", ".join("%s (%d bytes)" % kv for kv in sorted(diffs.items()))))
        print("%d cases (exit status %s), %d numbers compared, %d cases differ, %d differing bytes" % (
            len(dirs), ", ".join("%s: %d" % (k.decode(), v) for k, v in sorted(statuses.items())),
            total_values, failed, total_bytes))
        return 1 if failed else 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
