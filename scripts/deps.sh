# Sourced by the set-up scripts: installs the Debian packages Darvell needs to
# build, test and run, and only those that are missing.
DARVELL_PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool xclip imagemagick x11-utils tesseract-ocr libx11-dev
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
