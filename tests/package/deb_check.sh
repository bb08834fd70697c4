#!/usr/bin/env bash
# By hand, as root, on a machine where the package may be installed and removed again (not
# part of CTest: it changes the system). Builds the Debian package from BUILD_DIR, checks its
# dependencies and contents, installs it with dpkg -i, runs kvrhost from PATH and removes the
# package with dpkg -r (and --purge).
#
#   tests/package/deb_check.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: deb_check.sh BUILD_DIR}"
fail() { echo "FAIL: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' kvrexportcreator9 2>/dev/null | grep -q 'ok installed'; }
installed && fail "kvrexportcreator9 is installed already"

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/kvrexportcreator9_*.deb | head -1)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends
depends=$(dpkg-deb --field "$deb" Depends)
for p in libfbclient2 firebird3.0-server-core libc6 libstdc++6; do
  grep -q "\b$p\b" <<<"$depends" || fail "Depends lacks $p: $depends"
  [ "$(grep -o "\b$p (" <<<"$depends" | wc -l)" -eq 1 ] || fail "$p twice in Depends: $depends"
done
dpkg-deb --contents "$deb" | awk '{print $NF}' | sort >"$build/deb-contents.txt"
for f in ./usr/bin/kvrhost ./usr/lib/kvrexportcreator9/libKVRExportCreator9.so \
         ./usr/lib/kvrexportcreator9/libCorvane.so ./usr/include/kvr/host_abi.h \
         ./usr/include/kvr/version.h ./usr/lib/pkgconfig/kvrexportcreator9.pc \
         ./usr/lib/cmake/KVRExportCreator9/KVRExportCreator9Config.cmake; do
  grep -qxF "$f" "$build/deb-contents.txt" || fail "not in the package: $f"
done

# dpkg -r leaves the package's record (its maintainer scripts); --purge clears that too.
removed=0
remove() {
  [ "$removed" = 1 ] && return
  removed=1
  dpkg -r kvrexportcreator9 >/dev/null && dpkg --purge kvrexportcreator9 >/dev/null
}
trap remove EXIT
dpkg -i "$deb"
echo "== from PATH: $(command -v kvrhost)"
if kvrhost --version; then :; else
  echo "(no --version in this kvrhost; --help instead)"
  kvrhost --help | head -3
fi
pkg-config --modversion kvrexportcreator9
remove
dpkg-query -W kvrexportcreator9 >/dev/null 2>&1 && fail "still known to dpkg after dpkg -r"
[ ! -e /usr/bin/kvrhost ] || fail "/usr/bin/kvrhost left behind"
echo "package installed, run and removed: OK"
