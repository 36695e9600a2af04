# Quorvale.dll for x64 and x86, cross-built with mingw-w64. The x64 test
# programs run under wine; the x86 DLL, which this machine cannot run, gets the
# static checks of its export, import and resource tables. mphost.exe is built
# for x64 and run under wine against the DLL.
source "$(dirname "$0")/../lib/common.sh"
ensure_packages g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 \
    wine64 googletest python3 python3-pefile libcli11-dev nlohmann-json3-dev
run_preset windows-x64
run_preset windows-x86
