#!/bin/bash
# The figures of the program on both engines in one sitting: each benchmark
# below runs on Qt WebEngine, then at once on the system's Chromium
# (LUMEN_TEST_ENGINE=chromium), so both see the machine as loaded as it is;
# then the figures each printed ("figure: NAME = VALUE UNIT") are set side by
# side. A benchmark that failed on an engine leaves its figures empty there;
# its output stays in the log folder named at the end.
#
# Start-up to the first page answered (bench_startup), the bridge's round trip
# (bench_bridge), memory of the first and of each further window
# (bench_enginememory), idle CPU with three windows (bench_idle), a 2D canvas
# and a WebGL page's frame rate (bench_framerate).
#
# Run under X from the source tree, with the benchmarks and the program built:
#   xvfb-run -n N -s "-screen 0 1920x1080x24 -dpi 96" bench/both-engines.sh BUILD [quick]
# "quick" runs each benchmark briefly, to see that all of them run.
set -u

build=$(realpath "${1:?usage: both-engines.sh BUILD [quick]}")
export LUMEN_BIN_DIR="$build/bin"
logs=$(mktemp -d /tmp/lumen-bench.XXXXXX)

if [ "${2:-}" = quick ]; then
    benchmarks=("bench_startup 2" "bench_bridge 300" "bench_enginememory 3" "bench_idle 5"
        "bench_framerate 1 3")
else
    benchmarks=("bench_startup 5" "bench_bridge 2000" "bench_enginememory 6" "bench_idle 30"
        "bench_framerate 3 5")
fi
engines=(qtwebengine chromium)

for benchmark in "${benchmarks[@]}"; do
    read -r name arguments <<<"$benchmark"
    for engine in "${engines[@]}"; do
        echo "== $name on $engine" >&2
        selected=""
        [ "$engine" = chromium ] && selected=chromium
        # The arguments are numbers, split on purpose.
        # shellcheck disable=SC2086
        LUMEN_TEST_ENGINE=$selected "$build/benchbin/$name/$name" $arguments \
            >"$logs/$name.$engine.out" 2>"$logs/$name.$engine.err" \
            || echo "$name failed on $engine (exit $?): see $logs/$name.$engine.err" >&2
    done
done

echo "Figures, Qt WebEngine beside the system's Chromium:"
printf '%-44s %20s %20s\n' "" "Qt WebEngine" "system's Chromium"
for benchmark in "${benchmarks[@]}"; do
    read -r name _ <<<"$benchmark"
    for engine in "${engines[@]}"; do
        sed -n "s/^figure: \(.*\) = \(.*\)$/$engine\t\1\t\2/p" "$logs/$name.$engine.out"
    done
done | awk -F '\t' '
    !($2 in seen) { seen[$2] = 1; order[++count] = $2 }
    { value[$1, $2] = $3 }
    END {
        for (i = 1; i <= count; ++i)
            printf "%-44s %20s %20s\n", order[i], value["qtwebengine", order[i]],
                value["chromium", order[i]]
    }'
echo "Each benchmark's own output: $logs"
