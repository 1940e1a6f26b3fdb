#!/usr/bin/env bash
# Builds Brindlow and starts it under Wine on your display, with the bundled sample site served
# on 127.0.0.1 (see tools/sample-site/urls.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# A locale the install step has just generated is invisible to this shell (glibc opens its locale
# archive once a process): go on in a fresh one.
[ -n "${BRINDLOW_FRESH_SHELL:-}" ] || BRINDLOW_FRESH_SHELL=1 exec bash tools/start.sh "$@"
source tools/session.sh
# The 32-bit build where this machine runs it, else the 64-bit one (BRINDLOW_ARCH picks).
arch=$(wine_default_arch)
cmake --preset "$(brindlow_preset "$arch")" >/dev/null
cmake --build --preset "$(brindlow_preset "$arch")"
[ -n "${DISPLAY:-}" ] || start_xvfb
start_wine "$arch"
if [ -f tests/server/pageserver.py ]; then
  python3 tests/server/pageserver.py --sample tools/sample-site --http-port 8765 \
    --port-file "$(brindlow_build_dir "$arch")/sample-server.json" >/dev/null 2>&1 &
  session_pids+=($!)
  echo "Sample site: http://127.0.0.1:8765/sample/ — import tools/sample-site/urls.txt"
fi
wine "$(brindlow_build_dir "$arch")/bin/brindlow.exe"
