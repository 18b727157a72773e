#!/bin/sh
# The installed product executables carry nothing of the simulated MCU's RAM boot loader or
# password (the demo executable does, which shows the search would find them), and without a
# vendor RAM boot loader `echovane-cli upgrade` refuses at once with where to put one.
set -eu
build="$1"
source_dir="$2"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null

# Lines of our own RAM boot loader and password as the executables embed their text.
ram_bsl=$(sed -n 2p "$source_dir/resources/firmware/RAM_BSL.Text" | tr -d '\r')
password=$(sed -n 2p "$source_dir/resources/firmware/password.Text" | tr -d '\r')
for marker in "$ram_bsl" "$password"; do
    grep -q -a -F "$marker" "$build/cli/echovane-cli-demo" ||
        { echo "the demo lacks \"$marker\": the check below would prove nothing"; exit 1; }
    for exe in usr/bin/echovane-config usr/bin/echovane-cli; do
        if grep -q -a -F "$marker" "$scratch/root/$exe"; then
            echo "$exe carries the simulated boot loader's \"$marker\""; exit 1
        fi
    done
done

if grep -q '^ECHOVANE_RAM_BSL_FILE:FILEPATH=.' "$build/CMakeCache.txt"; then
    echo "product: built with a vendor RAM boot loader, the refusal is not checked"
    exit 0
fi
mkdir -p "$scratch/home"
status=0
HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/data" XDG_DATA_DIRS="$scratch/none" \
    "$scratch/root/usr/bin/echovane-cli" upgrade "$build/firmware-samples/Echovane_1.0.900.txt" \
    --yes >"$scratch/out" 2>"$scratch/err" || status=$?
[ "$status" -eq 1 ] || { echo "echovane-cli upgrade exited $status, not 1"; cat "$scratch/err"; exit 1; }
[ ! -s "$scratch/out" ] || { echo "echovane-cli upgrade printed progress"; exit 1; }
head -1 "$scratch/err" | grep -q -x -F "No RAM boot loader for the firmware upgrade.." ||
    { echo "unexpected message:"; cat "$scratch/err"; exit 1; }
grep -q -F "$scratch/home/data/echovane/" "$scratch/err" ||
    { echo "the message does not say where to put it:"; cat "$scratch/err"; exit 1; }
echo "product: no simulated boot loader in the executables; the upgrade refuses without one"
