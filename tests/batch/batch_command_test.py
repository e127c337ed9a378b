#!/usr/bin/env python3
"""batch_command_test.py ZEPLO DATA_DIR

`zeplo batch` and `zeplo collect` as a user meets them, through the built
program: a plan of real records under the shipped profiles, each run folder
the same bytes as a single `zeplo run`; one broken row failing alone; a rerun
skipping what is done; SIGINT in the middle and a rerun completing the rest;
the same plan through GNU parallel and `zeplo collect`; plans refused before
anything runs; progress on a terminal and off it."""
import csv
import io
import json
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

ZEPLO = DATA = None
ENV = {"LC_ALL": "C", "PATH": "/usr/bin:/bin"}

RECORDS = [("elcentro.txt", "g"), ("shafter.txt", "cm/s2"), ("formats/NIS090.AT2", "")]
PROFILES = ["tri.dat", "tri_nd.dat", "yb.dat"]
# Options per row, varied over the plan: wrt, shape, taper_hz, units.
OPTIONS = [("", "", "", ""), ("bedrock", "integrate", "0.1 0.2 20 24", "cm/s2"),
           ("input", "differentiate", "", ""), ("bedrock", "none", "0.05 0.1 30 40", "m/s2")]


# Rows that name no input motion take the batch's: outcrop.
DEFAULT_MOTION = ["--input-motion", "outcrop"]


def zeplo(*args, cwd=None):
    if args and args[0] == "batch":
        args = (*args, *DEFAULT_MOTION)
    return subprocess.run([ZEPLO, *args], cwd=cwd, capture_output=True, text=True, env=ENV)


def snapshot(folder):
    """Every file under `folder` with its bytes."""
    out = {}
    for root, _, files in os.walk(folder):
        for f in files:
            p = os.path.join(root, f)
            with open(p, "rb") as h:
                out[os.path.relpath(p, folder)] = h.read()
    return out


def read_csv(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def study_rows():
    """Real records x shipped profiles, the options varied, one row broken."""
    rows = []
    k = 0
    for rec, unit in RECORDS:
        for soil in PROFILES:
            wrt, shape, taper, units = OPTIONS[k % len(OPTIONS)]
            k += 1
            name = "%s-%s" % (os.path.basename(rec).split(".")[0].lower(), soil.split(".")[0])
            rows.append(dict(name=name, record="data/" + rec, soil="data/" + soil, wrt=wrt, shape=shape,
                             taper_hz=taper, units=units, record_units=unit))
    rows.insert(4, dict(name="broken", record="data/no-such-record.txt", soil="data/tri.dat", wrt="", shape="",
                        taper_hz="", units="", record_units="g"))
    return rows


def write_plan(path, rows):
    with open(path, "w", newline="") as f:
        w = csv.DictWriter(f, fieldnames=["name", "record", "soil", "wrt", "shape", "taper_hz", "units",
                                          "record_units"])
        w.writeheader()
        w.writerows(rows)


def run_args(row, base, out):
    """The `zeplo run` a user would type for a row, built from the plan's words."""
    args = ["run", "--record", os.path.join(base, row["record"]), "--soil", os.path.join(base, row["soil"]),
            "--out", out]
    args += ["--wrt", row["wrt"]] if row["wrt"] else DEFAULT_MOTION
    if row["shape"] in ("integrate", "differentiate"):
        args.append("--" + row["shape"])
    if row["taper_hz"]:
        args += ["--taper", ",".join(row["taper_hz"].split())]
    if row["units"]:
        args += ["--units", row["units"]]
    if row["record_units"]:
        args += ["--record-units", row["record_units"]]
    return args


class Base(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zeplo-batch-")
        os.makedirs(os.path.join(self.dir, "study", "data", "formats"))
        for name in PROFILES + ["elcentro.txt", "shafter.txt", "dpsurf.txt", "dp61m.txt", "formats/NIS090.AT2"]:
            shutil.copy(os.path.join(DATA, name), os.path.join(self.dir, "study", "data", name))
        self.base = os.path.join(self.dir, "study")
        self.plan = os.path.join(self.base, "plan.csv")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def single_runs(self, rows):
        """Each row's folder from its own `zeplo run` (the broken row: its message)."""
        folders, messages = {}, {}
        for row in rows:
            out = self.path("single", row["name"])
            r = zeplo(*run_args(row, self.base, out))
            if r.returncode == 0:
                folders[row["name"]] = snapshot(out)
            else:
                messages[row["name"]] = r.stderr.strip().splitlines()[-1][len("zeplo: "):]
        return folders, messages


class PlanOfRealRecords(Base):
    def test_batch_rerun_and_gnu_parallel_give_the_single_runs(self):
        rows = study_rows()
        write_plan(self.plan, rows)
        singles, messages = self.single_runs(rows)
        self.assertEqual(list(messages), ["broken"])

        out = self.path("batch")
        r = zeplo("batch", self.plan, "--out", out, "--jobs", "2")
        self.assertEqual(r.returncode, 1, r.stderr)
        # The failed row is listed at the end, and it alone.
        tail = r.stderr[r.stderr.index("rows failed:"):]
        self.assertEqual([l.strip() for l in tail.strip().splitlines()[1:]], ["broken: " + messages["broken"]])
        for name, files in singles.items():
            self.assertEqual(snapshot(os.path.join(out, name)), files, name)
        self.assertFalse(os.path.exists(os.path.join(out, "broken", "run.json")))

        summary = read_csv(os.path.join(out, "summary.csv"))
        self.assertEqual([s["name"] for s in summary], [row["name"] for row in rows])
        for s in summary:
            if s["name"] == "broken":
                self.assertEqual((s["status"], s["message"], s["nt"]), ("failed", messages["broken"], ""))
                continue
            info = json.loads(singles[s["name"]]["run.json"])
            self.assertEqual(s["status"], "ok")
            self.assertEqual(s["message"], "")
            self.assertEqual(int(s["nt"]), info["nt"])
            for column, value in [("dt", info["dt"]), ("pga_in", info["peaks"]["input"]),
                                  ("pga_out", info["peaks"]["output"]), ("peak_amp", info["amplification"]["peak"]),
                                  ("peak_amp_hz", info["amplification"]["peak_hz"]),
                                  ("out_min", info["output"]["min"]), ("out_max", info["output"]["max"])]:
                self.assertEqual(float(s[column]), value, (s["name"], column))
            self.assertEqual(s["unit"], info["peaks"]["unit"])

        # A rerun skips every finished row and rewrites nothing of theirs.
        times = {name: os.stat(os.path.join(out, name, "run.json")).st_mtime_ns for name in singles}
        summary_bytes = snapshot(out)["summary.csv"]
        again = zeplo("batch", self.plan, "--out", out, "--jobs", "2")
        self.assertEqual(again.returncode, 1)
        self.assertEqual(len(re.findall(r": done before, skipped$", again.stderr, re.M)), len(singles), again.stderr)
        self.assertIn("] broken: failed: ", again.stderr)
        for name in singles:
            self.assertEqual(os.stat(os.path.join(out, name, "run.json")).st_mtime_ns, times[name], name)
        self.assertEqual(snapshot(out)["summary.csv"], summary_bytes)

        # Editing one profile reruns exactly the rows that use it.
        with open(os.path.join(self.base, "data", "yb.dat"), "a") as f:
            f.write("\n")
        third = zeplo("batch", self.plan, "--out", out, "--jobs", "2")
        ran = sorted(re.findall(r"\] (\S+): ok$", third.stderr, re.M))
        self.assertEqual(ran, sorted(row["name"] for row in rows if row["soil"] == "data/yb.dat"))
        with open(os.path.join(self.base, "data", "yb.dat")) as f:
            text = f.read()
        with open(os.path.join(self.base, "data", "yb.dat"), "w") as f:
            f.write(text[:-1])
        # Undone, the edit gives back the first files.
        self.assertEqual(zeplo("batch", self.plan, "--out", out, "--quiet").returncode, 1)
        for name, files in singles.items():
            self.assertEqual(snapshot(os.path.join(out, name)), files, name)
        self.assertEqual(snapshot(out)["summary.csv"], summary_bytes)

        # GNU parallel runs the emitted lines; collect writes the same summary.
        emitted = self.path("parallel")
        e = zeplo("batch", self.plan, "--emit", "parallel", "--out", emitted, "--jobs", "2")
        self.assertEqual(e.returncode, 0, e.stderr)
        with open(os.path.join(emitted, "jobs.txt")) as f:
            self.assertEqual(len(f.read().splitlines()), len(rows))
        p = subprocess.run("parallel --will-cite --jobs 2 --joblog %s < %s" % (
            os.path.join(emitted, "joblog"), os.path.join(emitted, "jobs.txt")), shell=True, capture_output=True,
            text=True, cwd=self.dir, env=ENV)
        self.assertEqual(p.returncode, 1, p.stderr)  # parallel's status: the number of failed jobs
        c = zeplo("collect", emitted)
        self.assertEqual(c.returncode, 1)
        self.assertIn("broken: " + messages["broken"], c.stderr)
        for name, files in singles.items():
            self.assertEqual(snapshot(os.path.join(emitted, name)), files, name)
        self.assertEqual(snapshot(emitted)["summary.csv"], summary_bytes)
        # And collect on the in-process batch's own folder writes its summary again.
        os.remove(os.path.join(out, "summary.csv"))
        zeplo("collect", out)
        self.assertEqual(snapshot(out)["summary.csv"], summary_bytes)

    def test_sigint_mid_batch_then_rerun_completes_with_the_same_files(self):
        rows = []
        for rec in ["dpsurf.txt", "dp61m.txt", "elcentro.txt"]:
            for soil in PROFILES:
                for wrt in ["input", "bedrock"]:
                    rows.append(dict(name="%s-%s-%s" % (rec[:-4], soil[:-4], wrt), record="data/" + rec,
                                     soil="data/" + soil, wrt=wrt, shape="integrate", taper_hz="",
                                     units="", record_units="g" if rec == "elcentro.txt" else "cm/s2"))
        write_plan(self.plan, rows)
        out = self.path("batch")
        proc = subprocess.Popen([ZEPLO, "batch", self.plan, "--out", out, "--jobs", "2", *DEFAULT_MOTION], stderr=subprocess.PIPE,
                                text=True, env=ENV)
        lines = []
        while len(lines) < 3:
            line = proc.stderr.readline()
            self.assertTrue(line, "the batch ended before three rows: %s" % "".join(lines))
            lines.append(line)
        proc.send_signal(signal.SIGINT)
        rest = proc.stderr.read()
        proc.stderr.close()
        self.assertEqual(proc.wait(timeout=120), 128 + signal.SIGINT, rest)
        self.assertIn("SIGINT: no more rows are started", rest)

        summary = read_csv(os.path.join(out, "summary.csv"))
        self.assertEqual([s["name"] for s in summary], [row["name"] for row in rows])
        done = [s["name"] for s in summary if s["status"] == "ok"]
        self.assertEqual({s["status"] for s in summary}, {"ok", "not run"})
        self.assertGreaterEqual(len(done), 3)
        self.assertLess(len(done), len(rows))
        for row in rows:
            folder = os.path.join(out, row["name"])
            files = snapshot(folder) if os.path.isdir(folder) else {}
            self.assertFalse([f for f in files if ".tmp-" in f], row["name"])
            self.assertEqual("run.json" in files, row["name"] in done, row["name"])

        again = zeplo("batch", self.plan, "--out", out, "--jobs", "2")
        self.assertEqual(again.returncode, 0, again.stderr)
        self.assertEqual(len(re.findall(r": done before, skipped$", again.stderr, re.M)), len(done))
        singles, messages = self.single_runs(rows)
        self.assertEqual(messages, {})
        for name, files in singles.items():
            self.assertEqual(snapshot(os.path.join(out, name)), files, name)
        fresh = self.path("fresh")
        self.assertEqual(zeplo("batch", self.plan, "--out", fresh, "--quiet").returncode, 0)
        self.assertEqual(snapshot(fresh)["summary.csv"], snapshot(out)["summary.csv"])


class Refusals(Base):
    def test_a_malformed_plan_runs_nothing_and_names_its_lines(self):
        for text, expected in [
            ("name,record\na,data/elcentro.txt\n", "plan.csv:1: no column 'soil'"),
            ("name,record,soil\na,data/elcentro.txt,data/tri.dat\nb,data/elcentro.txt,data/yb.dat\n"
             "a,data/shafter.txt,data/yb.dat\n", "plan.csv:4: the name 'a' is taken by line 2"),
            ("name,record,soil\nok,data/elcentro.txt,data/tri.dat\n../escape,data/elcentro.txt,data/tri.dat\n",
             "plan.csv:3: column 'name': '../escape' is not a safe folder name"),
        ]:
            with self.subTest(expected=expected):
                with open(self.plan, "w") as f:
                    f.write(text)
                out = self.path("never")
                for extra in ([], ["--emit", "slurm"]):
                    r = zeplo("batch", self.plan, "--out", out, *extra)
                    self.assertEqual(r.returncode, 1)
                    self.assertIn(expected, r.stderr)
                    self.assertIn("the plan is refused; nothing was run", r.stderr)
                    self.assertFalse(os.path.exists(out))
                    self.assertFalse(os.path.exists(os.path.join(self.dir, "escape")))

    def test_collect_needs_a_batch_folder(self):
        r = zeplo("collect", self.dir)
        self.assertEqual(r.returncode, 1)
        self.assertIn("rows.csv: missing", r.stderr)


class Progress(Base):
    def test_a_terminal_gets_one_line_redrawn_and_quiet_gets_nothing(self):
        rows = [dict(name="r%d" % k, record="data/elcentro.txt", soil="data/" + PROFILES[k % 3], wrt="", shape="",
                     taper_hz="", units="", record_units="g") for k in range(6)]
        write_plan(self.plan, rows)
        pid, fd = pty.fork()
        if pid == 0:
            os.execve(ZEPLO, [ZEPLO, "batch", self.plan, "--out", self.path("tty"), "--jobs", "2", *DEFAULT_MOTION],
                      ENV)
        screen = b""
        while True:
            ready, _, _ = select.select([fd], [], [], 60)
            if not ready:
                break
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            screen += chunk
        _, status = os.waitpid(pid, 0)
        self.assertEqual(os.waitstatus_to_exitcode(status), 0, screen)
        text = screen.decode()
        self.assertIn("\r\x1b[K6/6 done, 0 failed, ", text)
        self.assertRegex(text, r"\d+\.\d runs/s, \d+:\d\d left")
        self.assertNotIn("] r0: ok", text)  # no per-row lines on a terminal
        self.assertEqual(text.count("\n"), text.count("\r\n"))
        self.assertIn("6 of 6 rows: 6 ran, 0 done before, 0 failed", text)

        quiet = zeplo("batch", self.plan, "--out", self.path("quiet"), "--quiet")
        self.assertEqual((quiet.returncode, quiet.stderr, quiet.stdout), (0, "", ""))
        lines = zeplo("batch", self.plan, "--out", self.path("lines"))
        self.assertEqual(len(re.findall(r"^\[\d/6\] r\d: ok$", lines.stderr, re.M)), 6, lines.stderr)


if __name__ == "__main__":
    ZEPLO, DATA = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
