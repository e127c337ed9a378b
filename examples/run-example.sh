#!/bin/sh
# Runs zeplo1 on a shipped example in a scratch folder outside the repository,
# then (when it is built) the zeplo command on a PEER AT2 record:
#   examples/run-example.sh [answers-file] [build-dir]
# The default is the El Centro record over the Treasure Island profile, with the
# amplification with respect to the bedrock wave and no shaping.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
answers=${1:-$here/answers/elcentro-tri-bedrock.txt}
build=${2:-$here/../build}
program=$build/src/driver/zeplo1
[ -x "$program" ] || { echo "run-example: $program is missing; build first" >&2; exit 1; }
answers=$(cd "$(dirname "$answers")" && pwd)/$(basename "$answers")

scratch=$(mktemp -d /tmp/zeplo-example-XXXXXX)
cp "$here"/data/*.txt "$here"/data/*.dat "$here"/data/*.AT2 "$scratch"/
cd "$scratch"
"$program" < "$answers"
echo
echo "run-example: answers from $answers"
echo "run-example: the outputs S_amp1, amp_dat and zeplo_dat are in $scratch"

zeplo=$build/src/zeplo/zeplo
if [ -x "$zeplo" ]; then
    # The Kobe record (PEER AT2, in g) over the Treasure Island profile, in
    # cm/s2, taken as a rock-outcrop motion, band-passed 0.1-20 Hz.
    "$zeplo" run --record NIS090.AT2 --soil tri.dat --units cm/s2 --input-motion outcrop \
        --taper 0.05,0.1,20,25 --out kobe-tri
    echo "run-example: zeplo run on NIS090.AT2 wrote S_amp1, amp_dat, zeplo_dat and run.json into $scratch/kobe-tri"
fi
