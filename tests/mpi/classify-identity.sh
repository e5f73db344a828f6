#!/usr/bin/env bash
# `tavorin-mpi classify` on R = 1, 2 and 3 processes gives every file of `tavorin classify` byte
# for byte (the run's timings aside), on a byte image, on a copy whose left-out lines leave one
# process without a searched pixel, on a GeoTIFF and on a pixel-interleaved file.
# Usage: classify-identity.sh TAVORIN TAVORIN_MPI DATA_DIR
set -euo pipefail
tavorin=$1 tavorin_mpi=$2 data=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/mpirun.sh"

cp "$data/small.img" "$data/small.hdr" "$work/"
cd "$work"
# Zeros in every band of lines 30 to 69: process 1 of 3 holds lines 34 to 66.
cp small.img holes.img
sed 's/^description = .*/description = {small.img with nodata lines}/' small.hdr > holes.hdr
for band in 0 1 2 3 4 5; do
  dd if=/dev/zero of=holes.img bs=1 seek=$((band * 10000 + 3000)) count=4000 conv=notrunc \
    status=none
done
gdal_translate -q -of GTiff small.img small.tif
gdal_translate -q -of ENVI -co INTERLEAVE=BIP small.img bip.img

short=(--pop-size 8 --generations 3 --seed 7 --quiet)
check() {  # name, extra options...
  local name=$1
  shift
  mkdir -p "single-$name"
  (cd "single-$name" && "$tavorin" classify --output map "${short[@]}" "$@")
  for ranks in 1 2 3; do
    local out="mpi-$name-$ranks"
    mkdir -p "$out"
    (cd "$out" && run_mpi "$ranks" "$tavorin_mpi" classify --output map "${short[@]}" "$@")
    for file in "single-$name"/*; do
      local base
      base=$(basename "$file")
      case "$base" in
        ComputingTime.txt) continue ;;
        *_summary.json)
          cmp <(grep -v Seconds "$file") <(grep -v Seconds "$out/$base") ||
            { echo "$name, R=$ranks: $base differs"; exit 1; } ;;
        *) cmp "$file" "$out/$base" || { echo "$name, R=$ranks: $base differs"; exit 1; } ;;
      esac
    done
    [ "$(ls "single-$name" | wc -l)" -eq "$(ls "$out" | wc -l)" ] ||
      { echo "$name, R=$ranks: other files"; ls "single-$name" "$out"; exit 1; }
  done
  echo "$name: identical for R = 1, 2, 3"
}
check bsq --input ../small.img
check holes --input ../holes.img --nodata 0
check gtiff --input ../small.tif --format gtiff
check bip --input ../bip.img --no-pictures
