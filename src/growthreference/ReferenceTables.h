#pragma once

#include "Lms.h"

#include <array>
#include <memory>
#include <optional>
#include <QByteArray>
#include <QList>
#include <QString>

// The WHO growth references: the 2006 growth standards from birth to 5
// years, by day, and the 2007 reference after them, by month.
namespace GrowthReference {

// PERSON.Sex holds the codes of ISO 5218, which also begin the French
// social security number: 1 male, 2 female; anything else is unknown.
enum class Sex
{
    Unknown = 0,
    Male = 1,
    Female = 2
};
Sex sexFromCode(int code);

enum class Indicator
{
    Weight,
    Height, // lying length to 24 months, standing height after, as the tables say
    Bmi
};

// What a table says at one age.
struct AtAge
{
    Lms::Parameters lms;
    bool lying = false; // a length measured lying, else a standing height
};

// One sex's rows of a table by age in days, in increasing order.
class LmsTable
{
public:
    struct Row
    {
        double day = 0;
        Lms::Parameters lms;
        bool lying = false;
    };

    void append(const Row& row) { m_rows.append(row); }
    const QList<Row>& rows() const { return m_rows; }
    // Linear between the two rows around that age; none outside the rows.
    std::optional<AtAge> at(double day) const;

private:
    QList<Row> m_rows;
};

// The rows of both sexes, male first.
using SexTables = std::array<LmsTable, 2>;

// A table file: CSV with the header "sex,age_unit,age,L,M,S" and possibly
// ",loh"; ages in days or in months of 30.4375 days. Throws FileError
// naming the file and the line on anything else than that.
SexTables parseTable(const QByteArray& csv, const QString& fileName);

// The tables of a folder, each read the first time it is needed.
class ReferenceTables
{
public:
    explicit ReferenceTables(QString folder) : m_folder(std::move(folder)) {}

    const QString& folder() const { return m_folder; }
    // The reference of an indicator at an age in days: the 2006 standards
    // to 60 months, then the 2007 reference, weight to 10 years, height
    // and BMI to 19 years. None for an unknown sex, an age outside those,
    // or a table that cannot be read (error() then tells why).
    std::optional<AtAge> at(Indicator indicator, Sex sex, int ageInDays);
    // Why a table could not be read, in French; empty when all could.
    const QString& error() const { return m_error; }
    // The oldest age in days the indicator's reference reaches.
    static int lastDay(Indicator indicator);

private:
    struct Loaded
    {
        bool readable = false;
        SexTables bySex;
    };
    // Slot: the indicator's two sources, in order.
    const Loaded& load(std::size_t slot, const char* file);

    QString m_folder;
    std::array<std::optional<Loaded>, 6> m_loaded;
    QString m_error;
};

// The tables of the program folder's "Croissance/", read once a run.
ReferenceTables& shipped(const QString& programFolder);

} // namespace GrowthReference
