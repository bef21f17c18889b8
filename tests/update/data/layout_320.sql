-- A household database of the 3.20 layout, the one that resources/Maj/BD_351.maj
-- brings up to date. Against the current layout it lacks:
--   - the version column VALUE of OBJECT_VAL_STR, still named VAL;
--   - PERSON.AnalysisMode, the complementary insurer's columns of ACTION
--     (Repayment_Comp, Date_Repayment_Comp, Price_Repayment_Comp),
--     VACCINE.Repeat_Exe, DOCUMENTIMG.DoType and Tag, COMBOITEMS.Analysis_Unit;
--   - the tables of analyses (LST_ANALYSIS, L_ANALYSIS, ANALYSIS), of attached
--     files (DOCUMENTFILE), of the backup history (BACKUP) and of the stored
--     query and statistics trees (SQL_TREE, SQL_QUERY, STAT_TREE, STAT_QUERY).
-- Pictures are still kept in the rows as bitmaps: a person's full photo in
-- PERSON.Img1 and its 64 x 64 small photo in ImgMini1, a document's picture in
-- DOCUMENTIMG.Img and its 90 x 90 thumbnail in ImgMini. The tests add the
-- pictures themselves; this script holds the structure and a few rows.
-- Each statement ends with ';' at the end of a line.

CREATE TABLE "PERSON" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" SMALLINT, "Name" TEXT(128) COLLATE NOCASE, "ForeName" TEXT(128) COLLATE NOCASE, "BirthDay_Date" TEXT(10) COLLATE NOCASE, "BirthDay_Time" TEXT(5) COLLATE NOCASE, "BirthDay_City" TEXT(128) COLLATE NOCASE, "BirthDay_Weight" DOUBLE, "BirthDay_Size" DOUBLE, "No" TEXT(128) COLLATE NOCASE, "Blood" TEXT(128) COLLATE NOCASE, "Org_Secu" LONGTEXT COLLATE NOCASE, "Org_Comp" LONGTEXT COLLATE NOCASE, "Previous" LONGTEXT COLLATE NOCASE, "WeightMode" SMALLINT, "SizeMode" SMALLINT, "Misc01" TEXT(128) COLLATE NOCASE, "Misc02" TEXT(128) COLLATE NOCASE, "Misc03" TEXT(128) COLLATE NOCASE, "Misc04" TEXT(128) COLLATE NOCASE, "Misc05" TEXT(128) COLLATE NOCASE, "Misc06" TEXT(128) COLLATE NOCASE, "Misc07" TEXT(128) COLLATE NOCASE, "Misc08" TEXT(128) COLLATE NOCASE, "Misc09" TEXT(128) COLLATE NOCASE, "Misc10" TEXT(128) COLLATE NOCASE, "Misc11" LONGTEXT COLLATE NOCASE, "Misc12" LONGTEXT COLLATE NOCASE, "ImgMini1" BLOB, "Img1" BLOB, "Img2" BLOB, "Img3" BLOB, "Img4" BLOB, "ImgMini2" BLOB, "ImgMini3" BLOB, "ImgMini4" BLOB, "WeightGraph" BLOB, "SizeGraph" BLOB, "Comment1" TEXT(128) COLLATE NOCASE, "Custom00144243" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_PERSON_Name_ForeName" ON "PERSON" ("Name", "ForeName");
CREATE TABLE "ACTION" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Id_Ref" SMALLINT, "Tag" INTEGER, "Id_Org" SMALLINT, "Id_Illness" SMALLINT, "Id_Drug" SMALLINT, "Date_Action" DATETIME, "Time_Action" TEXT(5) COLLATE NOCASE, "Remark1" TEXT(255) COLLATE NOCASE, "Remark2" TEXT(255) COLLATE NOCASE, "Gravity" TEXT(128) COLLATE NOCASE, "Price" CURRENCY, "Repayment" YESNO, "Date_Repayment" DATETIME, "Price_Repayment" CURRENCY, "Category" TEXT(128) COLLATE NOCASE, "Duration" INTEGER, "Repeat" INTEGER);
CREATE INDEX "IX_ACTION_Id_Ref_Tag_Date_Action" ON "ACTION" ("Id_Ref", "Tag", "Date_Action");
CREATE INDEX "IX_ACTION_Date_Action" ON "ACTION" ("Date_Action");
CREATE TABLE "VACCINE" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Id_Ref" SMALLINT, "Id_Org" SMALLINT, "Id_Vaccine" SMALLINT, "Date_Vaccine" DATETIME, "Time_Vaccine" TEXT(5) COLLATE NOCASE, "Repeat_Date" DATETIME, "Remark1" TEXT(255) COLLATE NOCASE, "Remark2" TEXT(255) COLLATE NOCASE, "Divers1" INTEGER, "Divers2" YESNO, "Divers3" TEXT(128) COLLATE NOCASE, "Divers4" TEXT(128) COLLATE NOCASE, "Divers5" LONGTEXT COLLATE NOCASE);
CREATE INDEX "IX_VACCINE_Id_Ref_Date_Vaccine" ON "VACCINE" ("Id_Ref", "Date_Vaccine");
CREATE INDEX "IX_VACCINE_Repeat_Date" ON "VACCINE" ("Repeat_Date");
CREATE TABLE "WEIGHT" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Id_Ref" SMALLINT, "Date_Weight" DATETIME, "Time_Weight" TEXT(5) COLLATE NOCASE, "Weight" DOUBLE, "Remark" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_WEIGHT_Id_Ref_Date_Weight" ON "WEIGHT" ("Id_Ref", "Date_Weight");
CREATE TABLE "SIZE" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Id_Ref" SMALLINT, "Date_Size" DATETIME, "Time_Size" TEXT(5) COLLATE NOCASE, "Size" DOUBLE, "Remark" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_SIZE_Id_Ref_Date_Size" ON "SIZE" ("Id_Ref", "Date_Size");
CREATE TABLE "EVENT" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Id_Ref" SMALLINT, "Date_Event" DATETIME, "Time_Event" TEXT(5) COLLATE NOCASE, "Description" TEXT(255) COLLATE NOCASE);
CREATE INDEX "IX_EVENT_Id_Ref_Date_Event_Time_Event" ON "EVENT" ("Id_Ref", "Date_Event", "Time_Event");
CREATE TABLE "DOCUMENTIMG" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Id_Ref" SMALLINT, "Title" TEXT(128) COLLATE NOCASE, "Img" BLOB, "ImgMini" BLOB);
CREATE INDEX "IX_DOCUMENTIMG_Id_Ref" ON "DOCUMENTIMG" ("Id_Ref");
CREATE TABLE "LST_DOCTOR" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Name" TEXT(128) COLLATE NOCASE, "Category" TEXT(128) COLLATE NOCASE, "Convention" YESNO, "Address" TEXT(128) COLLATE NOCASE, "City" TEXT(128) COLLATE NOCASE, "CP" TEXT(128) COLLATE NOCASE, "Phone" TEXT(128) COLLATE NOCASE, "Fax" TEXT(128) COLLATE NOCASE, "Email" TEXT(128) COLLATE NOCASE, "Note" TEXT(255) COLLATE NOCASE, "Price" CURRENCY, "Country" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_LST_DOCTOR_Name" ON "LST_DOCTOR" ("Name");
CREATE TABLE "LST_PHARMACY" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Name" TEXT(128) COLLATE NOCASE, "Address" TEXT(128) COLLATE NOCASE, "City" TEXT(128) COLLATE NOCASE, "CP" TEXT(128) COLLATE NOCASE, "Phone" TEXT(128) COLLATE NOCASE, "Fax" TEXT(128) COLLATE NOCASE, "Email" TEXT(128) COLLATE NOCASE, "Note" TEXT(255) COLLATE NOCASE, "Country" TEXT(128) COLLATE NOCASE, "Category" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_LST_PHARMACY_Name" ON "LST_PHARMACY" ("Name");
CREATE TABLE "LST_ILLNESS" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Title" TEXT(128) COLLATE NOCASE, "Description" TEXT(255) COLLATE NOCASE, "Category" TEXT(128) COLLATE NOCASE, "Gravity" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_LST_ILLNESS_Title" ON "LST_ILLNESS" ("Title");
CREATE TABLE "LST_DRUG" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Title" TEXT(128) COLLATE NOCASE, "Description" TEXT(255) COLLATE NOCASE, "Category" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_LST_DRUG_Title" ON "LST_DRUG" ("Title");
CREATE TABLE "LST_VACCINE" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Title" TEXT(128) COLLATE NOCASE, "Description" TEXT(255) COLLATE NOCASE, "Category" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_LST_VACCINE_Title" ON "LST_VACCINE" ("Title");
CREATE TABLE "COMBOITEMS" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" SMALLINT, "Location" LONGTEXT COLLATE NOCASE, "Doctor_Category" LONGTEXT COLLATE NOCASE, "BirthDay_City" LONGTEXT COLLATE NOCASE, "Blood" LONGTEXT COLLATE NOCASE, "Action_Gravity" LONGTEXT COLLATE NOCASE, "Misc01" LONGTEXT COLLATE NOCASE, "Misc02" LONGTEXT COLLATE NOCASE, "Misc03" LONGTEXT COLLATE NOCASE, "Misc04" LONGTEXT COLLATE NOCASE, "Misc05" LONGTEXT COLLATE NOCASE, "Misc06" LONGTEXT COLLATE NOCASE, "Misc07" LONGTEXT COLLATE NOCASE, "Misc08" LONGTEXT COLLATE NOCASE, "Misc09" LONGTEXT COLLATE NOCASE, "Misc10" LONGTEXT COLLATE NOCASE);
CREATE TABLE "CUSTOMLAB" ("Id_File" SMALLINT, "Misc01" TEXT(128) COLLATE NOCASE, "Misc02" TEXT(128) COLLATE NOCASE, "Misc03" TEXT(128) COLLATE NOCASE, "Misc04" TEXT(128) COLLATE NOCASE, "Misc05" TEXT(128) COLLATE NOCASE, "Misc06" TEXT(128) COLLATE NOCASE, "Misc07" TEXT(128) COLLATE NOCASE, "Misc08" TEXT(128) COLLATE NOCASE, "Misc09" TEXT(128) COLLATE NOCASE, "Misc10" TEXT(128) COLLATE NOCASE, "Misc11" TEXT(128) COLLATE NOCASE, "Misc12" TEXT(128) COLLATE NOCASE);
CREATE TABLE "OBJECT_VAL_STR" ("ID_CLASS" INTEGER, "ID_ATTRIBUTE" INTEGER, "USERID" INTEGER, "VAL" TEXT(255) COLLATE NOCASE);
CREATE INDEX "IX_OBJECT_VAL_STR_ID_CLASS_ID_ATTRIBUTE_USERID" ON "OBJECT_VAL_STR" ("ID_CLASS", "ID_ATTRIBUTE", "USERID");
CREATE TABLE "WORKGROUP" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Name" TEXT(128) COLLATE NOCASE);
CREATE TABLE "DOCUMENT" ("Id" INTEGER PRIMARY KEY AUTOINCREMENT, "Id_File" INTEGER, "Id_Ref" SMALLINT, "Title" TEXT(128) COLLATE NOCASE);
CREATE INDEX "IX_DOCUMENT_Id_Ref" ON "DOCUMENT" ("Id_Ref");

INSERT INTO OBJECT_VAL_STR (ID_CLASS, ID_ATTRIBUTE, USERID, VAL) VALUES (-99, -99, -99, '3.20');
INSERT INTO OBJECT_VAL_STR (ID_CLASS, ID_ATTRIBUTE, USERID, VAL) VALUES (4, 7, 1, 'Réglage d''une ancienne version');

INSERT INTO CUSTOMLAB (Id_File, Misc01, Misc02, Misc03, Misc04, Misc05, Misc06, Misc07, Misc08, Misc09, Misc10, Misc11, Misc12)
VALUES (0, 'Médecin traitant', 'Mutuelle', 'Allergies', 'Divers 1', 'Divers 2', 'Divers 3', 'Divers 4', 'Divers 5', 'Divers 6', 'Divers 7', 'Notes', 'Traitements');

INSERT INTO COMBOITEMS (Id_File, Location, Doctor_Category, BirthDay_City, Blood, Action_Gravity)
VALUES (0, 'Cabinet médical
Domicile', 'Médecin généraliste
Pédiatre', 'Lyon
Nantes', 'A+
O-', 'Bénigne
Grave');

INSERT INTO LST_DOCTOR (Id_File, Name, Category, Convention, City) VALUES (0, 'Dr Lefèvre', 'Médecin généraliste', 1, 'Lyon');
INSERT INTO LST_DOCTOR (Id_File, Name, Category, Convention, City) VALUES (0, 'Dr Marchand', 'Pédiatre', 0, 'Lyon');
INSERT INTO LST_ILLNESS (Id_File, Title, Category, Gravity) VALUES (0, 'Angine', 'ORL', 'Modérée');
INSERT INTO LST_VACCINE (Id_File, Title, Category) VALUES (0, 'ROR', 'Obligatoire');

INSERT INTO PERSON (Id_File, Name, ForeName, BirthDay_Date, BirthDay_Time, BirthDay_City, BirthDay_Weight, BirthDay_Size, Blood, WeightMode, SizeMode, Misc01)
VALUES (0, 'Durand', 'Élise', '14/02/1983', '08:30', 'Lyon', 3.21, 50.5, 'A+', 1, 1, 'Dr Lefèvre');
INSERT INTO PERSON (Id_File, Name, ForeName, BirthDay_Date, BirthDay_Time, BirthDay_City, BirthDay_Weight, BirthDay_Size, Blood, WeightMode, SizeMode)
VALUES (0, 'Durand', 'Théo', '03/09/2015', '  :  ', 'Nantes', 3.4, 51, 'O-', 3, 2);
INSERT INTO PERSON (Id_File, Name, ForeName, BirthDay_Date, WeightMode, SizeMode) VALUES (0, 'Durand', 'Zoé', '  /  /    ', 1, 1);

INSERT INTO ACTION (Id_File, Id_Ref, Tag, Id_Org, Id_Illness, Date_Action, Time_Action, Remark1, Price, Repayment, Date_Repayment, Price_Repayment)
VALUES (0, 1, 1, 1, 1, '2019-03-12', '09:15', 'Mal de gorge', 25, 1, '2019-03-20', 17.5);
INSERT INTO ACTION (Id_File, Id_Ref, Tag, Id_Org, Date_Action, Time_Action, Remark1, Price, Repayment)
VALUES (0, 2, 1, 2, '2020-11-02', '17:40', 'Visite des 5 ans', 30, 0);
INSERT INTO VACCINE (Id_File, Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Time_Vaccine, Repeat_Date, Remark1)
VALUES (0, 2, 2, 1, '2016-09-05', '10:00', '2017-01-05', 'Première dose');
INSERT INTO WEIGHT (Id_File, Id_Ref, Date_Weight, Time_Weight, Weight, Remark) VALUES (0, 2, '2016-09-05', '10:00', 9.85, '');
INSERT INTO [SIZE] (Id_File, Id_Ref, Date_Size, Time_Size, Size, Remark) VALUES (0, 2, '2016-09-05', '10:00', 74.5, '');
INSERT INTO EVENT (Id_File, Id_Ref, Date_Event, Time_Event, Description) VALUES (0, 1, '2021-06-01', '12:00', 'Déménagement à Lyon');
