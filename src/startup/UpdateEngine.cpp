#include "UpdateEngine.h"

#include "Clock.h"
#include "Compaction.h"
#include "FileUtils.h"
#include "Messages.h"
#include "Schema.h"
#include "ScriptSql.h"
#include "SearchIndex.h"
#include "Transaction.h"
#include "UpdateActions.h"
#include "UpdateLog.h"

#include <memory>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>

namespace {

using UpdateScript::Command;

const QString kAlreadyDone = QStringLiteral("*** Mise à jour déjà effectuée ***");
const QString kFinished = QStringLiteral("********************* MISE A JOUR TERMINE *********************");
const QString kTestingStatus = QStringLiteral("Test de la mise à jour ...");
const QString kUpdatingStatus = QStringLiteral("Mise à jour de la base de données ...");
const QString kBackupQuestion =
    QStringLiteral("Souhaitez-vous effectuer une sauvegarde de la base de données avant la mise à jour ?");

// The field type names a NotFieldType guard may give; any other counts as ftUnknown.
const QSet<QString>& knownTypeNames()
{
    static const QSet<QString> names{
        QStringLiteral("ftUnknown"),     QStringLiteral("ftString"),     QStringLiteral("ftSmallint"),
        QStringLiteral("ftInteger"),     QStringLiteral("ftWord"),       QStringLiteral("ftBoolean"),
        QStringLiteral("ftFloat"),       QStringLiteral("ftCurrency"),   QStringLiteral("ftBCD"),
        QStringLiteral("ftDate"),        QStringLiteral("ftTime"),       QStringLiteral("ftDateTime"),
        QStringLiteral("ftBytes"),       QStringLiteral("ftVarBytes"),   QStringLiteral("ftAutoInc"),
        QStringLiteral("ftBlob"),        QStringLiteral("ftMemo"),       QStringLiteral("ftGraphic"),
        QStringLiteral("ftFmtMemo"),     QStringLiteral("ftParadoxOle"), QStringLiteral("ftDBaseOle"),
        QStringLiteral("ftTypedBinary"), QStringLiteral("ftCursor"),     QStringLiteral("ftFixedChar"),
        QStringLiteral("ftWideString"),  QStringLiteral("ftLargeInt"),   QStringLiteral("ftADT"),
        QStringLiteral("ftArray"),       QStringLiteral("ftReference"),  QStringLiteral("ftDataSet"),
        QStringLiteral("ftOraBlob"),     QStringLiteral("ftOraClob"),    QStringLiteral("ftVariant"),
        QStringLiteral("ftInterface"),   QStringLiteral("ftIDispatch"),  QStringLiteral("ftGuid"),
        QStringLiteral("ftWideMemo")};
    return names;
}

// The type names a column answers to. A memo holds wide text here, so it is
// both ftMemo and ftWideMemo.
QStringList typeNamesOf(const UpdateCatalog::Column& column)
{
    using T = Schema::ColumnType;
    const auto declared = Schema::typeFromDeclared(column.declared, column.primaryKey);
    if (!declared)
        return {QStringLiteral("ftUnknown")};
    switch (declared->type) {
    case T::AutoIncrement:
        return {QStringLiteral("ftAutoInc")};
    case T::Long:
        return {QStringLiteral("ftInteger")};
    case T::Short:
        return {QStringLiteral("ftSmallint")};
    case T::Byte:
        return {QStringLiteral("ftWord")};
    case T::Text:
        return {QStringLiteral("ftWideString")};
    case T::Memo:
        return {QStringLiteral("ftMemo"), QStringLiteral("ftWideMemo")};
    case T::Double:
    case T::Single:
        return {QStringLiteral("ftFloat")};
    case T::Currency:
        return {QStringLiteral("ftBCD")};
    case T::YesNo:
        return {QStringLiteral("ftBoolean")};
    case T::DateTime:
        return {QStringLiteral("ftDateTime")};
    case T::Bytes:
        return {QStringLiteral("ftBlob")};
    }
    return {QStringLiteral("ftUnknown")};
}

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
        if (m_run.withBackup && Messages::ask(kBackupQuestion))
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

    // ---------------------------------------------------------------- guards

    QString existingTable(const QString& name, int line) const
    {
        const QString table = UpdateCatalog::tableName(database(), name);
        if (table.isEmpty())
            fail(line, QStringLiteral("la table « %1 » qu'elle teste n'existe pas dans la base de données.")
                           .arg(name));
        return table;
    }

    UpdateCatalog::Column existingColumn(const UpdateScript::GuardArguments& args, int line) const
    {
        const QString table = existingTable(args.table, line);
        const auto columns = UpdateCatalog::columns(database(), table);
        const UpdateCatalog::Column* column = UpdateCatalog::find(columns, args.field);
        if (!column)
            fail(line, QStringLiteral("la colonne « %1 » de la table « %2 » qu'elle teste n'existe pas.")
                           .arg(args.field, table));
        return *column;
    }

    bool guardHolds(Command command, const QString& line, int lineIndex)
    {
        const UpdateScript::GuardArguments args = UpdateScript::guardArguments(line);
        try {
            switch (command) {
            case Command::NotTableExists:
                return UpdateCatalog::tableName(database(), args.table).isEmpty();
            case Command::TableExists:
                return !UpdateCatalog::tableName(database(), args.table).isEmpty();
            case Command::NotFieldExists:
            case Command::FieldExists: {
                const QString table = existingTable(args.table, lineIndex);
                const bool exists =
                    UpdateCatalog::find(UpdateCatalog::columns(database(), table), args.field);
                return command == Command::FieldExists ? exists : !exists;
            }
            case Command::NotFieldType: {
                const QString named =
                    knownTypeNames().contains(args.type) ? args.type : QStringLiteral("ftUnknown");
                return !typeNamesOf(existingColumn(args, lineIndex)).contains(named);
            }
            case Command::TableEmpty: {
                QSqlQuery q(database());
                if (!q.exec(QStringLiteral("SELECT 1 FROM %1 LIMIT 1")
                                .arg(UpdateCatalog::quoted(existingTable(args.table, lineIndex)))))
                    throw DatabaseError(UpdateCatalog::errorText(q));
                return !q.next();
            }
            default:
                return false;
            }
        } catch (const UpdateError&) {
            throw;
        } catch (const AppError& e) {
            fail(lineIndex, e.text());
        }
    }

    // ---------------------------------------------------------------- actions

    static QString argumentOrEmpty(const QString& line, int index)
    {
        try {
            const QStringList args = UpdateScript::delimitedArguments(line);
            return index < args.size() ? args[index] : QString();
        } catch (const AppError&) {
            return {};
        }
    }

    static QString titleOf(Command command, const QString& line)
    {
        switch (command) {
        case Command::SqlExe:
            return QStringLiteral("SQL:") + UpdateScript::bracedText(line);
        case Command::CompactDataBase:
            return QStringLiteral("Compactage de la base de données");
        case Command::CreateSearchIndex:
            return QStringLiteral("INDEX:Recherche dans le carnet de santé");
        case Command::ConvertQueryScript:
            return QStringLiteral("CONVERSION:Requêtes");
        case Command::ConvertStatScript:
            return QStringLiteral("CONVERSION:Statistiques");
        case Command::ReplaceStringInQueryScript:
            return QStringLiteral("MODIFICATION:Requêtes(%1)").arg(argumentOrEmpty(line, 0));
        case Command::ReplaceStringInStatScript:
            return QStringLiteral("MODIFICATION:Statistiques(%1)").arg(argumentOrEmpty(line, 0));
        case Command::ExtractImageToJpeg:
            return QStringLiteral("OPTIMISATION:Extraction des images au format jpeg de la table ") +
                   argumentOrEmpty(line, 0);
        case Command::ExtractJpegImage:
            return QStringLiteral("OPTIMISATION:Extraction des images jpeg de la table ") +
                   argumentOrEmpty(line, 0);
        case Command::ResizeBitmapInDataBase:
            return QStringLiteral("OPTIMISATION:Redimensionne les images Bitmap de la table ") +
                   argumentOrEmpty(line, 0);
        case Command::ConvertBitmapToJpegInDataBase:
            return QStringLiteral("OPTIMISATION:Conversion des images Bitmap en Jpeg de la table ") +
                   argumentOrEmpty(line, 0);
        default:
            return {};
        }
    }

    static QStringList arguments(const QString& line, int count)
    {
        QStringList args = UpdateScript::delimitedArguments(line);
        if (args.size() < count)
            throw AppError(
                QStringLiteral("%1 valeur(s) attendue(s), %2 trouvée(s).").arg(count).arg(args.size()));
        return args;
    }

    static int dimension(const QString& text)
    {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (!ok)
            throw AppError(QStringLiteral("« %1 » n'est pas une taille en pixels.").arg(text));
        return value;
    }

    // Does the action; returns what went wrong with a part of it (empty when
    // nothing did). Throws AppError when the action failed as a whole.
    QString perform(Command command, const QString& line)
    {
        using namespace PictureActions;
        switch (command) {
        case Command::SqlExe: {
            const QString statement = UpdateScript::bracedText(line);
            if (statement.trimmed().isEmpty())
                throw AppError(QStringLiteral("la ligne ne contient aucune instruction entre { et }."));
            m_sql->run(statement);
            return {};
        }
        case Command::ConvertQueryScript:
            TreeConversion::convert(m_context, TreeConversion::Tree::Query, {});
            return {};
        case Command::CreateSearchIndex:
            SearchIndex::install(m_target.connectionName);
            return {};
        case Command::ConvertStatScript:
            TreeConversion::convert(m_context, TreeConversion::Tree::Stat, UpdateScript::bracedText(line));
            return {};
        case Command::ReplaceStringInQueryScript:
        case Command::ReplaceStringInStatScript: {
            const QStringList args = arguments(line, 2);
            TreeConversion::replaceText(m_context,
                                        command == Command::ReplaceStringInQueryScript
                                            ? TreeConversion::Tree::Query
                                            : TreeConversion::Tree::Stat,
                                        args[0], args[1]);
            return {};
        }
        case Command::ExtractImageToJpeg: {
            const QStringList args = arguments(line, 3);
            return extractImageToJpeg(m_context, args[0], args[1], args[2],
                                      line.contains(QLatin1String("ExtractImageToJpegCopy")));
        }
        case Command::ExtractJpegImage: {
            const QStringList args = arguments(line, 3);
            return extractJpegImage(m_context, args[0], args[1], args[2]);
        }
        case Command::ResizeBitmapInDataBase: {
            const QStringList args = arguments(line, 4);
            return resizeBitmap(m_context, args[0], args[1], dimension(args[2]), dimension(args[3]),
                                line.contains(QLatin1String("ResizeBitmapDataBaseInWhiteRect")));
        }
        case Command::ConvertBitmapToJpegInDataBase: {
            const QStringList args = arguments(line, 2);
            return convertBitmapToJpeg(m_context, args[0], args[1]);
        }
        default:
            return {};
        }
    }

    // An action inside a block is undone alone when it fails (a savepoint);
    // outside a block it is a transaction of its own.
    QString performAtomically(Command command, const QString& line)
    {
        if (!m_block) {
            Transaction own(m_target.connectionName);
            const QString partly = perform(command, line);
            own.commit();
            return partly;
        }
        runStatement(QStringLiteral("SAVEPOINT update_action"));
        try {
            const QString partly = perform(command, line);
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
        const QString title = titleOf(command, line);
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

    // ---------------------------------------------------------------- files

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

    void backup()
    {
        gaugeText(QStringLiteral("MISE A JOUR (Sauvegarde)"));
        const QString folder = m_target.dataFolder + QStringLiteral("Backup/Maj/");
        QDir().mkpath(folder);
        // Two scripts run within the same second must not share one backup,
        // nor may a backup cut short (its scratch file left) be taken over.
        QDateTime moment = Clock::now();
        QString target = UpdateEngine::backupFileName(m_target.dataFolder, m_target.databaseFile, moment);
        for (int i = 0;
             i < 3600 && (QFileInfo::exists(target) || QFileInfo::exists(Compaction::scratchFileFor(target)));
             ++i) {
            if (QFileInfo::exists(Compaction::scratchFileFor(target)))
                m_log.write(QStringLiteral("Sauvegarde interrompue laissée de côté : ") +
                            Compaction::scratchFileFor(target));
            moment = moment.addSecs(1);
            target = UpdateEngine::backupFileName(m_target.dataFolder, m_target.databaseFile, moment);
        }
        m_target.closeConnection();
        gaugeText(m_target.databaseFile);
        QString failure;
        try {
            Compaction::compactInto(m_target.databaseFile, target);
        } catch (const AppError& e) {
            failure = e.text();
        }
        try {
            m_target.openConnection();
        } catch (const AppError& e) {
            failure += (failure.isEmpty() ? QString() : QStringLiteral("\r")) + e.text();
        }
        if (!failure.isEmpty())
            throw UpdateError(
                QStringLiteral("La sauvegarde de la base de données avant la mise à jour du script « %1 » "
                               "a échoué ; aucune ligne du script n'a été exécutée.\r%2")
                    .arg(m_run.fileName, failure));
        m_log.write(QStringLiteral("Sauvegarde de la base de données : ") + target + QStringLiteral(" (Ok)"));
        m_backups << target;
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

QString UpdateEngine::backupFileName(const QString& dataFolder, const QString& databaseFile,
                                     const QDateTime& moment)
{
    const QString name = QFileInfo(databaseFile).fileName();
    return dataFolder + QStringLiteral("Backup/Maj/") +
           name.left(qMax<qsizetype>(0, name.size() - 4)).toUpper() + QStringLiteral("_ACCESS_BACKUP_MAJ_") +
           moment.toString(QStringLiteral("ddMMyyyyhhmmss")) + QStringLiteral(".bkp");
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
