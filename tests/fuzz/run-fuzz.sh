#!/bin/sh
# Runs one fuzz target for a while from its checked-in seed corpus.
# Usage: run-fuzz.sh FUZZER SEEDS SECONDS [DICT]
# New inputs go to a scratch corpus, never into the source tree; a finding
# is kept in the current directory (crash-*, leak-*, timeout-*) and fails.
set -eu
fuzzer=$1 seeds=$2 seconds=$3 dict=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1
[ -z "$dict" ] || set -- "$@" -dict="$dict"
"$fuzzer" "$@" "$work" "$seeds"
