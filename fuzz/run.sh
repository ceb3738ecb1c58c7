#!/bin/sh
# Builds the fuzz targets with clang and runs each one for a while, two at a
# time, starting from its committed seeds (fuzz/corpus/<target>/; what a run
# finds on top of them stays in build-fuzz/corpus/). Any finding fails the run,
# and its input is printed in base64 so that the log alone reproduces it:
#   base64 -d > crash && build-fuzz/fuzz/fuzz_<target> crash
#   fuzz/run.sh [seconds per target]      (default 60)
#   FUZZ_TARGETS="tga pcx" fuzz/run.sh 10
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz
targets=${FUZZ_TARGETS:-"tga pcx lbm font lws 3ds registry lumenfall_args example_args"}

CC=clang CXX=clang++ cmake -S . -B $build -DMARROW_FUZZ=ON -DMARROW_TESTS=OFF -DMARROW_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build $build -j2 --target fuzzers >/dev/null

# One target: its log in build-fuzz/findings/<target>/log.txt, status 1 on a
# finding.
run_one() {
    target=$1
    findings=$build/findings/$target
    corpus=$build/corpus/$target
    rm -rf "$findings" && mkdir -p "$findings" "$corpus"
    # Refused inputs leave blocks and streams behind by design; the harness
    # gives them back and checks the kernel heap itself, so LeakSanitizer's
    # check at exit is left out.
    if $build/fuzz/fuzz_$target -max_total_time="$seconds" -detect_leaks=0 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "fuzz/corpus/$target" \
        >"$findings/log.txt" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$findings/log.txt")
        coverage=$(grep -o 'cov: [0-9]*' "$findings/log.txt" | tail -1)
        echo "fuzz_$target: $runs inputs in ${seconds}s, $coverage, no finding"
        return 0
    fi
    echo "fuzz_$target: FINDING"
    tail -40 "$findings/log.txt"
    for input in "$findings"/crash-* "$findings"/leak-* "$findings"/timeout-* "$findings"/oom-* \
        "$findings"/slow-unit-*; do
        [ -f "$input" ] || continue
        echo "-- $(basename "$input") ($(wc -c <"$input") bytes), base64:"
        base64 "$input"
    done
    return 1
}

status=0
set -- $targets
while [ $# -gt 0 ]; do
    # Two at a time: one per core.
    first=$1
    shift
    if [ $# -gt 0 ]; then
        second=$1
        shift
        run_one "$second" >"$build/findings-$second.out" 2>&1 &
        partner=$!
    else
        partner=
    fi
    run_one "$first" || status=1
    if [ -n "$partner" ]; then
        wait "$partner" || status=1
        cat "$build/findings-$second.out"
    fi
done
exit $status
