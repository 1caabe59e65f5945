#!/usr/bin/env bash
# Installs what the tests and the package check need beyond the build tools, from Debian's
# packages; the converter itself needs none of them. Idempotent: a package already there is
# not asked for again, so a machine that has them all runs nothing.
#
#   nlohmann-json3-dev  a JSON parser that reads the JSON form back in the tests
#   python3-jsonschema  validates the JSON form against its schema (a ctest)
#   lintian             Debian's package checker (the package test)
set -euo pipefail
packages=(nlohmann-json3-dev python3-jsonschema lintian)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null ||
    { "${sudo[@]}" apt-get update >/dev/null && "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null; }
