#!/bin/sh
# Builds everything and runs every test: the normal build, the same suite built
# with AddressSanitizer and UndefinedBehaviorSanitizer, the threaded kernels of
# the computation library under ThreadSanitizer, and a bounded run of each fuzz
# target. Expects the packages named in the README's test command.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

echo "== normal build"
cmake -S "$root" -B "$root/build-tests" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build-tests" -j"$jobs"
ctest --test-dir "$root/build-tests" --output-on-failure -j"$jobs"

echo "== sanitizer build (address, undefined)"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPLO_SANITIZE=ON -DZEPLO_BENCH=OFF
cmake --build "$root/build-asan" -j"$jobs"
ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

echo "== thread sanitizer build (the computation library's threaded kernels)"
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPLO_SANITIZE_THREAD=ON -DZEPLO_BENCH=OFF
cmake --build "$root/build-tsan" -j"$jobs" --target site_test driver_test
TSAN_OPTIONS=halt_on_error=1 "$root/build-tsan/tests/site/site_test" \
    --gtest_filter='ParallelFor.*:Sbshml.ThreadCountDoesNotChangeABit:AmplificationThreads.*:ConcurrentRuns.*'
TSAN_OPTIONS=halt_on_error=1 "$root/build-tsan/tests/driver/driver_test" --gtest_filter='KeptWorkers*'

if [ -x "$root/tests/fuzz/run-fuzz.sh" ]; then
    echo "== fuzz targets, bounded run"
    "$root/tests/fuzz/run-fuzz.sh" 15
fi
