-- Template of the Kadex module's preset database (module source database Kadex_Source.mdb).
-- examples/build-databases.sh builds the SQLite file from this text.
--
-- Source_PRESET_DEFS: one row per preset of one machine; the update writes every row once per machine in use.
--   "###machine" in a text is replaced by the machine's name (first occurrence only).
--   part selects the variable-name pattern of Source_DEFS; it must stand before var_name.
-- Source_DEFS: the variable-name patterns per visualisation system and part; "###Var_Name" is the row's own
--   var_name, "###machine" the machine's name (up to two occurrences are filled).

BEGIN;

CREATE TABLE Source_PRESET_DEFS (
    ID SMALLINT,
    machine_type VARCHAR(50),
    type VARCHAR(20),
    part SMALLINT,
    var_name VARCHAR(100),
    category_id SMALLINT,
    isBitArray BIT,
    offset_or_bitno SMALLINT,
    text VARCHAR(255),
    page_name VARCHAR(50),
    abs_min DOUBLE,
    abs_max DOUBLE,
    min DOUBLE,
    max DOUBLE,
    pass SMALLINT
);

-- part = 1: the RPM instrument itself.
INSERT INTO Source_PRESET_DEFS VALUES (10, '###machine', 'REAL', 1, 'Drehzahl_Ist', 1, 0, 0, 'Drehzahl ###machine (Istwert)', 'Kadex_###machine', 0, 3000, 0, 2800, 0);
INSERT INTO Source_PRESET_DEFS VALUES (20, '###machine', 'REAL', 1, 'Drehzahl_Soll', 1, 0, 4, 'Drehzahl ###machine (Sollwert)', 'Kadex_###machine', 0, 3000, 100, 2500, 2);
INSERT INTO Source_PRESET_DEFS VALUES (30, '###machine', 'REAL', 1, 'Drehzahl_Max', 1, 0, 8, 'Höchstdrehzahl ###machine', 'Kadex_###machine', 0, 3500, 0, 3000, 3);
INSERT INTO Source_PRESET_DEFS VALUES (40, '###machine', 'REAL', 1, 'Drehzahl_Min', 1, 0, 12, 'Mindestdrehzahl ###machine', 'Kadex_###machine', 0, 3000, 0, 500, 3);
INSERT INTO Source_PRESET_DEFS VALUES (50, '###machine', 'INT', 1, 'Impulse_je_Umdrehung', 2, 0, 16, 'Impulse je Umdrehung', 'Kadex_###machine', 1, 1000, 1, 360, 3);
INSERT INTO Source_PRESET_DEFS VALUES (60, '###machine', 'REAL', 1, 'Filterzeit', 2, 0, 18, 'Filterzeit in s', 'Kadex_###machine', 0, 10, 0, 2.5, 3);

-- part = 2: the percentage inputs.
INSERT INTO Source_PRESET_DEFS VALUES (110, '###machine', 'REAL', 2, 'Prozent_1', 3, 0, 22, 'Prozenteingabe 1 ###machine', 'Kadex_###machine_Prozent', 0, 100, 0, 100, 1);
INSERT INTO Source_PRESET_DEFS VALUES (120, '###machine', 'REAL', 2, 'Prozent_2', 3, 0, 26, 'Prozenteingabe 2 ###machine', 'Kadex_###machine_Prozent', 0, 100, 0, 100, 1);
INSERT INTO Source_PRESET_DEFS VALUES (130, '###machine', 'REAL', 2, 'Prozent_3', 3, 0, 30, 'Prozenteingabe 3 ###machine', 'Kadex_###machine_Prozent', 0, 100, 0, 100, 1);
INSERT INTO Source_PRESET_DEFS VALUES (140, '###machine', 'REAL', 2, 'Prozent_4', 3, 0, 34, 'Prozenteingabe 4 ###machine', 'Kadex_###machine_Prozent', 0, 100, 0, 100, 1);

-- part = 3: alarm bits of the status word (offset_or_bitno is the bit number); no limits.
INSERT INTO Source_PRESET_DEFS VALUES (210, '###machine', 'BOOL', 3, 'Ueberdrehzahl', 4, 1, 0, 'Überdrehzahl ###machine', 'Kadex_###machine_Alarme', NULL, NULL, NULL, NULL, 0);
INSERT INTO Source_PRESET_DEFS VALUES (220, '###machine', 'BOOL', 3, 'Stillstand', 4, 1, 1, 'Stillstand ###machine', 'Kadex_###machine_Alarme', NULL, NULL, NULL, NULL, 0);
INSERT INTO Source_PRESET_DEFS VALUES (230, '###machine', 'BOOL', 3, 'Geberfehler', 4, 1, 2, 'Geberfehler ###machine', 'Kadex_###machine_Alarme', NULL, NULL, NULL, NULL, 0);

CREATE TABLE Source_DEFS (
    System VARCHAR(20),
    Var_Name VARCHAR(255),
    Part SMALLINT
);

INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.Kadex.###Var_Name', 1);
INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.Kadex.Prozent.###Var_Name', 2);
INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.Kadex.Alarm.###Var_Name', 3);
INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 'Ch1.###machine.Kadex.###Var_Name', 1);
INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 'Ch1.###machine.Kadex.Prozent.###Var_Name', 2);
INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 'Ch1.###machine.Alarme.###machine_###Var_Name', 3);

COMMIT;
