#!/usr/bin/env bash
# The program as a user gets it: the install tree file by file, the desktop
# validators, then the Debian package built, unpacked into a scratch root and
# started there on a fresh data folder, and lintian's verdict.
# Usage: check_package.sh <build folder> <source folder>
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "ÉCHEC : $*" >&2; exit 1; }

# 1. The install tree.
DESTDIR="$scratch/dest" cmake --install "$build" --prefix /usr >/dev/null
root="$scratch/dest/usr"
app_id=com.example.halvorn.brivoline
for f in bin/brivoline \
         share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
         share/mime/packages/brivoline.xml share/icons/hicolor/scalable/apps/brivoline.svg \
         share/doc/brivoline/copyright share/doc/brivoline/changelog.gz share/man/man1/brivoline.1.gz \
         share/doc/brivoline/examples/brivoline-sauvegarde.timer \
         share/brivoline/Ressources/DB/Data/Access/BRIVOLINE.MDB; do
    [ -s "$root/$f" ] || fail "$f n'est pas installé"
done
for size in 16 22 24 32 48 64 128 256 512; do
    png="$root/share/icons/hicolor/${size}x${size}/apps/brivoline.png"
    file -b "$png" | grep -q "PNG image data, $size x $size" || fail "icône $size px : $(file -b "$png")"
done
# Every file of the program folder is installed under share/brivoline/, byte for byte.
(cd "$source/resources" && find . -type f ! -name CMakeLists.txt | sort) > "$scratch/wanted"
(cd "$root/share/brivoline" && find . -type f ! -path './Ressources/DB/Data/*' | sort) > "$scratch/installed"
diff -u "$scratch/wanted" "$scratch/installed" || fail "le dossier du programme installé diffère de resources/"
while IFS= read -r f; do
    cmp -s "$source/resources/$f" "$root/share/brivoline/$f" || fail "$f diffère de sa source"
done < "$scratch/wanted"
# Nothing lands outside the places a package may use.
outside=$(cd "$scratch/dest" && find . -type f | grep -v -E '^\./usr/(bin/brivoline|share/(brivoline|applications|metainfo|mime/packages|icons/hicolor|doc/brivoline|man/man1)/)' || true)
[ -z "$outside" ] || fail "fichiers hors des dossiers attendus : $outside"

# 2. The validators, and the file types as the MIME database reads them.
desktop-file-validate "$root/share/applications/$app_id.desktop"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/$app_id.metainfo.xml" \
    | tee "$scratch/appstream.txt" | grep -v -E '^\s*$'
grep -q -E '^E:|✘' "$scratch/appstream.txt" && fail "appstreamcli a trouvé des erreurs"
mkdir -p "$scratch/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$root/share/mime/packages/brivoline.xml" "$scratch/mime/packages/"
update-mime-database "$scratch/mime"
grep -q 'application/x-brivoline-backup:\*\.bkp' "$scratch/mime/globs2" || fail "type des archives .bkp absent"
grep -q 'application/x-brivoline-database:BRIVOLINE.MDB' "$scratch/mime/globs2" || fail "type de la base absent"
# An encrypted archive that lost its name is still known by its first bytes.
printf 'BRVCRYPT\001\000' > "$scratch/sauvegarde"
type=$(XDG_DATA_HOME="$scratch" XDG_DATA_DIRS="$scratch" gio info -a standard::content-type "$scratch/sauvegarde" \
       2>/dev/null | sed -n 's/.*content-type: //p')
[ "$type" = application/x-brivoline-backup ] || fail "archive chiffrée sans extension reconnue comme « $type »"

# 3. The package, unpacked and started offscreen on a fresh data folder.
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >/dev/null)
deb=$(ls "$scratch"/pkg/brivoline_*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6sql6-sqlite' || fail "dépendances : $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6core6' || fail "les bibliothèques liées ne sont pas dans les dépendances"
dpkg -x "$deb" "$scratch/root"
home="$scratch/home"
mkdir -m 700 "$home"
out=$(HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen BRIVOLINE_QUIT_AFTER_SHOW=1 \
      BRIVOLINE_MESSAGE_LOG="$home/messages.log" timeout 60 "$scratch/root/usr/bin/brivoline" 2>&1) \
    || fail "le programme installé s'est arrêté : $out"
echo "$out" | grep -q 'shown-after-ms' || fail "la fenêtre principale ne s'est pas ouverte : $out"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$scratch/root/usr/bin/brivoline" --version) \
    || fail "la ligne de commande du programme installé a échoué"
echo "$version" | grep -q -E '^Brivoline [0-9.]+$' || fail "version : $version"
[ -s "$home/Documents/Halvorn Software Development/Brivoline/Data/Access/BRIVOLINE.MDB" ] \
    || fail "la base de données n'a pas été mise en place"
[ ! -s "$home/messages.log" ] || fail "messages au démarrage : $(cat "$home/messages.log")"

# 4. lintian: no error (the warnings kept are listed in docs/installation.md).
lintian --fail-on error "$deb" 2>&1 | tee "$scratch/lintian.txt"
grep -q 'no-manual-page' "$scratch/lintian.txt" && fail "lintian ne trouve pas la page de manuel"
if command -v man >/dev/null; then
    man --warnings -l "$root/share/man/man1/brivoline.1.gz" 2>&1 >/dev/null | grep . && fail "la page de manuel a des défauts"
fi
echo "Paquet : $(basename "$deb"), $(stat -c %s "$deb") octets"
