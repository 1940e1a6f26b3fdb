#!/usr/bin/env bash
# Runs a Windows program under the project's own Wine prefix, in the Chinese locale.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${BRINDLOW_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.1,localhost
exec wine "$@"
