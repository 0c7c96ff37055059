#!/usr/bin/env bash
# The databases and the technician TeamConnectTest connects to, on the private
# server of scripts/team-server.sh: tc_team with the schema, tc_newer with a
# newer schema version, tc_plain without the schema; tc_tech's password holds
# the characters the password file escapes.
set -euo pipefail
source "${1:?usage: $0 SERVER_DIR}/env"
export PGOPTIONS="-c client_min_messages=warning"
sql=$(dirname "$0")/../../server/darvell-team.sql
q() { psql -X -v ON_ERROR_STOP=1 -qtA "$@"; }
q -c "DO \$\$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tc_owner') THEN
      CREATE ROLE tc_owner LOGIN CREATEROLE; END IF; END \$\$"
for db in tc_team tc_newer tc_plain; do
  dropdb --if-exists "$db"
  createdb -O tc_owner -E UTF8 -T template0 "$db"
done
for db in tc_team tc_newer; do q -U tc_owner -d "$db" -f "$sql" >/dev/null; done
q -U tc_owner -d tc_newer -c "UPDATE server SET schema_version = 2"
q -U tc_owner -d tc_team -c "DROP ROLE IF EXISTS tc_tech" \
  -c "CREATE ROLE tc_tech LOGIN PASSWORD 'te:ch\\pw' IN ROLE darvell_technician" \
  -c "DROP ROLE IF EXISTS tc_tech2" -c "CREATE ROLE tc_tech2 LOGIN PASSWORD 'second' IN ROLE darvell_technician"
