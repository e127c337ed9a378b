#!/bin/sh
# check.sh [--write] ZEPLO1 CASES_DIR MANIFEST
# Runs zeplo1 on every case folder and compares exit status, standard output,
# standard error and the three output files with the manifest (or, with
# --write, writes the manifest). The work is done by check.py next to this
# script; see there for the manifest's fields.
export LC_ALL=C
exec python3 "$(dirname "$0")/check.py" "$@"
