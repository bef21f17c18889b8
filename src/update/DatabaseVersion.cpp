#include "DatabaseVersion.h"

#include "Dataset.h"
#include "Errors.h"

namespace {
const QString kVersionRow = QStringLiteral("WHERE [ID_CLASS]=-99 AND [ID_ATTRIBUTE]=-99 AND [USERID]=-99");
}

QString GetBDVersion(const QString& connectionName, const QString& table, const QString& column)
{
    Dataset query(table);
    query.setConnectionName(connectionName);
    query.setSql(QStringList{QStringLiteral("SELECT [%1] FROM [%2]").arg(column, table), kVersionRow});
    try {
        query.open();
        if (query.isEmpty())
            return QStringLiteral("0");
        return query.field(0).asString().left(255);
    } catch (const AppError&) {
        return QStringLiteral("0");
    }
}

void SetBDVersion(const QString& connectionName, const QString& table, const QString& column,
                  const QString& version)
{
    Dataset query(table);
    query.setConnectionName(connectionName);
    query.setSql(QStringList{
        QStringLiteral("SELECT [%1], [ID_CLASS], [ID_ATTRIBUTE], [USERID] FROM [%2]").arg(column, table),
        kVersionRow});
    query.open();
    if (query.isEmpty())
        query.append();
    else
        query.edit();
    query.field(0).setAsString(version);
    for (const char* key : {"ID_CLASS", "ID_ATTRIBUTE", "USERID"})
        query.field(QString::fromLatin1(key)).setAsInteger(-99);
    query.post();
}

int numericVersion(const QString& version)
{
    QString digits = version.trimmed();
    const qsizetype dot = digits.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        digits.remove(dot, 1);
    bool ok = false;
    const int number = digits.toInt(&ok);
    return ok ? number : 0;
}
