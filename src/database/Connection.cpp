#include "Connection.h"

#include "Errors.h"
#include "FileUtils.h"
#include "OrderlyClose.h"
#include "Schema.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVersionNumber>

namespace {
const QString kConnectionName = QStringLiteral("brivoline");
// The file of the program's connection, which the ODBC route names only by
// its data source.
QString g_databaseFile;
bool g_damageMet = false;

// The engine's check (PRAGMA quick_check or integrity_check) on an open
// connection: empty when it finds nothing wrong.
QString checkWith(const QSqlDatabase& db, const QString& pragma)
{
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA ") + pragma))
        return Connection::errorText(check.lastError());
    QStringList found;
    while (check.next() && found.size() < 5)
        found << check.value(0).toString();
    if (check.lastError().isValid())
        return Connection::errorText(check.lastError());
    return found == QStringList{QStringLiteral("ok")} ? QString() : found.join(QLatin1Char('\r'));
}
} // namespace

namespace Connection {

EngineCode engineCode(const QSqlError& error)
{
    return EngineCode(error.nativeErrorCode().toInt() & 0xff);
}

QString errorText(const QSqlError& error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const EngineCode code = engineCode(error);
    // What the user can act on, said by the code alone.
    static const std::pair<EngineCode, QString> kCodes[] = {
        {EngineCode::Permission, QStringLiteral("accès refusé")},
        {EngineCode::Authorization, QStringLiteral("accès refusé")},
        {EngineCode::Abort, QStringLiteral("l'opération a été abandonnée")},
        {EngineCode::Busy, QStringLiteral("la base de données est occupée par un autre programme")},
        {EngineCode::Locked, QStringLiteral("la base de données est occupée par un autre programme")},
        {EngineCode::NoMemory, QStringLiteral("mémoire insuffisante")},
        {EngineCode::ReadOnly, QStringLiteral("la base de données est en lecture seule")},
        {EngineCode::Interrupted, QStringLiteral("l'opération a été interrompue")},
        {EngineCode::InputOutput, QStringLiteral("erreur de lecture ou d'écriture sur le disque")},
        {EngineCode::Corrupt, QStringLiteral("le fichier est endommagé ou n'est pas une base de données")},
        {EngineCode::NotADatabase,
         QStringLiteral("le fichier est endommagé ou n'est pas une base de données")},
        {EngineCode::Full, QStringLiteral("le disque est plein")},
        {EngineCode::CannotOpen, QStringLiteral("le fichier ne peut pas être ouvert")},
        {EngineCode::TooBig, QStringLiteral("la valeur est trop grande pour la base de données")},
        {EngineCode::Mismatch, QStringLiteral("la valeur n'est pas du type de la colonne")},
    };
    for (const auto& [known, french] : kCodes)
        if (code == known)
            return french;
    // The engine's own words for a refused statement, each with the name it
    // carries after its prefix.
    static const std::pair<QLatin1String, QString> kStatements[] = {
        {QLatin1String("no such table: "),
         QStringLiteral("la table « %1 » est absente de la base de données")},
        {QLatin1String("no such column: "),
         QStringLiteral("la colonne « %1 » est absente de la base de données")},
        {QLatin1String("no such function: "), QStringLiteral("la fonction « %1 » n'existe pas")},
        {QLatin1String("no such index: "), QStringLiteral("l'index « %1 » n'existe pas")},
        {QLatin1String("duplicate column name: "), QStringLiteral("la colonne « %1 » existe déjà")},
        {QLatin1String("UNIQUE constraint failed: "), QStringLiteral("la valeur de « %1 » existe déjà")},
        {QLatin1String("NOT NULL constraint failed: "), QStringLiteral("« %1 » ne peut pas rester vide")},
        {QLatin1String("CHECK constraint failed: "), QStringLiteral("la règle « %1 » n'est pas respectée")},
    };
    for (const auto& [english, french] : kStatements)
        if (text.startsWith(english))
            return french.arg(text.mid(english.size()).section(QLatin1Char(' '), 0, 0));
    static const QRegularExpression kAlreadyExists(
        QStringLiteral("^(table|index|view|trigger) (\\S+) already exists"));
    if (const QRegularExpressionMatch m = kAlreadyExists.match(text); m.hasMatch())
        return QStringLiteral("« %1 » existe déjà dans la base de données").arg(m.captured(2));
    static const QRegularExpression kSyntax(QStringLiteral("^near \"(.*)\": syntax error"));
    if (const QRegularExpressionMatch m = kSyntax.match(text); m.hasMatch())
        return QStringLiteral("erreur de syntaxe près de « %1 »").arg(m.captured(1));
    if (text.startsWith(QLatin1String("cannot VACUUM from within a transaction")))
        return QStringLiteral("la base de données ne peut pas être compactée au milieu d'une transaction");
    if (text.startsWith(QLatin1String("incomplete input")))
        return QStringLiteral("l'instruction est incomplète");
    if (code == EngineCode::Constraint) // other kinds
        return QStringLiteral("une règle de la base de données n'est pas respectée");
    // Anything else is the engine's own text, said to be so.
    return text.trimmed().isEmpty()
               ? QStringLiteral("erreur inconnue de la base de données")
               : QStringLiteral("erreur de la base de données (message du moteur SQLite : « %1 »)")
                     .arg(text.trimmed());
}

void throwError(const QSqlDatabase& db, const QSqlError& error)
{
    const EngineCode code = engineCode(error);
    if (code != EngineCode::Corrupt && code != EngineCode::NotADatabase)
        throw DatabaseError(errorText(error));
    if (db.connectionName() == kConnectionName) {
        g_damageMet = true;
        OrderlyClose::forget(g_databaseFile);
    }
    throw DamagedDatabaseError(errorText(error));
}

bool damageMet()
{
    return g_damageMet;
}

QString damageFoundText()
{
    return QStringLiteral(
        "la vérification de son intégrité y trouve des pages, des index ou des lignes abîmés");
}

void open(const DbConfig& config)
{
    const QString file = config.databaseFile();
    const QString shown = FileUtils::shownPath(file);
    close();
    const QFileInfo info(file);
    if (!info.exists())
        throw DatabaseError(QStringLiteral("La base de données \"%1\" est introuvable.").arg(shown));
    if (!info.isFile())
        throw DatabaseError(
            QStringLiteral("La base de données \"%1\" est un dossier et non un fichier.").arg(shown));
    // SQLite would take an empty file for a new database and fill it.
    if (info.size() == 0)
        throw DatabaseError(
            QStringLiteral("Le fichier \"%1\" est vide : ce n'est pas une base de données.").arg(shown));

    if (config.kind == DbConfig::Kind::Unknown)
        throw DatabaseError(QStringLiteral("Le fournisseur de données \"%1\" indiqué dans db.ini est inconnu "
                                           "(valeurs admises : OLEDB ou ODBC).")
                                .arg(config.providerText.left(80)));

    QString failure;
    bool damaged = false;
    {
        // The ODBC route names only the data source, which points at the file.
        const bool odbc = config.kind == DbConfig::Kind::Odbc;
        QSqlDatabase db = QSqlDatabase::addDatabase(
            odbc ? QStringLiteral("QODBC") : QStringLiteral("QSQLITE"), kConnectionName);
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
            failure = errorText(db.lastError());
        } else {
            // Opening is lazy: reading the catalogue is what finds a file
            // that is not a database or is damaged. Rewriting the header in
            // a transaction that is rolled back finds a file, or a folder
            // (where the journal goes), that cannot be written: better said
            // now than at the user's first change.
            QSqlQuery probe(db);
            int version = 0;
            if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !probe.next() ||
                !probe.exec(QStringLiteral("PRAGMA user_version")) || !probe.next()) {
                failure = errorText(probe.lastError());
                damaged = engineCode(probe.lastError()) == EngineCode::Corrupt;
            } else {
                version = probe.value(0).toInt();
                probe.finish();
                if (!probe.exec(QStringLiteral("BEGIN IMMEDIATE")) ||
                    !probe.exec(QStringLiteral("PRAGMA user_version = %1").arg(version))) {
                    failure = errorText(probe.lastError());
                    const EngineCode code = engineCode(probe.lastError());
                    if (FileUtils::onReadOnlyDisk(file))
                        failure =
                            QStringLiteral("le disque qui la contient est en lecture seule (monté en lecture "
                                           "seule) : elle ne peut pas y être modifiée");
                    else if (code == EngineCode::ReadOnly || code == EngineCode::CannotOpen ||
                             !info.isWritable()) // CannotOpen: the journal cannot be created
                        failure =
                            QStringLiteral("la base de données est en lecture seule : vérifiez les droits "
                                           "d'accès à ce fichier et au dossier qui le contient");
                }
                probe.finish();
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            }
        }
        if (failure.isEmpty()) {
            g_databaseFile = file;
            return;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnectionName);
    const QString text =
        QStringLiteral("Impossible d'ouvrir la base de données \"%1\" :\r%2.").arg(shown, failure);
    if (damaged)
        throw DamagedDatabaseError(text);
    throw DatabaseError(text);
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

QString missingSchemaPart()
{
    return missingSchemaPart(database());
}

QString missingSchemaPart(const QSqlDatabase& db)
{
    QStringList present = db.tables();
    for (QString& name : present)
        name = name.toUpper();
    for (const Schema::Table& table : Schema::tables()) {
        if (!present.contains(table.name.toUpper()))
            return QStringLiteral("la table « %1 »").arg(table.name);
        const QSqlRecord record = db.record(table.name);
        for (const Schema::Column& column : table.columns) {
            bool found = false;
            for (int i = 0; i < record.count() && !found; ++i)
                found = record.fieldName(i).compare(column.name, Qt::CaseInsensitive) == 0;
            if (!found)
                return QStringLiteral("la colonne « %1 » de la table « %2 »").arg(column.name, table.name);
        }
    }
    return {};
}

QString damageOf(const QSqlDatabase& db)
{
    return checkWith(db, QStringLiteral("quick_check"));
}

QString damageOfCatalogue(const QSqlDatabase& db)
{
    return checkWith(db, QStringLiteral("quick_check(sqlite_schema)"));
}

QString integrityDamageOf(const QSqlDatabase& db)
{
    return checkWith(db, QStringLiteral("integrity_check"));
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
