#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the program.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
  libgl-dev libsodium-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev zlib1g-dev
  # libboost-dev: the spreadsheet model's headers (libixion-dev) include Boost
  # without the package depending on it.
  liborcus-dev libboost-dev libxlsxwriter-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  tdsodbc unixodbc
  postgresql
  fonts-noto-cjk fonts-arphic-gkai00mp fonts-dejavu-core fonts-urw-base35
  qt6-translations-l10n
  poppler-utils qpdf xvfb xauth
  file dpkg-dev clang-format
)

# --benchmark adds what the benchmarks compare against: an office suite
# converting documents to PDF without a display.
if [ "${1:-}" = "--benchmark" ]; then
  packages+=(libreoffice-writer-nogui)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing Debian packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "Please run as root: apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
