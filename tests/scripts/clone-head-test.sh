#!/usr/bin/env bash
# darvell_clone_head trusts exactly the checkout it is given: a repository git
# finds above another folder is refused unread, a folder inside the checkout is
# refused, a linked worktree is cloned, and no file system monitor named in a
# configuration runs. Every repository here counts as another user's, as a root
# run in CI meets them.
set -euo pipefail
source "$(dirname "$0")/../../scripts/clone-head.sh"
t=$(mktemp -d) && trap 'rm -rf "$t"' EXIT
export GIT_CONFIG_GLOBAL=/dev/null GIT_CONFIG_NOSYSTEM=1
fail() { echo "clone-head-test: FAIL: $*" >&2; exit 1; }
for r in outer outer/checkout; do
  mkdir -p "$t/$r/sub" && echo "$r" >"$t/$r/sub/file" && mkdir "$t/$r/plain"
  git -C "$t/$r" init -q && git -C "$t/$r" add sub && git -C "$t/$r" -c user.name=t -c user.email=t@t commit -qm "$r"
done
git -C "$t/outer/checkout" worktree add -q "$t/linked"
printf '#!/bin/sh\ntouch "%s/ran"\n' "$t" >"$t/monitor" && chmod +x "$t/monitor"
git -C "$t/outer" config core.fsmonitor "$t/monitor" && git -C "$t/outer/checkout" config core.fsmonitor "$t/monitor"
echo changed >"$t/outer/checkout/sub/file"
export GIT_TEST_ASSUME_DIFFERENT_OWNER=1
for bad in outer/plain outer/checkout/sub; do
  (darvell_clone_head "$t/$bad" "$t/clone" "$t") 2>/dev/null && fail "$bad was cloned"
done
darvell_clone_head "$t/outer/checkout" "$t/clone" "$t" 2>/dev/null
[ "$(cat "$t/clone/sub/file")" = outer/checkout ] || fail "the clone is not the checkout's committed HEAD"
darvell_clone_head "$t/linked" "$t/clone2" "$t" || fail "a linked worktree was not cloned"
[ ! -e "$t/ran" ] || fail "a configured file system monitor ran"
echo "clone-head-test: PASS"
