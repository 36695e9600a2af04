# The conformance validator on the shipped library, with its report in the log.
source "$(dirname "$0")/../lib/common.sh"
cmake --preset default >/dev/null
cmake --build --preset default -j"$JOBS" --target mphost Quorvale
build/default/host/mphost validate build/default/Quorvale.so
