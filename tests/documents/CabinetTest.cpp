#include "Cabinet.h"

#include "CabBuilder.h"
#include "PictureSamples.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <zlib.h>

using PictureSamples::run;

namespace {

// Bytes that compress somewhat, like documents do, with random stretches.
QByteArray sampleBytes(qint64 size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes;
    bytes.reserve(size);
    static const QByteArray words[] = {"ordonnance ", "radio ", "analyse ", "vaccin ", "1234 ", "\n"};
    while (bytes.size() < size) {
        if (random.bounded(4) == 0)
            for (int i = 0; i < 64; ++i)
                bytes += char(random.bounded(256));
        else
            bytes += words[random.bounded(6)];
    }
    bytes.truncate(size);
    return bytes;
}

class CabinetTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_scratch.path() + name; }
    QString write(const QString& name, const QByteArray& bytes) const
    {
        TestFolders::writeFile(path(name), bytes);
        return path(name);
    }
    static QStringList filesUnder(const QString& folder)
    {
        QStringList found;
        QDir dir(folder);
        for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot))
            found << f;
        for (const QString& d : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
            for (const QString& f : filesUnder(folder + d + QLatin1Char('/')))
                found << d + QLatin1Char('/') + f;
        return found;
    }
    // Expects the archive refused with a message holding `words`, and
    // nothing written anywhere in the scratch folder but the archive.
    void expectRefused(const QByteArray& cabinet, const QString& words)
    {
        SCOPED_TRACE(words.toStdString());
        const QString archive = write(QStringLiteral("hostile.cab"), cabinet);
        const QString out = m_scratch.make(QStringLiteral("out"));
        const QStringList before = filesUnder(m_scratch.path());
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                if (attempt == 0)
                    Cabinet::extractAll(archive, out);
                else
                    Cabinet::extractEntry(archive, 0, out + QStringLiteral("first.bin"));
                ADD_FAILURE() << "accepted";
            } catch (const CabinetError& e) {
                EXPECT_TRUE(e.text().contains(words)) << e.text().toStdString();
                EXPECT_EQ(TestFolders::englishIn(e.text()), QString()) << e.text().toStdString();
            }
            EXPECT_EQ(filesUnder(m_scratch.path()), before);
        }
    }

    TestFolders::Scratch m_scratch;
};

TEST_F(CabinetTest, ArchivesReadByCabextractAndBackByteIdentical)
{
    const QList<QPair<QString, QByteArray>> members = {
        {QStringLiteral("vide.txt"), QByteArray()},
        {QStringLiteral("bloc.bin"), sampleBytes(32768, 1)},
        {QStringLiteral("Images/Doc17.jpg"), sampleBytes(32769, 2)},
        {QStringLiteral("Compte rendu été.pdf"), sampleBytes(3'000'001, 3)},
    };
    QList<Cabinet::Member> list;
    for (const auto& [name, bytes] : members)
        list << Cabinet::Member{write(QString::number(list.size()), bytes), name};
    const QString archive = path(QStringLiteral("set.cab"));
    QList<qint64> reported;
    Cabinet::create(archive, list, [&](qint64 done, qint64 total) {
        EXPECT_EQ(total, 3'065'538);
        reported << done;
        return true;
    });
    ASSERT_GE(reported.size(), 2);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.last(), 3'065'538);

    const QString listing =
        QString::fromUtf8(run(QStringLiteral("cabextract"), {QStringLiteral("-l"), archive}));
    EXPECT_TRUE(listing.contains(QStringLiteral("3000001 |"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("Images/Doc17.jpg")));
    EXPECT_TRUE(listing.contains(QStringLiteral("Compte rendu été.pdf")));
    const QString peer = m_scratch.make(QStringLiteral("peer"));
    run(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), peer, archive});
    const QString ours = m_scratch.make(QStringLiteral("ours"));
    Cabinet::extractAll(archive, ours);
    const QList<Cabinet::Entry> entries = Cabinet::list(archive);
    ASSERT_EQ(entries.size(), members.size());
    for (int i = 0; i < members.size(); ++i) {
        EXPECT_EQ(entries[i].name, QString(members[i].first).replace(QLatin1Char('/'), QLatin1Char('\\')));
        EXPECT_EQ(entries[i].size, members[i].second.size());
        EXPECT_EQ(TestFolders::readFile(peer + members[i].first), members[i].second) << i;
        EXPECT_EQ(TestFolders::readFile(ours + members[i].first), members[i].second) << i;
        const QString one = path(QStringLiteral("one.bin"));
        Cabinet::extractEntry(archive, i, one);
        EXPECT_EQ(TestFolders::readFile(one), members[i].second) << i;
    }
    EXPECT_FALSE(filesUnder(m_scratch.path()).join(u' ').contains(QStringLiteral(".part")));
}

// Past one folder's reach the archive goes on in further folders; pictures
// are stored, text deflated, and other tools read every folder.
TEST_F(CabinetTest, SeveralFoldersStoredAndDeflatedBlocksReadByEveryTool)
{
    QByteArray noise(300'000, Qt::Uninitialized);
    QRandomGenerator(8).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const QList<QPair<QString, QByteArray>> members = {
        {QStringLiteral("BRIVOLINE.MDB"), QByteArray("PERSON;Durand;Elise;1984-02-29;A+\n").repeated(7'000)},
        {QStringLiteral("Doc1.jpg"), noise},
        {QStringLiteral("vide.f"), QByteArray()},
        {QStringLiteral("Doc2.jpg"), noise.left(70'000)},
        {QStringLiteral("File3.f"), sampleBytes(99'999, 10)},
    };
    QList<Cabinet::Member> list;
    for (const auto& [name, bytes] : members)
        list << Cabinet::Member{write(name, bytes), name};
    const QString archive = path(QStringLiteral("folders.bkp"));
    Cabinet::create(archive, list, {}, 320'000);
    Cabinet::verify(archive, list);

    const QByteArray head = TestFolders::readFile(archive).left(36);
    EXPECT_EQ(quint8(head[26]), 3) << "three folders";
    const qint64 size = QFileInfo(archive).size();
    EXPECT_GT(size, noise.size() + 70'000) << "random bytes cannot shrink";
    EXPECT_LT(size, noise.size() + 70'000 + 100'000 + 20'000) << "the text is deflated";

    EXPECT_TRUE(
        run(QStringLiteral("cabextract"), {QStringLiteral("-t"), archive}).contains("All done, no errors"));
    const QString peer = m_scratch.make(QStringLiteral("peer"));
    run(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), peer, archive});
    const QString ours = m_scratch.make(QStringLiteral("ours"));
    Cabinet::extractAll(archive, ours);
    for (const auto& [name, bytes] : members) {
        EXPECT_EQ(TestFolders::readFile(peer + name), bytes) << name.toStdString();
        EXPECT_EQ(TestFolders::readFile(ours + name), bytes) << name.toStdString();
    }

    // A file larger than a folder cannot be archived.
    EXPECT_THROW(Cabinet::create(path(QStringLiteral("no.bkp")),
                                 {{write(QStringLiteral("big"), noise), "big"}}, {}, 200'000),
                 CabinetError);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("no.bkp"))));
}

// Reading back finds any byte that differs, in the archive or in a file.
TEST_F(CabinetTest, VerifyFindsWhatDiffers)
{
    const QByteArray text = sampleBytes(200'000, 11);
    const QList<Cabinet::Member> list = {{write(QStringLiteral("a.txt"), text), QStringLiteral("a.txt")},
                                         {write(QStringLiteral("b.txt"), "court"), QStringLiteral("b.txt")}};
    const QString archive = path(QStringLiteral("v.cab"));
    Cabinet::create(archive, list);
    Cabinet::verify(archive, list);

    QByteArray damaged = TestFolders::readFile(archive);
    damaged[damaged.size() - 100] = char(damaged[damaged.size() - 100] ^ 0x40);
    const QString bad = write(QStringLiteral("bad.cab"), damaged);
    EXPECT_THROW(Cabinet::verify(bad, list), CabinetError);
    EXPECT_THROW(Cabinet::verify(write(QStringLiteral("cut.cab"), damaged.left(damaged.size() / 2)), list),
                 CabinetError);
    EXPECT_THROW(Cabinet::verify(archive, {list.at(1), list.at(0)}), CabinetError) << "order counts";
    TestFolders::writeFile(list.at(0).path, QByteArray(text).replace("vaccin", "VACCIN"));
    EXPECT_THROW(Cabinet::verify(archive, list), CabinetError);
}

// Entries go to the names the caller gives, or nowhere.
TEST_F(CabinetTest, ExtractAsRenamesSkipsAndRefusesClashes)
{
    CabBuilder::Cab cab;
    cab.add("Images\\Doc1.jpg", "photo");
    cab.add("notes.txt", "rien");
    cab.add("Files\\File2.f", "pièce");
    const QString archive = write(QStringLiteral("as.cab"), cab.build());
    const QString out = m_scratch.make(QStringLiteral("as"));
    const auto bare = [](int, const Cabinet::Entry& e) {
        return e.name.endsWith(QLatin1String(".txt")) ? QString() : e.name.section(QLatin1Char('\\'), -1);
    };
    Cabinet::extractAs(archive, out, bare);
    EXPECT_EQ(filesUnder(out), (QStringList{QStringLiteral("Doc1.jpg"), QStringLiteral("File2.f")}));
    EXPECT_EQ(TestFolders::readFile(out + QStringLiteral("File2.f")), QByteArray("pièce"));

    const QString clash = m_scratch.make(QStringLiteral("clash"));
    EXPECT_THROW(
        Cabinet::extractAs(archive, clash, [](int, const Cabinet::Entry&) { return QStringLiteral("x"); }),
        CabinetError);
    EXPECT_THROW(
        Cabinet::extractAs(archive, clash, [](int, const Cabinet::Entry&) { return QStringLiteral("../x"); }),
        CabinetError);
    EXPECT_TRUE(filesUnder(clash).isEmpty());
}

TEST_F(CabinetTest, OpensArchivesMadeByGcab)
{
    const QByteArray bytes = sampleBytes(200'000, 4);
    const QString source = write(QStringLiteral("lettre.odt"), bytes);
    const QString archive = path(QStringLiteral("gcab.cab"));
    QProcess gcab;
    gcab.setWorkingDirectory(m_scratch.path());
    gcab.start(QStringLiteral("gcab"),
               {QStringLiteral("-c"), QStringLiteral("-z"), archive, QStringLiteral("lettre.odt")});
    ASSERT_TRUE(gcab.waitForFinished());
    ASSERT_EQ(gcab.exitCode(), 0);
    ASSERT_EQ(Cabinet::list(archive).size(), 1);
    EXPECT_EQ(Cabinet::list(archive).first().name, QStringLiteral("lettre.odt"));
    Cabinet::extractEntry(archive, 0, path(QStringLiteral("back.odt")));
    EXPECT_EQ(TestFolders::readFile(path(QStringLiteral("back.odt"))), bytes);
    Q_UNUSED(source);
}

TEST_F(CabinetTest, StoppingOrFailingLeavesNoArchive)
{
    const QString source = write(QStringLiteral("big.bin"), sampleBytes(5'000'000, 5));
    const QString archive = path(QStringLiteral("stopped.cab"));
    EXPECT_THROW(Cabinet::create(archive, {{source, QStringLiteral("big.bin")}},
                                 [](qint64 done, qint64) { return done < 2'000'000; }),
                 CabinetError);
    EXPECT_FALSE(QFile::exists(archive));

    for (const QString& bad : {QStringLiteral("../big.bin"), QStringLiteral("C:\\big.bin"), QString()}) {
        EXPECT_THROW(Cabinet::create(archive, {{source, bad}}), CabinetError) << bad.toStdString();
        EXPECT_FALSE(QFile::exists(archive));
    }
    EXPECT_THROW(
        Cabinet::create(archive, {{source, QStringLiteral("a.bin")}, {source, QStringLiteral("A.BIN")}}),
        CabinetError);
    EXPECT_THROW(Cabinet::create(archive, {{path(QStringLiteral("absent")), QStringLiteral("x")}}),
                 CabinetError);
    EXPECT_FALSE(QFile::exists(archive));

    // A reading stopped half way leaves neither the entry nor its part.
    Cabinet::create(archive, {{source, QStringLiteral("big.bin")}});
    const QString out = m_scratch.make(QStringLiteral("out"));
    EXPECT_THROW(Cabinet::extractEntry(archive, 0, out + QStringLiteral("big.bin"),
                                       [](qint64 done, qint64) { return done < 1'000'000; }),
                 CabinetError);
    EXPECT_TRUE(filesUnder(out).isEmpty());
}

TEST_F(CabinetTest, HandMadeCabinetIsReadWhenSound)
{
    CabBuilder::Cab cab;
    cab.add("premier.txt", sampleBytes(40'000, 6));
    cab.add("second.txt", "bonjour");
    const QString archive = write(QStringLiteral("hand.cab"), cab.build());
    const QString out = m_scratch.make(QStringLiteral("out"));
    Cabinet::extractAll(archive, out);
    EXPECT_EQ(TestFolders::readFile(out + QStringLiteral("second.txt")), QByteArray("bonjour"));
    EXPECT_EQ(TestFolders::readFile(out + QStringLiteral("premier.txt")), sampleBytes(40'000, 6));
}

// MS-ZIP lets a block refer to the bytes of the block before it, stored or
// deflated; the program's own reader (the reading back) follows them.
TEST_F(CabinetTest, BlocksThatReferToTheBlockBeforeAreReadBack)
{
    CabBuilder::Cab cab;
    cab.msZip = true;
    int index = 0;
    cab.coder = [&index](const QByteArray& chunk, const QByteArray& previous) {
        if (index++ % 3 == 0) // one stored block in three
            return CabBuilder::Cab::storedBlock(chunk);
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
        EXPECT_EQ(deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(previous.constData()),
                                       uInt(previous.size())),
                  Z_OK);
        QByteArray out(int(deflateBound(&z, uLong(chunk.size()))), '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.constData()));
        z.avail_in = uInt(chunk.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        out.truncate(qsizetype(z.total_out));
        deflateEnd(&z);
        return "CK" + out;
    };
    // Each block begins with what the one before held near its start, as
    // far back as a deflate window reaches, and ends with new random bytes.
    QRandomGenerator random(12);
    QByteArray content(32768, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(content.data()), content.size() / 4);
    for (int k = 1; k < 7; ++k) {
        QByteArray fresh(16384, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(fresh.data()), fresh.size() / 4);
        content += content.mid(32768 * (k - 1) + 300, 16384) + fresh;
    }
    cab.add("suivi.txt", content);
    const QString archive = write(QStringLiteral("chained.cab"), cab.build());
    EXPECT_LT(QFileInfo(archive).size(), content.size() * 3 / 4) << "the blocks refer to the ones before";
    EXPECT_TRUE(
        run(QStringLiteral("cabextract"), {QStringLiteral("-t"), archive}).contains("All done, no errors"));
    Cabinet::verify(archive, {{write(QStringLiteral("suivi.txt"), content), QStringLiteral("suivi.txt")}});
    QByteArray changed = content;
    changed[200'000] = char(changed[200'000] ^ 1);
    EXPECT_THROW(Cabinet::verify(
                     archive, {{write(QStringLiteral("autre.txt"), changed), QStringLiteral("suivi.txt")}}),
                 CabinetError);
}

TEST_F(CabinetTest, HostileNamesAreRefusedBeforeAnythingIsWritten)
{
    for (const QByteArray& name :
         {QByteArray("../evil.txt"), QByteArray("..\\evil.txt"), QByteArray("/tmp/evil.txt"),
          QByteArray("\\evil.txt"), QByteArray("C:\\evil.txt"), QByteArray("a\\..\\..\\evil.txt"),
          QByteArray("a//evil.txt"), QByteArray(""), QByteArray("evil\x01.txt")}) {
        CabBuilder::Cab cab;
        cab.add("sain.txt", "contenu");
        cab.add(name, "pirate");
        expectRefused(cab.build(), QStringLiteral("nom de fichier dangereux"));
    }
    CabBuilder::Cab twice;
    twice.add("Lettre.txt", "un");
    twice.add("lettre.TXT", "deux");
    expectRefused(twice.build(), QStringLiteral("deux fois"));
}

TEST_F(CabinetTest, DamagedCabinetsGiveAMessageAndNoFile)
{
    expectRefused(QByteArray(), QStringLiteral("vide"));
    expectRefused("PK\x03\x04 not a cabinet at all, a zip perhaps", QStringLiteral("pas une archive"));

    CabBuilder::Cab sound;
    sound.add("doc.txt", sampleBytes(100'000, 7));
    const QByteArray whole = sound.build();
    expectRefused(whole.left(whole.size() / 2), QStringLiteral("incomplète"));
    expectRefused(whole.left(30), QStringLiteral("incomplète"));

    CabBuilder::Cab checksum = sound;
    checksum.badChecksum = true;
    expectRefused(checksum.build(), QStringLiteral("endommagée : une somme de contrôle ne correspond pas"));

    CabBuilder::Cab oversized = sound;
    oversized.corruptBlockSize = 65535;
    expectRefused(oversized.build(), QStringLiteral("endommagée"));

    CabBuilder::Cab beyond;
    beyond.add("doc.txt", "court");
    beyond.entries[0].size = 1'000'000; // more than its folder holds
    expectRefused(beyond.build(), QStringLiteral("endommagée"));

    CabBuilder::Cab missingBlocks = sound;
    missingBlocks.extraBlocks = 3;
    missingBlocks.entries[0].size += 3 * 32768;
    expectRefused(missingBlocks.build(), QStringLiteral("endommagée"));

    CabBuilder::Cab quantum = sound;
    quantum.compression = 2;
    expectRefused(quantum.build(), QStringLiteral("compression"));

    CabBuilder::Cab set = sound;
    set.flags = 0x0002;
    expectRefused(set.build(), QStringLiteral("plusieurs archives"));

    CabBuilder::Cab deflated = sound;
    deflated.compression = 1; // claims MS-ZIP, holds plain bytes
    expectRefused(deflated.build(), QStringLiteral("endommagée"));
}

// A few kilobytes of compressed zeros and entries that share them, or that
// send the decompressor back over its folder again and again: refused from
// the directory, before anything is decompressed.
TEST_F(CabinetTest, ExpansionBeyondWhatTheArchiveHoldsIsRefusedBeforeDecompressing)
{
    CabBuilder::Cab zeros;
    zeros.msZip = true;
    zeros.add("petit.txt", "contenu");
    zeros.zeroBlocks = 65000;
    const quint32 run = 65000u * 32768u;
    const QString out = m_scratch.make(QStringLiteral("out"));
    const auto expectAllRefused = [&](const CabBuilder::Cab& cab, const QString& words) {
        const QString archive = write(QStringLiteral("hostile.cab"), cab.build());
        try {
            Cabinet::extractAll(archive, out);
            ADD_FAILURE() << "accepted";
        } catch (const CabinetError& e) {
            EXPECT_TRUE(e.text().contains(words)) << e.text().toStdString();
        }
        EXPECT_EQ(filesUnder(out), QStringList());
    };
    CabBuilder::Cab shared = zeros;
    shared.entries << CabBuilder::Cab::Entry{"a.bin", run, zeros.zerosOffset()}
                   << CabBuilder::Cab::Entry{"b.bin", run / 2, zeros.zerosOffset() + run / 2};
    expectAllRefused(shared, QStringLiteral("partagent les mêmes données"));

    CabBuilder::Cab backAndForth = zeros;
    for (int i = 0; i < 3; ++i)
        backAndForth.entries << CabBuilder::Cab::Entry{QByteArray("fin") + QByteArray::number(i), 1,
                                                       zeros.zerosOffset() + run - 3 + quint32(i)}
                             << CabBuilder::Cab::Entry{QByteArray("debut") + QByteArray::number(i), 1,
                                                       zeros.zerosOffset() + quint32(i)};
    expectAllRefused(backAndForth, QStringLiteral("se décompresseraient en"));

    // Entries one after the other are extracted, holding their zeros.
    CabBuilder::Cab inOrder = zeros;
    inOrder.entries << CabBuilder::Cab::Entry{"zero.bin", 100'000, zeros.zerosOffset()};
    Cabinet::extractAll(write(QStringLiteral("zeros.cab"), inOrder.build()), out);
    EXPECT_EQ(TestFolders::readFile(out + QStringLiteral("zero.bin")), QByteArray(100'000, '\0'));
    EXPECT_EQ(TestFolders::readFile(out + QStringLiteral("petit.txt")), QByteArray("contenu"));
}

TEST_F(CabinetTest, SafeRelativePaths)
{
    EXPECT_EQ(CabinetFormat::safeRelativePath(QStringLiteral("Images\\Doc1.jpg")),
              QStringLiteral("Images/Doc1.jpg"));
    EXPECT_EQ(CabinetFormat::safeRelativePath(QStringLiteral("..hidden..txt")),
              QStringLiteral("..hidden..txt"));
    for (const char* bad : {"", ".", "..", "a/", "a/./b", "D:evil", "evil.txt:stream", "\\\\server\\share"})
        EXPECT_TRUE(CabinetFormat::safeRelativePath(QString::fromLatin1(bad)).isEmpty()) << bad;
}

} // namespace
