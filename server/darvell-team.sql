-- The plant's shared diagnosis history, on PostgreSQL 14 or later.
--
-- Apply to an empty UTF-8 database, as its owner (a role with CREATEROLE):
--   psql -v ON_ERROR_STOP=1 -d darvell -f darvell-team.sql
-- One transaction: it all applies or nothing does. Running it again changes
-- nothing; the server id made the first time stays. The last line it prints
-- is "darvell-team.sql: applied"; without it (a copy cut short) nothing was.
--
-- Every change is a row added to an insert-only table: records (fields fixed
-- once made, keyed by their id), note changes, machine changes and deletion
-- markers. Each row names the record it concerns, keeps the laptop's local
-- time with its offset and the UTC moment the server reads from it, its author
-- (the login role that added it), a change id in the order rows were added
-- and the id of the transaction that added it, so that a client pulling from a
-- snapshot's horizon also gets rows a transaction still open then commits later.
--
-- Technicians (login roles in the group role darvell_technician) read every
-- row and add rows of their own; none may change or remove one.
\set ON_ERROR_STOP on
BEGIN;
SET LOCAL client_min_messages = warning;

DO $$
BEGIN
  IF pg_catalog.getdatabaseencoding() <> 'UTF8' THEN
    RAISE EXCEPTION 'database "%" is encoded in %, not UTF-8; nothing was created',
      current_database(), pg_catalog.getdatabaseencoding()
      USING HINT = 'Create the database with: CREATE DATABASE darvell ENCODING ''UTF8'' TEMPLATE template0;';
  END IF;
  IF current_setting('server_version_num')::int < 140000 THEN
    RAISE EXCEPTION 'PostgreSQL % is too old: version 14 or later is needed; nothing was created',
      current_setting('server_version');
  END IF;
  -- Two administrators applying this at once take turns.
  PERFORM pg_advisory_xact_lock(hashtext('darvell-team.sql'));
END $$;

DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = 'darvell_technician') THEN
    CREATE ROLE darvell_technician NOLOGIN;
  END IF;
END $$;

-- The schema's version and this server's id, one row. A restored backup keeps
-- the id; a new server makes another.
CREATE TABLE IF NOT EXISTS server (
  only_row boolean PRIMARY KEY DEFAULT true CHECK (only_row),
  schema_version integer NOT NULL,
  server_id uuid NOT NULL DEFAULT gen_random_uuid()
);
INSERT INTO server (schema_version) VALUES (1) ON CONFLICT DO NOTHING;

CREATE TABLE IF NOT EXISTS record (
  id text PRIMARY KEY CHECK (id ~ '^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$'),
  time text NOT NULL,
  utc timestamptz NOT NULL,
  narrowed boolean NOT NULL,
  version text NOT NULL CHECK (char_length(version) <= 40),
  language smallint NOT NULL CHECK (language IN (0, 1)),
  series smallint NOT NULL CHECK (series IN (0, 1)),
  units smallint NOT NULL CHECK (units BETWEEN 1 AND 3),
  side smallint NOT NULL CHECK (side IN (1, 2)),
  code_main text NOT NULL CHECK (char_length(code_main) <= 40),
  code_sub1 text NOT NULL CHECK (char_length(code_sub1) <= 40),
  code_sub2 text NOT NULL CHECK (char_length(code_sub2) <= 40),
  interlock smallint NOT NULL CHECK (interlock BETWEEN 0 AND 2),
  halt smallint NOT NULL CHECK (halt BETWEEN 0 AND 2),
  error_numbers text NOT NULL CHECK (error_numbers ~ '^([0-9]{1,5}( [0-9]{1,5}){0,199})?$'),
  author text NOT NULL DEFAULT session_user,
  change_id bigserial NOT NULL UNIQUE,
  xact xid8 NOT NULL DEFAULT pg_current_xact_id()
);
-- The name of the computer the record was made on.
ALTER TABLE record ADD COLUMN IF NOT EXISTS laptop text NOT NULL DEFAULT '' CHECK (char_length(laptop) <= 64);

-- Note changes, machine changes and deletion markers: the record, what
-- changed, and when. A change sent again (its answer lost) is the same change;
-- a record is marked deleted once, and only by its author (below).
DO $$
DECLARE
  t text[];
BEGIN
  FOREACH t SLICE 1 IN ARRAY ARRAY[
      ['note_change', 'note text NOT NULL CHECK (char_length(note) <= 500),', 'record_id, author, time'],
      ['machine_change', 'machine text NOT NULL CHECK (char_length(machine) <= 60),', 'record_id, author, time'],
      ['deletion', '', 'record_id']] LOOP
    EXECUTE format('CREATE TABLE IF NOT EXISTS %I (
                      change_id bigserial PRIMARY KEY,
                      record_id text NOT NULL REFERENCES record (id),
                      %s
                      time text NOT NULL,
                      utc timestamptz NOT NULL,
                      author text NOT NULL DEFAULT session_user,
                      xact xid8 NOT NULL DEFAULT pg_current_xact_id(),
                      UNIQUE (%s))', t[1], t[2], t[3]);
  END LOOP;
END $$;

-- Every row: the UTC moment read from its local time, which must name one
-- (ISO 8601 with its offset) no more than a day ahead of the server's clock.
-- Technicians may not send the server's columns (utc, change_id, xact).
CREATE OR REPLACE FUNCTION darvell_stamp_change() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog AS $$
BEGIN
  IF NEW.time IS NULL
     OR NEW.time !~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}([.][0-9]{1,3})?(Z|[+-][0-9]{2}:[0-9]{2})$' THEN
    RAISE EXCEPTION 'time "%" is no ISO 8601 time with an offset', NEW.time
      USING ERRCODE = 'check_violation';
  END IF;
  NEW.utc := NEW.time::timestamptz;
  IF NEW.utc > clock_timestamp() + interval '1 day' THEN
    RAISE EXCEPTION 'time % is more than a day after the server''s clock (%)', NEW.time, clock_timestamp()
      USING ERRCODE = 'check_violation';
  END IF;
  RETURN NEW;
END $$;

DO $$
DECLARE
  t text;
  policy text;
BEGIN
  FOREACH t IN ARRAY ARRAY['record', 'note_change', 'machine_change', 'deletion'] LOOP
    EXECUTE format('CREATE OR REPLACE TRIGGER stamp BEFORE INSERT ON %I
                    FOR EACH ROW EXECUTE FUNCTION darvell_stamp_change()', t);
    EXECUTE format('CREATE INDEX IF NOT EXISTS %I ON %I (xact)', t || '_xact', t);
    EXECUTE format('ALTER TABLE %I ENABLE ROW LEVEL SECURITY', t);
    FOREACH policy IN ARRAY ARRAY[
        format('read ON %I FOR SELECT TO darvell_technician USING (true)', t),
        format('add_own ON %I FOR INSERT TO darvell_technician WITH CHECK (author = session_user%s)', t,
          CASE WHEN t = 'deletion'
            THEN ' AND EXISTS (SELECT FROM record r WHERE r.id = record_id AND r.author = session_user)' END)] LOOP
      IF NOT EXISTS (SELECT FROM pg_catalog.pg_policies WHERE schemaname = current_schema() AND tablename = t
                     AND policyname = split_part(policy, ' ', 1)) THEN
        EXECUTE 'CREATE POLICY ' || policy;
      END IF;
    END LOOP;
    -- Read and add, nothing else.
    EXECUTE format('REVOKE ALL ON TABLE %I FROM PUBLIC, darvell_technician', t);
    EXECUTE format('GRANT SELECT ON TABLE %I TO darvell_technician', t);
    EXECUTE format('REVOKE ALL ON SEQUENCE %I FROM PUBLIC, darvell_technician', t || '_change_id_seq');
    EXECUTE format('GRANT USAGE ON SEQUENCE %I TO darvell_technician', t || '_change_id_seq');
  END LOOP;
END $$;

GRANT INSERT (id, time, narrowed, version, language, series, units, side, code_main, code_sub1, code_sub2,
              interlock, halt, error_numbers, author, laptop) ON record TO darvell_technician;
GRANT INSERT (record_id, note, time, author) ON note_change TO darvell_technician;
GRANT INSERT (record_id, machine, time, author) ON machine_change TO darvell_technician;
GRANT INSERT (record_id, time, author) ON deletion TO darvell_technician;

REVOKE ALL ON TABLE server FROM PUBLIC, darvell_technician;
GRANT SELECT ON TABLE server TO darvell_technician;
REVOKE ALL ON FUNCTION darvell_stamp_change() FROM PUBLIC;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;

COMMIT;
\echo darvell-team.sql: applied
