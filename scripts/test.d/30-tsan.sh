# ThreadSanitizer: several threads drive instances of the one factory at once.
source "$(dirname "$0")/../lib/common.sh"
run_preset tsan
