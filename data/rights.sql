-- PostgreSQL: who may see which institutions. Run by the owner of the tables when a database is
-- made or upgraded; every statement may run again.
--
-- Each person signs in as a login role of their own, a member of vorn_gebruiker. A report runs on a
-- second connection as the person's reading login (VORN_GEBRUIKER.VU_LEESLOGIN): a login role that
-- may only read and is a member of no role, so that its statement cannot become anyone else.
-- Row-level security shows both of them only the institutions granted to the person in
-- VORN_TOEGANG (an empty institution grants all). The owner of the tables, who administers them,
-- sees everything on its own connection; its reports see what it granted itself.

-- Runs inside the transaction that makes or upgrades the database; its notices are of no interest.
SET LOCAL client_min_messages = warning;
-- One change of the rules of this database at a time: two of them granting or revoking on the same
-- catalogue rows at once fail with "tuple concurrently updated". Held until the transaction ends.
SELECT pg_advisory_xact_lock(1987011182, 1);

CREATE TABLE IF NOT EXISTS VORN_GEBRUIKER (
  VU_GEBRUIKER VARCHAR(63) PRIMARY KEY,
  VU_LEESLOGIN VARCHAR(63) NOT NULL UNIQUE,
  VU_LEESWACHTWOORD VARCHAR(64) NOT NULL
);

CREATE TABLE IF NOT EXISTS VORN_TOEGANG (
  VT_GEBRUIKER VARCHAR(63) NOT NULL REFERENCES VORN_GEBRUIKER (VU_GEBRUIKER) ON DELETE CASCADE,
  VT_INSTELLING_FK INTEGER REFERENCES INSTELLING (IS_ID) ON DELETE CASCADE
);
CREATE UNIQUE INDEX IF NOT EXISTS VORN_TOEGANG_UNIEK ON VORN_TOEGANG (VT_GEBRUIKER, COALESCE(VT_INSTELLING_FK, 0));

-- The rules that find a person's pupils and staff look them up by person, one index probe a row
-- (a hashed list of every visible enrolment could outgrow work_mem, and then be searched row by
-- row).
CREATE INDEX IF NOT EXISTS LOOPBAAN_LEERLING ON LOOPBAAN (LB_LEERLING_FK);
CREATE INDEX IF NOT EXISTS CURRICULUM_LEERLING ON CURRICULUM (CU_LEERLING_FK);
CREATE INDEX IF NOT EXISTS VWOINSCHRIJVING_LEERLING ON VWOINSCHRIJVING (VL_LEERLING_FK);
CREATE INDEX IF NOT EXISTS OPDRACHT_PERSONEEL ON OPDRACHT (OP_PERSONEEL_FK);

DO $rights$
DECLARE
  s text := quote_ident(current_schema());
  t text;
  c text;
  login text;
BEGIN
  -- The person a session works for: the person of a reading login, else the login itself.
  EXECUTE format($f$CREATE OR REPLACE FUNCTION vorn_eigenaar() RETURNS text
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = %s, pg_temp AS
    'SELECT coalesce((SELECT VU_GEBRUIKER FROM VORN_GEBRUIKER WHERE VU_LEESLOGIN = session_user),
                     session_user::text)'$f$, s);
  -- The institutions the session's person may see.
  EXECUTE format($f$CREATE OR REPLACE FUNCTION vorn_instellingen() RETURNS SETOF integer
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = %s, pg_temp AS
    'SELECT IS_ID FROM INSTELLING WHERE EXISTS (SELECT 1 FROM VORN_TOEGANG
       WHERE VT_GEBRUIKER = vorn_eigenaar() AND (VT_INSTELLING_FK IS NULL OR VT_INSTELLING_FK = IS_ID))'$f$, s);
  -- Whether the session's person may see every institution: pupils and staff are then not looked
  -- up one by one.
  EXECUTE format($f$CREATE OR REPLACE FUNCTION vorn_alle_instellingen() RETURNS boolean
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = %s, pg_temp AS
    'SELECT EXISTS (SELECT 1 FROM VORN_TOEGANG WHERE VT_GEBRUIKER = vorn_eigenaar() AND VT_INSTELLING_FK IS NULL)'$f$, s);
  -- The reading login of the person signed in, for the client's report connection; nothing for
  -- anyone else, a reading login included.
  EXECUTE format($f$CREATE OR REPLACE FUNCTION vorn_leesaccount()
    RETURNS TABLE (leeslogin varchar, wachtwoord varchar)
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = %s, pg_temp AS
    'SELECT VU_LEESLOGIN, VU_LEESWACHTWOORD FROM VORN_GEBRUIKER WHERE VU_GEBRUIKER = session_user'$f$, s);
  REVOKE ALL ON FUNCTION vorn_leesaccount() FROM PUBLIC;

  -- Tables of one institution.
  FOR t, c IN VALUES ('instelling', 'is_id'), ('vakkenpakket', 'vk_instelling_fk'),
      ('vestigingsplaats', 'vp_instelling_fk'), ('klas', 'kl_instelling_fk'),
      ('loopbaan', 'lb_instelling_fk'), ('opdracht', 'op_instelling_fk'),
      ('curriculum', 'cu_instelling_fk'), ('vwoklas', 'vwk_instelling_fk'),
      ('vwolesplaats', 'vlp_instelling_fk'), ('vwoingmodulevar', 'imv_instelling_fk'),
      ('vwoinschrijving', 'vl_instelling_fk') LOOP
    EXECUTE format('ALTER TABLE %I ENABLE ROW LEVEL SECURITY', t);
    EXECUTE format('DROP POLICY IF EXISTS vorn_toegang ON %I', t);
    EXECUTE format('CREATE POLICY vorn_toegang ON %I USING (%I IN (SELECT vorn_instellingen()))', t, c);
  END LOOP;
  -- Tables whose rows without an institution hold for every centre.
  FOR t, c IN VALUES ('ospvrijstellingig', 'ovi_instelling_fk'), ('vwotarief', 'vta_instelling_fk') LOOP
    EXECUTE format('ALTER TABLE %I ENABLE ROW LEVEL SECURITY', t);
    EXECUTE format('DROP POLICY IF EXISTS vorn_toegang ON %I', t);
    EXECUTE format('CREATE POLICY vorn_toegang ON %I USING (%I IS NULL OR %I IN (SELECT vorn_instellingen()))',
                   t, c, c);
  END LOOP;
  -- Schools, pupils and staff through the rows that tie them to a visible institution.
  ALTER TABLE SCHOOL ENABLE ROW LEVEL SECURITY;
  DROP POLICY IF EXISTS vorn_toegang ON SCHOOL;
  CREATE POLICY vorn_toegang ON SCHOOL USING (SC_ID IN (SELECT IS_SCHOOL_FK FROM INSTELLING));
  ALTER TABLE LEERLING ENABLE ROW LEVEL SECURITY;
  DROP POLICY IF EXISTS vorn_toegang ON LEERLING;
  CREATE POLICY vorn_toegang ON LEERLING USING (
    (SELECT vorn_alle_instellingen())
    OR EXISTS (SELECT 1 FROM LOOPBAAN WHERE LB_LEERLING_FK = LL_ID)
    OR EXISTS (SELECT 1 FROM CURRICULUM WHERE CU_LEERLING_FK = LL_ID)
    OR EXISTS (SELECT 1 FROM VWOINSCHRIJVING WHERE VL_LEERLING_FK = LL_ID));
  ALTER TABLE PERSONEEL ENABLE ROW LEVEL SECURITY;
  DROP POLICY IF EXISTS vorn_toegang ON PERSONEEL;
  CREATE POLICY vorn_toegang ON PERSONEEL USING (
    (SELECT vorn_alle_instellingen()) OR EXISTS (SELECT 1 FROM OPDRACHT WHERE OP_PERSONEEL_FK = PS_ID));
  -- Print jobs belong to the person who started them.
  ALTER TABLE VORN_JOB ENABLE ROW LEVEL SECURITY;
  DROP POLICY IF EXISTS vorn_toegang ON VORN_JOB;
  CREATE POLICY vorn_toegang ON VORN_JOB USING (VJ_EIGENAAR = vorn_eigenaar());
  ALTER TABLE JOBDATA ENABLE ROW LEVEL SECURITY;
  DROP POLICY IF EXISTS vorn_toegang ON JOBDATA;
  CREATE POLICY vorn_toegang ON JOBDATA USING (J_JOBID IN (SELECT VJ_JOBID FROM VORN_JOB));

  -- The rights of every person, through the group role; made where the owner may make roles.
  BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'vorn_gebruiker') THEN
      CREATE ROLE vorn_gebruiker NOLOGIN;
    END IF;
  EXCEPTION WHEN duplicate_object OR unique_violation THEN
    NULL; -- made meanwhile by another database's set-up
  WHEN insufficient_privilege THEN
    RAISE NOTICE 'De groepsrol vorn_gebruiker kon niet aangemaakt worden';
  END;
  IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'vorn_gebruiker') THEN
    EXECUTE format('GRANT USAGE ON SCHEMA %s TO vorn_gebruiker', s);
    EXECUTE format('GRANT SELECT ON ALL TABLES IN SCHEMA %s TO vorn_gebruiker', s);
    REVOKE ALL ON VORN_GEBRUIKER, VORN_TOEGANG FROM vorn_gebruiker;
    GRANT INSERT, UPDATE, DELETE ON JOBDATA, VORN_JOB TO vorn_gebruiker;
    EXECUTE format('GRANT USAGE ON ALL SEQUENCES IN SCHEMA %s TO vorn_gebruiker', s);
    GRANT EXECUTE ON FUNCTION vorn_leesaccount() TO vorn_gebruiker;
  END IF;

  -- Reading logins read every table of the schema but the two of this file, again after an
  -- upgrade added tables.
  FOR login IN SELECT VU_LEESLOGIN FROM VORN_GEBRUIKER LOOP
    IF EXISTS (SELECT FROM pg_roles WHERE rolname = login) THEN
      EXECUTE format('GRANT USAGE ON SCHEMA %s TO %I', s, login);
      EXECUTE format('GRANT SELECT ON ALL TABLES IN SCHEMA %s TO %I', s, login);
      EXECUTE format('REVOKE ALL ON VORN_GEBRUIKER, VORN_TOEGANG FROM %I', login);
    END IF;
  END LOOP;

  -- Large objects can no longer be made or changed by everyone, so that no report makes one.
  IF (SELECT rolsuper FROM pg_roles WHERE rolname = current_user) THEN
    REVOKE EXECUTE ON FUNCTION lo_from_bytea(oid, bytea), lo_create(oid), lo_creat(integer),
      lo_put(oid, bigint, bytea), lo_unlink(oid), lo_import(text), lo_import(text, oid),
      lo_export(oid, text) FROM PUBLIC;
  END IF;
END $rights$;
