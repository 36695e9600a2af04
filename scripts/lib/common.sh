# Shared helpers for the project's scripts. Source it; it changes to the
# repository root.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$ROOT"
JOBS=$(nproc 2>/dev/null || echo 2)

# Installs the Debian packages that are not installed yet (needs root).
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "== installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# The packages every build needs.
ensure_build_packages() {
    ensure_packages cmake make g++ git binutils libgtest-dev libgmock-dev libpugixml-dev \
        clang-format libcli11-dev libelf-dev pkg-config nlohmann-json3-dev libbenchmark-dev
}

# Configures, builds and tests one preset.
run_preset() {
    local preset=$1
    echo "== preset $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$JOBS"
    ctest --preset "$preset" -j"$JOBS"
}
