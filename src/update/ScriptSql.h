#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

struct sqlite3;

// The free SQL of the update scripts (SqlExe), run on the connection the
// scripts run on. While the object lives that connection may not attach or
// detach a database nor load an extension (SQLite's authorizer refuses
// them): a script changes the records as it says, never reaches a file
// outside them. Everything else stays allowed.
class ScriptSql
{
public:
    // Throws UpdateError when the connection is not a direct SQLite one,
    // where the refusal could not hold.
    explicit ScriptSql(const QSqlDatabase& db);
    ~ScriptSql(); // the connection is free again
    ScriptSql(const ScriptSql&) = delete;
    ScriptSql& operator=(const ScriptSql&) = delete;

    // Runs every statement of the text (Jet dialect), in order, each one
    // translated on its own. Throws AppError with the French text of the
    // first that fails; the caller undoes the ones before it.
    void run(const QString& text);

    // The statements of a text, cut where SQLite ends one: a ";" inside a
    // text, a name, a comment or a trigger's body does not end it.
    static QStringList statements(const QString& text);

private:
    static int authorize(void* self, int action, const char* first, const char* second, const char* database,
                         const char* trigger);
    sqlite3* m_handle = nullptr;
    QString m_refused; // what the authorizer refused last, in French
};
