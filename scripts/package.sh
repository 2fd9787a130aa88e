#!/usr/bin/env bash
# Builds the Debian package hra_<version>_amd64.deb in build/dev and checks it:
# its file list, its dependencies, and that the unpacked programs find their
# shipped configuration and run (a demo database in a throwaway home, a
# backup of it, the blank questionnaire).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset dev >/dev/null
cmake --build --preset dev --target hra hra-cli hra-backup hra_icon hra_guide
rm -f build/dev/hra_*.deb
(cd build/dev && cpack -G DEB >/dev/null)
deb=$(ls build/dev/hra_*_amd64.deb)
echo "package: $deb"

fail=0
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(
  ./usr/bin/hra
  ./usr/bin/hra-cli
  ./usr/bin/hra-backup
  ./usr/share/applications/hra.desktop
  ./usr/share/icons/hicolor/256x256/apps/hra.png
  ./usr/share/hra/inifile.ini
  ./usr/share/hra/help/index.html
  ./usr/share/hra/help/images/login.png
  ./usr/share/hra/help/images/backup-window.png
  ./usr/share/hra/reports/pgbg.fr3
  ./usr/share/hra/reports/common.fr3
  ./usr/share/hra/reports/jbxx.fr3
  ./usr/share/hra/reports/cover.jpg
  ./usr/share/hra/reports/texts/gxy.txt
)
for f in "${expected[@]}"; do
  if ! grep -qx -- "$f" <<<"$files"; then
    echo "missing from the package: $f" >&2
    fail=1
  fi
done
# Every section template of the build is shipped.
for t in reports/*.fr3 reports/texts/*.txt reports/*.jpg; do
  if ! grep -qx -- "./usr/share/hra/$t" <<<"$files"; then
    echo "missing from the package: ./usr/share/hra/$t" >&2
    fail=1
  fi
done
# Nothing outside /usr, nothing of the tests or benchmarks.
if grep -v '^\./usr/' <<<"$files" | grep -qv '^\./$'; then
  echo "files outside /usr:" >&2
  grep -v '^\./usr/' <<<"$files" | grep -v '^\./$' >&2
  fail=1
fi
if grep -Eq 'tests|benchmark|\.a$|\.h$' <<<"$files"; then
  echo "build leftovers in the package:" >&2
  grep -E 'tests|benchmark|\.a$|\.h$' <<<"$files" >&2
  fail=1
fi

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6sql6-sqlite libqt6sql6-psql qt6-qpa-plugins libqt6widgets6 libsodium23 liborcus-0.17-0 liborcus-spreadsheet-model-0.17-0 libxlsxwriter4 fonts-noto-cjk; do
  if ! grep -q "\b$d\b" <<<"$depends"; then
    echo "package does not depend on $d" >&2
    fail=1
  fi
done
grep -q '^Name\[zh_CN\]=健康风险评估管理系统$' <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/hra.desktop) \
  || { echo "desktop entry without its Chinese name" >&2; fail=1; }

# The unpacked programs, as an installed one runs: no inifile.ini beside
# them, so the shipped one applies and the database goes to the user's
# data folder.
root=$(mktemp -d /tmp/hra-package.XXXXXX)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/fs"
export HOME="$root/home" XDG_DATA_HOME="" XDG_CONFIG_HOME="" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
"$root/fs/usr/bin/hra-cli" db init --demo >/dev/null
test -f "$HOME/.local/share/hra/qmo_jkpg.sqlite3" \
  || { echo "the installed hra-cli did not create the database in the user's data folder" >&2; fail=1; }
"$root/fs/usr/bin/hra-cli" backup --out "$root/backup.sqlite3" >/dev/null
"$root/fs/usr/bin/hra-cli" questionnaire --pdf "$root/questionnaire.pdf" >/dev/null
test -s "$root/questionnaire.pdf" || { echo "no questionnaire from the installed hra-cli" >&2; fail=1; }

if [ "$fail" -ne 0 ]; then
  echo "package check failed" >&2
  exit 1
fi
echo "package check passed ($(wc -l <<<"$files") entries)"
