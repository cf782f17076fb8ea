#!/bin/sh
# The manual page documents exactly the options that tarnwick --help lists.
set -eu
program=$1 page=$2
help=$("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
man=$(sed 's/\\-/-/g' "$page" | grep -o -- '^\.[BI]*  *--[a-z][a-z-]*' | grep -o -- '--[a-z-]*' |
    sort -u)
if [ "$help" != "$man" ]; then
    echo "--help and $page list different options:" >&2
    printf '%s\n' "$help" >"${TMPDIR:-/tmp}/help.$$"
    printf '%s\n' "$man" | diff "${TMPDIR:-/tmp}/help.$$" - >&2 || true
    rm -f "${TMPDIR:-/tmp}/help.$$"
    exit 1
fi
echo "$(echo "$help" | wc -l) options agree"
