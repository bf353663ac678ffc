#!/usr/bin/env bash
# check_deb.sh CPACK CPACK_CONFIG VERSION LIBRARY_PACKAGE QUICK_SETUP
# Builds the Debian packages, checks them with lintian (when installed), unpacks them into a
# clean folder and runs the unpacked programs there as an unprivileged user with an empty home:
# the first start of coflux gets the demonstration setup and runs it to its halt; a second run
# keeps the user's edited setup; the Python driver, unpacked on its own, imports from there.
# Nothing is installed on the machine.
set -euo pipefail
cpack=$1 config=$2 version=$3 libpkg=$4 quick=$5

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$config" -B "$work/out" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
libdeb="$work/out/${libpkg}_${version}_$(dpkg --print-architecture).deb"
appdeb="$work/out/tlv880_${version}_$(dpkg --print-architecture).deb"
[ -f "$libdeb" ] || fail "no library package $(basename "$libdeb"): $(ls "$work/out")"
[ -f "$appdeb" ] || fail "no program package $(basename "$appdeb"): $(ls "$work/out")"
pydeb="$work/out/python3-tlv880_${version}_all.deb"
[ -f "$pydeb" ] || fail "no Python package $(basename "$pydeb"): $(ls "$work/out")"

# ---- control data ---------------------------------------------------------------------------
field() { dpkg-deb --field "$1" "$2"; }
[ "$(field "$libdeb" Section)" = libs ] || fail "the library package is not in section libs"
[ "$(field "$appdeb" Version)" = "$version" ] || fail "package version is not $version"
grep -q "$libpkg (= $version)" <<<"$(field "$appdeb" Depends)" ||
  fail "tlv880 does not depend on $libpkg (= $version)"
grep -q 'libqt6widgets6' <<<"$(field "$appdeb" Depends)" ||
  fail "no dependency on the Qt 6 widgets runtime"
dpkg-deb --ctrl-tarfile "$libdeb" | tar -t | grep -qx './triggers' ||
  fail "the library package has no triggers file"
if dpkg-deb --ctrl-tarfile "$libdeb" | tar -t | grep -Eq 'post(inst|rm)$'; then
  fail "the library package still has maintainer scripts"
fi
[ "$(dpkg-deb --ctrl-tarfile "$libdeb" | tar -xO ./triggers)" = "activate-noawait ldconfig" ] ||
  fail "the library package does not activate the ldconfig trigger"
[ "$(field "$pydeb" Architecture)" = all ] || fail "python3-tlv880 is not architecture all"
[ "$(field "$pydeb" Section)" = python ] || fail "python3-tlv880 is not in section python"
for dependency in python3-pymeasure python3-pyvisa-py; do
  grep -qw "$dependency" <<<"$(field "$pydeb" Depends)" ||
    fail "python3-tlv880 does not depend on $dependency"
done

# ---- lintian --------------------------------------------------------------------------------
if command -v lintian > /dev/null; then
  # Overrides shipped in a package are honoured; anything else of severity warning or error
  # fails. Overridden tags are listed with their reasons.
  status=0
  lintian --fail-on error,warning --show-overrides "$libdeb" "$appdeb" "$pydeb" > "$work/lintian" 2>&1 ||
    status=$?
  grep -v 'running with root privileges' "$work/lintian" || true
  [ "$status" -eq 0 ] || fail "lintian found errors or warnings"
  echo "lintian: clean"
else
  echo "lintian not installed: the packages were not checked with it"
fi

# ---- files ----------------------------------------------------------------------------------
root="$work/root"
dpkg-deb -x "$libdeb" "$root"
dpkg-deb -x "$appdeb" "$root"
lib=$(dirname "$(cd "$root" && find usr/lib* -name 'libtlv880a.so.*' -type f | head -1)")
[ -n "$lib" ] && [ "$lib" != . ] || fail "libtlv880a.so.* missing from $libpkg"
[ -L "$root/$lib/libtlv880a.so.1" ] || fail "no link libtlv880a.so.1 in $lib"
[ ! -e "$root/$lib/libtlv880a.so" ] || fail "the development link libtlv880a.so is packaged"
for file in usr/bin/coflux usr/bin/tlvmonitor usr/bin/tlvmulti usr/bin/tlvfleet \
  usr/share/tlv880/coflux.html usr/share/tlv880/process.html usr/share/tlv880/charts.html \
  usr/share/tlv880/alarms.html usr/share/tlv880/coflux/Default.dat \
  usr/share/tlv880/coflux/Default.chamber usr/share/tlv880/materials.txt \
  usr/share/doc/tlv880/copyright usr/share/doc/tlv880/changelog.gz \
  "usr/share/doc/$libpkg/copyright" "usr/share/doc/$libpkg/changelog.gz"; do
  [ -s "$root/$file" ] || fail "$file missing from the packages"
done
zcat "$root/usr/share/doc/tlv880/changelog.gz" | head -1 | grep -q "^tlv880 ($version) " ||
  fail "the changelog's latest entry is not version $version"
for program in coflux tlvmonitor tlvmulti tlvfleet; do
  [ -x "$root/usr/bin/$program" ] || fail "$program is not executable"
  [ -s "$root/usr/share/man/man1/$program.1.gz" ] || fail "no manual page for $program"
  grep -q "^TryExec=$program\$" "$root/usr/share/applications/$program.desktop" ||
    fail "$program.desktop does not start $program"
done
if find "$root" -name '*.a' -o -name '*test*' -type f | grep -q .; then
  fail "the packages hold build or test files"
fi

# The Python driver on its own in a clean folder: Debian's python3 imports it from the folder
# it was unpacked in (dist-packages, where an installed one is found), with nothing byte-compiled
# or left from the build in the package.
pyroot="$work/pyroot"
dpkg-deb -x "$pydeb" "$pyroot"
pysite="$pyroot/usr/lib/python3/dist-packages"
for file in usr/lib/python3/dist-packages/tlv880/__init__.py \
  usr/lib/python3/dist-packages/tlv880/coflux.py usr/share/doc/python3-tlv880/copyright \
  usr/share/doc/python3-tlv880/changelog.gz \
  usr/share/doc/python3-tlv880/examples/deposition_procedure.py; do
  [ -s "$pyroot/$file" ] || fail "$file missing from python3-tlv880"
done
if find "$pyroot" -name '*.pyc' -o -name '__pycache__' -o -name 'test*' | grep -q .; then
  fail "python3-tlv880 holds byte code or tests"
fi
imported=$(cd "$work" && env -i PATH=/usr/bin:/bin PYTHONPATH="$pysite" PYTHONDONTWRITEBYTECODE=1 \
  /usr/bin/python3 -c 'import tlv880, pymeasure.instruments as i
assert issubclass(tlv880.Coflux, i.Instrument) and issubclass(tlv880.TlvMonitor, i.Instrument)
print(tlv880.__file__)') || fail "the unpacked driver does not import"
[ "$imported" = "$pysite/tlv880/__init__.py" ] || fail "tlv880 was imported from $imported"
echo "python3-tlv880 imports from the unpacked folder"

# ---- runs as a user -------------------------------------------------------------------------
# As root every folder is writable, so the runs are made as the unprivileged user "nobody".
home="$work/home"
mkdir -p "$home"
chmod -R a-w "$root/usr"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown -R nobody "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# Runs a command in folder $1 as the user, with nothing of this machine's environment but the
# unpacked library on the search path (only its versioned name is there, as once installed).
run_as_user() {
  local folder=$1
  shift
  (cd "$folder" &&
    env -i PATH=/usr/bin:/bin HOME="$home" LD_LIBRARY_PATH="$root/$lib" TLV880_DRIVER=none \
      "${as_user[@]}" "$@")
}

# Every option a program's --help names is described in its manual page.
# coflux makes its application object before reading its arguments, so its --help needs a
# display platform even here.
for program in coflux tlvmonitor tlvmulti tlvfleet; do
  run_as_user "$home" env QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --help \
    > "$work/help" ||
    fail "$program --help failed"
  page=$(zcat "$root/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
  for option in $(grep -o -- '--[a-z][a-z-]*' "$work/help" | sort -u); do
    grep -q -- "fB$option\\\\fR" <<<"$page" || fail "$program's manual page lacks $option"
  done
done
for program in tlvmonitor tlvmulti tlvfleet; do
  [ "$(run_as_user "$home" "$root/usr/bin/$program" --version)" = "$program $version" ] ||
    fail "$program --version does not print $version"
done

data="$home/.local/share/TLV880/coflux"
status=0
run_as_user "$home" "$root/usr/bin/coflux" --run Default.dat --headless \
  > "$work/stdout" 2> "$work/stderr" || status=$?
echo "first coflux --run Default.dat: status $status"; cat "$work/stdout"
[ "$status" -eq 0 ] || { cat "$work/stderr" >&2; fail "the first run ended with status $status"; }
grep -qx 'Deposition halted\.' "$work/stdout" || fail "no halt message on standard output"
if grep -q 'could not be loaded' "$work/stderr"; then fail "the card library was not found"; fi
cmp -s "$data/Default.dat" "$root/usr/share/tlv880/coflux/Default.dat" ||
  fail "the demonstration setup was not copied into $data"
[ -s "$home/TLV880.LOG" ] || fail "the demonstration wrote no log in the working folder"
[ ! -e "$root/usr/bin/Default.dat" ] || fail "a setup file was written beside the program"

# The user edits the setup (a short deposition); the next run uses it and nothing replaces it.
sed "s|@LOG@|$home/quick.log|" "$quick" > "$work/edited"
cp "$work/edited" "$data/Default.dat"
status=0
run_as_user "$home" "$root/usr/bin/coflux" --run Default.dat --headless --minutes 5 \
  > "$work/stdout" 2> "$work/stderr" || status=$?
echo "second coflux --run Default.dat: status $status"
[ "$status" -eq 0 ] || { cat "$work/stderr" >&2; fail "the second run ended with status $status"; }
cmp -s "$data/Default.dat" "$work/edited" || fail "the user's edited Default.dat was changed"
grep -q '^Time, Output, Thick, Rate, Power' "$home/quick.log" || fail "the edited setup did not run"

# The desktop entries start each program in its per-user data folder. The Exec line, once the
# desktop file's own backslash escaping is undone, is shell syntax; a stand-in program on the
# path reports the folder it was started in.
mkdir -p "$work/standin"
for pair in coflux:TLV880/coflux tlvmonitor:tlvmonitor tlvmulti:tlvmulti tlvfleet:tlvfleet; do
  program=${pair%%:*}
  printf '#!/bin/sh\npwd > "%s"\n' "$work/started-in" > "$work/standin/$program"
  chmod 755 "$work/standin/$program"
  line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$program.desktop")
  line=${line//\\\\/\\}
  rm -f "$work/started-in"
  (cd / && env -i PATH="$work/standin:/usr/bin:/bin" HOME="$home" bash -c "$line")
  [ "$(cat "$work/started-in")" = "$home/.local/share/${pair#*:}" ] ||
    fail "$program.desktop starts it in $(cat "$work/started-in")"
done
echo "packages checked"
