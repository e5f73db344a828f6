#!/usr/bin/env bash
# A process of `tavorin-mpi classify` killed in the middle of the search ends the whole job
# with a failure, and the results of an earlier run in the folder stay exactly as they were,
# with nothing beside them (the three run logs, which a search writes as it goes, aside).
# Usage: killed-process.sh TAVORIN TAVORIN_MPI DATA_DIR
set -euo pipefail
tavorin=$1 tavorin_mpi=$2 data=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/mpirun.sh"
mkdir "$work/results"
cd "$work/results"
results() { ls -A | grep -vx 'ComputingTime.txt\|ParamterOfLS.txt\|nNonDominated.txt' | xargs md5sum; }

"$tavorin" classify --input "$data/small.img" --output map --pop-size 8 --generations 2 \
  --seed 3 --quiet
before=$(results)

run_mpi 2 "$tavorin_mpi" classify --input "$data/landsat_scene01.img" --output map --seed 4 \
  --generations 400 > ../run.log 2>&1 &
job=$!
victim=
for _ in $(seq 100); do
  sleep 0.1
  for pid in $(pgrep -f "tavorin-mpi classify" || true); do
    if tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx OMPI_COMM_WORLD_RANK=1; then
      victim=$pid
    fi
  done
  [ -n "$victim" ] && grep -q "QUELDRA_GlobalandLocal" ../run.log 2>/dev/null && break
done
[ -n "$victim" ] || { echo "process 1 never started"; cat ../run.log; exit 1; }
sleep 1
kill -9 "$victim"
status=0
wait "$job" || status=$?
log=$(cat ../run.log)

[ "$status" -ne 0 ] || { echo "the job reported success"; echo "$log"; exit 1; }
after=$(results)
[ "$before" = "$after" ] || { echo "the folder changed:"; diff <(echo "$before") <(echo "$after"); exit 1; }
echo "killed process: status $status, earlier results intact"
echo "$log" | grep -v "^$" | tail -n 20
