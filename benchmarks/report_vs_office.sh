#!/usr/bin/env bash
# The whole 24-page report of a demo person as one `hra-cli report` process,
# start to PDF, against LibreOffice headless converting a text document of
# the same text (the report's own text, extracted) to PDF. Rounds alternate;
# prints each round and the medians with their ratio. Not a test.
#
# Needs the build (build/dev) and the office suite:
#   scripts/install-deps.sh --benchmark
#   benchmarks/report_vs_office.sh [ROUNDS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli="$root/build/dev/bin/hra-cli"
rounds=${1:-7}
command -v soffice >/dev/null || { echo "soffice not found: scripts/install-deps.sh --benchmark" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[data]\ndriver=sqlite\ndatabase_file=demo.sqlite3\n' >"$work/demo.ini"
"$cli" db init --demo --ini "$work/demo.ini" >/dev/null
report() {
  "$cli" report --record 0000000001 --assessment 1 --ini "$work/demo.ini" --pdf "$work/report.pdf" >/dev/null 2>&1
}
report
pdftotext -layout "$work/report.pdf" "$work/report.txt"
office() {
  soffice -env:UserInstallation="file://$work/profile" --headless --convert-to pdf \
    --outdir "$work/office" "$work/report.txt" >/dev/null 2>&1
}
# The office suite's first start sets up its profile; that is not measured.
office

# Bash's own clock: reading it starts no process, which would count as the
# report's time.
for i in $(seq "$rounds"); do
  t0=${EPOCHREALTIME/,/.}; report; t1=${EPOCHREALTIME/,/.}; office; t2=${EPOCHREALTIME/,/.}
  echo "$t0 $t1 $t2"
done | awk -v chars="$(wc -m <"$work/report.txt")" '
  { r[NR] = $2 - $1; o[NR] = $3 - $2; printf "round %d: hra-cli report %.3f s, office %.3f s\n", NR, r[NR], o[NR] }
  function median(a, n,   i, j, t) {
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  END {
    mr = median(r, NR); mo = median(o, NR)
    printf "%d characters of text; median hra-cli report %.3f s, office %.3f s, office / report %.1f\n", chars, mr, mo, mo / mr
  }'
printf 'pages: report %s, office %s\n' "$(pdfinfo "$work/report.pdf" | awk '/^Pages/{print $2}')" \
  "$(pdfinfo "$work/office/report.pdf" | awk '/^Pages/{print $2}')"
