#!/bin/bash
# The Debian package end to end, as root on a Debian 12 machine: the
# validators on the package and its files, then install, use and remove.
#   package_test.sh [BUILD_DIR]     (make package-test builds the package first)
# Needs: lintian desktop-file-utils appstream man-db bash-completion xvfb
# xauth xdotool (make package-test installs them). Every wait below waits for
# the event it checks; `timeout` only stops a hang from blocking CI forever.
set -euo pipefail
build=${1:-build/release}
app_id=com.quillmark.Speckwash
sample=/usr/share/speckwash/samples/sample-scan.tif

step() { printf '\n== %s\n' "$*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || fail "run as root: it installs and removes the package"
shopt -s nullglob
debs=("$build"/speckwash_*.deb)
[ ${#debs[@]} = 1 ] || fail "expected one package in $build, found ${#debs[@]} (make deb)"
deb=$(realpath "${debs[0]}")
version=$(dpkg-deb --field "$deb" Version)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

step "lintian (errors fail; warnings are listed)"
lintian --fail-on error --display-level '>=warning' "$deb" || fail "lintian reports errors"

step "install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
dpkg-query -W -f='${Status} ${Version}\n' speckwash | grep -qx "install ok installed $version" ||
    fail "speckwash $version is not installed"
for f in /usr/bin/speckwash /usr/bin/speckwash-cli /usr/share/speckwash/Speckwash.chm "$sample" \
    /usr/share/applications/$app_id.desktop /usr/share/metainfo/$app_id.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/$app_id.svg /usr/share/mime/packages/$app_id.xml \
    /usr/share/man/man1/speckwash.1.gz /usr/share/man/man1/speckwash-cli.1.gz \
    /usr/share/bash-completion/completions/speckwash-cli /usr/share/doc/speckwash/copyright; do
    [ -f "$f" ] || fail "$f is not installed"
done
for size in 16 32 48 64 128 256; do
    png=/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    file "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a $size x $size PNG"
done

step "speckwash-cli --version"
shown=$(speckwash-cli --version)
echo "$shown"
[ "$shown" = "Speckwash $version" ] || fail "the version does not match the package's $version"
step "speckwash-cli cleans the sample scan"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
speckwash-cli clean "$sample" -o "$work/cleaned.tif" --map "$work/dustmap.png"
speckwash-cli info "$work/cleaned.tif"

step "manual pages"
for page in speckwash speckwash-cli; do
    MANWIDTH=80 man "$page" >"$work/$page.txt" 2>"$work/$page.err" || fail "man $page"
    [ ! -s "$work/$page.err" ] || { cat "$work/$page.err"; fail "man $page warns"; }
    head -n 4 "$work/$page.txt"
    MANWIDTH=80 man -l "/usr/share/man/man1/$page.1.gz" >/dev/null || fail "man -l $page"
    lexgrog "/usr/share/man/man1/$page.1.gz" || fail "lexgrog finds no NAME in $page.1"
done
grep -q -- '--shard' "$work/speckwash-cli.txt" || fail "man speckwash-cli does not describe --shard"

step "desktop entry, metadata, file types"
desktop-file-validate /usr/share/applications/$app_id.desktop && echo "desktop-file-validate: no errors or warnings"
appstreamcli validate --no-net --explain /usr/share/metainfo/$app_id.metainfo.xml
grep -q "^image/tiff=.*$app_id.desktop" /usr/share/applications/mimeinfo.cache ||
    fail "the desktop database does not offer $app_id for TIFF files"
[ -f /usr/share/mime/image/x-quillmark-raw-scan.xml ] || fail "the raw scan type is not in the MIME database"

step "bash completion"
bash -c '
    source /usr/share/bash-completion/bash_completion
    _completion_loader speckwash-cli
    COMP_WORDS=(speckwash-cli clean --sh); COMP_CWORD=2; COMP_LINE="speckwash-cli clean --sh"; COMP_POINT=${#COMP_LINE}
    _speckwash_cli speckwash-cli --sh clean
    printf "%s\n" "${COMPREPLY[@]}"' | tee "$work/completion.txt"
grep -qx -- '--shard' "$work/completion.txt" || fail "completing 'clean --sh' does not offer --shard"

step "the desktop entry's command opens the sample; F1 opens the installed help"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/$app_id.desktop)
[ "$exec_line" = "speckwash %f" ] || fail "unexpected Exec=$exec_line"
cat >"$work/desktop_session.sh" <<SESSION
set -euo pipefail
cd "$work"
${exec_line/\%f/$sample} &
app=\$!
window=\$(timeout 120 xdotool search --sync --limit 1 --name "^Image View : $sample\\\$")
echo "window \$window shows $sample"
xdotool windowfocus --sync "\$window" key F1
timeout 120 xdotool search --sync --limit 1 --name '^Speckwash Help\$' >/dev/null
# The viewer opened the file before it showed, and keeps it open: it must be the installed one.
ls -l /proc/\$app/fd | grep -q /usr/share/speckwash/Speckwash.chm || { echo "F1 did not open the installed help"; kill \$app; exit 1; }
echo "F1 opened /usr/share/speckwash/Speckwash.chm"
kill \$app
wait \$app || true
SESSION
HOME=$work XDG_CONFIG_HOME=$work/config timeout 300 xvfb-run -a bash "$work/desktop_session.sh" ||
    fail "the desktop session"

step "remove"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq speckwash >/dev/null
! dpkg-query -W -f='${Status}\n' speckwash 2>/dev/null | grep -q "install ok installed" || fail "still installed"
for f in /usr/bin/speckwash /usr/bin/speckwash-cli /usr/share/speckwash /usr/share/applications/$app_id.desktop; do
    [ ! -e "$f" ] || fail "$f is left after removal"
done
step "package test passed"
