#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix for its architecture (read from the
# program's PE header; BRINDLOW_ARCH or the machine's default for anything else), in the Chinese
# locale.
source "$(dirname "$0")/../tools/wine-env.sh"
arch=$(wine_pe_arch "${1:-}")
wine_use "${arch:-$(wine_default_arch)}" || exit 1
exec "$WINELOADER" "$@"
