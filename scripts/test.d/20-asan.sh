# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
source "$(dirname "$0")/../lib/common.sh"
run_preset asan
