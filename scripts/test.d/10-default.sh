# The optimised build and its whole test suite.
source "$(dirname "$0")/../lib/common.sh"
run_preset default
