// Encrypted archives on real files: what goes in comes out byte for byte,
// and a wrong password, any changed byte, any cut, chunks moved and forged
// parameters are all refused before anything is extracted.
#include "ArchiveFile.h"
#include "CabinetFormat.h"
#include "PasswordStrength.h"
#include "SealedStreams.h"
#include "SmallDisk.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <optional>
#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>

namespace {

Secret password(const char* text)
{
    QByteArray bytes(text);
    return Secret::takeBytes(bytes);
}

QByteArray randomBytes(qint64 size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

QByteArray recordLike(qint64 size)
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += "Consultation du " + QByteArray::number(i % 28 + 1) +
                 "/03, tension 12/8, ordonnance renouvelée. ";
    bytes.truncate(size);
    return bytes;
}

void put32(QByteArray& bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

class SealedArchive : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& bytes) const
    {
        TestFolders::writeFile(m_scratch.path() + name, bytes);
        return m_scratch.path() + name;
    }
    QList<Cabinet::Member> members(qint64 recordBytes, qint64 pictureBytes) const
    {
        return {{write(QStringLiteral("BRIVOLINE.MDB"), recordLike(recordBytes)),
                 QStringLiteral("BRIVOLINE.MDB")},
                {write(QStringLiteral("Doc1.jpg"), randomBytes(pictureBytes, 1)), QStringLiteral("Doc1.jpg")},
                {write(QStringLiteral("File1.f"), {}), QStringLiteral("File1.f")},
                {write(QStringLiteral("Doc2.jpg"), "x"), QStringLiteral("Doc2.jpg")}};
    }
    // What an archive's plaintext is: its directory, then the rest.
    static QByteArray plaintextOf(const QString& archive, const Sealed::Key& key)
    {
        Sealed::Reader reader(archive, key);
        QByteArray all = reader.directory();
        QByteArray rest(reader.size() - all.size() + 1, '\0');
        rest.truncate(
            qsizetype(reader.read(reinterpret_cast<unsigned char*>(rest.data()), std::size_t(rest.size()))));
        return all + rest;
    }
    // Opens the archive as a restore would, with the password, checks all
    // of it and extracts it: what it was refused for, empty when accepted.
    // A refusal must come before the extraction starts.
    QString refusalOf(const QString& archive, const char* with = "mot de passe juste")
    {
        std::optional<Sealed::Key> key;
        try {
            key = Sealed::Key::open(Sealed::Header::read(archive), password(with));
            ArchiveFile::authenticate(archive, &*key);
        } catch (const AppError& e) {
            return e.text();
        }
        const QString late = readingRefusalOf(archive, *key);
        if (!late.isEmpty())
            ADD_FAILURE() << "found only while extracting: " << late.toStdString();
        return late;
    }

    // Why the reading alone, without the check before it, refuses the archive:
    // it checks again what it opens, in case the file changed in between.
    QString readingRefusalOf(const QString& archive, const Sealed::Key& key)
    {
        const QString out = m_scratch.path() + QStringLiteral("out/");
        QDir(out).removeRecursively();
        try {
            ArchiveFile::extractAs(
                archive, out, [](int, const Cabinet::Entry& e) { return e.name; }, &key);
        } catch (const AppError& e) {
            return e.text();
        }
        return {};
    }

    TestFolders::Scratch m_scratch;
    Sealed::Key m_key = Sealed::Key::create(password("mot de passe juste"), Sealed::kLeastCost);
};

TEST_F(SealedArchive, RoundTripGivesBackEveryByteAndItsPlaintextIsTheProgramsCabinet)
{
    const QList<Cabinet::Member> list = members(300'000, 200'000);
    const QString plain = m_scratch.path() + QStringLiteral("plain.cab");
    Cabinet::create(plain, list);
    const QByteArray cabinet = TestFolders::readFile(plain);
    QFile file(plain);
    file.open(QIODevice::ReadOnly);
    const qint64 content =
        cabinet.size() - CabinetFormat::readDirectory(file, file.size(), plain).folders[0].dataOffset;

    // Chunks of every size, the last one empty when the content fills whole ones.
    for (const qint64 chunk :
         {qint64(64), qint64(4096), qint64(Sealed::kDefaultChunkSize), content, content / 3}) {
        SCOPED_TRACE(chunk);
        const QString archive = m_scratch.path() + QStringLiteral("famille.bkp");
        ArchiveFile::create(archive, list, &m_key, {}, std::uint32_t(chunk));
        ASSERT_TRUE(ArchiveFile::isEncrypted(archive));
        ArchiveFile::verify(archive, list, &m_key);
        // The check before staging takes the chunks of every length a reading takes.
        EXPECT_NO_THROW(ArchiveFile::authenticate(archive, &m_key));
        EXPECT_EQ(ArchiveFile::list(archive, &m_key).size(), list.size());

        const QByteArray sealed = TestFolders::readFile(archive);
        for (const QByteArray& clear :
             {QByteArray("MSCF"), QByteArray("BRIVOLINE.MDB"), QByteArray("ordonnance"),
              QByteArray("mot de passe juste"), randomBytes(64, 1)})
            EXPECT_FALSE(sealed.contains(clear)) << clear.left(20).toStdString();
        EXPECT_EQ(plaintextOf(archive, m_key), cabinet);

        const QString out = m_scratch.make(QStringLiteral("out%1").arg(chunk));
        ArchiveFile::extractAs(
            archive, out, [](int, const Cabinet::Entry& e) { return e.name; }, &m_key);
        for (const Cabinet::Member& m : list)
            EXPECT_EQ(TestFolders::readFile(out + m.name), TestFolders::readFile(m.path))
                << m.name.toStdString();
    }

    // The room kept for an archive written later is never less than it takes.
    const QString archive = m_scratch.path() + QStringLiteral("famille.bkp");
    EXPECT_LE(cabinet.size(), ArchiveFile::largestSize(plain, list, false));
    ArchiveFile::create(archive, list, &m_key);
    EXPECT_LE(QFileInfo(archive).size(), ArchiveFile::largestSize(archive, list, true));

    // The plaintext is a cabinet another tool reads.
    const QString decrypted = write(QStringLiteral("decrypted.cab"), plaintextOf(archive, m_key));
    QProcess cabextract;
    cabextract.start(QStringLiteral("cabextract"), {QStringLiteral("-t"), decrypted});
    ASSERT_TRUE(cabextract.waitForFinished());
    EXPECT_TRUE(cabextract.readAllStandardOutput().contains("All done, no errors"));
}

// A restore's reading, plain and encrypted: the second step names entries
// once the first step's are on the disk; one stored before them comes out
// too (of a second reading); a second step that refuses leaves nothing
// written.
TEST_F(SealedArchive, TwoStepsTakeWhatTheFirstOneSays)
{
    const QList<Cabinet::Member> stored = members(300'000, 200'000);
    const QList<Cabinet::Member> list = {stored[2], stored[0], stored[1], stored[3]};
    const Cabinet::NameFor database = [](int, const Cabinet::Entry& e) {
        return e.name == QLatin1String("BRIVOLINE.MDB") ? QStringLiteral("base/BRIVOLINE.MDB") : QString();
    };
    for (const bool encrypted : {false, true}) {
        SCOPED_TRACE(encrypted ? "encrypted" : "plain");
        const Sealed::Key* key = encrypted ? &m_key : nullptr;
        const QString archive = m_scratch.path() + QStringLiteral("famille%1.bkp").arg(encrypted);
        ArchiveFile::create(archive, list, key, {}, 4096);
        for (const bool withTheFirst : {false, true}) {
            const QString out = m_scratch.make(QStringLiteral("out%1%2").arg(encrypted).arg(withTheFirst));
            bool databaseOut = false;
            ArchiveFile::extractInTwoSteps(
                archive, out, database,
                [&]() -> Cabinet::NameFor {
                    databaseOut = TestFolders::readFile(out + QStringLiteral("base/BRIVOLINE.MDB")) ==
                                  TestFolders::readFile(list[1].path);
                    return [withTheFirst](int index, const Cabinet::Entry& e) {
                        return index == 1 || (index == 0 && !withTheFirst)
                                   ? QString()
                                   : QStringLiteral("reste/") + e.name;
                    };
                },
                key);
            EXPECT_TRUE(databaseOut);
            for (int i = 0; i < list.size(); ++i) {
                if (i != 1 && (i != 0 || withTheFirst)) {
                    EXPECT_EQ(TestFolders::readFile(out + QStringLiteral("reste/") + list[i].name),
                              TestFolders::readFile(list[i].path))
                        << i;
                }
            }
            EXPECT_EQ(QDir(out + QStringLiteral("reste")).entryList(QDir::Files).size(),
                      withTheFirst ? 3 : 2);
        }
        const QString refused = m_scratch.make(QStringLiteral("refus%1").arg(encrypted));
        EXPECT_THROW(ArchiveFile::extractInTwoSteps(
                         archive, refused, database,
                         [] {
                             return [](int, const Cabinet::Entry&) {
                                 return QStringLiteral("base/BRIVOLINE.MDB");
                             };
                         },
                         key),
                     CabinetError);
        EXPECT_TRUE(QDir(refused).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty() ||
                    QDir(refused + QStringLiteral("base")).entryList(QDir::Files).isEmpty());
    }
}

TEST_F(SealedArchive, WrongPasswordOrAnotherArchivesKeyIsToldAndNothingIsRead)
{
    const QString archive = m_scratch.path() + QStringLiteral("famille.bkp");
    ArchiveFile::create(archive, members(5000, 5000), &m_key, {}, 256);
    EXPECT_EQ(refusalOf(archive, "mot de passe faux"), QStringLiteral("Mot de passe incorrect."));
    EXPECT_EQ(refusalOf(archive, ""), QStringLiteral("Mot de passe incorrect."));
    // The same password with another salt is another key.
    const Sealed::Key other = Sealed::Key::create(password("mot de passe juste"), Sealed::kLeastCost);
    EXPECT_THROW(Sealed::Reader(archive, other), Sealed::WrongPassword);
    EXPECT_EQ(refusalOf(archive), QString());

    // A plain cabinet is read as it is; an encrypted one is not read without a key.
    EXPECT_THROW(ArchiveFile::list(archive, nullptr), AppError);
}

TEST_F(SealedArchive, EveryByteChangedInTurnIsRefused)
{
    const QString good = m_scratch.path() + QStringLiteral("petite.bkp");
    ArchiveFile::create(good, members(400, 400), &m_key, {}, 64);
    const QByteArray bytes = TestFolders::readFile(good);
    ASSERT_GT(bytes.size(), int(Sealed::kHeaderSize) + 5 * 81) << "several chunks";
    const QString archive = m_scratch.path() + QStringLiteral("changee.bkp");
    for (int i = 0; i < bytes.size(); ++i) {
        QByteArray changed = bytes;
        changed[i] = char(changed[i] ^ (1 << (i % 8)));
        TestFolders::writeFile(archive, changed);
        const QString why = refusalOf(archive);
        ASSERT_FALSE(why.isEmpty()) << "byte " << i << " changed, archive accepted";
        // Past the fields the key comes from, it is damage, not the password.
        if (i >= 52) {
            EXPECT_TRUE(why.contains(QStringLiteral("endommagée"))) << i << ": " << why.toStdString();
            EXPECT_TRUE(readingRefusalOf(archive, m_key).contains(QStringLiteral("endommagée")))
                << "byte " << i;
        }
    }
}

TEST_F(SealedArchive, CutAtAnyLengthAndAtEveryChunkBoundaryIsRefused)
{
    const QString good = m_scratch.path() + QStringLiteral("petite.bkp");
    ArchiveFile::create(good, members(400, 400), &m_key, {}, 64);
    const QByteArray bytes = TestFolders::readFile(good);
    const Sealed::Header header = Sealed::Header::read(good);
    const qint64 firstChunk = Sealed::kHeaderSize + header.directoryLength + Sealed::kMacSize;
    const QString archive = m_scratch.path() + QStringLiteral("coupee.bkp");
    int boundaries = 0;
    for (qint64 length = 0; length < bytes.size(); ++length) {
        TestFolders::writeFile(archive, bytes.left(length));
        const bool boundary = length >= firstChunk && (length - firstChunk) % (64 + 17) == 0;
        boundaries += boundary;
        const QString why = refusalOf(archive);
        ASSERT_FALSE(why.isEmpty()) << "cut at " << length << " accepted";
        if (boundary) {
            EXPECT_TRUE(why.contains(QStringLiteral("tronquée"))) << length << ": " << why.toStdString();
        }
    }
    EXPECT_GE(boundaries, 5);
}

TEST_F(SealedArchive, ChunksMovedRepeatedDroppedOrAddedAreRefused)
{
    const QString good = m_scratch.path() + QStringLiteral("petite.bkp");
    ArchiveFile::create(good, members(400, 400), &m_key, {}, 64);
    const QByteArray bytes = TestFolders::readFile(good);
    const Sealed::Header header = Sealed::Header::read(good);
    const int start = int(Sealed::kHeaderSize + header.directoryLength + Sealed::kMacSize);
    const int record = 64 + 17;
    const auto chunk = [&](int n) { return bytes.mid(start + n * record, record); };
    ASSERT_GT(bytes.size(), start + 4 * record);
    const QByteArray head = bytes.left(start);
    const QByteArray tail = bytes.mid(start + 3 * record);
    const QString archive = m_scratch.path() + QStringLiteral("melangee.bkp");
    const QList<QByteArray> forged = {
        head + chunk(1) + chunk(0) + chunk(2) + tail, // swapped
        head + chunk(0) + chunk(0) + chunk(2) + tail, // repeated
        head + chunk(0) + chunk(2) + tail,            // dropped
        bytes + chunk(0),                             // one more after the end
        bytes.left(start) + bytes.mid(start + record) // the first, which carries the header, gone
    };
    for (const QByteArray& f : forged) {
        TestFolders::writeFile(archive, f);
        EXPECT_TRUE(refusalOf(archive).contains(QStringLiteral("endommagée")))
            << refusalOf(archive).toStdString();
        // The reading may stop at the cabinet's end before a moved chunk: refused all the same.
        EXPECT_FALSE(readingRefusalOf(archive, m_key).isEmpty());
    }
}

TEST_F(SealedArchive, ParametersOutOfBoundsAreRefusedBeforeAnyKeyIsDerived)
{
    const QString good = m_scratch.path() + QStringLiteral("petite.bkp");
    ArchiveFile::create(good, members(400, 400), &m_key, {}, 64);
    const QByteArray bytes = TestFolders::readFile(good);
    const QString archive = m_scratch.path() + QStringLiteral("forgee.bkp");
    // Passes, memory, chunk size, directory length: each at both ends.
    for (const auto& [at, value] : std::initializer_list<std::pair<int, quint32>>{{12, 0xFFFFFFFF},
                                                                                  {12, 9},
                                                                                  {12, 0},
                                                                                  {16, 0xFFFFFFFF},
                                                                                  {16, 1024 * 1024},
                                                                                  {16, 7},
                                                                                  {52, 0xFFFFFFFF},
                                                                                  {52, 63},
                                                                                  {56, 0xFFFFFFFF},
                                                                                  {56, 35}}) {
        QByteArray forged = bytes;
        put32(forged, at, value);
        TestFolders::writeFile(archive, forged);
        // Were they taken, deriving with the largest would take hours.
        EXPECT_TRUE(refusalOf(archive).contains(QStringLiteral("hors limites")))
            << at << "=" << value << ": " << refusalOf(archive).toStdString();
    }
    // Within the bounds, another cost is another key.
    QByteArray costlier = bytes;
    put32(costlier, 12, 2);
    TestFolders::writeFile(archive, costlier);
    EXPECT_EQ(refusalOf(archive), QStringLiteral("Mot de passe incorrect."));
}

TEST_F(SealedArchive, AStoppedWriteLeavesNoArchiveAndTheReadingBackFindsAChangedFile)
{
    const QList<Cabinet::Member> list = members(300'000, 3'000'000);
    const QString archive = m_scratch.path() + QStringLiteral("famille.bkp");
    // Stopped half way, while the worker still has chunks to write.
    EXPECT_THROW(ArchiveFile::create(
                     archive, list, &m_key, [](qint64 done, qint64 total) { return done < total / 2; }, 4096),
                 CabinetError);
    EXPECT_FALSE(QFile::exists(archive));

    ArchiveFile::create(archive, list, &m_key, {}, 4096);
    QByteArray picture = TestFolders::readFile(list[1].path);
    picture[picture.size() - 100] = char(picture[picture.size() - 100] ^ 1);
    TestFolders::writeFile(list[1].path, picture);
    try {
        ArchiveFile::verify(archive, list, &m_key);
        ADD_FAILURE() << "a changed file passed";
    } catch (const CabinetError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Doc1.jpg"))) << e.text().toStdString();
    }
}

TEST(PasswordStrength, GrowsWithLengthAndVarietyNotWithRepeats)
{
    using PasswordStrength::Level;
    EXPECT_EQ(PasswordStrength::of({}), Level::None);
    EXPECT_EQ(PasswordStrength::text(Level::None), QString());
    EXPECT_EQ(PasswordStrength::of(QStringLiteral("aaaaaaaaaaaaaaaaaaaa")), Level::VeryWeak);
    EXPECT_EQ(PasswordStrength::of(QStringLiteral("motdepasse")), Level::Weak);
    EXPECT_LT(PasswordStrength::of(QStringLiteral("Tr0ub4dor")),
              PasswordStrength::of(QStringLiteral("Tr0ub4dor&3!x")));
    EXPECT_EQ(PasswordStrength::of(QStringLiteral("Cheval agrafe 42 pile !")), Level::Excellent);
    EXPECT_EQ(PasswordStrength::text(Level::Weak), QStringLiteral("Force du mot de passe : faible"));
}

TEST_F(SealedArchive, AFullDiskLeavesNoArchive)
{
    const QString folder = m_scratch.make(QStringLiteral("petit-disque"));
    SmallDisk disk(folder, 1 << 20);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    const QList<Cabinet::Member> list = members(100'000, 3'000'000);
    try {
        ArchiveFile::create(folder + QStringLiteral("famille.bkp"), list, &m_key);
        ADD_FAILURE() << "written on a full disk";
    } catch (const CabinetError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("plein"))) << e.text().toStdString();
    }
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
