#include "ListMatching.h"

#include "FhirError.h"

namespace {
QString nameColumn(const QString& table)
{
    return table == QLatin1String("LST_DOCTOR") || table == QLatin1String("LST_PHARMACY")
               ? QStringLiteral("Name")
               : QStringLiteral("Title");
}

QString kindOf(const QString& table)
{
    static const QHash<QString, QString> kinds{{QStringLiteral("LST_DOCTOR"), QStringLiteral("Praticien")},
                                               {QStringLiteral("LST_PHARMACY"), QStringLiteral("Pharmacie")},
                                               {QStringLiteral("LST_ILLNESS"), QStringLiteral("Maladie")},
                                               {QStringLiteral("LST_DRUG"), QStringLiteral("Médicament")},
                                               {QStringLiteral("LST_VACCINE"), QStringLiteral("Vaccin")},
                                               {QStringLiteral("LST_ANALYSIS"), QStringLiteral("Analyse")}};
    return kinds.value(table);
}
} // namespace

int ListMatching::find(const QString& table, const QVariantMap& values)
{
    const QString column = nameColumn(table);
    const QString name = values.value(column).toString();
    if (name.trimmed().isEmpty())
        return -1;
    const QString category = values.value(QStringLiteral("Category")).toString();
    const QString key = table + QLatin1Char('\n') + name.trimmed().toLower() + QLatin1Char('\n') + category;
    if (const auto it = m_known.constFind(key); it != m_known.constEnd())
        return *it;

    int id = -1;
    const std::vector<Row> rows = RecordRows::read(
        m_db,
        QStringLiteral("SELECT Id, Category FROM [%1] WHERE lower(trim([%2]))=lower(trim(?)) ORDER BY Id")
            .arg(table, column),
        {name});
    for (const Row& row : rows)
        if (row.text(QStringLiteral("Category")) == category) {
            id = row.integer(QStringLiteral("Id"));
            break;
        }
    if (id < 0 && !rows.empty())
        id = rows.front().integer(QStringLiteral("Id"));
    if (id < 0) {
        id = m_writer.insert(table, values);
        // The rows that point to list entries hold their Id in a Short.
        if (id > 32767)
            throw FhirError(
                QStringLiteral("La liste « %1 » est pleine : son numéro %2 ne tient pas dans un carnet.")
                    .arg(kindOf(table))
                    .arg(id));
        m_added << QStringLiteral("%1 « %2 »").arg(kindOf(table), name);
    }
    m_known.insert(key, id);
    return id;
}
