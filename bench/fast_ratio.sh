#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How far the fast render stays behind the bare vector loop over the same
# pixels: whole-process CPU time of a one-thread 2048x1536 `--fast` render,
# picture written, against px_bare_vector_loop, for eight lanes (AVX-512) and
# four (AVX2), at 256 and 2048 iterations on the whole set and at 4000 on a
# zoom. Each time is the least of ROUNDS runs (default 3), taken in turn.
#   bench/fast_ratio.sh BUILD_BIN_DIR [ROUNDS]
set -euo pipefail
bin=$(cd "$1" && pwd)
rounds=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
zoom=-0.74565,0.1131875,0.0005  # centre -0.7454, 0.1130, width 0.0005, as left, top, width
TIMEFORMAT='%3U %3S'

# The CPU seconds (user + system) of one run of the command.
cpu() {
  local t
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  awk '{ printf "%.3f", $1 + $2 }' <<<"$t"
}
least() { tr ' ' '\n' | sort -g | head -1; }

printf '%-7s %-22s %9s %9s %7s\n' unit view render bare ratio
for unit in wide narrow; do
  narrow=(); env=()
  if [ "$unit" = narrow ]; then narrow=(--narrow); env=(PX_NARROW_VECTORS=1); fi
  for view in 256 2048 zoom; do
    if [ "$view" = zoom ]; then args=(--maxiter 4000 --window "$zoom"); name="zoom 4000"; else
      args=(--maxiter "$view"); name="whole set $view"; fi
    r=() b=()
    for ((k = 0; k < rounds; ++k)); do
      r+=("$(cpu env "${env[@]}" "$bin/pelmorix-render" --quiet --fast --threads 1 --size 2048x1536 "${args[@]}" \
        -o "$work/x.bmp")")
      b+=("$(cpu "$bin/px_bare_vector_loop" "${narrow[@]}" --size 2048x1536 "${args[@]}")")
    done
    rt=$(least <<<"${r[*]}") bt=$(least <<<"${b[*]}")
    printf '%-7s %-22s %9s %9s %7s\n' "$unit" "$name" "$rt" "$bt" "$(awk -v r="$rt" -v b="$bt" 'BEGIN { printf "%.2f", r / b }')"
  done
done
