#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: ASan + UBSan build)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir=$(bash scripts/build.sh "$@" | tail -n 1)
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)" --timeout 600
