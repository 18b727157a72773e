#!/bin/sh
# Installs the build into a scratch root and builds the .deb, then checks both hold what a
# desktop and Debian expect: executables, udev rules, desktop entry, icons, AppStream metadata,
# manual pages, copyright and changelog; the entry and the metadata must validate and lintian
# must have nothing to say.
set -eu
build="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }

files="usr/bin/echovane-config usr/bin/echovane-cli usr/lib/udev/rules.d/70-echovane.rules
usr/share/applications/echovane-config.desktop
usr/share/metainfo/com.vexor.EchovaneConfig.metainfo.xml
usr/share/icons/hicolor/16x16/apps/echovane-config.png
usr/share/icons/hicolor/48x48/apps/echovane-config.png
usr/share/icons/hicolor/256x256/apps/echovane-config.png
usr/share/man/man1/echovane-config.1.gz usr/share/man/man1/echovane-cli.1.gz
usr/share/doc/echovane-config/copyright usr/share/doc/echovane-config/changelog.gz"

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
for file in $files; do
    [ -e "$scratch/root/$file" ] || fail "install lacks $file"
done
grep -q 'TAG+="uaccess"' "$scratch/root/usr/lib/udev/rules.d/70-echovane.rules"
if grep -q 'MODE="0666"' "$scratch/root/usr/lib/udev/rules.d/70-echovane.rules"; then
    fail "udev rules make the device world-writable"
fi
# The entry names the icon the theme holds.
icon=$(sed -n 's/^Icon=//p' "$scratch/root/usr/share/applications/echovane-config.desktop")
[ -e "$scratch/root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no icon named $icon"

hints=$(desktop-file-validate "$scratch/root/usr/share/applications/echovane-config.desktop" 2>&1) ||
    fail "desktop-file-validate: $hints"
[ -z "$hints" ] || fail "desktop-file-validate: $hints"
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/com.vexor.EchovaneConfig.metainfo.xml" \
    >"$scratch/appstream" 2>&1 || fail "appstreamcli: $(cat "$scratch/appstream")"
# The manual page of the command line lists its commands, so it came from a working --help.
zcat "$scratch/root/usr/share/man/man1/echovane-cli.1.gz" | grep -q 'set\\-brightness' ||
    fail "echovane-cli.1 does not list the commands"

(cd "$build" && cpack -G DEB -B "$scratch/deb" >/dev/null)
deb=$(ls "$scratch"/deb/*.deb)
contents=$(dpkg-deb -c "$deb")
for file in $files; do
    echo "$contents" | grep -q " ./$file\$" || fail "package lacks $file"
done
# Debug information stays in the build tree, not in the package.
dpkg-deb -x "$deb" "$scratch/unpacked"
for exe in echovane-config echovane-cli; do
    if readelf -S "$scratch/unpacked/usr/bin/$exe" | grep -q '\.debug_info'; then
        fail "$exe is packaged with its debug information"
    fi
done
# Lintian is run as a user would; as root it wants to be told that is fine.
findings=$(lintian --allow-root --tag-display-limit 0 "$deb" 2>&1 | grep -E '^(E|W): ' || true)
[ -z "$findings" ] || fail "lintian: $findings"
echo "package: $(basename "$deb") installs and passes desktop-file-validate, appstreamcli and lintian"
