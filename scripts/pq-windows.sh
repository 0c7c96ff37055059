#!/usr/bin/env bash
# Builds libpq, PostgreSQL's client library, for 64-bit Windows with MinGW-w64,
# and the OpenSSL 3 it speaks TLS through (Debian ships no MinGW OpenSSL), from
# Debian's postgresql-15 and openssl sources, into a cache outside the work
# tree: ~/.cache/darvell/pq-15-mingw64, or where DARVELL_PQ_WINDOWS says
# (bin/ libpq.dll, libssl-3-x64.dll, libcrypto-3-x64.dll; lib/ their import
# libraries; include/; licenses/). About 7 minutes for OpenSSL and 2 for libpq
# on two idle cores, several times that while other builds share them. A
# second call finds the cache and returns at once; a killed build leaves none.
#   scripts/pq-windows.sh    (prints the cache's path last)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-env.sh
darvell_windows_cache pq-windows darvell_windows_pq_dir

fail() { echo "pq-windows: $*" >&2; exit 1; }
host=x86_64-w64-mingw32
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
start=$(date +%s)
# The cache is made beside its place and renamed into it when complete, so
# that no half-made cache is ever found.
if [ -e "$cache" ]; then
  fail "$cache exists but is no complete build; remove it and run this again"
fi
mkdir -p "$(dirname "$cache")"
# What a killed build left (a build takes minutes, not a day).
find "$(dirname "$cache")" -maxdepth 1 -name "$(basename "$cache").partial.*" -mmin +1440 -exec rm -rf {} + || true
find "${TMPDIR:-/tmp}" -maxdepth 1 -user "$(id -u)" -name 'darvell-pq-windows.*' -mmin +1440 -exec rm -rf {} + || true
work=$(mktemp -d "${TMPDIR:-/tmp}/darvell-pq-windows.XXXXXX")
out=$(mktemp -d "$cache.partial.XXXXXX")
trap 'rm -rf "$work" "$out"' EXIT
mkdir -p "$out/bin" "$out/lib" "$out/include/openssl" "$out/licenses"

# The newest version of PACKAGE's source that the archive still serves (a
# mirror may list a version whose files it no longer has), with Debian's
# patches applied; apt-get checks the files against the signed index.
# Prints the unpacked folder.
#   fetch_source PACKAGE
fetch_source() {
  local package=$1 version dir
  darvell_enable_deb_src "$package" >&2
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -Vru); do
    dir=$work/$package-$version
    mkdir -p "$dir"
    if (cd "$dir" && apt-get source -q "$package=$version" >"$dir.log" 2>&1); then
      find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1
      echo "$package $version" >"$out/licenses/$package.source"
      return 0
    fi
    echo "pq-windows: $package $version could not be fetched: $(grep -m1 '^E:' "$dir.log")" >&2
    rm -rf "$dir"
  done
  fail "apt-get source gave no $package source"
}

ssl_src=$(fetch_source openssl)
pg_src=$(fetch_source postgresql-15)

# OpenSSL reads its configuration (which may load engines and providers) from
# folders fixed at build time: these are under C:\Program Files, which only
# administrators may write; a Unix prefix would name a folder on the current
# drive that any user could make.
echo "pq-windows: building $(cat "$out/licenses/openssl.source")"
(cd "$ssl_src" &&
  ./Configure mingw64 --cross-compile-prefix=$host- shared no-tests \
    --prefix="C:/Program Files/OpenSSL" --libdir=lib >"$work/openssl-configure.log" 2>&1 &&
  nice -n 10 make -j"$jobs" build_libs >"$work/openssl-make.log" 2>&1) ||
  fail "OpenSSL did not build: $(tail -n 5 "$work"/openssl-*.log)"
cp "$ssl_src"/libcrypto-3-x64.dll "$ssl_src"/libssl-3-x64.dll "$out/bin/"
cp "$ssl_src"/libcrypto.dll.a "$ssl_src"/libssl.dll.a "$out/lib/"
cp "$ssl_src"/include/openssl/*.h "$out/include/openssl/"

# libpq alone: its configure checks the whole source's needs, of which only
# OpenSSL stays; the library links Windows' sockets, security and shell DLLs.
# Its service file (pg_service.conf) is looked for under the prefix, which is
# under C:\Program Files for the same reason as OpenSSL's.
echo "pq-windows: building libpq of $(cat "$out/licenses/postgresql-15.source")"
(cd "$pg_src" &&
  ./configure --host=$host --prefix="C:/Program Files/PostgreSQL" \
    --with-ssl=openssl --without-readline --without-zlib --without-icu \
    CPPFLAGS="-I$out/include" LDFLAGS="-L$out/lib" >"$work/libpq-configure.log" 2>&1 &&
  nice -n 10 make -j"$jobs" -C src/interfaces/libpq >"$work/libpq-make.log" 2>&1) ||
  fail "libpq did not build: $(tail -n 5 "$work"/libpq-*.log)"
cp "$pg_src/src/interfaces/libpq/libpq.dll" "$out/bin/"
cp "$pg_src/src/interfaces/libpq/libpq.a" "$out/lib/libpq.dll.a"
cp "$pg_src"/src/interfaces/libpq/{libpq-fe.h,libpq-events.h} "$pg_src"/src/include/postgres_ext.h \
  "$pg_src"/src/include/{pg_config_ext.h,pg_config.h} "$out/include/"
$host-strip --strip-unneeded "$out"/bin/*.dll

cp "$ssl_src/LICENSE.txt" "$out/licenses/openssl.LICENSE.txt"
cp "$ssl_src/debian/copyright" "$out/licenses/openssl.copyright"
cp "$pg_src/COPYRIGHT" "$out/licenses/postgresql.COPYRIGHT.txt"
cp "$pg_src/debian/copyright" "$out/licenses/postgresql-15.copyright"
end=$(date +%s)
echo "libpq $(sed 's/.* //' "$out/licenses/postgresql-15.source") and OpenSSL" \
  "$(sed 's/.* //' "$out/licenses/openssl.source") for Windows, built in $(( (end - start) / 60 )) min" >"$out/.complete"
chmod 755 "$out"
if ! mv -T "$out" "$cache" 2>/dev/null; then
  [ -f "$cache/.complete" ] || fail "could not move the build into $cache"
  echo "pq-windows: another run made $cache meanwhile; kept that one"
fi
echo "pq-windows: $(cat "$cache/.complete"): $cache"
echo "$cache"
