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
  # Qt's own dialogs in French
  qt6-translations-l10n
  libgcab-dev zlib1g-dev libsodium-dev libssl-dev libjpeg62-turbo-dev libsane-dev libcurl4-openssl-dev libsqlite3-dev
  # text of the documents: Tesseract with its French (and English) data, PDF text through Poppler
  libtesseract-dev libleptonica-dev tesseract-ocr-fra tesseract-ocr-eng libpoppler-qt6-dev
  # the Windows version's Jet files: libmdb, and mdbtools' own tools as the tests' peer
  mdbtools-dev mdbtools
  # the ODBC route: unixODBC's installer library and headers, the SQLite ODBC driver, Qt's QODBC
  unixodbc-dev odbcinst libsqliteodbc libqt6sql6-odbc
  # tests and their real peers
  libgtest-dev libgmock-dev cabextract gcab sane-utils libsane1
  python3-aiosmtpd openssl poppler-utils sqlite3 libjpeg-turbo-progs xauth xvfb
  # the install tree, the Debian package and their validators (gio reads the MIME database back)
  dpkg-dev file lintian desktop-file-utils appstream shared-mime-info libglib2.0-bin man-db
  # systemd-analyze checks the documented timer of the nightly backup
  systemd
  # benchmarks
  libbenchmark-dev tesseract-ocr
)
# scripts/clang-tidy.sh and scripts/check-format.sh
[ "${1:-}" = checks ] && packages=(clang-tidy-14 clang-format-14)

# node and npm run mdb-reader, the tests' second Jet reader; a node installed
# otherwise (with its own npm) is used as it is.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
# node and npm run HL7's FHIR schema in the tests (the package itself is
# installed by the tests into the build folder); any node 18 or later will do.
command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installation des paquets manquants : ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
