#!/usr/bin/env bash
# Installs what is missing, builds and starts the program. With the default
# inifile.ini it uses an embedded SQLite database, created and filled with
# demo data on first start. Extra arguments go to the program (--ini FILE).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target hra hra-cli hra-backup hra_guide
# A first start gets the demo database (persons, assessments, manager password
# demo1234); an existing database is left as it is.
./build/dev/bin/hra-cli db init --demo --if-empty "$@"
exec ./build/dev/bin/hra "$@"
