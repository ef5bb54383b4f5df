#!/bin/sh
# Creates the build's private Wine prefix once and waits until its server
# has settled, so that the Wine tests after it start from a ready prefix.
# Usage: wine-init.sh PREFIX
set -e
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init
fi
wineserver -w
