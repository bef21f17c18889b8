-- The search index over a household's records, in plain SQL so that every
-- connection to the file (the program's, the ODBC route, the sqlite3 shell)
-- keeps it in step: each covered row has one entry; the triggers note, in
-- the transaction that changes a row, that its entry is to be written
-- again, and the search writes the noted entries before it reads.
--
-- An entry's rowid tells what it stands for: kind * 4294967296 + the row's Id.
-- Kinds: 1 identity, 2 history, 3 custom fields (PERSON), 4 consultation,
-- 5 purchase (ACTION by Tag), 6 followed analysis (L_ANALYSIS), 7 analysis
-- value with a remark (ANALYSIS), 8 vaccination, 9 picture document,
-- 10 attached file, 11 event.
-- Person is the PERSON Id, Date the ISO date of the row (empty when it has
-- none), Target the Id its page selects (the followed analysis of a value).
-- Accents and case are folded by the tokenizer; the ligatures it leaves
-- (oe, ae) are handled when a query is written.

CREATE VIRTUAL TABLE SEARCH_INDEX USING fts5(Body, Person UNINDEXED, Date UNINDEXED, Target UNINDEXED,
    tokenize = 'unicode61 remove_diacritics 2', prefix = '2 3');

-- The entries whose rows changed since the index was last brought up to
-- date. The triggers only note them: FTS5 writes a new segment and merges
-- for every transaction that touches it, which would double the cost of
-- entering one act; brought up to date together, many changes make one.
CREATE TABLE SEARCH_PENDING (Entry INTEGER PRIMARY KEY);

-- What each kind of entry holds: one view per kind, filtered by the row's Id
-- in the triggers and read whole when the index is built.
CREATE VIEW SEARCH_SOURCE_IDENTITY AS SELECT Id, 1 * 4294967296 + Id AS Entry, Id AS Person, '' AS Date, Id AS Target,
    coalesce(Name, '') || ' ' || coalesce(ForeName, '') || ' ' || coalesce(BirthDay_City, '') || ' ' ||
    coalesce("No", '') || ' ' || coalesce(Blood, '') || ' ' || coalesce(Org_Secu, '') || ' ' ||
    coalesce(Org_Comp, '') AS Body FROM PERSON;

CREATE VIEW SEARCH_SOURCE_HISTORY AS SELECT Id, 2 * 4294967296 + Id AS Entry, Id AS Person, '' AS Date, Id AS Target,
    Previous AS Body FROM PERSON WHERE coalesce(Previous, '') <> '';

CREATE VIEW SEARCH_SOURCE_CUSTOM AS SELECT * FROM (SELECT Id, 3 * 4294967296 + Id AS Entry, Id AS Person, '' AS Date,
    Id AS Target, trim(coalesce(Misc01, '') || ' ' || coalesce(Misc02, '') || ' ' || coalesce(Misc03, '') || ' ' ||
    coalesce(Misc04, '') || ' ' || coalesce(Misc05, '') || ' ' || coalesce(Misc06, '') || ' ' ||
    coalesce(Misc07, '') || ' ' || coalesce(Misc08, '') || ' ' || coalesce(Misc09, '') || ' ' ||
    coalesce(Misc10, '') || ' ' || coalesce(Misc11, '') || ' ' || coalesce(Misc12, '')) AS Body FROM PERSON)
    WHERE Body <> '';

-- Consultations and purchases apart: FTS5 writes its entries fastest in
-- rising rowid order, which each of them gives.
CREATE VIEW SEARCH_SOURCE_CONSULTATION AS SELECT a.Id AS Id, 4 * 4294967296 + a.Id AS Entry, a.Id_Ref AS Person,
    coalesce(a.Date_Action, '') AS Date, a.Id AS Target,
    coalesce(d.Name, '') || ' ' || coalesce(d.Category, '') || ' ' || coalesce(d.City, '') || ' ' ||
    coalesce(i.Title, '') || ' ' || coalesce(a.Remark1, '') || ' ' || coalesce(a.Remark2, '') || ' ' ||
    coalesce(a.Gravity, '') AS Body
    FROM "ACTION" a LEFT JOIN LST_DOCTOR d ON d.Id = a.Id_Org LEFT JOIN LST_ILLNESS i ON i.Id = a.Id_Illness
    WHERE a.Tag IS NOT 2;

CREATE VIEW SEARCH_SOURCE_PURCHASE AS SELECT a.Id AS Id, 5 * 4294967296 + a.Id AS Entry, a.Id_Ref AS Person,
    coalesce(a.Date_Action, '') AS Date, a.Id AS Target,
    coalesce(g.Title, '') || ' ' || coalesce(p.Name, '') || ' ' || coalesce(p.City, '') || ' ' ||
    coalesce(a.Remark1, '') || ' ' || coalesce(a.Remark2, '') AS Body
    FROM "ACTION" a LEFT JOIN LST_PHARMACY p ON p.Id = a.Id_Org LEFT JOIN LST_DRUG g ON g.Id = a.Id_Drug
    WHERE a.Tag = 2;

CREATE VIEW SEARCH_SOURCE_ANALYSIS AS SELECT Id, 6 * 4294967296 + Id AS Entry, Id_Ref AS Person, '' AS Date,
    Id AS Target, coalesce(Title, '') || ' ' || coalesce(Description, '') || ' ' || coalesce(Category, '') || ' ' ||
    coalesce(Remark1, '') || ' ' || coalesce(Remark2, '') AS Body FROM L_ANALYSIS;

CREATE VIEW SEARCH_SOURCE_VALUE AS SELECT v.Id AS Id, 7 * 4294967296 + v.Id AS Entry, l.Id_Ref AS Person,
    coalesce(v.Date_Analysis, '') AS Date, l.Id AS Target, coalesce(l.Title, '') || ' ' || v.Remark1 AS Body
    FROM "ANALYSIS" v JOIN L_ANALYSIS l ON l.Id = v.Id_Ref WHERE coalesce(v.Remark1, '') <> '';

CREATE VIEW SEARCH_SOURCE_VACCINE AS SELECT v.Id AS Id, 8 * 4294967296 + v.Id AS Entry, v.Id_Ref AS Person,
    coalesce(v.Date_Vaccine, '') AS Date, v.Id AS Target,
    coalesce(l.Title, '') || ' ' || coalesce(l.Description, '') || ' ' || coalesce(d.Name, '') || ' ' ||
    coalesce(v.Remark1, '') AS Body
    FROM VACCINE v LEFT JOIN LST_VACCINE l ON l.Id = v.Id_Vaccine LEFT JOIN LST_DOCTOR d ON d.Id = v.Id_Org;

CREATE VIEW SEARCH_SOURCE_PICTURE AS SELECT g.Id AS Id, 9 * 4294967296 + g.Id AS Entry, g.Id_Ref AS Person,
    '' AS Date, g.Id AS Target, coalesce(g.Title, '') || ' ' || coalesce(t.Content, '') AS Body
    FROM DOCUMENTIMG g LEFT JOIN DOCUMENTTEXT t ON t.DoKind = 1 AND t.Id_Document = g.Id;

CREATE VIEW SEARCH_SOURCE_FILE AS SELECT f.Id AS Id, 10 * 4294967296 + f.Id AS Entry, f.Id_Ref AS Person,
    '' AS Date, f.Id AS Target, coalesce(f.FileName, '') || ' ' || coalesce(f.Title, '') || ' ' ||
    coalesce(f.Remark, '') || ' ' || coalesce(t.Content, '') AS Body
    FROM DOCUMENTFILE f LEFT JOIN DOCUMENTTEXT t ON t.DoKind = 2 AND t.Id_Document = f.Id;

CREATE VIEW SEARCH_SOURCE_EVENT AS SELECT Id, 11 * 4294967296 + Id AS Entry, Id_Ref AS Person,
    coalesce(Date_Event, '') AS Date, Id AS Target, Description AS Body FROM EVENT
    WHERE coalesce(Description, '') <> '';

-- Persons: identity, history and custom fields.
CREATE TRIGGER SEARCH_PERSON_INSERT AFTER INSERT ON PERSON BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (1 * 4294967296 + new.Id), (2 * 4294967296 + new.Id), (3 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_PERSON_UPDATE AFTER UPDATE OF Name, ForeName, BirthDay_City, "No", Blood, Org_Secu, Org_Comp,
    Previous, Misc01, Misc02, Misc03, Misc04, Misc05, Misc06, Misc07, Misc08, Misc09, Misc10, Misc11, Misc12
    ON PERSON BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (1 * 4294967296 + old.Id), (2 * 4294967296 + old.Id), (3 * 4294967296 + old.Id), (1 * 4294967296 + new.Id), (2 * 4294967296 + new.Id), (3 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_PERSON_DELETE AFTER DELETE ON PERSON BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (1 * 4294967296 + old.Id), (2 * 4294967296 + old.Id), (3 * 4294967296 + old.Id);
END;

-- Acts and purchases: both kinds noted, the views tell by Tag which holds the row.
CREATE TRIGGER SEARCH_ACTION_INSERT AFTER INSERT ON "ACTION" BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (4 * 4294967296 + new.Id), (5 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_ACTION_UPDATE AFTER UPDATE ON "ACTION" BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (4 * 4294967296 + old.Id), (5 * 4294967296 + old.Id), (4 * 4294967296 + new.Id), (5 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_ACTION_DELETE AFTER DELETE ON "ACTION" BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (4 * 4294967296 + old.Id), (5 * 4294967296 + old.Id);
END;

-- Followed analyses and their values, which carry the analysis's title.
CREATE TRIGGER SEARCH_L_ANALYSIS_INSERT AFTER INSERT ON L_ANALYSIS BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (6 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_L_ANALYSIS_UPDATE AFTER UPDATE ON L_ANALYSIS BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (6 * 4294967296 + old.Id), (6 * 4294967296 + new.Id);
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 7 * 4294967296 + Id FROM "ANALYSIS" WHERE Id_Ref IN (old.Id, new.Id);
END;
CREATE TRIGGER SEARCH_L_ANALYSIS_DELETE AFTER DELETE ON L_ANALYSIS BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (6 * 4294967296 + old.Id);
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 7 * 4294967296 + Id FROM "ANALYSIS" WHERE Id_Ref = old.Id;
END;
CREATE TRIGGER SEARCH_ANALYSIS_INSERT AFTER INSERT ON "ANALYSIS" BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (7 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_ANALYSIS_UPDATE AFTER UPDATE ON "ANALYSIS" BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (7 * 4294967296 + old.Id), (7 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_ANALYSIS_DELETE AFTER DELETE ON "ANALYSIS" BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (7 * 4294967296 + old.Id);
END;

-- Vaccinations.
CREATE TRIGGER SEARCH_VACCINE_INSERT AFTER INSERT ON VACCINE BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (8 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_VACCINE_UPDATE AFTER UPDATE ON VACCINE BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (8 * 4294967296 + old.Id), (8 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_VACCINE_DELETE AFTER DELETE ON VACCINE BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (8 * 4294967296 + old.Id);
END;

-- Events.
CREATE TRIGGER SEARCH_EVENT_INSERT AFTER INSERT ON EVENT BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (11 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_EVENT_UPDATE AFTER UPDATE ON EVENT BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (11 * 4294967296 + old.Id), (11 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_EVENT_DELETE AFTER DELETE ON EVENT BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (11 * 4294967296 + old.Id);
END;

-- Picture documents: a new picture (its thumbnail changes with it) makes
-- its recognised text obsolete, so the text goes and is recognised again.
CREATE TRIGGER SEARCH_DOCUMENTIMG_INSERT AFTER INSERT ON DOCUMENTIMG BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (9 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_DOCUMENTIMG_UPDATE AFTER UPDATE OF Title, Id_Ref ON DOCUMENTIMG BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (9 * 4294967296 + old.Id), (9 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_DOCUMENTIMG_PICTURE AFTER UPDATE OF ImgMini ON DOCUMENTIMG
    WHEN old.ImgMini IS NOT new.ImgMini BEGIN
    DELETE FROM DOCUMENTTEXT WHERE DoKind = 1 AND Id_Document = old.Id;
END;
CREATE TRIGGER SEARCH_DOCUMENTIMG_DELETE AFTER DELETE ON DOCUMENTIMG BEGIN
    DELETE FROM DOCUMENTTEXT WHERE DoKind = 1 AND Id_Document = old.Id;
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (9 * 4294967296 + old.Id);
END;

-- Attached files.
CREATE TRIGGER SEARCH_DOCUMENTFILE_INSERT AFTER INSERT ON DOCUMENTFILE BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (10 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_DOCUMENTFILE_UPDATE AFTER UPDATE OF FileName, Title, Remark, Id_Ref ON DOCUMENTFILE BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (10 * 4294967296 + old.Id), (10 * 4294967296 + new.Id);
END;
CREATE TRIGGER SEARCH_DOCUMENTFILE_DELETE AFTER DELETE ON DOCUMENTFILE BEGIN
    DELETE FROM DOCUMENTTEXT WHERE DoKind = 2 AND Id_Document = old.Id;
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES (10 * 4294967296 + old.Id);
END;

-- Recognised texts: the document's entry follows its text.
CREATE TRIGGER SEARCH_DOCUMENTTEXT_INSERT AFTER INSERT ON DOCUMENTTEXT BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES ((8 + new.DoKind) * 4294967296 + new.Id_Document);
END;
CREATE TRIGGER SEARCH_DOCUMENTTEXT_UPDATE AFTER UPDATE ON DOCUMENTTEXT BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES ((8 + old.DoKind) * 4294967296 + old.Id_Document), ((8 + new.DoKind) * 4294967296 + new.Id_Document);
END;
CREATE TRIGGER SEARCH_DOCUMENTTEXT_DELETE AFTER DELETE ON DOCUMENTTEXT BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) VALUES ((8 + old.DoKind) * 4294967296 + old.Id_Document);
END;

-- The reference lists name practitioners, pharmacies, illnesses, medicines
-- and vaccines in the entries of the rows that point to them.
CREATE TRIGGER SEARCH_LST_DOCTOR_UPDATE AFTER UPDATE OF Name, Category, City ON LST_DOCTOR BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 4 * 4294967296 + Id FROM "ACTION" WHERE Tag IS NOT 2 AND Id_Org = old.Id;
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 8 * 4294967296 + Id FROM VACCINE WHERE Id_Org = old.Id;
END;
CREATE TRIGGER SEARCH_LST_DOCTOR_DELETE AFTER DELETE ON LST_DOCTOR BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 4 * 4294967296 + Id FROM "ACTION" WHERE Tag IS NOT 2 AND Id_Org = old.Id;
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 8 * 4294967296 + Id FROM VACCINE WHERE Id_Org = old.Id;
END;
CREATE TRIGGER SEARCH_LST_ILLNESS_UPDATE AFTER UPDATE OF Title ON LST_ILLNESS BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 4 * 4294967296 + Id FROM "ACTION" WHERE Tag IS NOT 2 AND Id_Illness = old.Id;
END;
CREATE TRIGGER SEARCH_LST_ILLNESS_DELETE AFTER DELETE ON LST_ILLNESS BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 4 * 4294967296 + Id FROM "ACTION" WHERE Tag IS NOT 2 AND Id_Illness = old.Id;
END;
CREATE TRIGGER SEARCH_LST_PHARMACY_UPDATE AFTER UPDATE OF Name, City ON LST_PHARMACY BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 5 * 4294967296 + Id FROM "ACTION" WHERE Tag = 2 AND Id_Org = old.Id;
END;
CREATE TRIGGER SEARCH_LST_PHARMACY_DELETE AFTER DELETE ON LST_PHARMACY BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 5 * 4294967296 + Id FROM "ACTION" WHERE Tag = 2 AND Id_Org = old.Id;
END;
CREATE TRIGGER SEARCH_LST_DRUG_UPDATE AFTER UPDATE OF Title ON LST_DRUG BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 5 * 4294967296 + Id FROM "ACTION" WHERE Tag = 2 AND Id_Drug = old.Id;
END;
CREATE TRIGGER SEARCH_LST_DRUG_DELETE AFTER DELETE ON LST_DRUG BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 5 * 4294967296 + Id FROM "ACTION" WHERE Tag = 2 AND Id_Drug = old.Id;
END;
CREATE TRIGGER SEARCH_LST_VACCINE_UPDATE AFTER UPDATE OF Title, Description ON LST_VACCINE BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 8 * 4294967296 + Id FROM VACCINE WHERE Id_Vaccine = old.Id;
END;
CREATE TRIGGER SEARCH_LST_VACCINE_DELETE AFTER DELETE ON LST_VACCINE BEGIN
    INSERT OR IGNORE INTO SEARCH_PENDING (Entry) SELECT 8 * 4294967296 + Id FROM VACCINE WHERE Id_Vaccine = old.Id;
END;

-- Bringing the index up to date: every noted entry is written again from
-- its row (or left out when the row is gone), in the statement that asks
-- for it, then the notes go. One INSERT INTO SEARCH_CATCH_UP DEFAULT VALUES
-- does it from any connection; the program does it before each search.
CREATE VIEW SEARCH_CATCH_UP AS SELECT 1 AS Go;
CREATE TRIGGER SEARCH_CATCH_UP_RUN INSTEAD OF INSERT ON SEARCH_CATCH_UP BEGIN
    DELETE FROM SEARCH_INDEX WHERE rowid IN (SELECT Entry FROM SEARCH_PENDING);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_IDENTITY
        WHERE Id IN (SELECT Entry - 1 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 1 * 4294967296 AND 2 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_HISTORY
        WHERE Id IN (SELECT Entry - 2 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 2 * 4294967296 AND 3 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_CUSTOM
        WHERE Id IN (SELECT Entry - 3 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 3 * 4294967296 AND 4 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_CONSULTATION
        WHERE Id IN (SELECT Entry - 4 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 4 * 4294967296 AND 5 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_PURCHASE
        WHERE Id IN (SELECT Entry - 5 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 5 * 4294967296 AND 6 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_ANALYSIS
        WHERE Id IN (SELECT Entry - 6 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 6 * 4294967296 AND 7 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_VALUE
        WHERE Id IN (SELECT Entry - 7 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 7 * 4294967296 AND 8 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_VACCINE
        WHERE Id IN (SELECT Entry - 8 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 8 * 4294967296 AND 9 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_PICTURE
        WHERE Id IN (SELECT Entry - 9 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 9 * 4294967296 AND 10 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_FILE
        WHERE Id IN (SELECT Entry - 10 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 10 * 4294967296 AND 11 * 4294967296 - 1);
    INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_EVENT
        WHERE Id IN (SELECT Entry - 11 * 4294967296 FROM SEARCH_PENDING WHERE Entry BETWEEN 11 * 4294967296 AND 12 * 4294967296 - 1);
    DELETE FROM SEARCH_PENDING;
END;

-- The documents that have no text: waiting for their reading, unreadable,
-- or of a kind that holds none.
CREATE VIEW DOCUMENT_WITHOUT_TEXT AS SELECT d.Id AS Id, d.Kind AS Kind, d.Id_Ref AS Id_Ref,
    trim(coalesce(p.Name, '') || ' ' || coalesce(p.ForeName, '')) AS Person,
    CASE d.Kind WHEN 1 THEN 'Image' ELSE 'Fichier' END AS KindName, d.Title AS Title,
    CASE WHEN t.Id IS NULL THEN 'En attente de lecture' ELSE coalesce(t.Note, '') END AS Note
    FROM (SELECT 1 AS Kind, Id, Id_Ref, Title FROM DOCUMENTIMG
          UNION ALL SELECT 2, Id, Id_Ref, FileName FROM DOCUMENTFILE) d
    LEFT JOIN DOCUMENTTEXT t ON t.DoKind = d.Kind AND t.Id_Document = d.Id
    LEFT JOIN PERSON p ON p.Id = d.Id_Ref
    WHERE t.Id IS NULL OR t.State <> 1;

-- Every row already there: nothing when the template is made, the whole
-- household when an older database is brought up to date. Merging the
-- segments 16 at a time instead of 4 while it is filled writes each entry
-- fewer times (a fifth quicker on a million acts) and leaves an index read
-- as fast; the small catch-ups merge 4 at a time again, FTS5's default.
INSERT INTO SEARCH_INDEX (SEARCH_INDEX, rank) VALUES ('automerge', 16);
INSERT INTO SEARCH_INDEX (rowid, Body, Person, Date, Target)
    SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_IDENTITY
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_HISTORY
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_CUSTOM
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_CONSULTATION
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_PURCHASE
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_ANALYSIS
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_VALUE
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_VACCINE
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_PICTURE
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_FILE
    UNION ALL SELECT Entry, Body, Person, Date, Target FROM SEARCH_SOURCE_EVENT;
INSERT INTO SEARCH_INDEX (SEARCH_INDEX, rank) VALUES ('automerge', 4);
