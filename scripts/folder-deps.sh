#!/usr/bin/env bash
# Prints folder -> folder include counts of the tracked sources, and the pairs of folders that
# include each other (there should be none).
set -euo pipefail
cd "$(dirname "$0")/.."
edges=$(git ls-files '*.cpp' '*.h' | while read -r f; do
    src=${f%%/*}
    { grep -o '#include "[a-z_]*/' "$f" || true; } | sed 's/#include "//; s|/$||' | while read -r dst; do
        [ "$src" != "$dst" ] && echo "$src -> $dst"
    done
done | sort | uniq -c)
echo "$edges"
echo "$edges" | awk '{ e[$2" "$4] = 1 } END { for (k in e) { split(k, p, " ");
    if ((p[2]" "p[1]) in e && p[1] < p[2]) { print "two-way: " p[1] " <-> " p[2]; bad = 1 } }
    exit bad }'
