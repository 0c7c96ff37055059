# Sourced by the packaging scripts: a fresh clone of the committed HEAD.
#   darvell_clone_head SRC DEST WORK   (sets head_commit; WORK holds a private git configuration)
darvell_clone_head() {
  local src=$1 dest=$2 work=$3
  # The checkout may belong to another user (CI builds as root): git is told to
  # trust it through a private global configuration, for these commands only.
  printf '[safe]\n\tdirectory = *\n' >"$work/gitconfig"
  repo_git() { GIT_CONFIG_GLOBAL="$work/gitconfig" git "$@"; }
  head_commit=$(repo_git -C "$src" rev-parse HEAD)
  [ -z "$(repo_git -C "$src" status --porcelain --untracked-files=no)" ] ||
    echo "package: note: uncommitted changes are left out; packing $head_commit" >&2
  repo_git clone --quiet --no-checkout "$src" "$dest"
  repo_git -C "$dest" fetch --quiet "$src" "$head_commit"
  repo_git -C "$dest" -c advice.detachedHead=false checkout --quiet "$head_commit"
}
