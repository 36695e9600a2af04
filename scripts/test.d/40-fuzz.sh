# The libFuzzer targets, each for a bounded time (FUZZ_SECONDS, default 60),
# starting from the committed seeds. Any finding fails the stage and leaves
# its input in build/fuzz/artifacts.
source "$(dirname "$0")/../lib/common.sh"
ensure_packages clang libclang-rt-14-dev
seconds=${FUZZ_SECONDS:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$JOBS"
mkdir -p build/fuzz/artifacts
for target in process factory; do
    work=build/fuzz/corpus/$target
    mkdir -p "$work"
    echo "== fuzz_$target for ${seconds} s"
    build/fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=10 \
        -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 \
        "$work" "fuzz/corpus/$target" 2>build/fuzz/fuzz_$target.log ||
        { tail -n 60 build/fuzz/fuzz_$target.log; exit 1; }
    grep -E '^stat::number_of_executed_units|^Done' build/fuzz/fuzz_$target.log || true
done
