#!/bin/sh
# Builds the libFuzzer targets with clang and runs each one for a bounded time
# on a temporary copy of its seed corpus (the repository is never written).
#
#   tests/fuzz/run-fuzz.sh [seconds-per-target]
#
# The default is 15 seconds per target; 0 only runs the seed inputs.
# ZEPLO_FUZZ_BUILD sets the build folder (default: build-fuzz under the
# repository root), ZEPLO_FUZZ_TARGETS the targets to run (default: all).
#
# Exits non-zero when any target reports a crash, a failed check, a sanitizer
# error, a leak or a timeout; the work folder with the logs and the inputs
# that failed is then kept, and its name printed.
set -eu

secs=${1:-15}
case $secs in
    '' | *[!0-9]*) echo "usage: $0 [seconds-per-target]" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${ZEPLO_FUZZ_BUILD:-$root/build-fuzz}
targets=${ZEPLO_FUZZ_TARGETS:-fuzz_free_format fuzz_fixed_fields fuzz_field_list fuzz_whole_run}

echo "== configuring and building the fuzz targets in $build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPLO_FUZZ=ON -DZEPLO_TESTS=OFF -DZEPLO_BENCH=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets

work=$(mktemp -d "${TMPDIR:-/tmp}/zeplo-fuzz-run.XXXXXX")
# The targets' own scratch files go to memory when /dev/shm can take them.
if scratch=$(mktemp -d /dev/shm/zeplo-fuzz-scratch.XXXXXX 2>/dev/null); then :; else
    scratch=$work/scratch
    mkdir "$scratch"
fi
failed=0
cleanup() {
    rm -rf "$scratch"
    if [ "$failed" -eq 0 ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

max_len_of() {
    case $1 in
        fuzz_field_list) echo 256 ;;
        *) echo 4096 ;;
    esac
}

if [ "$secs" -eq 0 ]; then
    echo "== seed inputs only"
else
    echo "== $secs s per target"
fi
for t in $targets; do
    bin=$build/tests/fuzz/$t
    dir=$work/$t
    mkdir -p "$dir/corpus" "$dir/artifacts"
    cp "$root/tests/fuzz/corpus/$t/"* "$dir/corpus/"
    set -- -timeout=10 -max_len="$(max_len_of "$t")" -print_final_stats=1 -artifact_prefix="$dir/artifacts/"
    if [ -f "$root/tests/fuzz/$t.dict" ]; then set -- "$@" -dict="$root/tests/fuzz/$t.dict"; fi
    if [ "$t" = fuzz_whole_run ]; then set -- "$@" -close_fd_mask=2; fi
    if [ "$secs" -eq 0 ]; then set -- "$@" -runs=0; else set -- "$@" -max_total_time="$secs"; fi
    start=$(date +%s)
    rc=0
    TMPDIR=$scratch "$bin" "$@" "$dir/corpus" >"$dir/log" 2>&1 || rc=$?
    wall=$(($(date +%s) - start))
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$dir/log" | tail -n 1)
    corp=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$dir/log" | tail -n 1)
    printf '%-18s %s  executions %s in %s s (%s/s)  %s  %s\n' "$t" "$([ $rc -eq 0 ] && echo ok || echo FAILED)" \
        "${execs:-?}" "$wall" "${rate:-?}" "${cov:-cov: ?}" "${corp:-}"
    if [ $rc -ne 0 ]; then
        failed=1
        echo "---- $t exited with $rc; the end of its log:"
        tail -n 60 "$dir/log"
        echo "---- inputs that failed:"
        ls -l "$dir/artifacts/"
    fi
done

if [ "$failed" -ne 0 ]; then
    echo "== FAILED; logs and failing inputs kept in $work"
    exit 1
fi
echo "== all targets ok"
