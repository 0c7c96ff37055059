#!/usr/bin/env bash
# The databases and the technician TeamConnectTest connects to, on the private
# server of scripts/team-server.sh: tc_team with the schema, tc_newer with a
# newer schema version, tc_plain without the schema; tc_tech's password holds
# the characters the password file escapes; tc_e2e is the end-to-end run's own.
set -euo pipefail
source "${1:?usage: $0 SERVER_DIR}/env"
export PGOPTIONS="-c client_min_messages=warning"
sql=$(dirname "$0")/../../server/darvell-team.sql
q() { psql -X -v ON_ERROR_STOP=1 -qtA "$@"; }
q -c "DO \$\$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tc_owner') THEN
      CREATE ROLE tc_owner LOGIN CREATEROLE; END IF; END \$\$"
for db in tc_team tc_newer tc_plain tc_e2e tc_hostile; do
  dropdb --if-exists "$db"
  createdb -O tc_owner -E UTF8 -T template0 "$db"
done
for db in tc_team tc_newer tc_e2e tc_hostile; do q -U tc_owner -d "$db" -f "$sql" >/dev/null; done
q -U tc_owner -d tc_newer -c "UPDATE server SET schema_version = 2"
q -U tc_owner -d tc_team -c "DROP ROLE IF EXISTS tc_tech" \
  -c "CREATE ROLE tc_tech LOGIN PASSWORD 'te:ch\\pw' IN ROLE darvell_technician" \
  -c "DROP ROLE IF EXISTS tc_tech2" -c "CREATE ROLE tc_tech2 LOGIN PASSWORD 'second' IN ROLE darvell_technician"

# tc_hostile: rows no program of ours writes, added by the database's owner,
# for whom nothing checks them: the owner drops the note's length check and
# the trigger that refuses times ahead of the clock (writing utc itself). A
# UTF-8 database keeps only UTF-8 text, and one in another encoding (which the
# file refuses) would not hand other bytes to a UTF-8 client either: for a
# note that is not UTF-8, the superuser lets bytea pass as text while the rows
# are added.
q -c "CREATE CAST (bytea AS text) WITHOUT FUNCTION" -d tc_hostile
q -U tc_owner -d tc_hostile <<'SQL'
ALTER TABLE note_change DROP CONSTRAINT note_change_note_check;
ALTER TABLE record DISABLE TRIGGER stamp;
ALTER TABLE note_change DISABLE TRIGGER stamp;
INSERT INTO record (id, time, utc, narrowed, version, language, series, units, side, code_main, code_sub1,
                    code_sub2, interlock, halt, error_numbers, laptop)
SELECT id, time, time::timestamptz, false, '1.0', 1, 0, 1, 1, code, '', '', 0, 0, '149 150 151 152', 'press-pc'
FROM (VALUES ('00000000-0000-4000-8000-000000000001', '2026-01-02T03:04:05+00:00', 'No error code'),
             ('00000000-0000-4000-8000-000000000002', '2026-01-02T03:04:05+00:00', 'E99'),
             ('00000000-0000-4000-8000-000000000003', '9999-12-31T23:59:59+00:00', 'No error code')) AS r (id, time, code);
INSERT INTO note_change (record_id, note, time, utc)
SELECT '00000000-0000-4000-8000-000000000001', note, time, time::timestamptz
FROM (VALUES (repeat('n', 1048576), '2026-01-02T03:05:00+00:00'),
             ('\x626164ff20fe6e6f7465'::bytea::text, '2026-01-02T03:06:00+00:00'),
             ('from the future', '9999-12-31T23:59:59+00:00')) AS n (note, time);
SQL
q -c "DROP CAST (bytea AS text)" -d tc_hostile
