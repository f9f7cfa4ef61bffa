-- The cellar database as delivered: its five tables and their first rows.
-- Column types carry the sizes the program enforces: TEXT(n) holds at most n characters,
-- SMALLINT is a 16-bit integer, BOOLEAN holds 0 or 1 and DATETIME holds ISO 8601 text
-- ("YYYY-MM-DD HH:MM:SS"), with NULL for no date.
PRAGMA foreign_keys = OFF;
BEGIN;

CREATE TABLE Configurazione (
    Utente      TEXT(50),
    Ricarico    REAL
);

CREATE TABLE Schede (
    ID            INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice        TEXT(13),
    Descrizione   TEXT(50),
    Composizione  TEXT(50),
    Anno          TEXT(4),
    Gradi         TEXT(5),
    Produttore    TEXT(50),
    Fornitore     TEXT(50),
    Zona          TEXT(50),
    Regione       TEXT(50),
    Gruppo        TEXT(50),
    Tipologia     TEXT(50),
    Capacita      TEXT(50),
    Collocazione  TEXT(10),
    Quantita      REAL,
    Prezzo_Acq    REAL,
    Ricarico      REAL,
    Prezzo_Ven    REAL,
    Prezzo_Bic    REAL,
    Incarta       BOOLEAN,
    Ultimo_carico DATETIME,
    Scadenza      DATETIME,
    Scorta        REAL,
    Degustazione  TEXT(100),
    Punti1        REAL,
    Punti2        REAL,
    Punti3        REAL,
    Note          TEXT(100)
);

CREATE TABLE Giornale (
    ID          INTEGER PRIMARY KEY AUTOINCREMENT,
    Causale     TEXT(1),
    Data        DATETIME,
    Codice      TEXT(13),
    Descrizione TEXT(50),
    Anno        TEXT(4),
    Quantita    REAL,
    Prezzo_acq  REAL,
    Prezzo_ven  REAL
);

CREATE TABLE Stampe (
    ID          INTEGER PRIMARY KEY AUTOINCREMENT,
    Stampa      TEXT(30),
    Ordine      SMALLINT,
    Tracciato   TEXT(30),
    Ordinamento TEXT(1),
    Selezione   TEXT(1)
);

CREATE TABLE Indici (
    ID     INTEGER PRIMARY KEY AUTOINCREMENT,
    Indice TEXT(30),
    Ordine TEXT(60)
);

INSERT INTO Configurazione (Utente, Ricarico) VALUES ('', 2);

-- Sort orders offered when printing a catalogue report; a report's digit ordering code names one by ID.
INSERT INTO Indici (ID, Indice, Ordine) VALUES
    (1, '[ORD_DESCRIZIONE]', '"[Descrizione] ASC"'),
    (2, '[ORD_PRODUTTORE]',  '[Produttore], [Descrizione]'),
    (3, '[ORD_TIPOLOGIA]',   '[Tipologia], [Descrizione]'),
    (4, '[ORD_REGIONE]',     '[Regione], [Zona], [Descrizione]'),
    (5, '[ORD_ANNATA]',      '"[Anno] DESC", [Descrizione]'),
    (6, '[ORD_CODICE]',      '[Codice]'),
    (7, '[ORD_SCADENZA]',    '[Scadenza], [Descrizione]'),
    (8, '[ORD_GRUPPO]',      '[Gruppo], [Tipologia], [Descrizione]'),
    (9, '[ORD_FORNITORE]',   '[Fornitore], [Produttore], [Descrizione]');

-- Reports of the print menu, in Ordine order.
INSERT INTO Stampe (ID, Stampa, Ordine, Tracciato, Ordinamento, Selezione) VALUES
    (1, '[STAMPA_CATALOGO]',   1, 'catalogo.frf',  '*', 'C'),
    (2, '[STAMPA_CARTA_VINI]', 2, 'cartavini.frf', '3', 'C'),
    (3, '[STAMPA_VALORE]',     3, 'valore.frf',    '3', 'C'),
    (4, '[STAMPA_RIORDINO]',   4, 'riordino.frf',  '*', 'C'),
    (5, '[STAMPA_SCADENZE]',   5, 'scadenze.frf',  '7', 'C'),
    (6, '[STAMPA_GIORNALE]',   6, 'giornale.frf',  'G', 'G'),
    (7, '[STAMPA_LISTINO]',    7, 'listino.frf',   '8', 'C'),
    (8, '[STAMPA_CATALOGO_GRUPPI]',    8, 'catalogo_gruppi.frf',    '8', 'C'),
    (9, '[STAMPA_RIORDINO_FORNITORI]', 9, 'riordino_fornitori.frf', '9', 'C');

-- The schema version and the record of the rows above as delivered (table Consegne) are written by
-- the program at its first start, as for a cellar of an earlier version; it finds these rows there
-- already and only records them.

COMMIT;
