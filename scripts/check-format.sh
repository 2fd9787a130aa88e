#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what .clang-format
# makes of it; lists the files. With --fix, formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."

files=$(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  echo "$files" | xargs clang-format -i
  exit 0
fi
bad=$(echo "$files" | xargs clang-format --dry-run 2>&1 | grep -oE '^[^:]+:[0-9]+:[0-9]+: warning' | cut -d: -f1 | sort -u || true)
if [ -n "$bad" ]; then
  echo "These files are not formatted as .clang-format says (scripts/check-format.sh --fix):" >&2
  echo "$bad" >&2
  exit 1
fi
