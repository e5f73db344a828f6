#!/usr/bin/env bash
# Installs the build into a temporary prefix, builds the outside program of tests/package
# against the installed CMake package and runs it on the bundled small image: two
# classifications with one seed must give equal fronts, and a fresh process the same again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
cmake -S tests/package -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$work/prefix" > "$work/configure.log"
cmake --build "$work/consumer" > "$work/build.log"
"$work/consumer/consumer" data/small.img > "$work/first.txt"
"$work/consumer/consumer" data/small.img > "$work/second.txt"
cmp "$work/first.txt" "$work/second.txt"
tail -1 "$work/first.txt" | grep -qx same
echo "package: the installed core builds an outside program; $(($(wc -l < "$work/first.txt") - 1)) front members, equal in one process and across two"
