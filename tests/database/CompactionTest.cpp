#include "Compaction.h"

#include "Connection.h"
#include "Errors.h"
#include "SmallDisk.h"
#include "TestFolders.h"

#include <functional>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <sqlite3.h>

namespace {

using TestFolders::exists;
using TestFolders::readFile;
using TestFolders::writeFile;

// Runs statements on a file through a connection of its own.
class File
{
public:
    explicit File(const QString& path) : m_name(QStringLiteral("compaction-test-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
    }
    ~File()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QString name() const { return m_name; }
    QVariant scalar(const QString& sql) const
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q.next() ? q.value(0) : QVariant();
    }
    void exec(const QString& sql, const QVariantList& values = {}) const
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        EXPECT_TRUE(q.exec()) << sql.toStdString();
    }

private:
    static inline int s_count = 0;
    QString m_name;
};

class CompactionTest : public ::testing::Test
{
protected:
    // A household database that has lost most of its pictures: room to give back.
    void SetUp() override
    {
        m_file = m_scratch.path() + QStringLiteral("Access/BRIVOLINE.MDB");
        TestFolders::copyTemplate(m_file);
        File db(m_file);
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < 60; ++i)
            db.exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, Img) VALUES (1, ?, ?)"),
                    {QStringLiteral("Document %1").arg(i), QByteArray(64 * 1024, char('a' + i % 26))});
        db.exec(QStringLiteral("COMMIT"));
        db.exec(QStringLiteral("DELETE FROM DOCUMENTIMG WHERE Id > 5"));
    }

    // Each table's rows, and the documents' titles and picture bytes.
    static QStringList rows(const QString& path)
    {
        File db(path);
        QStringList out;
        const QStringList tables =
            db.scalar(QStringLiteral("SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE "
                                     "type='table' ORDER BY name)"))
                .toString()
                .split(',');
        for (const QString& table : tables)
            out << table + QLatin1Char('=') +
                       db.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toString();
        out << db.scalar(QStringLiteral("SELECT group_concat(Title) || sum(length(Img)) FROM DOCUMENTIMG"))
                   .toString();
        return out;
    }

    TestFolders::Scratch m_scratch;
    QString m_file;
};

TEST(CompactionScratch, HasTheTildeBeforeTheFirstDotOfTheName)
{
    EXPECT_EQ(Compaction::scratchFileFor(QStringLiteral("/d.1/Access/BRIVOLINE.MDB")),
              QStringLiteral("/d.1/Access/BRIVOLINE~.MDB"));
    EXPECT_EQ(Compaction::scratchFileFor(QStringLiteral("/b/X_MAJ_08122026134501.bkp")),
              QStringLiteral("/b/X_MAJ_08122026134501~.bkp"));
    EXPECT_EQ(Compaction::scratchFileFor(QStringLiteral("base.tar.gz")), QStringLiteral("base~.tar.gz"));
    EXPECT_EQ(Compaction::scratchFileFor(QStringLiteral("/a/base")), QStringLiteral("/a/base~"));
}

TEST_F(CompactionTest, CopyHoldsTheSameRowsInLessRoomAndLeavesTheSourceAlone)
{
    const QByteArray source = readFile(m_file);
    const QString copy = m_scratch.path() + QStringLiteral("Backup/copy.bkp");
    QDir().mkpath(m_scratch.path() + QStringLiteral("Backup"));
    Compaction::compactInto(m_file, copy);
    EXPECT_EQ(readFile(m_file), source);
    EXPECT_LT(QFileInfo(copy).size(), source.size() / 4);
    EXPECT_EQ(rows(copy), rows(m_file));
    EXPECT_FALSE(exists(Compaction::scratchFileFor(copy)));

    // An existing target is never replaced.
    writeFile(copy, "mine");
    EXPECT_THROW(Compaction::compactInto(m_file, copy), FileError);
    EXPECT_EQ(readFile(copy), "mine");
}

TEST_F(CompactionTest, InPlaceKeepsTheRowsAndTheFilesPermissions)
{
    const QStringList before = rows(m_file);
    const qint64 size = QFileInfo(m_file).size();
    QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const QFileDevice::Permissions permissions = QFile::permissions(m_file);
    Compaction::compactInPlace(m_file);
    EXPECT_LT(QFileInfo(m_file).size(), size / 4);
    EXPECT_EQ(rows(m_file), before);
    EXPECT_EQ(QFile::permissions(m_file), permissions);
    Compaction::compactInPlace(m_file);
    EXPECT_EQ(rows(m_file), before) << "compacting a compacted file changes nothing";
    EXPECT_EQ(File(m_file).scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

// A kill leaves the scratch copy, often with the journal the engine keeps
// beside it: the database is replaced only by a checked copy, so neither is
// ever the only copy, and the next compaction clears them. A scratch file
// that is a database of the Windows version (which renamed its database to
// that name before compacting) may be one: kept, and said.
TEST_F(CompactionTest, ScratchLeftByAnInterruptedRunIsClearedUnlessItMayBeTheOnlyCopy)
{
    const QStringList before = rows(m_file);
    const QString scratch = Compaction::scratchFileFor(m_file);
    writeFile(scratch, "half a database");
    writeFile(scratch + QStringLiteral("-journal"), QByteArray(512, '\xd9'));
    Compaction::compactInPlace(m_file);
    EXPECT_EQ(rows(m_file), before);
    EXPECT_FALSE(exists(scratch));
    EXPECT_FALSE(exists(scratch + QStringLiteral("-journal")));

    const QByteArray jet = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4000, '\0');
    writeFile(scratch, jet);
    const QByteArray source = readFile(m_file);
    try {
        Compaction::compactInPlace(m_file);
        ADD_FAILURE() << "a database of the Windows version must stop the compaction";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("BRIVOLINE~.MDB"))) << e.text().toStdString();
    }
    EXPECT_EQ(readFile(m_file), source);
    EXPECT_EQ(readFile(scratch), jet);
}

// The engine's words, which are English, reach the user in French, naming
// the file: a read-only disk, a full one, and statements it refuses.
TEST_F(CompactionTest, EngineFailuresAreSaidInFrench)
{
    const QString mounted = m_scratch.make(QStringLiteral("cle"));
    SmallDisk disk(mounted, 2 * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    const QString file = mounted + QStringLiteral("BRIVOLINE.MDB");
    TestFolders::copyTemplate(file);
    const auto failureOf = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const AppError& e) {
            EXPECT_EQ(TestFolders::englishIn(e.text()), QString()) << e.text().toStdString();
            return e.text();
        }
        ADD_FAILURE() << "no failure";
        return QString();
    };
    disk.fill(8 * 1024);
    QString said = failureOf([&] { Compaction::compactInPlace(file); });
    EXPECT_TRUE(said.contains(QStringLiteral("le disque est plein")) && said.contains(file))
        << said.toStdString();
    disk.release();

    ASSERT_TRUE(disk.makeReadOnly());
    said = failureOf([&] { Compaction::compactInPlace(file); });
    EXPECT_TRUE(said.contains(QStringLiteral("lecture seule")) &&
                said.contains(QStringLiteral("BRIVOLINE~.MDB")))
        << said.toStdString();
    DbConfig config;
    config.databaseFolder = mounted;
    config.oledbFileName = QStringLiteral("BRIVOLINE.MDB");
    said = failureOf([&] { Connection::open(config); });
    EXPECT_TRUE(said.contains(QStringLiteral("monté en lecture seule")) && said.contains(file))
        << said.toStdString();

    File db(m_file);
    const QSqlDatabase connection = QSqlDatabase::database(db.name(), false);
    const auto refused = [&connection](const QString& statement) {
        QSqlQuery q(connection);
        EXPECT_FALSE(q.exec(statement)) << statement.toStdString();
        return Connection::errorText(q.lastError());
    };
    db.exec(QStringLiteral("BEGIN"));
    EXPECT_EQ(refused(QStringLiteral("VACUUM")),
              QStringLiteral("la base de données ne peut pas être compactée au milieu d'une transaction"));
    db.exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(refused(QStringLiteral("SELECT * FROM NULLEPART")),
              QStringLiteral("la table « NULLEPART » est absente de la base de données"));
    EXPECT_EQ(refused(QStringLiteral("SELEC Id FROM PERSON")),
              QStringLiteral("erreur de syntaxe près de « SELEC »"));
    EXPECT_EQ(refused(QStringLiteral("CREATE TABLE PERSON (x)")),
              QStringLiteral("« PERSON » existe déjà dans la base de données"));
    db.exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title) VALUES (900, 1, 'a')"));
    EXPECT_EQ(refused(QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title) VALUES (900, 1, 'b')")),
              QStringLiteral("la valeur de « DOCUMENTIMG.Id » existe déjà"));
}

TEST_F(CompactionTest, DamagedSourceFailsAndLeavesNothingBehind)
{
    const QString file = m_scratch.path() + QStringLiteral("dense.mdb");
    {
        File db(file);
        db.exec(QStringLiteral("CREATE TABLE T (Body TEXT)"));
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < 20000; ++i)
            db.exec(QStringLiteral("INSERT INTO T VALUES (?)"),
                    {QStringLiteral("ligne %1 de la table").arg(i)});
        db.exec(QStringLiteral("COMMIT"));
    }
    // Pages in the middle of the table overwritten.
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(f.size() / 2 / 4096 * 4096);
        f.write(QByteArray(3 * 4096, '\x5a'));
    }
    const QByteArray damaged = readFile(file);
    const QString copy = m_scratch.path() + QStringLiteral("copy.bkp");
    EXPECT_THROW(Compaction::compactInto(file, copy), AppError);
    EXPECT_THROW(Compaction::compactInPlace(file), AppError);
    EXPECT_EQ(readFile(file), damaged);
    EXPECT_FALSE(exists(copy));
    EXPECT_FALSE(exists(Compaction::scratchFileFor(copy)));
    EXPECT_FALSE(exists(Compaction::scratchFileFor(file)));

    writeFile(file, QByteArray(8192, 'z'));
    EXPECT_THROW(Compaction::compactInPlace(file), DatabaseError);
    EXPECT_EQ(readFile(file), QByteArray(8192, 'z'));
    EXPECT_THROW(Compaction::compactInPlace(m_scratch.path() + QStringLiteral("missing.mdb")), FileError);
}

// SQLite's own file system but for one thing: the compaction's copy gets one
// page of zeros in place of what the engine wrote there, as a failing disk
// may do. Installed as the default for the life of the object.
class FaultyDisk
{
public:
    explicit FaultyDisk(qint64 damagedOffset)
    {
        s_damaged = damagedOffset;
        s_real = sqlite3_vfs_find(nullptr);
        s_vfs = *s_real;
        s_vfs.zName = "brivoline-faulty-disk";
        s_vfs.szOsFile = int(sizeof(File)) + s_real->szOsFile;
        s_vfs.xOpen = &open;
        sqlite3_vfs_register(&s_vfs, 1);
    }
    ~FaultyDisk()
    {
        sqlite3_vfs_unregister(&s_vfs);
        sqlite3_vfs_register(s_real, 1);
    }
    FaultyDisk(const FaultyDisk&) = delete;
    FaultyDisk& operator=(const FaultyDisk&) = delete;

    static inline int s_damagedWrites = 0;

private:
    struct File
    {
        sqlite3_file base;
        sqlite3_file* real;
        bool faulty;
    };
    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs*, const char* name, sqlite3_file* opened, int openFlags, int* outFlags)
    {
        File* file = reinterpret_cast<File*>(opened);
        file->real = reinterpret_cast<sqlite3_file*>(file + 1);
        file->faulty = name && QByteArray(name).endsWith("~.MDB");
        const int rc = s_real->xOpen(s_real, name, file->real, openFlags, outFlags);
        if (rc != SQLITE_OK || !file->real->pMethods) {
            opened->pMethods = nullptr;
            return rc;
        }
        static sqlite3_io_methods methods = *file->real->pMethods;
        methods.xClose = [](sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); };
        methods.xRead = [](sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
            return real(f)->pMethods->xRead(real(f), p, n, at);
        };
        methods.xWrite = [](sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
            if (!reinterpret_cast<File*>(f)->faulty || at != s_damaged)
                return real(f)->pMethods->xWrite(real(f), p, n, at);
            ++s_damagedWrites;
            const QByteArray zeros(n, '\0');
            return real(f)->pMethods->xWrite(real(f), zeros.constData(), n, at);
        };
        methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
            return real(f)->pMethods->xTruncate(real(f), size);
        };
        methods.xSync = [](sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); };
        methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
            return real(f)->pMethods->xFileSize(real(f), size);
        };
        methods.xLock = [](sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); };
        methods.xUnlock = [](sqlite3_file* f, int level) {
            return real(f)->pMethods->xUnlock(real(f), level);
        };
        methods.xCheckReservedLock = [](sqlite3_file* f, int* out) {
            return real(f)->pMethods->xCheckReservedLock(real(f), out);
        };
        methods.xFileControl = [](sqlite3_file* f, int op, void* arg) {
            return real(f)->pMethods->xFileControl(real(f), op, arg);
        };
        methods.xSectorSize = [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); };
        methods.xDeviceCharacteristics = [](sqlite3_file* f) {
            return real(f)->pMethods->xDeviceCharacteristics(real(f));
        };
        methods.xShmMap = [](sqlite3_file* f, int page, int size, int extend, void volatile** out) {
            return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
        };
        methods.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
            return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
        };
        methods.xShmBarrier = [](sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); };
        methods.xShmUnmap = [](sqlite3_file* f, int drop) {
            return real(f)->pMethods->xShmUnmap(real(f), drop);
        };
        methods.xFetch = [](sqlite3_file* f, sqlite3_int64 at, int n, void** out) {
            return real(f)->pMethods->xFetch(real(f), at, n, out);
        };
        methods.xUnfetch = [](sqlite3_file* f, sqlite3_int64 at, void* p) {
            return real(f)->pMethods->xUnfetch(real(f), at, p);
        };
        opened->pMethods = &methods;
        return rc;
    }

    static inline sqlite3_vfs* s_real = nullptr;
    static inline sqlite3_vfs s_vfs = {};
    static inline qint64 s_damaged = 0;
};

// A page of the compacted copy lost on its way to the disk: the check reads
// it and refuses the copy, and the database is replaced by nothing.
TEST_F(CompactionTest, ACopyDamagedOnItsWayToTheDiskIsRefused)
{
    const QByteArray source = readFile(m_file);
    const QStringList before = rows(m_file);
    const qint64 pageSize = File(m_file).scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
    for (const qint64 page : {2, 5}) {
        SCOPED_TRACE(page);
        {
            FaultyDisk disk((page - 1) * pageSize);
            try {
                Compaction::compactInPlace(m_file);
                ADD_FAILURE() << "a damaged copy was put in place";
            } catch (const DatabaseError& e) {
                EXPECT_TRUE(e.text().contains(QStringLiteral("La copie compactée")))
                    << e.text().toStdString();
                EXPECT_TRUE(e.text().contains(QStringLiteral("endommagée"))) << e.text().toStdString();
            }
            EXPECT_GE(FaultyDisk::s_damagedWrites, 1);
            FaultyDisk::s_damagedWrites = 0;
        }
        EXPECT_EQ(readFile(m_file), source);
        EXPECT_FALSE(exists(Compaction::scratchFileFor(m_file)));
    }
    Compaction::compactInPlace(m_file);
    EXPECT_EQ(rows(m_file), before) << "a sound disk: the copy takes its place";
}

// An index whose entries no longer match its rows: the engine copies both
// as they are, so the copy carries the damage. The thorough check, which a
// backup's copy passes as a restore will check it, finds it.
TEST_F(CompactionTest, AThoroughCheckRefusesACopyWhoseIndexDisagreesWithItsRows)
{
    const QString file = m_scratch.path() + QStringLiteral("index.mdb");
    {
        File db(file);
        db.exec(QStringLiteral("CREATE TABLE T (Id INTEGER PRIMARY KEY, Name TEXT, Town TEXT)"));
        db.exec(QStringLiteral("CREATE INDEX T_Name ON T (Name)"));
        db.exec(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
                           "INSERT INTO T (Name, Town) SELECT 'nom ' || i, 'ville ' || (1000 - i) FROM n"));
        // The index now says it orders the towns: its entries, made for the names, fit no row.
        db.exec(QStringLiteral("PRAGMA writable_schema = ON"));
        db.exec(QStringLiteral("UPDATE sqlite_master SET sql = 'CREATE INDEX T_Name ON T (Town)' "
                               "WHERE name = 'T_Name'"));
    }
    const QByteArray damaged = readFile(file);
    const QString copy = m_scratch.path() + QStringLiteral("copie.mdb");
    for (const auto& compact : std::initializer_list<std::function<void()>>{
             [&] { Compaction::compactInPlace(file, Compaction::Check::Thorough); },
             [&] { Compaction::compactInto(file, copy); }}) {
        try {
            compact();
            ADD_FAILURE() << "a damaged copy was put in place";
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.text().contains(QStringLiteral("La copie compactée"))) << e.text().toStdString();
        }
        EXPECT_EQ(readFile(file), damaged);
        EXPECT_FALSE(exists(copy));
        EXPECT_FALSE(exists(Compaction::scratchFileFor(file)));
        EXPECT_FALSE(exists(Compaction::scratchFileFor(copy)));
    }
}

} // namespace
