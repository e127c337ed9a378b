#!/usr/bin/env python3
"""engineer_test.py ZEPLO ZEPLO1 DATA_DIR

The choices an engineer makes with `zeplo run`, checked through the built
programs: the input motion (outcrop, incident, within) against the dialog's
answers, a CSV layer table against the equivalent fixed-column file, the
checks of profiles and taper corners, padding against wrap-around, and the
travel-time shift."""
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ZEPLO = ZEPLO1 = DATA = None
FILES = ("S_amp1", "amp_dat", "zeplo_dat")


def run(args, cwd, stdin=None):
    return subprocess.run(args, cwd=cwd, input=stdin, capture_output=True, text=True,
                          env={"LC_ALL": "C", "PATH": "/usr/bin:/bin"})


def read(path):
    with open(path, "rb") as f:
        return f.read()


def wave(path):
    return [float(line[8:20]) for line in open(path)]


class Engineer(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zeplo-eng-")
        for name in ("shafter.txt", "tri.dat", "tri_nd.dat"):
            shutil.copy(os.path.join(DATA, name), self.dir)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def put(self, name, text):
        with open(self.path(name), "w") as f:
            f.write(text)

    def zeplo(self, *args):
        return run([ZEPLO, *args], self.dir)

    def dialog(self, answers):
        r = run([ZEPLO1], self.dir, answers)
        self.assertEqual(r.returncode, 0, r.stderr)

    def same_files(self, folder):
        for f in FILES:
            self.assertEqual(read(self.path(folder, f)), read(self.path(f)), f)

    def test_input_motions_against_the_dialog(self):
        # tri.dat's surface switch is 1: the dialog's answer 1 takes the record
        # as the incident wave. An outcrop record needs the switch at 0, and a
        # named input motion sets it (so S_amp1's column 1 is the same).
        lines = open(self.path("tri.dat")).read().split("\n")
        lines[1] = "         0"
        self.put("tri0.dat", "\n".join(lines))
        peaks = {}
        for motion, soil, answer in (("outcrop", "tri0.dat", 1), ("incident", "tri.dat", 1),
                                     ("within", "tri0.dat", 2)):
            with self.subTest(motion=motion):
                r = self.zeplo("run", "--record", "shafter.txt", "--soil", "tri.dat", "--input-motion", motion,
                               "--out", motion)
                self.assertEqual(r.returncode, 0, r.stderr)
                info = json.loads(read(self.path(motion, "run.json")))
                self.assertEqual(info["choices"]["input_motion"], motion)
                peaks[motion] = info["peaks"]["output"]
                self.dialog("shafter.txt\n%s\n%d\n0\n0\n" % (soil, answer))
                self.same_files(motion)
        # The surface peaks of the shipped case, cm/s2.
        self.assertAlmostEqual(peaks["outcrop"], 186.1, delta=1.0)
        self.assertAlmostEqual(peaks["incident"], 372.3, delta=2.0)
        self.assertAlmostEqual(peaks["within"], 314.9, delta=2.0)
        # Naming none is an error that explains the choices.
        r = self.zeplo("run", "--record", "shafter.txt", "--soil", "tri.dat", "--out", "none")
        self.assertEqual(r.returncode, 1)
        for word in ("outcrop", "incident", "within", "--wrt"):
            self.assertIn(word, r.stderr)
        self.assertFalse(os.path.exists(self.path("none", "S_amp1")))

    def test_layer_table_equals_the_fixed_column_file(self):
        fixed = open(self.path("tri.dat")).read().split("\n")
        rows = ["thickness_m,vs_m_s,density,q"]
        for line in fixed[3:]:
            if not line.strip():
                continue
            dns, vp, qp, vs, qs, thk = (line[k:k + 8].strip() for k in range(0, 48, 8))
            rows.append("%s,%s,%s,%s" % (thk, vs, dns, qs))
        rows[-1] = "," + rows[-1].split(",", 1)[1]  # the half-space has no thickness
        self.put("tri.csv", "\n".join(rows) + "\n")
        for motion in ("outcrop", "within"):
            a = self.zeplo("run", "--record", "shafter.txt", "--soil", "tri.csv", "--input-motion", motion,
                           "--out", "csv-" + motion)
            b = self.zeplo("run", "--record", "shafter.txt", "--soil", "tri.dat", "--input-motion", motion,
                           "--out", "dat-" + motion)
            self.assertEqual((a.returncode, b.returncode), (0, 0), a.stderr + b.stderr)
            for f in FILES:
                self.assertEqual(read(self.path("csv-" + motion, f)), read(self.path("dat-" + motion, f)), f)
        info = json.loads(read(self.path("csv-outcrop", "run.json")))
        self.assertEqual(info["profile"]["form"], "table")
        self.assertEqual(len(info["profile"]["layers"]), 8)
        self.assertAlmostEqual(info["travel_time_s"], 0.3699, places=3)
        shown = self.zeplo("profile", "tri.csv")
        self.assertEqual(shown.returncode, 0, shown.stderr)
        self.assertIn("Vs30", shown.stdout)
        self.assertIn("0.6759 Hz", shown.stdout)

    def test_profile_and_taper_refusals(self):
        self.put("r.txt", "".join("%.2f %.4f\n" % (k * 0.01, math.sin(k / 5.0)) for k in range(200)))
        head = "       0.0\n         1\n         3       0.0\n"
        hs = "     2.1  1290.0    50.0   645.0    50.0     0.0\n"
        cases = [
            ("neg.dat", head + "     1.9   500.0    25.0   250.0    25.0    -2.5\n"
                        "     1.7   262.0    25.0   131.0    25.0     5.5\n" + hs, "neg.dat:4", "thickness"),
            ("angle.dat", "      95.0\n         1\n         2       0.0\n"
                          "     1.9   500.0    25.0   250.0    25.0     2.5\n" + hs, "angle.dat:1", "angle"),
            ("q0.dat", head + "     1.9   500.0    25.0   250.0     0.0     2.5\n"
                       "     1.7   262.0    25.0   131.0    25.0     5.5\n" + hs, "q0.dat:4", "quality factor"),
            ("rho.dat", head + "     1.9   500.0    25.0   250.0    25.0     2.5\n"
                        "     0.0   262.0    25.0   131.0    25.0     5.5\n" + hs, "rho.dat:5", "density"),
            ("cols.csv", "thickness_m,vs_m_s,q\n5,200,20\n,800,50\n", "cols.csv:1", "density"),
            ("last.csv", "thickness_m,vs_m_s,density,q\n5,200,1.8,20\n10,800,2.0,50\n", "last.csv:3", "half-space"),
            ("vs.csv", "thickness_m,vs_m_s,density,damping_pct\n5,-200,1.8,2\n,800,2.0,1\n", "vs.csv:2",
             "S-wave velocity"),
        ]
        for name, text, where, field in cases:
            with self.subTest(profile=name):
                self.put(name, text)
                r = self.zeplo("run", "--record", "r.txt", "--soil", name, "--input-motion", "outcrop",
                               "--out", "o")
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(where + ":", r.stderr)
                self.assertIn(field, r.stderr)
        for taper, why in (("4,3,2,1", "must rise"), ("-1,1,2,3", "must rise"), ("55,60,70,80", "highest frequency")):
            with self.subTest(taper=taper):
                r = self.zeplo("run", "--record", "r.txt", "--soil", "tri.dat", "--input-motion", "outcrop",
                               "--taper", taper, "--out", "o")
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(why, r.stderr)
        self.assertFalse(os.path.exists(self.path("o")))
        r = self.zeplo("run", "--record", "r.txt", "--soil", "tri.dat", "--input-motion", "outcrop",
                       "--taper", "0.1,0.2,20,24", "--out", "o")
        info = json.loads(read(self.path("o", "run.json")))
        self.assertEqual(info["choices"]["taper"]["hz"], [0.1, 0.2, 20, 24])
        self.assertAlmostEqual(info["choices"]["taper"]["rad_s"][3], 24 * 2 * math.pi, places=4)

    def test_padding_keeps_the_response_from_wrapping_round(self):
        # A pulse at 39 s of a 2048-sample record, within motion, damped profile.
        self.put("pulse.txt", "".join("%.2f %.6g\n" % (k * 0.02, math.exp(-((k * 0.02 - 39.0) / 0.05) ** 2))
                                      for k in range(2048)))
        share = {}
        for pad in ("none", "auto"):
            r = self.zeplo("run", "--record", "pulse.txt", "--soil", "tri.dat", "--input-motion", "within",
                           "--pad", pad, "--out", pad)
            self.assertEqual(r.returncode, 0, r.stderr)
            w = wave(self.path(pad, "zeplo_dat"))
            self.assertEqual(len(w), 2048)
            peak = max(abs(x) for x in w)
            share[pad] = max(abs(x) for x in w[:int(38.5 / 0.02)]) / peak
        self.assertGreater(share["none"], 0.1)  # the ringing wraps round to the start
        self.assertLess(share["auto"], 0.01)
        info = json.loads(read(self.path("auto", "run.json")))
        self.assertGreaterEqual(info["nf"], 4096)
        self.assertEqual(info["choices"]["padding"]["mode"], "auto")
        self.assertIsNotNone(info["choices"]["padding"]["column_response_s"])
        # Undamped, the response never dies away: said, not hidden.
        r = self.zeplo("run", "--record", "pulse.txt", "--soil", "tri_nd.dat", "--input-motion", "within",
                       "--pad", "auto", "--out", "nd")
        self.assertEqual(r.returncode, 0)
        self.assertIn("warning", r.stderr)
        # Seconds: at least that many zeros after the record.
        r = self.zeplo("run", "--record", "pulse.txt", "--soil", "tri.dat", "--input-motion", "within",
                       "--pad", "30", "--out", "s")
        self.assertEqual(json.loads(read(self.path("s", "run.json")))["nf"], 4096)

    def test_travel_time_shift(self):
        self.put("pulse.txt", "".join("%.3f %.6g\n" % (k * 0.005, math.exp(-((k * 0.005 - 5.0) / 0.02) ** 2))
                                      for k in range(2048)))
        peak_at = {}
        for keep in (False, True):
            name = "keep" if keep else "advanced"
            r = self.zeplo("run", "--record", "pulse.txt", "--soil", "tri.dat", "--input-motion", "within",
                           "--pad", "auto", "--out", name, *(["--keep-delay"] if keep else []))
            self.assertEqual(r.returncode, 0, r.stderr)
            w = wave(self.path(name, "zeplo_dat"))
            peak_at[keep] = max(range(len(w)), key=lambda k: abs(w[k])) * 0.005
            info = json.loads(read(self.path(name, "run.json")))
            self.assertEqual(info["choices"]["keep_delay"], keep)
        tt = info["travel_time_s"]
        self.assertAlmostEqual(tt, 0.3699, places=3)
        self.assertAlmostEqual(peak_at[True] - peak_at[False], tt, delta=0.02)


if __name__ == "__main__":
    ZEPLO, ZEPLO1, DATA = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=1)
