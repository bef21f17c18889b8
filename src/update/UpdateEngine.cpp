// The interpreter of the update scripts: lines read in order, guarded
// blocks in transactions, each action in a savepoint, the compaction a
// script asks for, the log. What a guard tests is in UpdateGuards, what an
// action does in UpdateActions, the backup before a script in UpdateBackup.
#include "UpdateEngine.h"

#include "Compaction.h"
#include "FileUtils.h"
#include "ScriptSql.h"
#include "Transaction.h"
#include "UpdateActions.h"
#include "UpdateBackup.h"
#include "UpdateCatalog.h"
#include "UpdateGuards.h"
#include "UpdateLog.h"

#include <memory>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

namespace {

using UpdateScript::Command;

const QString kAlreadyDone = QStringLiteral("*** Mise à jour déjà effectuée ***");
const QString kFinished = QStringLiteral("********************* MISE A JOUR TERMINE *********************");
const QString kTestingStatus = QStringLiteral("Test de la mise à jour ...");
const QString kUpdatingStatus = QStringLiteral("Mise à jour de la base de données ...");
const QString kBackupQuestion =
    QStringLiteral("Souhaitez-vous effectuer une sauvegarde de la base de données avant la mise à jour ?");

// Hides the gauge however the run ends.
class GaugeScope
{
public:
    explicit GaugeScope(UpdateGauge* gauge) : m_gauge(gauge) {}
    ~GaugeScope()
    {
        if (m_gauge)
            m_gauge->finish();
    }
    GaugeScope(const GaugeScope&) = delete;
    GaugeScope& operator=(const GaugeScope&) = delete;

private:
    UpdateGauge* m_gauge;
};

// One run of one script.
class ScriptRun
{
public:
    ScriptRun(const UpdateTarget& target, PictureTimes& times, QStringList& backups,
              const UpdateEngine::Run& run, UpdateLog& log)
        : m_target(target), m_run(run), m_log(log),
          m_backups(backups), m_context{target.connectionName, target.programFolder, target.databaseFolder,
                                        log, times}
    {
    }

    void execute(const QStringList& lines)
    {
        m_lines = lines;
        if (m_run.gauge)
            m_run.gauge->start(static_cast<int>(lines.size()));
        if (m_run.withBackup && m_run.ask && m_run.ask(kBackupQuestion))
            backup();
        guardConnection();
        gaugeText(QStringLiteral("MISE A JOUR (Base de données)"));
        status(QStringLiteral("Mise à jour (préparation) ..."));

        const int count = static_cast<int>(m_lines.size());
        for (int i = 0; i < count;) {
            const QString& line = m_lines[i];
            if (UpdateScript::isComment(line)) {
                m_log.write(UpdateScript::commentText(line));
                i = advanceTo(i + 1, i);
                continue;
            }
            const Command command = UpdateScript::commandOf(line);
            if (UpdateScript::isGuard(command)) {
                // A guard begins a new block; guards do not nest.
                closeBlock();
                status(kTestingStatus);
                if (guardHolds(command, line, i)) {
                    openBlock(i);
                    i = advanceTo(i + 1, i);
                    continue;
                }
                m_log.write(kAlreadyDone);
                int end = i + 1;
                while (end < count && !UpdateScript::isBlockEnd(m_lines[end]))
                    ++end;
                if (end >= count)
                    fail(i, QStringLiteral("le bloc qu'elle commence ne se termine par aucune ligne END."));
                i = advanceTo(end + 1, i);
                continue;
            }
            if (UpdateScript::isBlockEnd(line))
                closeBlock();
            if (command != Command::None)
                runAction(command, line, i);
            i = advanceTo(i + 1, i);
        }
        closeBlock();
        m_log.write(kFinished);
        m_log.write(QString());
    }

private:
    [[noreturn]] void fail(int line, const QString& what) const
    {
        throw UpdateError(
            QStringLiteral("Ligne %1 du script « %2 » : %3").arg(line + 1).arg(m_run.fileName, what));
    }

    int advanceTo(int next, int current)
    {
        if (m_run.gauge)
            m_run.gauge->advance(next - current);
        return next;
    }

    void status(const QString& text) const
    {
        if (m_run.status)
            m_run.status(text);
    }

    void gaugeText(const QString& text) const
    {
        if (m_run.gauge)
            m_run.gauge->setText(text);
    }

    QSqlDatabase database() const { return m_context.database(); }

    // Each connection the script runs on is guarded, also the one reopened
    // after a compaction.
    void guardConnection() { m_sql = std::make_unique<ScriptSql>(database()); }

    // A guard that cannot be tested stops the script.
    bool guardHolds(Command command, const QString& line, int lineIndex) const
    {
        try {
            return UpdateGuards::holds(database(), command, line);
        } catch (const AppError& e) {
            fail(lineIndex, e.text());
        }
    }

    // ---------------------------------------------------------------- blocks

    void openBlock(int line)
    {
        try {
            m_block = std::make_unique<Transaction>(m_target.connectionName);
        } catch (const AppError& e) {
            fail(line, e.text());
        }
        m_blockLine = line;
    }

    void closeBlock()
    {
        if (!m_block)
            return;
        std::unique_ptr<Transaction> block = std::move(m_block);
        try {
            block->commit();
        } catch (const AppError& e) {
            fail(m_blockLine, QStringLiteral("les changements du bloc qu'elle commence n'ont pas pu être "
                                             "enregistrés ; ils seront refaits au prochain démarrage.\r%1")
                                  .arg(e.text()));
        }
    }

    void runStatement(const QString& statement) const
    {
        QSqlQuery q(database());
        if (!q.exec(statement))
            throw DatabaseError(UpdateCatalog::errorText(q));
    }

    // ---------------------------------------------------------------- actions

    // An action inside a block is undone alone when it fails (a savepoint);
    // outside a block it is a transaction of its own.
    QString performAtomically(Command command, const QString& line)
    {
        if (!m_block) {
            Transaction own(m_target.connectionName);
            const QString partly = UpdateActions::perform(m_context, *m_sql, command, line);
            own.commit();
            return partly;
        }
        runStatement(QStringLiteral("SAVEPOINT update_action"));
        try {
            const QString partly = UpdateActions::perform(m_context, *m_sql, command, line);
            runStatement(QStringLiteral("RELEASE update_action"));
            return partly;
        } catch (const AppError&) {
            try {
                runStatement(QStringLiteral("ROLLBACK TO update_action"));
                runStatement(QStringLiteral("RELEASE update_action"));
            } catch (const AppError& e) {
                // The engine dropped the whole transaction (disk full, I/O error).
                fail(m_blockLine,
                     QStringLiteral("les changements du bloc qu'elle commence ont été annulés par la "
                                    "base de données ; ils seront refaits au prochain démarrage.\r%1")
                         .arg(e.text()));
            }
            throw;
        }
    }

    void runAction(Command command, const QString& line, int lineIndex)
    {
        if (command != Command::CompactDataBase)
            status(kUpdatingStatus);
        const QString title = UpdateActions::title(command, line);
        QString failure;
        try {
            if (command == Command::CompactDataBase)
                compact(UpdateScript::bareArgument(line), lineIndex);
            else
                failure = performAtomically(command, line);
        } catch (const UpdateError&) {
            throw; // the script cannot go on
        } catch (const AppError& e) {
            failure = e.text();
        }
        m_log.write(failure.isEmpty() ? title + QStringLiteral(" (Ok)")
                                      : title + QStringLiteral(" (error : ") + failure + QLatin1Char(')'));
    }

    // ---------------------------------------------------------------- compaction

    // The database file of that name in Access/, found without regard to
    // case as the scripts' first engine did.
    QString accessFile(const QString& name) const
    {
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
            name.contains(QLatin1String("..")))
            throw FileError(QStringLiteral("« %1 » n'est pas un nom de base de données.").arg(name));
        const QString folder = m_target.databaseFolder + QStringLiteral("Access/");
        if (!QFileInfo::exists(folder + name))
            for (const QString& entry : QDir(folder).entryList(QDir::Files))
                if (entry.compare(name, Qt::CaseInsensitive) == 0)
                    return folder + entry;
        return folder + name;
    }

    void reopen(int lineIndex)
    {
        try {
            m_target.openConnection();
        } catch (const AppError& e) {
            fail(lineIndex, QStringLiteral("la base de données n'a pas pu être rouverte.\r%1").arg(e.text()));
        }
    }

    // Compacting needs the connection closed: a block running commits what
    // it did so far and goes on in a new transaction afterwards.
    void compact(const QString& name, int lineIndex)
    {
        const QString file = accessFile(name);
        const bool inBlock = m_block != nullptr;
        closeBlock();
        m_sql.reset();
        m_target.closeConnection();
        QString failure;
        try {
            Compaction::compactInPlace(file);
        } catch (const AppError& e) {
            failure = e.text();
        }
        reopen(lineIndex);
        guardConnection();
        if (inBlock)
            openBlock(m_blockLine);
        if (!failure.isEmpty())
            throw FileError(failure);
    }

    // ---------------------------------------------------------------- backup

    void backup()
    {
        gaugeText(QStringLiteral("MISE A JOUR (Sauvegarde)"));
        gaugeText(m_target.databaseFile);
        m_backups << UpdateBackup::make(m_target, m_log, m_run.fileName);
    }

    const UpdateTarget& m_target;
    const UpdateEngine::Run& m_run;
    UpdateLog& m_log;
    QStringList& m_backups;
    ActionContext m_context;
    QStringList m_lines;
    std::unique_ptr<Transaction> m_block;
    int m_blockLine = 0;
    std::unique_ptr<ScriptSql> m_sql;
};

} // namespace

UpdateEngine::UpdateEngine(UpdateTarget target) : m_target(std::move(target)) {}

QString UpdateEngine::logFile() const
{
    return m_target.dataFolder + QStringLiteral("Maj.Log");
}

void UpdateEngine::run(const Run& run)
{
    const QString path = run.folder + run.fileName;
    UpdateLog log(logFile());
    GaugeScope gauge(run.gauge);
    try {
        const QStringList lines = UpdateScript::load(path);
        log.write(QStringLiteral("Script de mise à jour : ") + path);
        ScriptRun(m_target, m_times, m_backups, run, log).execute(lines);
    } catch (const UpdateError& e) {
        log.write(QStringLiteral("ERREUR : ") +
                  QString(e.text()).replace(QLatin1Char('\r'), QLatin1Char(' ')));
        log.write(QString());
        throw;
    }
    if (run.withBackup) {
        try {
            FileUtils::removeFile(path);
        } catch (const FileError& e) {
            // Run again at the next start, where its guards find the work done.
            log.write(e.text());
        }
    }
}
