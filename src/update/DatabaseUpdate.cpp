#include "DatabaseUpdate.h"

#include "Connection.h"
#include "DatabaseVersion.h"
#include "Errors.h"
#include "FileUtils.h"
#include "Product.h"
#include "UpdateCatalog.h"
#include "UpdateEngine.h"

#include <algorithm>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>

namespace DatabaseUpdate {
namespace {

QString versionColumn(const QString& connectionName)
{
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    const QString table = UpdateCatalog::tableName(db, kVersionTable);
    const bool older =
        !table.isEmpty() && UpdateCatalog::find(UpdateCatalog::columns(db, table), QStringLiteral("VAL"));
    return older ? QStringLiteral("VAL") : QStringLiteral("VALUE");
}

// "BD_352.maj" -> 352, 0 for any other name.
int scriptNumber(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^BD_(\\d{3,})\\.maj$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// The version text a script leaves: 352 -> "3.52".
QString scriptVersion(const QString& name)
{
    const QString digits = QString::number(scriptNumber(name));
    return digits.left(1) + QLatin1Char('.') + digits.mid(1);
}

} // namespace

QString databaseVersion(const QString& connectionName)
{
    return GetBDVersion(connectionName, kVersionTable, versionColumn(connectionName));
}

bool updateOlderDatabase(const Folders& folders, const QString& connectionName, const QString& databaseFolder,
                         const QString& file, UpdateGauge* gauge, const Status& status)
{
    const QString scriptFolder = folders.program + QStringLiteral("Maj/");
    const QStringList scripts = scriptsAfter(scriptFolder, numericVersion(databaseVersion(connectionName)));
    if (scripts.isEmpty())
        return false;
    const auto open = [connectionName] {
        QSqlDatabase c = QSqlDatabase::database(connectionName, false);
        if (!c.open())
            throw DatabaseError(Connection::errorText(c.lastError()));
    };
    UpdateEngine engine({connectionName, folders.program, folders.data, databaseFolder, file,
                         [connectionName] { QSqlDatabase::database(connectionName, false).close(); }, open});
    for (const QString& script : scripts) {
        engine.run({scriptFolder, script, false, status, gauge, {}});
        // Each script leaves the layout it names; the first may have renamed the column.
        SetBDVersion(connectionName, kVersionTable, versionColumn(connectionName), scriptVersion(script));
    }
    return true;
}

QStringList scriptsAfter(const QString& folder, int fromVersion)
{
    QList<std::pair<int, QString>> found;
    for (const QString& name : FileUtils::listFiles(folder, QStringLiteral("BD_*.maj"))) {
        const int number = scriptNumber(name);
        if (number > fromVersion && number <= Product::databaseVersionNumber)
            found.append({number, name});
    }
    std::sort(found.begin(), found.end());
    QStringList names;
    for (const auto& [number, name] : found)
        names.append(name);
    return names;
}

} // namespace DatabaseUpdate
