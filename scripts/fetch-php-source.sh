#!/usr/bin/env bash
# Fetches Debian's php8.2 source package (the tests php-src ships) for the
# stepping stress and the behaviour check. Nothing of it belongs in the repo.
# Usage: scripts/fetch-php-source.sh [DIR]   (default ${PHP_SRC_DIR:-/tmp/php8.2-src})
# Prints the unpacked source folder (the one holding run-tests.php) on stdout.
#
# The machine's apt configuration is left untouched: the source lists live in a
# temporary sources file with its own lists and cache folders. The version is
# the newest that the main archive (the release and its updates suite) lists;
# PHP_SRC_VERSION picks another. The installed php may be a newer point release
# from the security suite, whose source packages the mirror here does not serve
# (PHP_SRC_SECURITY=1 lists that suite too where it does): the tests of the
# main archive's release then run against a slightly newer binary, which both
# runs of a comparison share.
set -euo pipefail

dest="${1:-${PHP_SRC_DIR:-/tmp/php8.2-src}}"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org}"
codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

existing="$(find "$dest" -maxdepth 2 -name run-tests.php -printf '%h\n' 2> /dev/null | head -n 1 || true)"
if [ -n "$existing" ]; then
  echo "already fetched: $existing" >&2
  echo "$existing"
  exit 0
fi

# apt-get source unpacks with dpkg-source, which dpkg-dev brings.
if ! command -v dpkg-source > /dev/null; then
  apt-get update >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends dpkg-dev >&2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial"
{
  echo "deb-src [signed-by=$keyring] $mirror/debian $codename main"
  echo "deb-src [signed-by=$keyring] $mirror/debian $codename-updates main"
  if [ "${PHP_SRC_SECURITY:-0}" = 1 ]; then
    echo "deb-src [signed-by=$keyring] $mirror/debian-security $codename-security main"
  fi
} > "$work/sources.list"
apt_options=(
  -o "Dir::Etc::SourceList=$work/sources.list"
  -o "Dir::Etc::SourceParts=$work/parts"
  -o "Dir::State::Lists=$work/lists"
  -o "Dir::Cache=$work/cache"
)
apt-get "${apt_options[@]}" update >&2

version="${PHP_SRC_VERSION:-$(apt-cache "${apt_options[@]}" showsrc php8.2 |
  sed -n 's/^Version: //p' | sort -V | tail -n 1)}"
if [ -z "$version" ]; then
  echo "the source lists offer no php8.2" >&2
  exit 1
fi
installed="$(dpkg-query -W -f '${Version}' php8.2-cli 2> /dev/null || echo none)"
echo "fetching php8.2 $version (installed php8.2-cli: $installed)" >&2

mkdir -p "$dest"
(cd "$dest" && apt-get "${apt_options[@]}" source "php8.2=$version" >&2)
found="$(find "$dest" -maxdepth 2 -name run-tests.php -printf '%h\n' | head -n 1)"
if [ -z "$found" ]; then
  echo "no run-tests.php under $dest after unpacking" >&2
  exit 1
fi
echo "$found"
