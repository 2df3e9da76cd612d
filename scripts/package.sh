#!/bin/bash
# Sets up, cross-builds and packs build/win/korvane-<version>.zip (KORVANE.EXE, KORVANE.HLP,
# README.TXT in Chinese, LICENSE.TXT) for copying to a Windows 95/98/ME machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build-win.sh >/dev/null
cmake --build build/win --target package_zip
ls -l build/win/korvane-*.zip
