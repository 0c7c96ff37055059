#!/usr/bin/env bash
# The deb-src entries deps.sh derives come only from the system's deb entries
# for the archive asked for, keep their suites, components and keys, and leave
# out disabled stanzas, comments and other archives.
set -euo pipefail
source "$(dirname "$0")/../../scripts/deps.sh"
t=$(mktemp -d) && trap 'rm -rf "$t"' EXIT
fail() { echo "deps-test: FAIL: $*" >&2; exit 1; }
a=http://archive.example/debian
printf 'Types: deb\nURIs: %s/\nSuites: s s-updates\nComponents: main\nSigned-By: /k.gpg\n\n# note\nTypes: deb\nURIs: https://other.example/x\nSuites: y\n\nTypes: deb\nEnabled: no\nURIs: %s\n' "$a" "$a" >"$t/a.sources"
printf '# deb %s s main\ndeb [arch=amd64 signed-by=/k.gpg] %s s main\ndeb https://other.example/x y main\ndeb-src %s old main\n' "$a" "$a" "$a" >"$t/a.list"
[ "$(darvell_deb_src_entries sources "$a" "$t/a.sources" "$t/missing.sources")" = \
  "$(printf 'Types: deb-src\nURIs: %s/\nSuites: s s-updates\nComponents: main\nSigned-By: /k.gpg' "$a")" ] ||
  fail "deb822 stanzas: $(darvell_deb_src_entries sources "$a" "$t/a.sources")"
[ "$(darvell_deb_src_entries list "https://none.example $a/" "$t/a.list")" = "deb-src [arch=amd64 signed-by=/k.gpg] $a s main" ] ||
  fail "one-line entries: $(darvell_deb_src_entries list "$a" "$t/a.list")"
[ -z "$(darvell_deb_src_entries list https://none.example "$t/a.list")$(darvell_deb_src_entries sources "" "$t/a.sources")" ] ||
  fail "entries derived for an archive the system does not name"
echo "deps-test: PASS"
