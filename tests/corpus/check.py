#!/usr/bin/env python3
"""Runs zeplo1 on every case folder of the corpus and compares what it leaves
behind with a manifest of digests.

    check.py ZEPLO1 CASES_DIR MANIFEST            compare; status 1 if any case differs
    check.py --write ZEPLO1 CASES_DIR MANIFEST    write MANIFEST instead

Each case runs in a fresh scratch copy of its folder (all but `answers` and
`closed_fd`), with that folder as working directory, `answers` on standard
input, standard output and standard error to files outside the folder, no
environment but LC_ALL=C and a fixed PATH, no core files and a 60 s limit.
A case holding `closed_fd` runs with that standard stream (0 or 1) closed.

One manifest line per case:
    name status inputs stdout stderr S_amp1 amp_dat zeplo_dat others
status is the exit status, 128+n for signal n. inputs is a digest of the case
folder itself, so that a corpus generated differently (another C library
formatting the random cases otherwise) shows as such rather than as a fault of
the program. stdout to zeplo_dat are sha256 digests; "-" when the file does
not exist after the run, "dir" for a folder, "link:TARGET" for a symbolic
link. others is a digest of the rest of the working folder after the run: the
inputs as the run left them and any other file it created.
Standard library only.
"""
import hashlib
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import threading
import time

OUTPUTS = ("S_amp1", "amp_dat", "zeplo_dat")
PARTS = ("status", "inputs", "stdout", "stderr") + OUTPUTS + ("others",)
CONTROL = ("answers", "closed_fd")
HEADER = "# case status inputs stdout stderr S_amp1 amp_dat zeplo_dat others (sha256; - not created)"
ENV = {"LC_ALL": "C", "PATH": "/usr/bin:/bin"}
TIMEOUT_S = 60


def sha256_file(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def digest(path):
    if os.path.islink(path):
        return "link:" + os.readlink(path)
    if os.path.isdir(path):
        return "dir"
    if os.path.exists(path):
        return sha256_file(path)
    return "-"


def folder_digest(folder, skip=()):
    """One digest of the names, kinds and contents of everything in a folder
    but the top-level names in skip."""
    lines = []
    for root, dirs, files in os.walk(folder):
        if root == folder:
            dirs[:] = [d for d in dirs if d not in skip]
            files = [f for f in files if f not in skip]
        dirs.sort()
        for name in sorted(dirs + files):
            p = os.path.join(root, name)
            rel = os.path.relpath(p, folder)
            if os.path.islink(p):
                lines.append("L %s %s" % (rel, os.readlink(p)))
            elif os.path.isdir(p):
                lines.append("D %s" % rel)
            else:
                lines.append("F %s %s" % (rel, sha256_file(p)))
    return hashlib.sha256("\n".join(sorted(lines)).encode()).hexdigest()


def run_case(zeplo, folder, work):
    scratch = os.path.join(work, "run")
    if os.path.lexists(scratch):
        shutil.rmtree(scratch)
    shutil.copytree(folder, scratch, symlinks=True)
    for name in CONTROL:
        p = os.path.join(scratch, name)
        if os.path.lexists(p):
            os.remove(p)
    closed = None
    closed_path = os.path.join(folder, "closed_fd")
    if os.path.exists(closed_path):
        with open(closed_path) as f:
            closed = int(f.read().strip())
        if closed not in (0, 1):
            raise SystemExit("check: %s: closed_fd must be 0 or 1" % closed_path)

    out_path = os.path.join(work, "out")
    err_path = os.path.join(work, "err")
    for p in (out_path, err_path):
        if os.path.lexists(p):
            os.remove(p)

    def close_stream():
        os.close(closed)

    with open(os.path.join(folder, "answers"), "rb") as answers, \
            open(err_path, "wb") as err:
        out = None if closed == 1 else open(out_path, "wb")
        try:
            # preexec_fn only where a stream must be closed: without it the
            # child is started by vfork, several times faster here.
            proc = subprocess.Popen([zeplo], cwd=scratch, env=ENV,
                                    stdin=None if closed == 0 else answers,
                                    stdout=out, stderr=err,
                                    preexec_fn=close_stream if closed is not None else None)
            timer = threading.Timer(TIMEOUT_S, proc.kill)
            timer.start()
            rc = proc.wait()
            if not timer.is_alive():
                print("check: %s did not end within %d s" % (os.path.basename(folder), TIMEOUT_S),
                      file=sys.stderr)
            timer.cancel()
        finally:
            if out is not None:
                out.close()
    status = rc if rc >= 0 else 128 - rc
    fields = [os.path.basename(folder), str(status), folder_digest(folder),
              digest(out_path), digest(err_path)]
    fields += [digest(os.path.join(scratch, name)) for name in OUTPUTS]
    # Everything else in the folder after the run: the input files as the run
    # left them and any file it created besides the three.
    fields.append(folder_digest(scratch, skip=OUTPUTS))
    return fields


def read_manifest(path):
    want = {}
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = line.split()
            want[fields[0]] = fields[1:]
    return want


def main(argv):
    write = False
    if argv[:1] == ["--write"]:
        write = True
        argv = argv[1:]
    if len(argv) != 3:
        print("usage: check.sh [--write] ZEPLO1 CASES_DIR MANIFEST", file=sys.stderr)
        return 2
    zeplo = os.path.realpath(argv[0])
    cases = os.path.realpath(argv[1])
    manifest = argv[2]
    if not os.access(zeplo, os.X_OK) or os.path.isdir(zeplo):
        print("check: %s is not an executable program" % argv[0], file=sys.stderr)
        return 2
    if not os.path.isdir(cases):
        print("check: no case folder %s" % argv[1], file=sys.stderr)
        return 2
    if not write and not os.path.isfile(manifest):
        print("check: no manifest %s" % manifest, file=sys.stderr)
        return 2
    folders = sorted(os.path.join(cases, n) for n in os.listdir(cases)
                     if not n.startswith(".") and os.path.isdir(os.path.join(cases, n)))
    if not folders:
        print("check: no cases in %s" % argv[1], file=sys.stderr)
        return 1

    # No core files from the runs that end by abort (the limit is inherited).
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
    start = time.monotonic()
    work = tempfile.mkdtemp(prefix="zeplo-corpus-")
    try:
        if write:
            lines = [HEADER] + [" ".join(run_case(zeplo, c, work)) for c in folders]
            with open(manifest + ".tmp", "w") as f:
                f.write("\n".join(lines) + "\n")
            os.replace(manifest + ".tmp", manifest)
            print("check: wrote %d cases to %s in %.1f s" % (len(folders), manifest, time.monotonic() - start))
            return 0

        want = read_manifest(manifest)
        if not want:
            print("check: the manifest %s lists no case" % manifest, file=sys.stderr)
            return 1
        passed = failed = 0
        seen = set()
        for c in folders:
            got = run_case(zeplo, c, work)
            name = got[0]
            seen.add(name)
            if name not in want:
                print("FAIL %s: not in the manifest" % name)
                failed += 1
                continue
            expected = want[name]
            if got[1:] == expected:
                passed += 1
                continue
            diffs = []
            for i, part in enumerate(PARTS):
                g = got[1 + i]
                w = expected[i] if i < len(expected) else "?"
                if g != w:
                    diffs.append("status (%s, now %s)" % (w, g) if part == "status" else part)
            note = ""
            if "inputs" in diffs:
                note = " [the case folder is not the one the manifest was written from]"
            print("FAIL %s: differs in %s%s" % (name, ", ".join(diffs), note))
            failed += 1
        for name in sorted(set(want) - seen):
            print("FAIL %s: in the manifest but not among the cases" % name)
            failed += 1
        print("%d passed, %d failed (%.1f s)" % (passed, failed, time.monotonic() - start))
        return 1 if failed else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
