#!/usr/bin/env bash
# check_deb.sh CPACK CPACK_CONFIG BINDIR LIBDIR DATADIR QUICK_SETUP
# Builds the Debian package, unpacks it into a clean folder, checks that every file is in place
# and that the unpacked coflux runs a short deposition headless with the unpacked library,
# keeping its setup files in the per-user data folder.
set -euo pipefail
cpack=$1 config=$2 bindir=$3 libdir=$4 datadir=$5 quick=$6

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$config" -B "$work/out" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
mapfile -t debs < <(find "$work/out" -maxdepth 1 -name '*.deb')
[ "${#debs[@]}" -eq 1 ] || fail "expected one .deb, found ${#debs[@]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"

control=$(dpkg-deb --field "$deb")
grep -qx 'Package: tlv880' <<<"$control" || fail "package name is not tlv880"
grep -q '^Maintainer: .' <<<"$control" || fail "no maintainer"
grep -q '^Depends: .*libqt6widgets6' <<<"$control" || fail "no dependency on the Qt 6 widgets runtime"
grep -q '^Description: .' <<<"$control" || fail "no description"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in \
  "usr/$bindir/coflux" "usr/$bindir/tlvmonitor" "usr/$bindir/tlvmulti" \
  "usr/$libdir/libtlv880a.so" \
  "usr/$datadir/applications/coflux.desktop" \
  "usr/$datadir/applications/tlvmonitor.desktop" \
  "usr/$datadir/applications/tlvmulti.desktop" \
  "usr/$datadir/tlv880/coflux.html" "usr/$datadir/tlv880/Default.dat"; do
  [ -s "$root/$file" ] || fail "$file missing from the package"
done
for program in coflux tlvmonitor tlvmulti; do
  [ -x "$root/usr/$bindir/$program" ] || fail "$program is not executable"
  grep -qx "Exec=$program" "$root/usr/$datadir/applications/$program.desktop" ||
    fail "$program.desktop does not start $program"
done
# Nothing of the build tree may leak into the package.
if find "$root" -name '*.a' -o -name '*test*' -type f | grep -q .; then
  fail "the package holds build or test files"
fi

# A user's run of the unpacked coflux. The program folder is not writable for a user, so the
# setup file is taken from the per-user data folder. As root every folder is writable, so the
# run is made as the unprivileged user "nobody".
home="$work/home"
data="$home/.local/share/TLV880/coflux"
mkdir -p "$data" "$home/.config" "$home/run"
sed "s|@LOG@|$home/run/quick.log|" "$quick" > "$data/Quick.dat"
chmod -R a-w "$root/usr"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown -R nobody "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
status=0
(cd "$home/run" &&
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/.local/share" \
    XDG_CONFIG_HOME="$home/.config" LD_LIBRARY_PATH="$root/usr/$libdir" TLV880_DRIVER=none \
    "${as_user[@]}" "$root/usr/$bindir/coflux" --run Quick.dat --headless --minutes 5 \
    > "$work/stdout" 2> "$work/stderr") || status=$?
echo "coflux --run: status $status"; cat "$work/stdout"
[ "$status" -eq 0 ] || { cat "$work/stderr" >&2; fail "coflux --run ended with status $status"; }
grep -q '^Deposition halted\.' "$work/stdout" || fail "no halt message on standard output"
if grep -q 'could not be loaded' "$work/stderr"; then fail "the card library was not found"; fi
[ -s "$home/run/quick.log" ] || fail "no data log written"
grep -q '^Time, Output, Thick, Rate, Power' "$home/run/quick.log" || fail "log has no header line"
[ ! -e "$root/usr/$bindir/Quick.dat" ] || fail "a setup file was written beside the program"
echo "package checked"
