#!/usr/bin/env bash
# The whole report of every person of a group imported from a sheet (1,000
# by default), built by one `hra-cli report --unit` batch against one
# `hra-cli report --record` process per person, the same persons and the
# same database; prints both times, their ratio and the batch's peak memory,
# then the batch once more with --combined (one PDF of them all besides).
# With a second argument, the separate runs cover only that many persons and
# their time is scaled up to the group.
# Not a test.
#
#   benchmarks/batch_reports.sh [PERSONS] [SEPARATE_RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli="$root/build/dev/bin/hra-cli"
persons=${1:-1000}
separate=${2:-$persons}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[data]\ndriver=sqlite\ndatabase_file=%s/batch.sqlite3\n' "$work" >"$work/batch.ini"
"$cli" db init --ini "$work/batch.ini" >/dev/null

# A group's sheet: every person with the examination values a report reads.
{
  echo "姓名,性别,年龄,工作单位,身高,体重,腰围,收缩压,舒张压,总胆固醇,甘油三酯,空腹血糖,糖耐量"
  for i in $(seq 0 $((persons - 1))); do
    if ((i % 2)); then sex=男; else sex=女; fi
    printf '员工%d,%s,%d,示例公司,1.%d,%d,%d,%d,%d,4.5,1.2,5.1,6.4\n' "$i" "$sex" $((20 + i % 40)) \
      $((55 + i % 30)) $((50 + i % 40)) $((70 + i % 30)) $((110 + i % 40)) $((70 + i % 15))
  done
} >"$work/group.csv"
"$cli" person import --file "$work/group.csv" --ini "$work/batch.ini" >/dev/null

now() { echo "${EPOCHREALTIME/,/.}"; }

t0=$(now)
/usr/bin/time -f '%M' -o "$work/batch.rss" "$cli" report --unit 示例公司 --out-dir "$work/batch" \
  --ini "$work/batch.ini" >"$work/batch.json"
t1=$(now)
built=$(grep -o '"built": [0-9]*' "$work/batch.json" | grep -o '[0-9]*$')

# The files name record and assessment: the separate runs build the same.
ls "$work/batch" | sed -n "1,${separate}p" | sed -E 's/^([^_]*)_.*_([0-9]+)\.pdf$/\1 \2/' >"$work/keys"
mkdir "$work/one"
t2=$(now)
while read -r record assessment; do
  "$cli" report --record "$record" --assessment "$assessment" --ini "$work/batch.ini" \
    --pdf "$work/one/$record.pdf" >/dev/null 2>&1
done <"$work/keys"
t3=$(now)

t4=$(now)
/usr/bin/time -f '%M' -o "$work/combined.rss" "$cli" report --unit 示例公司 --out-dir "$work/again" \
  --combined "$work/all.pdf" --ini "$work/batch.ini" >/dev/null
t5=$(now)

awk -v p="$persons" -v built="$built" -v s="$separate" -v b0="$t0" -v b1="$t1" -v s0="$t2" \
  -v s1="$t3" -v q0="$t4" -v q1="$t5" -v rss="$(cat "$work/batch.rss")" \
  -v crss="$(cat "$work/combined.rss")" -v cores="$(nproc)" \
  -v pages="$(qpdf --show-npages "$work/all.pdf")" -v size="$(stat -c %s "$work/all.pdf")" 'BEGIN {
    batch = b1 - b0; one = (s1 - s0) / s; separate = one * p
    printf "%d persons, %d cores; batch built %d reports in %.1f s (%.1f ms each), peak %d MB\n", p, cores, built, batch, 1000 * batch / p, rss / 1024
    printf "separate runs: %d in %.1f s (%.1f ms each)%s\n", s, s1 - s0, 1000 * one, s < p ? sprintf(", %.1f s for %d", separate, p) : ""
    printf "separate / batch: %.2f\n", separate / batch
    printf "with --combined: %.1f s, peak %d MB; the combined PDF has %d pages, %.1f MB\n", q1 - q0, crss / 1024, pages, size / 1048576
  }'
