#!/usr/bin/env python3
"""command_test.py ZEPLO ZEPLO1 DATA_DIR

`zeplo run` and `zeplo convert` as a user meets them, through the built
programs: every shipped sample record converted and run, the converted text
giving the dialog the same files; a record longer than the dialog takes; and
bad inputs refused with a message, status 1 and no output file changed."""
import json
import math
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

ZEPLO = ZEPLO1 = DATA = None

# Each shipped sample: its format as detected, samples, time step, unit, and
# the first and last three values as written in the file (read there by eye).
SAMPLES = {
    "NIS090.AT2": ("PEER AT2", 4096, 0.01, "g",
                   [0.233833e-06, 0.299033e-06, 0.515835e-06], [0.494028e-04, 0.496963e-04]),
}


def run(args, cwd, stdin=None):
    return subprocess.run(args, cwd=cwd, input=stdin, capture_output=True, text=True,
                          env={"LC_ALL": "C", "PATH": "/usr/bin:/bin"})


def read(path, mode="rb"):
    with open(path, mode) as f:
        return f.read()


def snapshot(folder):
    """Every file under `folder` with its bytes (folders marked)."""
    out = {}
    for root, dirs, files in os.walk(folder):
        for d in dirs:
            out[os.path.relpath(os.path.join(root, d), folder)] = "<dir>"
        for f in files:
            p = os.path.join(root, f)
            out[os.path.relpath(p, folder)] = read(p) if not os.path.islink(p) else "<link>"
    return out


class Base(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zeplo-cmd-")
        shutil.copy(os.path.join(DATA, "tri.dat"), self.dir)

    def tearDown(self):
        for root, dirs, _ in os.walk(self.dir):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(self.dir)

    def put(self, name, text, mode="w"):
        with open(os.path.join(self.dir, name), mode) as f:
            f.write(text)

    def zeplo(self, *args):
        return run([ZEPLO, *args], self.dir)


class ConvertAndRun(Base):
    def test_every_sample_converted_and_run(self):
        formats = os.path.join(DATA, "formats")
        for name in sorted(os.listdir(formats)):
            if name == "README.md" or name.startswith("."):
                continue
            with self.subTest(sample=name):
                src = os.path.join(formats, name)
                direct = self.zeplo("run", "--record", src, "--soil", "tri.dat", "--wrt", "bedrock",
                                    "--integrate", "--taper", "0.1,0.2,20,24", "--out", "direct")
                self.assertEqual(direct.returncode, 0, direct.stderr)
                info = json.loads(read(os.path.join(self.dir, "direct", "run.json")))
                conv = self.zeplo("convert", src, "-o", "c.txt")
                self.assertEqual(conv.returncode, 0, conv.stderr)
                lines = read(os.path.join(self.dir, "c.txt"), "r").splitlines()
                self.assertEqual(len(lines), info["nt"])
                self.assertEqual(lines[0].split()[0], "0")
                # The converted text, read back, gives the same run.
                unit = info["inputs"]["record"]["unit"]
                again = self.zeplo("run", "--record", "c.txt", "--record-units", unit, "--soil", "tri.dat",
                                   "--wrt", "bedrock", "--integrate", "--taper", "0.1,0.2,20,24", "--out", "again")
                self.assertEqual(again.returncode, 0, again.stderr)
                for f in ("S_amp1", "amp_dat", "zeplo_dat"):
                    self.assertEqual(read(os.path.join(self.dir, "direct", f)),
                                     read(os.path.join(self.dir, "again", f)), f)
                if info["nt"] <= 32768:
                    # ... and the dialog on the converted text writes the same files.
                    rad = ["%.9g" % (f * 2 * math.pi) for f in (0.1, 0.2, 20, 24)]
                    dialog = run([ZEPLO1], self.dir, "c.txt\ntri.dat\n2\n1\n1\n%s\n" % " ".join(rad))
                    self.assertEqual(dialog.returncode, 0, dialog.stderr)
                    for f in ("S_amp1", "amp_dat", "zeplo_dat"):
                        self.assertEqual(read(os.path.join(self.dir, "direct", f)),
                                         read(os.path.join(self.dir, f)), f)
                if name in SAMPLES:
                    fmt, nt, dt, unit_name, first, last = SAMPLES[name]
                    self.assertEqual((info["nt"], info["dt"], unit), (nt, dt, unit_name))
                    values = [float(l.split()[1]) for l in lines]
                    for want, got in zip(first + last, values[:3] + values[-len(last):]):
                        self.assertAlmostEqual(got, want, delta=abs(want) * 1e-6)

    def test_units_and_the_channel_list(self):
        at2 = os.path.join(DATA, "formats", "NIS090.AT2")
        g = self.zeplo("convert", at2)
        cm = self.zeplo("convert", at2, "--units", "cm/s2")
        self.assertEqual(g.returncode, 0)
        v_g = [float(l.split()[1]) for l in g.stdout.splitlines()]
        v_cm = [float(l.split()[1]) for l in cm.stdout.splitlines()]
        self.assertEqual(len(v_g), 4096)
        for a, b in zip(v_g[:50], v_cm[:50]):
            self.assertAlmostEqual(b, a * 980.665, delta=abs(a) * 980.665 * 1e-6)
        listing = self.zeplo("convert", os.path.join(DATA, "formats", "CIWLT.V2"), "--list")
        self.assertEqual(len(listing.stdout.splitlines()), 3, listing.stdout)
        two = self.zeplo("convert", os.path.join(DATA, "formats", "CIWLT.V2"), "--channel", "2")
        one = self.zeplo("convert", os.path.join(DATA, "formats", "CIWLT.V2"))
        self.assertNotEqual(one.stdout, two.stdout)
        # A two-column record names no unit: converting it needs --record-units.
        self.put("r.txt", "0 1\n0.01 2\n0.02 3\n")
        refused = self.zeplo("convert", "r.txt", "--units", "g")
        self.assertEqual(refused.returncode, 1)
        self.assertIn("--record-units", refused.stderr)


class LongRecord(Base):
    def test_65536_samples(self):
        n = 65536
        self.put("long.txt", "".join("%.6f %.6g\n" % (k * 0.005, math.sin(0.05 * k) * math.exp(-k / 20000.0))
                                     for k in range(n)))
        r = self.zeplo("run", "--record", "long.txt", "--soil", "tri.dat", "--input-motion", "outcrop", "--out", "o")
        self.assertEqual(r.returncode, 0, r.stderr)
        s_amp1 = read(os.path.join(self.dir, "o", "S_amp1"), "r").splitlines()
        self.assertEqual(len(s_amp1), 32769)
        self.assertEqual(len(read(os.path.join(self.dir, "o", "zeplo_dat"), "r").splitlines()), n)
        for f in ("S_amp1", "amp_dat", "zeplo_dat"):
            text = read(os.path.join(self.dir, "o", f), "r").lower()
            self.assertNotIn("nan", text)
            self.assertNotIn("inf", text)
        info = json.loads(read(os.path.join(self.dir, "o", "run.json")))
        self.assertEqual((info["nt"], info["nf"]), (n, n))


AT2_HEAD = ("PEER NGA STRONG MOTION DATABASE RECORD\nTEST\nACCELERATION TIME SERIES IN UNITS OF G\n")


class BadInputs(Base):
    def refused(self, args, mentions):
        """Runs into an output folder holding older files; they must stay as they were."""
        out = os.path.join(self.dir, "out")
        os.makedirs(out, exist_ok=True)
        for f in ("S_amp1", "amp_dat", "zeplo_dat", "run.json"):
            with open(os.path.join(out, f), "w") as h:
                h.write("older %s\n" % f)
        before = snapshot(out)
        r = self.zeplo("run", *args, "--soil", "tri.dat", "--wrt", "input", "--out", "out")
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertTrue(r.stderr.startswith("zeplo: "), r.stderr)
        self.assertIn(mentions, r.stderr)
        self.assertEqual(r.stdout, "")
        self.assertEqual(snapshot(out), before)
        return r

    def test_refusals_change_nothing(self):
        self.put("trunc.AT2", AT2_HEAD + "NPTS=  5, DT= .0100 SEC\n .1E-2 .2E-2 .3E-2\n")
        self.refused(["--record", "trunc.AT2"], "trunc.AT2")
        self.put("count.AT2", AT2_HEAD + "NPTS=  2, DT= .0100 SEC\n .1E-2 .2E-2 .3E-2\n")
        self.refused(["--record", "count.AT2"], "count.AT2")
        self.put("dt0.AT2", AT2_HEAD + "NPTS=  3, DT= .0000 SEC\n .1E-2 .2E-2 .3E-2\n")
        self.refused(["--record", "dt0.AT2"], "dt0.AT2:4")
        self.put("letter.AT2", AT2_HEAD + "NPTS=  3, DT= .0100 SEC\n .1E-2 .2Q-2 .3E-2\n")
        self.refused(["--record", "letter.AT2"], "letter.AT2:5")
        os.mkdir(os.path.join(self.dir, "folder.AT2"))
        self.refused(["--record", "folder.AT2"], "folder.AT2")
        self.refused(["--record", "missing.AT2"], "missing.AT2")
        self.put("r.txt", "0 1\n0.01 2\n0.02 3\n")
        self.put("bad.dat", "       0.0\n         1\n         2     999.0\n     1.8   400.0    20.0     0.0\n")
        r = self.zeplo("run", "--record", "r.txt", "--soil", "bad.dat", "--wrt", "input", "--out", "out2")
        self.assertEqual(r.returncode, 1)
        self.assertIn("bad.dat", r.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "out2", "S_amp1")))

    def test_unreadable_record(self):
        self.put("secret.AT2", AT2_HEAD + "NPTS=  3, DT= .0100 SEC\n .1E-2 .2E-2 .3E-2\n")
        os.chmod(os.path.join(self.dir, "secret.AT2"), 0)
        os.chmod(self.dir, 0o777)
        out = os.path.join(self.dir, "out")
        os.makedirs(out)
        os.chmod(out, 0o777)
        # Root reads any file: the run drops to an unprivileged user first.
        r = run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", ZEPLO, "run", "--record",
                 "secret.AT2", "--soil", "tri.dat", "--wrt", "input", "--out", "out"], self.dir)
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertIn("secret.AT2", r.stderr)
        self.assertIn("Permission denied", r.stderr)
        self.assertEqual(os.listdir(out), [])

    def test_output_name_taken_by_a_folder(self):
        self.put("r.txt", "0 1\n0.01 2\n0.02 3\n")
        os.makedirs(os.path.join(self.dir, "out", "amp_dat"))
        with open(os.path.join(self.dir, "out", "S_amp1"), "w") as h:
            h.write("older\n")
        r = self.zeplo("run", "--record", "r.txt", "--soil", "tri.dat", "--wrt", "input", "--out", "out")
        self.assertEqual(r.returncode, 1)
        self.assertIn("amp_dat", r.stderr)
        self.assertEqual(sorted(os.listdir(os.path.join(self.dir, "out"))), ["S_amp1", "amp_dat"])
        self.assertEqual(read(os.path.join(self.dir, "out", "S_amp1"), "r"), "older\n")

    def test_help_and_version(self):
        for args in (["--help"], ["run", "--help"], ["convert", "--help"]):
            r = self.zeplo(*args)
            self.assertEqual(r.returncode, 0)
            self.assertIn("Usage", r.stdout)
        self.assertRegex(self.zeplo("--version").stdout, r"^zeplo \d+\.\d+\.\d+")
        r = self.zeplo("run", "--record", "x")
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("--soil", r.stderr)


if __name__ == "__main__":
    ZEPLO, ZEPLO1, DATA = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=1)
