#!/usr/bin/env bash
# Installs every Debian package the program, its tests and benchmarks need;
# `install-deps.sh checks` installs the source checks' tools instead.
# Runs `apt-get update` only when something is missing, so a second run is quick.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # runtime libraries
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6svg6 qt6-qpa-plugins
  libgcab-dev zlib1g-dev libjpeg62-turbo-dev libsane-dev libcurl4-openssl-dev libsqlite3-dev
  # the ODBC route: unixODBC's installer library and headers, the SQLite ODBC driver, Qt's QODBC
  unixodbc-dev odbcinst libsqliteodbc libqt6sql6-odbc
  # tests and their real peers
  libgtest-dev libgmock-dev cabextract gcab sane-utils libsane1
  python3-aiosmtpd openssl poppler-utils sqlite3 libjpeg-turbo-progs xauth xvfb
  # the install tree, the Debian package and their validators
  dpkg-dev file lintian desktop-file-utils appstream shared-mime-info
  # benchmarks
  libbenchmark-dev
)
# scripts/clang-tidy.sh and scripts/check-format.sh
[ "${1:-}" = checks ] && packages=(clang-tidy-14 clang-format-14)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installation des paquets manquants : ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
