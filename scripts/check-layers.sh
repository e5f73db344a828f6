#!/usr/bin/env bash
# Checks that the folders depend one way: no file includes a header from a folder to its right
# in the order below (cli and shell are front ends side by side and use none of each other;
# mpi is the front end over cli for runs split among MPI processes and uses no shell).
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(platform image clustering evolution localsearch report driver cli shell mpi)
rank() {
  local i
  for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}

status=0
for folder in "${layers[@]}"; do
  own=$(rank "$folder")
  while IFS=: read -r file used; do
    used_rank=$(rank "$used")
    if [ "$used_rank" -gt "$own" ] || { [ "$folder" = cli ] && [ "$used" = shell ]; } ||
       { [ "$folder" = mpi ] && [ "$used" = shell ]; }; then
      echo "$file includes a header of $used/, a layer above $folder/"
      status=1
    fi
  done < <(grep -HoE '^#include "[a-z]+/' "$folder"/*.h "$folder"/*.cpp 2>/dev/null |
           sed -E 's/#include "([a-z]+)\//\1/')
done
[ "$status" -eq 0 ] && echo "layers: every include points down"
exit "$status"
