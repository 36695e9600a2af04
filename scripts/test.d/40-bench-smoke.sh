# The benchmarks, run once briefly on the optimised build: each checks that it
# measured what it claims and the report derives every figure. Times are not judged.
source "$(dirname "$0")/../lib/common.sh"
cmake --preset default >/dev/null
cmake --build --preset default -j"$JOBS" --target quorvale_bench bench_report
out=build/default/bench
"$out/quorvale_bench" --benchmark_min_time=0.001 \
    --benchmark_out="$out/smoke.json" --benchmark_out_format=json >/dev/null
"$out/bench_report" "$out/smoke.json" "$out/smoke-figures.json" >/dev/null
echo "benchmark smoke run: every benchmark ran and every figure was derived"
