#!/bin/sh
# Installs the build into a scratch root and builds the .deb, then checks both hold the
# executables, the udev rules, the desktop entry and its icon.
set -eu
build="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
for file in usr/bin/echovane-config usr/bin/echovane-cli usr/lib/udev/rules.d/70-echovane.rules \
            usr/share/applications/echovane-config.desktop \
            usr/share/icons/hicolor/256x256/apps/echovane-config.png; do
    [ -e "$scratch/root/$file" ] || { echo "install lacks $file"; exit 1; }
done
grep -q 'TAG+="uaccess"' "$scratch/root/usr/lib/udev/rules.d/70-echovane.rules"
if grep -q 'MODE="0666"' "$scratch/root/usr/lib/udev/rules.d/70-echovane.rules"; then
    echo "udev rules make the device world-writable"; exit 1
fi

(cd "$build" && cpack -G DEB -B "$scratch/deb" >/dev/null)
deb=$(ls "$scratch"/deb/*.deb)
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/echovane-config ./usr/bin/echovane-cli \
            ./usr/lib/udev/rules.d/70-echovane.rules ./usr/share/applications/echovane-config.desktop \
            ./usr/share/icons/hicolor/256x256/apps/echovane-config.png; do
    echo "$contents" | grep -q " $file\$" || { echo "package lacks $file"; exit 1; }
done
echo "package: $(basename "$deb") holds the executables, the udev rules, the desktop entry and its icon"
