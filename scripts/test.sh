#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (PostgreSQL included,
# against a throwaway server started for the run).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
./scripts/with-postgres.sh ctest --preset dev "$@"
