#!/usr/bin/env bash
# Builds lucentdebug the way PHP users build an extension, from a copy of
# ext/LucentDebug beside protocol/ (whose header-only UTF-8 helpers it uses): phpize && ./configure && make && make install (into a
# temporary root), then loads the installed module with php -n and runs a
# console (mode 4) script under it. Usage: scripts/phpize-build.sh
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/ext"
cp -r ext/LucentDebug "$work/tree/ext/LucentDebug"
cp -r protocol "$work/tree/protocol"
cd "$work/tree/ext/LucentDebug"
rm -rf tests  # not part of the extension's sources
phpize >/dev/null 2>&1
./configure --enable-lucentdebug >/dev/null
make -j "$(nproc)" >/dev/null
make install INSTALL_ROOT="$work/root" >/dev/null
module=$(find "$work/root" -name lucentdebug.so | head -n 1)
if [ -z "$module" ]; then
  echo "phpize build: make install put no lucentdebug.so under $work/root" >&2
  exit 1
fi

if ! php -n -d "extension=$module" -m | grep -qx "Lucent Debugger"; then
  echo "phpize build: php -m does not list the module" >&2
  exit 1
fi
printf '<?php\n$a = 1;\necho "a=$a\\n";\n' >"$work/quick.php"
output=$(printf 'go\n' | php -n -d "extension=$module" -d lucentdebug.enabled=4 "$work/quick.php")
if [ "$output" != "2 (1) : a=1" ]; then
  echo "phpize build: mode 4 printed '$output'" >&2
  exit 1
fi
echo "phpize build: $module loads and its console runs"
