#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lists a digest of every output the engine and the batch renderer make for a
# fixed set of views, movies and morphs (see bench/output_digest.cpp).
#   bench/output_digest.sh BUILD_BIN_DIR > listing
# Run before and after a change that must keep every output; diff the listings.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/px_output_digest"
"$bin/px_output_digest" "$work"
render() { "$bin/pelmorix-render" --quiet --threads 2 "$@"; }
for s in a b c d; do
  render "$work/$s.frs" --size 96x72 -o "$work/$s.bmp" --values "$work/$s.val"
  render "$work/$s.frs" --size 96x72 --fast -o "$work/$s-fast.bmp"
  render "$work/$s.frs" --size 96x72 --antialias -o "$work/$s-aa.bmp"
  render "$work/$s.frs" --size 96x72 -o "$work/$s.png"
done
render --formula 0 --window -0.743643887037158704752191506116274,0.131825904205311970493132056386239,3e-30 \
  --size 96x72 -o "$work/window.bmp"
render "$work/a.fri" --size 96x72 -o "$work/ifs.bmp"
render "$work/a.fr3" --size 96x72 -o "$work/attractor.bmp"
render --zoom-movie "$work/a.frs" "$work/b.frs" "$work/c.frs" --frames 4 --smooth regular --size 96x72 \
  --codec ffv1 -o "$work/zoom.avi"
render --zoom-movie "$work/a.frs" "$work/b.frs" --frames 3 --size 96x72 --antialias --codec ffv1 -o "$work/zoom-aa.avi"
render --morph "$work/a.fri" "$work/b.fri" --frames 4 --size 96x72 --codec ffv1 -o "$work/morph-ifs.avi"
render --morph "$work/a.fr3" "$work/b.fr3" --frames 4 --ping-pong --size 96x72 --codec ffv1 -o "$work/morph-3d.avi"
cd "$work"
md5sum -- *.frs *.fri *.fr3 *.bmp *.png *.val
for clip in *.avi; do
  echo "$clip"
  ffmpeg -loglevel error -i "$clip" -f framemd5 - | grep -v '^#'
done
