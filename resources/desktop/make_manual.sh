#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the manual page of pelmorix-render: the hand-written page with the
# program's own --help texts in place of its line `.\" options`, so every
# option the program has is in the page.
#   make_manual.sh PELMORIX-RENDER pelmorix-render.1.in > pelmorix-render.1
set -e
render=$1
page=$2
marker='^\.\\" options$'
sed "/$marker/,\$d" "$page"

# One section from one --help text; a mode the program does not have is left
# out, and so is the help's line of exit statuses, which the page gives in
# its own section.
section() {
  title=$1
  shift
  text=$("$render" "$@" 2>/dev/null) || return 0
  printf '.SH %s\n' "$title"
  printf '%s\n' "$text" | sed \
    -e '/^  Exit status: /d' \
    -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/" \
    -e '/^usage: /{s/^usage: *\(.*\)$/.PP\n\1\n.br/;b}' \
    -e '/^       pelmorix/{s/^ *\(.*\)$/\1\n.br/;b}' \
    -e '/^  \\-/{s/^  \(.*[^ ]\)   *\(.*\)$/.TP\n.B \1\n\2/;b}' \
    -e '/^  [A-Z][A-Z.]*[A-Za-z0-9]*  /{s/^  \([^ ]*\)   *\(.*\)$/.TP\n.I \1\n\2/;b}' \
    -e 's/^ *//'
}

section "OPTIONS" --help
section "ZOOM MOVIES" --zoom-movie --help
section "MORPHS" --morph --help
sed "1,/$marker/d" "$page"
