#!/usr/bin/env bash
# Makes the Debian package from a build folder, unpacks it into a temporary root and runs the
# installed programs from there as a new user would: no build tree on any path, no environment
# variable pointing at the module or the report files, a home folder of its own.
#   test-package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(mktemp -d /tmp/vorn-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

fail() { echo "FOUT: $*" >&2; exit 1; }

# The package, made as scripts/package.sh makes it.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >/dev/null
deb=$(ls "$work"/pkg/vorn_*.deb)
echo "pakket: $(basename "$deb"), $(du -k "$deb" | cut -f1) kB"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6printsupport6 libsqlite3-0 libpq5 libxlsxwriter; do
  [[ "$depends" == *"$needed"* ]] || fail "Depends mist $needed"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)

# What a desktop reads.
desktop-file-validate "$root/usr/share/applications/vorn.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null
for size in 16 24 32 48 64 128 256; do
  [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/vorn.png" ] || fail "icoon ${size}px ontbreekt"
done
for page in vorn vorn-query vorn-demo vorn-admin; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q '^\.SH' || fail "man-pagina $page ontbreekt"
done
[ -s "$root/usr/share/doc/vorn/copyright" ] || fail "copyright ontbreekt"
# One version everywhere: the package, the AppStream release and the Debian changelog.
grep -q "<release version=\"${version%-*}\"" "$root"/usr/share/metainfo/*.metainfo.xml \
  || fail "de AppStream-metadata noemen versie ${version%-*} niet"
zcat "$root/usr/share/doc/vorn/changelog.Debian.gz" | head -1 | grep -q "($version)" \
  || fail "de changelog begint niet met versie $version"
[ -s "$root/usr/share/vorn/handleiding/handleiding.md" ] || fail "de handleiding ontbreekt"
[ -s "$root/usr/share/vorn/handleiding/databank.png" ] || fail "de afbeeldingen van de handleiding ontbreken"

# The installed programs, from the temporary root only.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
unset VORN_MODULE_PATH VORN_REPORT_PATH VORN_DATABASE LD_LIBRARY_PATH
export PATH="$root/usr/bin:/usr/bin:/bin" QT_QPA_PLATFORM=offscreen
cd "$work"

for program in vorn vorn-query vorn-demo vorn-admin; do
  if ldd "$root/usr/bin/$program" | grep libvorn | grep -v "$root" | grep -q .; then
    fail "$program laadt een bibliotheek van buiten het pakket"
  fi
done
[ "$(vorn --version)" = "vorn ${version%-*}" ] || fail "vorn --version zegt '$(vorn --version)', pakket $version"

vorn --list-forms > forms.txt
grep -q '^TStatLLPerInstellingForm	telmod	' forms.txt || fail "de module werd niet geladen: $(cat forms.txt)"

vorn-demo --if-absent >/dev/null
vorn export --screen TStatLLPerInstellingForm --institution "$(vorn-query DSPSelectIS | awk -F, 'NR==2 {print $2}')" \
  --date 2025-10-01 --out export >/dev/null
ls export/grids/*.csv >/dev/null || fail "vorn export schreef geen tabellen"
institution=$(vorn-query DSPBrowseOSPInstellingen | awk -F, 'NR==2 {print $1}')
vorn print --screen TStatCursistenPerInstellingForm --institution "$institution" \
  --from 2025-09-01 --to 2026-06-30 --report "Statistiek per klas" --pdf klassen.pdf >/dev/null
pdftotext klassen.pdf - | grep -q 'klas' || fail "het afgedrukte rapport is leeg"

# lintian: no errors; warnings are fixed or explained in the README.
lintian --fail-on error --suppress-tags-from-file "$source/packaging/lintian-explained" "$deb"
echo "geïnstalleerd pakket werkt"
