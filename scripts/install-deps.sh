#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and benchmarks with.
# Idempotent: refreshes the package lists once and installs only what is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  googletest libgtest-dev libgmock-dev
  libxerces-c-dev
  libxmlrpc-core-c3-dev
  libnspr4-dev
  nlohmann-json3-dev
  php8.2-dev php8.2-cli php8.2-opcache
  python3
  libxml2-utils xsltproc docbook-xsl
  clang libclang-rt-14-dev
  # Web servers and the real app the web-request tests and benchmarks run.
  php8.2-fpm nginx-light apache2 libapache2-mod-php8.2 apache2-utils php-twig
  # Real editors' protocol clients for the editor tests.
  emacs-nox elpa-dap-mode elpa-eglot neovim
  valgrind
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$package")
  fi
done

# The editor-side test clients run on Node.js; a machine that already has a
# node with npm keeps it.
if ! command -v npm >/dev/null 2>&1; then
  missing+=(nodejs npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
  else
    sudo=
  fi
  export DEBIAN_FRONTEND=noninteractive
  # Package scripts must not start the web servers they install: tests start
  # their own on free loopback ports.
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod 755 "$policy"
    trap '$sudo rm -f "$policy"' EXIT
  fi
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
fi

# Test clients from npm, at the versions their lock files pin; a folder whose
# node_modules is newer than its lock file is already installed.
cd "$(dirname "$0")/.."
while IFS= read -r lock; do
  folder=$(dirname "$lock")
  if [ ! -d "$folder/node_modules" ] || [ "$lock" -nt "$folder/node_modules" ]; then
    (cd "$folder" && npm ci --no-audit --no-fund --loglevel=error </dev/null >&2)
  fi
done < <(git ls-files '*package-lock.json' 2>/dev/null || find . -name package-lock.json -not -path '*/node_modules/*')
