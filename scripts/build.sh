#!/usr/bin/env bash
# Configures and builds the project. Usage: scripts/build.sh [--sanitize]
# The plain build goes to build/, the sanitizer build to build-asan/.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIGHTWATER_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DBRIGHTWATER_SANITIZE=ON -DBRIGHTWATER_WERROR=ON)
fi

cmake -S . -B "$build_dir" "${cmake_args[@]}" >&2
cmake --build "$build_dir" -j "$(nproc)" >&2
echo "$build_dir"
