#!/bin/sh
# Runs zeplo1 on a shipped example in a scratch folder outside the repository:
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
cp "$here"/data/*.txt "$here"/data/*.dat "$scratch"/
cd "$scratch"
"$program" < "$answers"
echo
echo "run-example: answers from $answers"
echo "run-example: the outputs S_amp1, amp_dat and zeplo_dat are in $scratch"
