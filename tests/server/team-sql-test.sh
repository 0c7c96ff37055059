#!/usr/bin/env bash
# server/darvell-team.sql applied by a CREATEROLE owner (twice, two at once, cut short, on a
# LATIN1 database), then what two technicians may add, change, remove and read.
# Usage: team-sql-test.sh SERVER_DIR   (made by scripts/team-server.sh start SERVER_DIR)
set -euo pipefail
source "${1:?usage: $0 SERVER_DIR}/env"
sql=$(dirname "$0")/../../server/darvell-team.sql
fail() { echo "team-sql-test: FAIL: $*" >&2; exit 1; }
q() { psql -X -v ON_ERROR_STOP=1 -qtA "$@"; }
apply() { q -U owner -d "$1" -f "${2:-$sql}"; }
tables() { q -d "$1" -c "SELECT string_agg(tablename, ' ' ORDER BY tablename) FROM pg_tables WHERE schemaname = 'public'"; }
q -c "CREATE ROLE owner LOGIN CREATEROLE"
for db in darvell twin cut; do createdb -O owner -E UTF8 -T template0 $db; done
createdb -O owner -E LATIN1 --locale=C -T template0 latin
apply darvell
state() { pg_dump -s -d darvell | grep -v '^\\'; q -d darvell -c 'TABLE server'; }
before=$(state)
[ "$(apply darvell)" = "darvell-team.sql: applied" ] || fail "a second run failed or did not say it applied"
[ "$(state)" = "$before" ] || fail "a second run changed the database: $(diff <(echo "$before") <(state))"
apply twin & apply twin && wait $! || fail "one of two runs at once failed"
out=$(apply latin 2>&1) && fail "applied to a LATIN1 database"
[[ $out == *"not UTF-8; nothing was created"* ]] && [ -z "$(tables latin)" ] || fail "LATIN1 database: $out"
out=$(apply cut <(sed '/^COMMIT;/,$d' "$sql")) && [ -z "$out$(tables cut)" ] || fail "a run cut short left $out $(tables cut)"

for who in alice bob; do q -U owner -d darvell -c "CREATE ROLE $who LOGIN PASSWORD 'pw' IN ROLE darvell_technician"; done
as() { PGPASSWORD=pw q -h 127.0.0.1 -U "$1" -d darvell -c "$2" 2>&1; }
A=aaaaaaaa-0000-4000-8000-000000000001 B=bbbbbbbb-0000-4000-8000-000000000002 C=cccccccc-0000-4000-8000-000000000003
now=$(date +%FT%T.123%:z) near=$(date -d '+23 hours' +%FT%T%:z) ahead=$(date -u -d '+25 hours' +%FT%TZ)
rec() { echo "INSERT INTO record (id, time, narrowed, version, language, series, units, side, code_main, code_sub1, \
code_sub2, interlock, halt, error_numbers, author, laptop) VALUES ('$1', '$2', false, '1.0.1.0', 1, 0, 2, 1, 'E 1', '-', \
'', 0, 2, '149 150', ${3:-session_user}, '${4:-PC-01 测试}')"; }
cases="ok|alice|$(rec $A "$now")
ok|bob|$(rec $B "$now")
ok|alice|$(rec $A "$now") ON CONFLICT DO NOTHING
ok|alice|INSERT INTO note_change (record_id, note, time) VALUES ('$B', 'Lens cleaned, 清洁', '$now')
ok|alice|INSERT INTO machine_change (record_id, machine, time) VALUES ('$A', 'Press 4', '$now')
ok|alice|INSERT INTO deletion (record_id, time) VALUES ('$A', '$now')
ok|alice|$(rec $C "$near")
row-level security|alice|INSERT INTO deletion (record_id, time) VALUES ('$B', '$now')
row-level security|alice|$(rec cccccccc-0000-4000-8000-000000000004 "$now" "'bob'")
row-level security|bob|INSERT INTO note_change (record_id, note, time, author) VALUES ('$B', 'x', '$now', 'alice')
more than a day after|alice|$(rec cccccccc-0000-4000-8000-000000000005 "$ahead")
no ISO 8601 time|bob|INSERT INTO deletion (record_id, time) VALUES ('$B', '2026-12-09 14:05')
check constraint|alice|$(rec cccccccc-0000-4000-8000-000000000006 "$now" session_user "$(printf '%065d' 0)")
check constraint|bob|INSERT INTO note_change (record_id, note, time) VALUES ('$B', repeat('é', 501), '$now')
check constraint|bob|INSERT INTO machine_change (record_id, machine, time) VALUES ('$B', repeat('x', 61), '$now')
permission denied|alice|INSERT INTO note_change (record_id, note, time, change_id) VALUES ('$A', 'x', '$now', 1)
permission denied|alice|INSERT INTO deletion (record_id, time, xact) VALUES ('$C', '$now', '1')"
for t in record note_change machine_change deletion server; do
  cases+=$'\n'"permission denied|bob|UPDATE $t SET $([ $t = server ] && echo schema_version || echo author) = NULL"
  cases+=$'\n'"permission denied|alice|DELETE FROM $t"$'\n'"permission denied|bob|TRUNCATE $t"
done
while IFS='|' read -r expect who stmt; do
  if out=$(as "$who" "$stmt"); then [ "$expect" = ok ]; else [ "$expect" != ok ] && [[ $out == *"$expect"* ]]; fi ||
    fail "$who: $stmt: ${out:-done} (expected $expect)"
done <<<"$cases"
got=$(as bob "SELECT concat_ws(' ', (SELECT string_agg(author || '@' || laptop, ',' ORDER BY change_id) FROM record),
  (SELECT utc = '$now' FROM record WHERE id = '$A'), (SELECT count(*) FROM note_change), (SELECT count(*) FROM
  machine_change), (SELECT count(*) FROM deletion), (SELECT schema_version FROM server))")
[ "$got" = "alice@PC-01 测试,bob@PC-01 测试,alice@PC-01 测试 t 1 1 1 1" ] || fail "read by bob: $got"
[ "$(as alice "INSERT INTO note_change (record_id, note, time) VALUES ('$C', '', '$now');
  SELECT xact = pg_current_xact_id() FROM note_change WHERE record_id = '$C'")" = t ] || fail "no transaction id kept"
echo "team-sql-test: PASS"
