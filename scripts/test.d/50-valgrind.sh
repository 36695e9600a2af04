# The library opened, used and closed again, repeatedly, under valgrind's
# memcheck: no invalid access, nothing definitely or indirectly lost.
source "$(dirname "$0")/../lib/common.sh"
ensure_packages valgrind
cmake --preset default >/dev/null
cmake --build --preset default -j"$JOBS" --target load_cycle_tests
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --error-exitcode=1 \
    build/default/tests/load_cycle_tests
