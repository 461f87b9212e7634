#!/usr/bin/env bash
# The program with a fault planted after each orderly run (the kill test's restarts,
# which draw once): the kill test must see it. ZORVEL_PROGRAM is the real program;
# ZORVEL_FAULT is one of
#   stray    a temporary file left beside the ledger
#   garbage  a line of the ledger that is no number
#   lost     one win taken out of the ledger
#   torn     the record's last line cut short
set -u
# The runs that are killed are the program itself, so that the kill reaches it.
[ "${ZORVEL_TEST_DRAWS:-}" = 1 ] || exec "$ZORVEL_PROGRAM" "$@"
"$ZORVEL_PROGRAM" "$@"
status=$?
folder=$2
case "$ZORVEL_FAULT" in
  stray) : > "$folder/jieguo.a.tmp" ;;
  garbage) printf 'j9=x\r\n' >> "$folder/jieguo.a" ;;
  lost) awk -F= 'BEGIN { done = 0 } !done && $1 ~ /^j[1-8]$/ && $2 > 0 { printf "%s=%d\r\n", $1, $2 - 1; done = 1; next } { print }' \
          "$folder/jieguo.a" > "$folder/../ledger" && mv "$folder/../ledger" "$folder/jieguo.a" ;;
  torn) size=$(stat -c %s "$folder/draws.log") && truncate -s $((size - 20)) "$folder/draws.log" ;;
esac
exit $status
