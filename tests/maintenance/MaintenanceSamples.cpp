#include "MaintenanceSamples.h"

#include "Cabinet.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

namespace MaintenanceSamples {

namespace {

// A connection of its own on one file, for the length of a scope.
class Reader
{
public:
    explicit Reader(const QString& file) : m_name(QStringLiteral("samples-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        if (!db.open())
            ADD_FAILURE() << "cannot open " << file.toStdString();
    }
    ~Reader()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    static inline int s_count = 0;
    QString m_name;
};

QStringList rowsOf(const QSqlDatabase& db, const QString& sql)
{
    QStringList rows;
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        ADD_FAILURE() << sql.toStdString();
        return rows;
    }
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << q.value(i).toString();
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

RecordSet recordSetIn(const QString& dataFolder)
{
    return {TestFolders::programFolder(), dataFolder, dataFolder + QStringLiteral("Data/"),
            QStringLiteral("Access/BRIVOLINE.MDB")};
}

QByteArray jpeg(int seed, int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int y = 0; y < side; y += 8)
        for (int x = 0; x < side; x += 8)
            painter.fillRect(x, y, 8, 8,
                             QColor::fromHsv((x * 3 + y * 5 + seed * 37) % 360, 90 + (x + seed) % 160, 200));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

void populate(const RecordSet& set, int persons, int pictures, int files, int firstId, int pictureSize)
{
    QDir().mkpath(set.imagesFolder());
    QDir().mkpath(set.filesFolder());
    QDir().mkpath(set.backupFolder());
    if (!QFileInfo::exists(set.databaseFile()))
        TestFolders::copyTemplate(set.databaseFile());
    for (int i = 0; i < persons; ++i)
        execute(set.databaseFile(),
                QStringLiteral("INSERT INTO PERSON (Id, Name, ForeName) VALUES (%1, 'Durand', "
                               "'Élise %1')")
                    .arg(firstId + i));
    for (int i = 0; i < pictures; ++i) {
        const int id = firstId + i;
        execute(set.databaseFile(),
                QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title) VALUES (%1, %2, "
                               "'Radio %1')")
                    .arg(id)
                    .arg(firstId));
        TestFolders::writeFile(set.imagesFolder() + QStringLiteral("Doc%1.jpg").arg(id),
                               jpeg(id, pictureSize));
    }
    for (int i = 0; i < files; ++i) {
        const int id = firstId + i;
        execute(set.databaseFile(),
                QStringLiteral("INSERT INTO DOCUMENTFILE (Id, Id_Ref, FileName) VALUES (%1, %2, "
                               "'compte rendu %1.txt')")
                    .arg(id)
                    .arg(firstId));
        const QString source = set.filesFolder() + QStringLiteral("source.txt");
        TestFolders::writeFile(source,
                               QByteArray("Compte rendu de consultation n° ") + QByteArray::number(id));
        Cabinet::create(set.filesFolder() + QStringLiteral("File%1.f").arg(id),
                        {{source, QStringLiteral("compte rendu %1.txt").arg(id)}});
        QFile::remove(source);
    }
}

Snapshot snapshotOf(const QString& databaseFile, const QString& databaseFolder)
{
    Snapshot s;
    {
        Reader reader(databaseFile);
        // Sorted as text: the search index's tables have no rowid to order by.
        for (const QString& table : reader.db().tables()) {
            QStringList rows = rowsOf(reader.db(), QStringLiteral("SELECT * FROM \"%1\"").arg(table));
            rows.sort();
            s.tables.insert(table, rows);
        }
    }
    for (const auto& [folder, mask] : {std::pair{QStringLiteral("Images/"), QStringLiteral("*.jpg")},
                                       std::pair{QStringLiteral("Files/"), QStringLiteral("*.f")}})
        for (const QString& name : QDir(databaseFolder + folder).entryList({mask}, QDir::Files))
            s.files.insert(folder + name, TestFolders::readFile(databaseFolder + folder + name));
    return s;
}

Snapshot snapshot(const RecordSet& set)
{
    return snapshotOf(set.databaseFile(), set.databaseFolder);
}

Snapshot Snapshot::withoutHistory() const
{
    Snapshot s = *this;
    s.tables.remove(QStringLiteral("BACKUP"));
    return s;
}

QStringList historyOf(const QString& databaseFile)
{
    Reader reader(databaseFile);
    return rowsOf(reader.db(), QStringLiteral("SELECT Description, Path FROM BACKUP ORDER BY rowid"));
}

QString valueOf(const QString& databaseFile, const QString& statement)
{
    Reader reader(databaseFile);
    return rowsOf(reader.db(), statement).join(QLatin1Char('\n'));
}

QString integrityOf(const QString& databaseFile)
{
    return valueOf(databaseFile, QStringLiteral("PRAGMA integrity_check"));
}

void execute(const QString& databaseFile, const QString& statement)
{
    Reader reader(databaseFile);
    QSqlQuery q(reader.db());
    if (!q.exec(statement))
        ADD_FAILURE() << statement.toStdString();
}

QByteArray run(const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(120000) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(u' ').toStdString()
                      << " failed: " << process.readAllStandardError().toStdString()
                      << process.readAllStandardOutput().toStdString();
        return {};
    }
    return process.readAllStandardOutput();
}

ProgramRun runProgram(const QString& home)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    const QString runtime = home + QStringLiteral("run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), home + QStringLiteral("Documents"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString log = home + QStringLiteral("messages.log");
    QFile::remove(log);
    env.insert(QStringLiteral("BRIVOLINE_MESSAGE_LOG"), log);
    env.insert(QStringLiteral("BRIVOLINE_QUIT_AFTER_SHOW"), QStringLiteral("1"));
    program.setProcessEnvironment(env);
    program.start(TestFolders::programFolder() + QStringLiteral("brivoline"), {});
    ProgramRun outcome;
    if (!program.waitForFinished(60000)) {
        ADD_FAILURE() << "the program did not end";
        program.kill();
        program.waitForFinished();
        return outcome;
    }
    outcome.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    outcome.shown = program.readAllStandardError().contains("shown-after-ms");
    outcome.messages =
        QString::fromUtf8(TestFolders::readFile(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return outcome;
}

QStringList filesUnder(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace MaintenanceSamples
