#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: first the plain build,
# then the AddressSanitizer + UndefinedBehaviorSanitizer build. With the plain
# build it also builds lucentdebug the phpize way (scripts/phpize-build.sh).
# Usage: scripts/test.sh [--plain | --sanitize]   (run only one of the two)
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
  "") builds=(--plain --sanitize) ;;
  --plain | --sanitize) builds=("$1") ;;
  *) echo "usage: scripts/test.sh [--plain | --sanitize]" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh
for build in "${builds[@]}"; do
  if [ "$build" = --sanitize ]; then
    build_dir=$(bash scripts/build.sh --sanitize | tail -n 1)
  else
    build_dir=$(bash scripts/build.sh | tail -n 1)
  fi
  echo "== tests in $build_dir"
  (cd "$build_dir" && ctest --output-on-failure -j "$(nproc)" --timeout 600)
  if [ "$build" = --plain ]; then
    echo "== phpize build of lucentdebug"
    bash scripts/phpize-build.sh
  fi
done
