#!/usr/bin/env bash
# Builds the stylewarden and lucentdebug-dap fuzz targets with clang, libFuzzer, ASan and UBSan in build-fuzz/
# and runs each for a bounded time. Usage: scripts/fuzz.sh [seconds per target, default 60]
# Exits non-zero when a target finds a crash, hang, leak or sanitizer report; the input
# that caused it is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build_dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRIGHTWATER_FUZZ=ON -DBRIGHTWATER_SANITIZE=ON >/dev/null
cmake --build "$build_dir" -j 2 --target stylewarden_check_fuzzer stylewarden_states_fuzzer \
  lucentdebug_dap_fuzzer

fuzz_dir="$build_dir/xslt/StylewardenChecker/fuzz"
mkdir -p "$build_dir/findings"
status=0
run_target() {
  local target=$1 dictionary=$2 fuzz_dir=${FUZZ_DIR:-$fuzz_dir}
  shift 2
  local corpus="$build_dir/corpus/$target"
  mkdir -p "$corpus"
  # Seeds: the shipped files, copied so that the corpus folder is the fuzzer's own.
  for seed in "$@"; do
    [ -f "$seed" ] && cp "$seed" "$corpus/"
  done
  echo "== $target: $seconds s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$fuzz_dir/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=65536 -dict="$dictionary" -print_final_stats=1 \
      -artifact_prefix="$build_dir/findings/$target-" "$corpus"; then
    echo "== $target: FOUND A PROBLEM, see $build_dir/findings/" >&2
    status=1
  fi
}

sources=xslt/StylewardenChecker/fuzz
tests=xslt/StylewardenChecker/tests/program
run_target stylewarden_check_fuzzer "$sources/xslt.dict" examples/*.xsl "$tests"/*.xsl
run_target stylewarden_states_fuzzer "$sources/states.dict" data/*.xml "$tests"/*.xml
FUZZ_DIR="$build_dir/ext/LucentDebug/dap/fuzz" run_target lucentdebug_dap_fuzzer \
  ext/LucentDebug/dap/fuzz/dap.dict ext/LucentDebug/dap/fuzz/seeds/*
exit $status
