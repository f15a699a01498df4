#!/usr/bin/env bash
# Installs what is missing, builds, and starts one program of the suite:
#   ./run.sh [keyboard|converter|clipboard]   (keyboard when no name is given)
set -euo pipefail
cd "$(dirname "$0")"

which=${1:-keyboard}
case "$which" in
    keyboard) exe=Keyboard ;;
    converter) exe=ZervaCNV ;;
    clipboard) exe=ZervaCBC ;;
    *) echo "usage: ./run.sh [keyboard|converter|clipboard]" >&2; exit 2 ;;
esac

./scripts/install-deps
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ ! -x "build/bin/$exe" ]; then
    echo "The program $exe ($which) is not part of this build yet."
    exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display. Run it on a desktop, or under a virtual one: xvfb-run -a ./run.sh $which"
    exit 1
fi
exec "build/bin/$exe"
