#!/usr/bin/env python3
"""dialog_equivalence.py ZEPLO1 ZEPLO ANSWERS_TO_ARGS CASES_DIR

Runs every case of the byte-identity corpus that the dialog completes through
both programs: zeplo1 with the case's answers, and `zeplo run` with the same
choices (answers_to_args translates them). The three files must be the same
bytes. Prints one line per differing case and `N passed, M failed`.

ZEPLO_EQUIV_STRIDE=k takes every k-th case only (the sanitizer build, where
each run is many times slower, sets it)."""
import os
import shutil
import subprocess
import sys
import tempfile

# What zeplo checks and the dialog does not: taper corners that do not rise
# or start above the highest frequency, and profile values that are not above
# zero. A case the dialog runs with such choices must be refused by zeplo with
# one of these messages; it is counted apart.
CHECKS = ("the corners must rise", "highest frequency", "must be a number above 0", "incidence angle")

# Records the dialog reads with a quirk and zeplo refuses, with a message:
# these must be refused (status 1), not run.
REFUSED_ON_PURPOSE = {
    "input-record-incomplete-last-pair": "a lone time on the last line",
    "input-record-value-trailing-letter": "a value followed by a letter ('2.x')",
}


def main():
    zeplo1, zeplo, to_args, cases = sys.argv[1:5]
    env = {"LC_ALL": "C", "PATH": "/usr/bin:/bin"}
    passed = failed = skipped = checked = 0
    scratch = tempfile.mkdtemp(prefix="zeplo-equiv-")
    try:
        stride = max(1, int(os.environ.get("ZEPLO_EQUIV_STRIDE", "1")))
        for name in sorted(os.listdir(cases))[::stride]:
            case = os.path.join(cases, name)
            answers = os.path.join(case, "answers")
            if not os.path.isfile(answers) or os.path.exists(os.path.join(case, "closed_fd")):
                continue
            args = subprocess.run([to_args, answers], capture_output=True, text=True)
            if args.returncode != 0:
                skipped += 1
                continue
            work = os.path.join(scratch, name)
            shutil.copytree(case, work, symlinks=True)
            with open(answers, "rb") as stdin:
                dialog = subprocess.run([zeplo1], cwd=work, stdin=stdin, capture_output=True, env=env)
            if dialog.returncode != 0 or not os.path.isfile(os.path.join(work, "zeplo_dat")):
                skipped += 1  # refused or stopped: nothing to compare
                shutil.rmtree(work)
                continue
            out = os.path.join(work, "zeplo-out")
            run = subprocess.run([zeplo, "run", *args.stdout.splitlines(), "--out", out],
                                 cwd=work, capture_output=True, text=True, env=env)
            differ = []
            if run.returncode == 1 and any(c in run.stderr for c in CHECKS):
                checked += 1
                shutil.rmtree(work)
                continue
            if name in REFUSED_ON_PURPOSE:
                if run.returncode != 1 or not run.stderr.startswith("zeplo: "):
                    differ.append("expected a refusal of %s" % REFUSED_ON_PURPOSE[name])
            elif run.returncode != 0:
                differ.append("status %d: %s" % (run.returncode, run.stderr.strip()))
            else:
                for f in ("S_amp1", "amp_dat", "zeplo_dat"):
                    with open(os.path.join(work, f), "rb") as a, open(os.path.join(out, f), "rb") as b:
                        if a.read() != b.read():
                            differ.append(f)
            if differ:
                failed += 1
                print("FAIL %s: %s (zeplo run %s)" % (name, ", ".join(differ), " ".join(args.stdout.splitlines())))
            else:
                passed += 1
            shutil.rmtree(work)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d cases compared, %d refused by zeplo's checks of corners and profiles, %d not completed by the "
          "dialog" % (passed + failed, checked, skipped))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
