# Sourced by the set-up scripts: installs the Debian packages Darvell needs to
# build, test and run, and only those that are missing.
DARVELL_PACKAGES=(
  cmake g++ make ninja-build lld pkg-config
  qt6-base-dev libgl-dev libfontconfig-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # The diagnosis history's database; the end-to-end run reads it with the shell.
  libsqlite3-dev sqlite3
  # The plant history's schema and the team connection (libpq, in the module
  # darvell_team) are tested on a private PostgreSQL server, over TLS with
  # certificates openssl makes.
  postgresql-15 postgresql-client-15 libpq-dev openssl
  # bench/StartupBench starts a private session bus.
  dbus-daemon
  xvfb xdotool xclip imagemagick x11-utils tesseract-ocr libx11-dev openbox
  git desktop-file-utils libglib2.0-bin
  fonts-noto-cjk fonts-dejavu-core
  # Qt's own dialogs in Chinese; the Debian package is made with dpkg-shlibdeps
  # and checked with lintian.
  qt6-translations-l10n dpkg-dev lintian
  # The report's PDF embeds this TrueType CJK face as searchable text; the
  # tests read PDFs back with poppler's pdftotext and pdfinfo.
  fonts-wqy-microhei poppler-utils
)
# Only scripts/fuzz.sh needs these.
DARVELL_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# darvell_install_deps [EXTRA_PACKAGE...]
darvell_install_deps() {
  local missing=()
  for p in "${DARVELL_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The Windows build: MinGW-w64, Wine to run what it makes, the source of Qt and
# GoogleTest to build for Windows, tclsh for SQLite's single-file source, a
# window manager and OCR for the checks.
DARVELL_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 ninja-build dpkg-dev
  qt6-base-dev-tools googletest tcl wine64 wine openbox zip unzip
)
darvell_install_windows_deps() {
  darvell_install_deps "${DARVELL_WINDOWS_PACKAGES[@]}"
}

# apt-get source needs a deb-src entry for the archive a package comes from.
# One is derived from the system's own deb entries for that archive (same URIs,
# suites, components and keys); when the system has none, it says so.
#   darvell_enable_deb_src PACKAGE
darvell_enable_deb_src() {
  local package=$1 uris sudo="" made=""
  apt-cache showsrc "$package" 2>/dev/null | grep -q '^Package:' && return 0
  uris=$(apt-cache madison "$package" 2>/dev/null | awk -F'|' '{ split($3, f, " "); print f[1] }' | sort -u)
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  local apt=/etc/apt entries
  entries=$(darvell_deb_src_entries sources "$uris" "$apt"/sources.list.d/*.sources)
  if [ -n "$entries" ]; then
    printf '%s\n' "$entries" | $sudo tee "$apt/sources.list.d/darvell-deb-src.sources" >/dev/null
    made=1
  fi
  entries=$(darvell_deb_src_entries list "$uris" "$apt/sources.list" "$apt"/sources.list.d/*.list)
  if [ -n "$entries" ]; then
    printf '%s\n' "$entries" | $sudo tee "$apt/sources.list.d/darvell-deb-src.list" >/dev/null
    made=1
  fi
  if [ -z "$made" ]; then
    echo "deps: no deb-src entry for $package: none of the system's APT sources" \
      "(/etc/apt/sources.list, /etc/apt/sources.list.d/) has a deb entry for the archive it comes from" \
      "(${uris:-apt knows none}). Add a deb-src entry for that archive and run this again." >&2
    return 1
  fi
  $sudo apt-get update -q
}

# Prints the deb-src entries derived from the deb entries in the given files
# whose URI is one of URIS (separated by blanks or line breaks): deb822 stanzas
# for KIND "sources", one line each for KIND "list". Disabled stanzas and
# comments are left out; missing files are skipped.
#   darvell_deb_src_entries sources|list URIS FILE...
darvell_deb_src_entries() {
  local kind=$1 uris f
  uris=$(echo $2) # one line, for awk
  shift 2
  local files=()
  for f in "$@"; do [ -f "$f" ] && files+=("$f"); done
  [ ${#files[@]} -gt 0 ] || return 0
  awk -v kind="$kind" -v uris="$uris" '
    function wanted(u) { sub(/\/+$/, "", u); return u in want }
    function flush() {
      if (deb && keep && enabled) printf "%s%s", (printed++ ? "\n" : ""), stanza
      stanza = ""; deb = keep = 0; enabled = 1
    }
    BEGIN { n = split(uris, u, " "); for (i = 1; i <= n; i++) { sub(/\/+$/, "", u[i]); want[u[i]] = 1 }; enabled = 1 }
    kind == "list" && $1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
      if (wanted($i)) { sub(/^[ \t]*deb/, "deb-src"); print }
      next
    }
    kind == "list" { next }
    FNR == 1 { flush() }
    /^[ \t]*$/ { flush(); next }
    /^[ \t]*#/ { next }
    tolower($1) == "types:" { for (i = 2; i <= NF; i++) deb = deb || $i == "deb"; stanza = stanza "Types: deb-src\n"; next }
    tolower($1) == "uris:" { for (i = 2; i <= NF; i++) keep = keep || wanted($i) }
    tolower($1) == "enabled:" && tolower($2) == "no" { enabled = 0 }
    { stanza = stanza $0 "\n" }
    END { flush() }' "${files[@]}"
}
