-- The plant's module database Kadex.mdb as an earlier version of the program left it, with the limits set on
-- the plant. examples/build-databases.sh builds the SQLite file from this text.
--
-- It is an older database: the category field is still called CATEGORIE, and the alarm bits of the press still
-- carry the names of the other visualisation system. The update renames both, then carries abs_min, abs_max,
-- min, max and pass of every row over into the regenerated table. The rows of the cutter (Schneider) belong to
-- a machine that is no longer in use and are not carried anywhere.

BEGIN;

CREATE TABLE PRESET_DEFS (
    ID SMALLINT,
    machine_type VARCHAR(50),
    type VARCHAR(20),
    part SMALLINT,
    var_name VARCHAR(100),
    CATEGORIE SMALLINT,
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

INSERT INTO PRESET_DEFS VALUES (1, 'Presse', 'REAL', 1, 'Presse.Kadex.Drehzahl_Ist', 1, 0, 0, 'Drehzahl Presse (Istwert)', 'Kadex_Presse', 0, 2400, 0, 2200, 0);
INSERT INTO PRESET_DEFS VALUES (2, 'Presse', 'REAL', 1, 'Presse.Kadex.Drehzahl_Soll', 1, 0, 4, 'Drehzahl Presse (Sollwert)', 'Kadex_Presse', 0, 2400, 150, 2000, 2);
INSERT INTO PRESET_DEFS VALUES (3, 'Presse', 'REAL', 1, 'Presse.Kadex.Drehzahl_Max', 1, 0, 8, 'Höchstdrehzahl Presse', 'Kadex_Presse', 0, 2600, 0, 2400, 3);
INSERT INTO PRESET_DEFS VALUES (4, 'Presse', 'INT', 1, 'Presse.Kadex.Impulse_je_Umdrehung', 2, 0, 16, 'Impulse je Umdrehung', 'Kadex_Presse', 1, 1000, 60, 60, 3);
INSERT INTO PRESET_DEFS VALUES (5, 'Presse', 'REAL', 2, 'Presse.Kadex.Prozent.Prozent_1', 3, 0, 22, 'Prozenteingabe 1 Presse', 'Kadex_Presse_Prozent', 0, 100, 10, 90, 1);
INSERT INTO PRESET_DEFS VALUES (6, 'Presse', 'REAL', 2, 'Presse.Kadex.Prozent.Prozent_2', 3, 0, 26, 'Prozenteingabe 2 Presse', 'Kadex_Presse_Prozent', 0, 100, 20, 80, 1);
INSERT INTO PRESET_DEFS VALUES (7, 'Presse', 'BOOL', 3, 'Ch1.Presse.Alarme.Presse_Ueberdrehzahl', 4, 1, 0, 'Überdrehzahl Presse', 'Kadex_Presse_Alarme', NULL, NULL, NULL, NULL, 2);
INSERT INTO PRESET_DEFS VALUES (8, 'Presse', 'BOOL', 3, 'Ch1.Presse.Alarme.Presse_Geberfehler', 4, 1, 2, 'Geberfehler Presse', 'Kadex_Presse_Alarme', NULL, NULL, NULL, NULL, 2);
INSERT INTO PRESET_DEFS VALUES (9, 'Ofen', 'REAL', 1, 'Ofen.Kadex.Drehzahl_Ist', 1, 0, 0, 'Drehzahl Ofen (Istwert)', 'Kadex_Ofen', 0, 1450, 0, 1400, 0);
INSERT INTO PRESET_DEFS VALUES (10, 'Ofen', 'REAL', 1, 'Ofen.Kadex.Drehzahl_Soll', 1, 0, 4, 'Drehzahl Ofen (Sollwert)', 'Kadex_Ofen', 0, 1450, 300, 1200, 2);
INSERT INTO PRESET_DEFS VALUES (11, 'Ofen', 'REAL', 1, 'Ofen.Kadex.Filterzeit', 2, 0, 18, 'Filterzeit in s', 'Kadex_Ofen', 0, 10, 0.5, 4, 3);
INSERT INTO PRESET_DEFS VALUES (12, 'Schneider', 'REAL', 1, 'Schneider.Kadex.Drehzahl_Ist', 1, 0, 0, 'Drehzahl Schneider (Istwert)', 'Kadex_Schneider', 0, 5000, 0, 4800, 0);
INSERT INTO PRESET_DEFS VALUES (13, 'Schneider', 'REAL', 1, 'Schneider.Kadex.Drehzahl_Soll', 1, 0, 4, 'Drehzahl Schneider (Sollwert)', 'Kadex_Schneider', 0, 5000, 500, 4500, 2);

COMMIT;
