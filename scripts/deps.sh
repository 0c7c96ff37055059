# Sourced by the set-up scripts: installs the Debian packages Darvell needs to
# build, test and run, and only those that are missing.
DARVELL_PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool xclip imagemagick x11-utils tesseract-ocr libx11-dev openbox
  git desktop-file-utils libglib2.0-bin
  fonts-noto-cjk fonts-dejavu-core
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
# GoogleTest to build for Windows, a window manager and OCR for the checks.
DARVELL_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 ninja-build dpkg-dev
  qt6-base-dev-tools googletest wine64 wine openbox zip unzip
)
darvell_install_windows_deps() {
  darvell_install_deps "${DARVELL_WINDOWS_PACKAGES[@]}"
}

# apt-get source needs deb-src lines: added beside the system's own deb entries.
darvell_enable_deb_src() {
  local list=/etc/apt/sources.list.d/darvell-deb-src.sources
  grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list && return 0
  grep -qs '^deb-src ' /etc/apt/sources.list && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  local src
  for src in /etc/apt/sources.list.d/debian.sources; do
    [ -f "$src" ] || continue
    sed 's/^Types: deb$/Types: deb-src/' "$src" | $sudo tee "$list" >/dev/null
  done
  [ -f "$list" ] || echo 'deb-src http://deb.debian.org/debian bookworm main' | $sudo tee /etc/apt/sources.list.d/darvell-deb-src.list >/dev/null
  $sudo apt-get update -q
}
