#include "ReferenceTables.h"

#include "Errors.h"
#include "FileUtils.h"

#include <algorithm>
#include <cmath>

namespace GrowthReference {
namespace {

// The WHO counts a month as the mean Gregorian month.
constexpr double kDaysPerMonth = 30.4375;
// The 2006 tables are by day up to 1826 days (60 months less a few hours);
// the 2007 ones take over after, from their row of 60 months.
constexpr int kLastStandardDay = 1826;
constexpr int kLastWeightDay = 3652; // 120 months
constexpr int kLastHeightDay = 6939; // 228 months

struct Source
{
    const char* file;
    int firstDay;
    int lastDay;
};

const std::array<Source, 2>& sources(Indicator indicator)
{
    static const std::array<Source, 2> weight{
        {{"who2006_wfa_0_5y_day.csv", 0, kLastStandardDay},
         {"who2007_wfa_5_10y_month.csv", kLastStandardDay + 1, kLastWeightDay}}};
    static const std::array<Source, 2> height{
        {{"who2006_lhfa_0_5y_day.csv", 0, kLastStandardDay},
         {"who2007_hfa_5_19y_month.csv", kLastStandardDay + 1, kLastHeightDay}}};
    static const std::array<Source, 2> bmi{
        {{"who2006_bfa_0_5y_day.csv", 0, kLastStandardDay},
         {"who2007_bfa_5_19y_month.csv", kLastStandardDay + 1, kLastHeightDay}}};
    switch (indicator) {
    case Indicator::Weight:
        return weight;
    case Indicator::Height:
        return height;
    case Indicator::Bmi:
        break;
    }
    return bmi;
}

[[noreturn]] void refuse(const QString& fileName, int line, const QString& why)
{
    throw FileError(QStringLiteral("La table de croissance \"%1\" est illisible (ligne %2 : %3).")
                        .arg(fileName)
                        .arg(line)
                        .arg(why));
}

double number(const QString& text, const QString& fileName, int line)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        refuse(fileName, line, QStringLiteral("« %1 » n'est pas un nombre").arg(text));
    return value;
}

} // namespace

Sex sexFromCode(int code)
{
    return code == 1 ? Sex::Male : code == 2 ? Sex::Female : Sex::Unknown;
}

std::optional<AtAge> LmsTable::at(double day) const
{
    if (m_rows.isEmpty() || day < m_rows.constFirst().day || day > m_rows.constLast().day)
        return std::nullopt;
    const auto after = std::lower_bound(m_rows.cbegin(), m_rows.cend(), day,
                                        [](const Row& row, double d) { return row.day < d; });
    if (after->day == day || after == m_rows.cbegin())
        return AtAge{after->lms, after->lying};
    const Row& before = *(after - 1);
    const double weight = (day - before.day) / (after->day - before.day);
    return AtAge{Lms::between(before.lms, after->lms, weight), before.lying};
}

SexTables parseTable(const QByteArray& csv, const QString& fileName)
{
    const QStringList lines = QString::fromUtf8(csv).split(QLatin1Char('\n'));
    const QString header = lines.value(0).trimmed();
    const bool withPosition = header == QLatin1String("sex,age_unit,age,L,M,S,loh");
    if (!withPosition && header != QLatin1String("sex,age_unit,age,L,M,S"))
        refuse(fileName, 1, QStringLiteral("en-tête inattendu"));
    const int columns = withPosition ? 7 : 6;

    SexTables tables;
    for (int i = 1; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList cells = line.split(QLatin1Char(','));
        if (cells.size() != columns)
            refuse(fileName, i + 1, QStringLiteral("%1 colonnes attendues").arg(columns));
        const QString& sex = cells.at(0);
        if (sex != QLatin1String("M") && sex != QLatin1String("F"))
            refuse(fileName, i + 1, QStringLiteral("sexe « %1 »").arg(sex));
        const QString& unit = cells.at(1);
        if (unit != QLatin1String("day") && unit != QLatin1String("month"))
            refuse(fileName, i + 1, QStringLiteral("unité d'âge « %1 »").arg(unit));
        LmsTable::Row row;
        row.day = number(cells.at(2), fileName, i + 1) * (unit == QLatin1String("month") ? kDaysPerMonth : 1);
        row.lms = {number(cells.at(3), fileName, i + 1), number(cells.at(4), fileName, i + 1),
                   number(cells.at(5), fileName, i + 1)};
        if (row.lms.m <= 0 || row.lms.s <= 0)
            refuse(fileName, i + 1, QStringLiteral("M et S doivent être positifs"));
        if (withPosition) {
            const QString& position = cells.at(6);
            if (position != QLatin1String("L") && position != QLatin1String("H"))
                refuse(fileName, i + 1, QStringLiteral("position « %1 »").arg(position));
            row.lying = position == QLatin1String("L");
        }
        LmsTable& table = tables.at(sex == QLatin1String("M") ? 0 : 1);
        if (!table.rows().isEmpty() && row.day <= table.rows().constLast().day)
            refuse(fileName, i + 1, QStringLiteral("âges dans le désordre"));
        table.append(row);
    }
    for (const LmsTable& table : tables)
        if (table.rows().size() < 2)
            refuse(fileName, static_cast<int>(lines.size()), QStringLiteral("un sexe n'a pas de lignes"));
    return tables;
}

std::optional<AtAge> ReferenceTables::at(Indicator indicator, Sex sex, int ageInDays)
{
    if (sex == Sex::Unknown)
        return std::nullopt;
    const std::array<Source, 2>& choices = sources(indicator);
    for (std::size_t i = 0; i < choices.size(); ++i) {
        const Source& source = choices.at(i);
        if (ageInDays < source.firstDay || ageInDays > source.lastDay)
            continue;
        const Loaded& loaded = load(static_cast<std::size_t>(indicator) * choices.size() + i, source.file);
        if (!loaded.readable)
            return std::nullopt;
        return loaded.bySex.at(sex == Sex::Male ? 0 : 1).at(ageInDays);
    }
    return std::nullopt;
}

int ReferenceTables::lastDay(Indicator indicator)
{
    return sources(indicator).back().lastDay;
}

const ReferenceTables::Loaded& ReferenceTables::load(std::size_t slot, const char* file)
{
    std::optional<Loaded>& loaded = m_loaded.at(slot);
    if (loaded)
        return *loaded;
    // A table that cannot be read is not tried again: its charts go
    // without centiles, and the error says why.
    loaded.emplace();
    try {
        bool exists = false;
        const QString path = m_folder + QString::fromLatin1(file);
        const QByteArray bytes = FileUtils::readFile(path, &exists);
        if (!exists)
            throw FileError(QStringLiteral("La table de croissance \"%1\" est introuvable.").arg(path));
        loaded->bySex = parseTable(bytes, QString::fromLatin1(file));
        loaded->readable = true;
    } catch (const AppError& e) {
        m_error = e.text();
    }
    return *loaded;
}

ReferenceTables& shipped(const QString& programFolder)
{
    static std::unique_ptr<ReferenceTables> tables;
    const QString folder = programFolder + QStringLiteral("Croissance/");
    if (!tables || tables->folder() != folder)
        tables = std::make_unique<ReferenceTables>(folder);
    return *tables;
}

} // namespace GrowthReference
