#!/usr/bin/env python3
"""Whole-run benchmark of zeplo1.

--case largest (the default): 32768 samples (the Anchorage surface record), 50
layers with damping on, a band-pass taper and integration.
--case elcentro: the README's example, the 1940 El Centro record (1560
samples) over the 5-layer Treasure Island profile, amplification with respect
to the bedrock wave, no shaping.

Runs the program N times in a scratch folder and reports the median, smallest
and largest wall time, the median processor time (user plus system, all
threads) and the peak resident memory of the program. The memory is taken
from one more run under /usr/bin/time (GNU time's %M): the resource usage of
a child of this script would include the memory of the Python process it was
forked from.

With --baseline OTHER, the runs of OTHER alternate with those of the program
and both are reported: on a machine whose speed drifts (a virtual machine
sharing its host), the two then meet the same conditions.

Usage: bench/whole_run.py [--case largest|elcentro] [--runs N] [--program build/src/driver/zeplo1]
                          [--baseline OTHER]
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def soil_file(layers=50):
    """A damped column of 49 soil layers (Vs 150 to 630 m/s) over rock."""
    lines = ["%10.1f" % 0.0, "%10d" % 1, "%10d%10.1f" % (layers, 0.0)]
    for il in range(layers - 1):
        vs = 150.0 + 10.0 * il
        lines.append("%8.1f%8.1f%8.1f%8.1f%8.1f%8.1f" % (1.8, 2 * vs, 20.0, vs, 20.0, 2.0))
    lines.append("%8.1f%8.1f%8.1f%8.1f%8.1f%8.1f" % (2.2, 1600.0, 50.0, 800.0, 50.0, 0.0))
    return "\n".join(lines) + "\n"


def prepare(case, work):
    """Copies the inputs of a case into work; returns the answers and a title."""
    if case == "elcentro":
        for name in ("elcentro.txt", "tri.dat"):
            shutil.copy(os.path.join(ROOT, "examples", "data", name), work)
        with open(os.path.join(ROOT, "examples", "answers", "elcentro-tri-bedrock.txt"), "rb") as f:
            answers = f.read()
        return answers, "El Centro, 1560 samples, Treasure Island profile (5 layers), bedrock wave"
    shutil.copy(os.path.join(ROOT, "tests", "data", "dpsurf.txt"), work)
    with open(os.path.join(work, "deep.dat"), "w") as f:
        f.write(soil_file())
    answers = "dpsurf.txt\ndeep.dat\n1\n1\n1\n0.6 1.2 150. 200.\n".encode()
    return answers, "32768 samples, 50 layers, damping, taper, integration"


def peak_resident_kib(program, answers, work):
    """Peak resident memory of one run in KiB, by GNU time; None without it."""
    if not os.access("/usr/bin/time", os.X_OK):
        return None
    report = os.path.join(work, ".rss")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, program], input=answers, cwd=work,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    with open(report) as f:
        return int(f.read().split()[-1])


def run_once(program, answers_file, errors_file):
    """Wall and processor time of one run in seconds.

    The answers come from a file and standard error goes to one: with pipes
    this process would have to serve them while the program runs, and on two
    processors that takes time from the program."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(answers_file, "rb") as answers, open(errors_file, "wb") as errors:
        start = time.perf_counter()
        done = subprocess.run([program], stdin=answers, stdout=subprocess.DEVNULL, stderr=errors, close_fds=False)
        wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        with open(errors_file, "rb") as errors:
            raise SystemExit("%s failed: %s" % (program, errors.read().decode()))
    return wall, after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime


def report(program, times, cpu, peak_kib):
    print("%s" % program)
    print("median wall time %.1f ms (min %.1f, max %.1f)" % (
        1000 * statistics.median(times), 1000 * min(times), 1000 * max(times)))
    print("median processor time %.1f ms (user + system, all threads)" % (1000 * statistics.median(cpu)))
    if peak_kib is None:
        print("peak resident memory: not measured (no /usr/bin/time)")
    else:
        print("peak resident memory %.1f MiB" % (peak_kib / 1024.0))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--case", choices=("largest", "elcentro"), default="largest")
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--program", default=os.path.join(ROOT, "build", "src", "driver", "zeplo1"))
    parser.add_argument("--baseline", help="another zeplo1 whose runs alternate with the program's")
    args = parser.parse_args()
    programs = [os.path.abspath(args.program)]
    if args.baseline:
        programs.insert(0, os.path.abspath(args.baseline))

    work = tempfile.mkdtemp(prefix="zeplo-bench-")
    try:
        answers, title = prepare(args.case, work)
        answers_file = os.path.join(work, ".answers")
        errors_file = os.path.join(work, ".errors")
        with open(answers_file, "wb") as f:
            f.write(answers)
        times = {p: [] for p in programs}
        cpu = {p: [] for p in programs}
        # The program is started by posix_spawn (no cwd argument, descriptors
        # not closed), which does not copy this process's page tables: a fork of
        # the Python process would add its own cost to every run.
        home = os.getcwd()
        os.chdir(work)
        for _ in range(args.runs):
            for program in programs:
                wall, used = run_once(program, answers_file, errors_file)
                times[program].append(wall)
                cpu[program].append(used)
        os.chdir(home)
        print("whole run, %s: %d runs%s" % (title, args.runs, " each, alternating" if args.baseline else ""))
        for program in programs:
            report(program, times[program], cpu[program], peak_resident_kib(program, answers, work))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
