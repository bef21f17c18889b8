#pragma once

#include <QString>

// A household of many persons' records, each as a record kept for years
// looks: the rows of every page and the stored files the rows name, made
// with the program's own codecs and cabinet writer. Each person holds the
// same rows, so a step that reads one person's record reads as many rows
// in a household of 1 000 persons as in one of 10 000.
namespace HouseholdBuilder {

// One person's record.
struct PerPerson
{
    static constexpr int consultations = 70; // acts "Actes"
    static constexpr int purchases = 30;     // acts "Médicaments"
    static constexpr int weights = 4;
    static constexpr int sizes = 4;
    static constexpr int analysisValues = 2; // of one followed analysis
    static constexpr int vaccinations = 3;
    static constexpr int events = 2;
    // and a photo, one picture document with its recognised text, and an
    // attached file (with its text) for every second person.
};

struct Counts
{
    qint64 persons = 0;
    qint64 acts = 0;
    qint64 measures = 0; // weights, sizes and analysis values
    qint64 pictures = 0; // photos and picture documents
    qint64 files = 0;    // attached files
    qint64 vaccinations = 0;
    qint64 events = 0;
};

Counts countsFor(int persons);

// Fills the database folder (Access/BRIVOLINE.MDB, a database of the
// program with no person yet; Images/ and Files/) with that many persons'
// records: the rows in a few large transactions through prepared
// statements on a connection of its own, the search index rebuilt once
// after them, each picture and attached file written as its own file.
// A failure stops the program: a half-built household would measure
// nothing.
Counts fill(const QString& databaseFolder, int persons);

} // namespace HouseholdBuilder
