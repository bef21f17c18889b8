#include "Connection.h"

#include "Errors.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVersionNumber>

namespace {
const QString kConnectionName = QStringLiteral("brivoline");
}

namespace Connection {

void open(const DbConfig& config)
{
    const QString file = config.databaseFile();
    if (!QFileInfo(file).isFile())
        return;
    close();

    if (config.kind == DbConfig::Kind::Unknown)
        throw DatabaseError(QStringLiteral("Le fournisseur de données \"%1\" indiqué dans db.ini est inconnu "
                                           "(valeurs admises : OLEDB ou ODBC).")
                                .arg(config.providerText));

    QString failure;
    {
        // The ODBC route names only the data source, which points at the file.
        const bool odbc = config.kind == DbConfig::Kind::Odbc;
        QSqlDatabase db = QSqlDatabase::addDatabase(odbc ? QStringLiteral("QODBC") : QStringLiteral("QSQLITE"),
                                                    kConnectionName);
        if (!db.isValid()) {
            QSqlDatabase::removeDatabase(kConnectionName);
            throw DatabaseError(odbc ? QStringLiteral("Le pilote ODBC de Qt (QODBC) est introuvable.")
                                     : QStringLiteral("Le pilote SQLite de Qt (QSQLITE) est introuvable."));
        }
        if (odbc) {
            db.setDatabaseName(config.odbcName);
        } else {
            db.setDatabaseName(file);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        }
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            // Opening is lazy: reading the catalogue is what finds a file
            // that is not a database or is damaged.
            QSqlQuery probe(db);
            if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !probe.next())
                failure = probe.lastError().text();
        }
        if (failure.isEmpty())
            return;
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnectionName);
    throw DatabaseError(
        QStringLiteral("Impossible d'ouvrir la base de données \"%1\" :\r%2").arg(file, failure));
}

void close()
{
    if (!QSqlDatabase::contains(kConnectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnectionName);
}

bool isOpen()
{
    return QSqlDatabase::contains(kConnectionName) && QSqlDatabase::database(kConnectionName, false).isOpen();
}

QSqlDatabase database()
{
    return QSqlDatabase::database(kConnectionName, false);
}

QString engineVersion()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("brivoline-probe"));
    QString version;
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (db.open()) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT sqlite_version()")) && q.next())
            version = q.value(0).toString();
        db.close();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("brivoline-probe"));
    return version;
}

bool engineVersionSufficient()
{
    const QVersionNumber v = QVersionNumber::fromString(engineVersion());
    return !v.isNull() && v >= QVersionNumber(3, 27);
}

} // namespace Connection
