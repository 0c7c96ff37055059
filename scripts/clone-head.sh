# Sourced by the packaging scripts: a fresh clone of the committed HEAD.
#   darvell_clone_head SRC DEST WORK   (sets head_commit; WORK holds a private git configuration)
# SRC must be the top folder of a git checkout.
darvell_clone_head() {
  local src dest=$2 work=$3 top
  src=$(cd "$1" && pwd -P) || return 1
  # The checkout may belong to another user (CI builds as root): git is told to
  # trust this one folder, by its path, through a private global configuration.
  # Another repository that git might find above it stays untrusted, and no
  # file system monitor or hook named in a configuration runs.
  printf '[safe]\n\tdirectory = %s\n' "$src" >"$work/gitconfig"
  repo_git() {
    GIT_CONFIG_GLOBAL="$work/gitconfig" git -c core.fsmonitor=false -c core.hooksPath=/dev/null "$@"
  }
  top=$(repo_git -C "$src" rev-parse --show-toplevel) || {
    echo "package: $src is not a git checkout git may use" >&2
    return 1
  }
  [ "$top" = "$src" ] || {
    echo "package: $src is not the top of a git checkout (git found $top)" >&2
    return 1
  }
  # Fetching reads the checkout through its .git (a folder, or in a linked
  # worktree a file naming the git folder): trusted by those paths too, as is
  # the clone this run makes.
  printf '\tdirectory = %s\n' "$src/.git" "$(repo_git -C "$src" rev-parse --absolute-git-dir)" "$dest" \
    >>"$work/gitconfig"
  head_commit=$(repo_git -C "$src" rev-parse HEAD)
  [ -z "$(repo_git -C "$src" status --porcelain --untracked-files=no)" ] ||
    echo "package: note: uncommitted changes are left out; packing $head_commit" >&2
  repo_git clone --quiet --no-checkout "$src" "$dest"
  repo_git -C "$dest" fetch --quiet "$src" "$head_commit"
  repo_git -C "$dest" -c advice.detachedHead=false checkout --quiet "$head_commit"
}
