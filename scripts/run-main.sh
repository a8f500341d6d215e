#!/usr/bin/env bash
# Installs what is missing, builds, and checks the shipped sample stylesheets
# against the shipped XSLT 1.0 state file.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir=$(bash scripts/build.sh | tail -n 1)
for stylesheet in examples/*.xsl; do
  echo "== $stylesheet"
  "$build_dir/xslt/StylewardenChecker/stylewarden" data/xslt10-states.xml "$stylesheet"
done
