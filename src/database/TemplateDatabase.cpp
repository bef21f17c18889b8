#include "TemplateDatabase.h"

#include "Errors.h"
#include "Schema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace TemplateDatabase {

QStringList splitScript(const QString& script)
{
    QStringList statements;
    QString current;
    const QStringList lines = script.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("--")))
            continue;
        current += line + QLatin1Char('\n');
        // A trigger's own statements end with ';' too: it ends at its END.
        const bool inTrigger = current.startsWith(QLatin1String("CREATE TRIGGER"), Qt::CaseInsensitive);
        if (inTrigger ? line.compare(QLatin1String("END;"), Qt::CaseInsensitive) == 0
                      : line.endsWith(QLatin1Char(';'))) {
            current.chop(2);
            statements << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

void build(const QString& targetFile, const QStringList& scriptFiles)
{
    QStringList content;
    for (const QString& scriptFile : scriptFiles) {
        QFile script(scriptFile);
        if (!script.open(QIODevice::ReadOnly))
            throw FileError(QStringLiteral("Impossible de lire \"%1\".").arg(scriptFile));
        content << splitScript(QString::fromUtf8(script.readAll()));
    }

    const QString partial = targetFile + QStringLiteral(".part");
    QFile::remove(partial);
    const QString connectionName = QStringLiteral("brivoline-template");
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(partial);
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery q(db);
            db.transaction();
            for (const QString& statement : Schema::createStatements() + content) {
                if (!q.exec(statement)) {
                    failure = statement + QStringLiteral(" : ") + q.lastError().text();
                    break;
                }
            }
            if (failure.isEmpty())
                db.commit();
            else
                db.rollback();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
    if (!failure.isEmpty()) {
        QFile::remove(partial);
        throw DatabaseError(failure);
    }
    QFile::remove(targetFile);
    if (!QFile::rename(partial, targetFile))
        throw FileError(QStringLiteral("Impossible de créer \"%1\".").arg(targetFile));
}

} // namespace TemplateDatabase
