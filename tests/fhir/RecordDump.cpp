#include "RecordDump.h"

#include "Cabinet.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

namespace {

QString digest(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

QString fileDigest(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? digest(f.readAll()) : QStringLiteral("<missing>");
}

// The unused columns of each table, besides Id, Id_Ref and Id_File.
QSet<QString> unused(const QString& table)
{
    QSet<QString> names;
    const auto add = [&](std::initializer_list<const char*> list) {
        for (const char* n : list)
            names.insert(QString::fromLatin1(n).toUpper());
    };
    if (table == QLatin1String("PERSON"))
        add({"Img1", "Img2", "Img3", "Img4", "ImgMini2", "ImgMini3", "ImgMini4", "WeightGraph", "SizeGraph",
             "Comment1", "Custom00144243"});
    if (table == QLatin1String("ACTION"))
        add({"Category", "Duration", "Repeat"});
    if (table == QLatin1String("VACCINE"))
        add({"Remark2", "Divers1", "Divers2", "Divers3", "Divers4", "Divers5"});
    if (table == QLatin1String("L_ANALYSIS") || table == QLatin1String("LST_ANALYSIS")) {
        add({"Remark2", "Img1", "Img2", "Img3", "Img4", "ImgMini1", "ImgMini2", "ImgMini3", "ImgMini4",
             "Tag"});
        for (int i = 1; i <= 12; ++i)
            names.insert(QStringLiteral("MISC%1").arg(i, 2, 10, QLatin1Char('0')));
    }
    if (table == QLatin1String("L_ANALYSIS"))
        add({"Title", "Description", "Category"});
    if (table == QLatin1String("LST_ANALYSIS"))
        add({"Remark1"});
    if (table == QLatin1String("DOCUMENTIMG"))
        add({"Img", "Tag"});
    if (table == QLatin1String("DOCUMENTFILE"))
        add({"Title"});
    if (table == QLatin1String("LST_DOCTOR"))
        add({"Price"});
    return names;
}

class Dumper
{
public:
    Dumper(const QSqlDatabase& db, const QString& folder) : m_db(db), m_folder(folder) {}

    // The rows of the statement, each as "TABLE{column=value,...}", sorted.
    QStringList rows(const QString& table, const QString& where, const QVariantList& values,
                     const std::function<void(const QSqlRecord&, QStringList&)>& more = {})
    {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("SELECT * FROM [%1] WHERE %2").arg(table, where));
        for (const QVariant& v : values)
            q.addBindValue(v);
        EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString();
        QStringList out;
        while (q.next()) {
            const QSqlRecord r = q.record();
            QStringList fields;
            for (int i = 0; i < r.count(); ++i) {
                const QString name = r.fieldName(i).toUpper();
                if (name == QLatin1String("ID") || name == QLatin1String("ID_REF") ||
                    name == QLatin1String("ID_FILE") || unused(table).contains(name))
                    continue;
                fields << name + QLatin1Char('=') + value(table, name, r.value(i), r);
            }
            if (more)
                more(r, fields);
            fields.sort();
            out << table + QLatin1Char('{') + fields.join(QStringLiteral(", ")) + QLatin1Char('}');
        }
        out.sort();
        return out;
    }

private:
    QString value(const QString& table, const QString& name, const QVariant& v, const QSqlRecord& r)
    {
        if (v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty()))
            return QStringLiteral("NULL");
        if (v.typeId() == QMetaType::QByteArray)
            return digest(v.toByteArray());
        const auto referenced = [&](const QString& list) {
            const QStringList rows = this->rows(list, QStringLiteral("Id=?"), {v});
            return rows.isEmpty() ? QStringLiteral("<none>") : rows.front();
        };
        if (name == QLatin1String("ID_ORG"))
            return referenced(table == QLatin1String("ACTION") && r.value(QStringLiteral("Tag")).toInt() == 2
                                  ? QStringLiteral("LST_PHARMACY")
                                  : QStringLiteral("LST_DOCTOR"));
        if (name == QLatin1String("ID_ILLNESS"))
            return referenced(QStringLiteral("LST_ILLNESS"));
        if (name == QLatin1String("ID_DRUG"))
            return referenced(QStringLiteral("LST_DRUG"));
        if (name == QLatin1String("ID_VACCINE"))
            return referenced(QStringLiteral("LST_VACCINE"));
        if (name == QLatin1String("ID_ANALYSIS"))
            return referenced(QStringLiteral("LST_ANALYSIS"));
        return v.toString();
    }

    QSqlDatabase m_db;
    QString m_folder;
};

} // namespace

QStringList recordDump(const QSqlDatabase& db, const QString& folder, int personId)
{
    Dumper d(db, folder);
    QStringList all =
        d.rows(QStringLiteral("PERSON"), QStringLiteral("Id=?"), {personId},
               [&](const QSqlRecord&, QStringList& fields) {
                   fields << QStringLiteral("photo=") +
                                 fileDigest(folder + QStringLiteral("Images/People%1.jpg").arg(personId));
               });
    for (const char* table : {"ACTION", "VACCINE", "WEIGHT", "SIZE", "EVENT"})
        all += d.rows(QLatin1String(table), QStringLiteral("Id_Ref=?"), {personId});
    all += d.rows(QStringLiteral("L_ANALYSIS"), QStringLiteral("Id_Ref=?"), {personId},
                  [&](const QSqlRecord& r, QStringList& fields) {
                      fields << QStringLiteral("results=") + d.rows(QStringLiteral("ANALYSIS"),
                                                                    QStringLiteral("Id_Ref=?"),
                                                                    {r.value(QStringLiteral("Id"))})
                                                                 .join(QStringLiteral("; "));
                  });
    all += d.rows(QStringLiteral("DOCUMENTIMG"), QStringLiteral("Id_Ref=? AND DoType=1"), {personId},
                  [&](const QSqlRecord& r, QStringList& fields) {
                      fields << QStringLiteral("picture=") +
                                    fileDigest(folder + QStringLiteral("Images/Doc%1.jpg")
                                                            .arg(r.value(QStringLiteral("Id")).toInt()));
                  });
    all += d.rows(
        QStringLiteral("DOCUMENTFILE"), QStringLiteral("Id_Ref=? AND DoType=1"), {personId},
        [&](const QSqlRecord& r, QStringList& fields) {
            QTemporaryDir scratch;
            const QString copy = scratch.filePath(QStringLiteral("content"));
            try {
                Cabinet::extractEntry(
                    folder + QStringLiteral("Files/File%1.f").arg(r.value(QStringLiteral("Id")).toInt()), 0,
                    copy);
                fields << QStringLiteral("content=") + fileDigest(copy);
            } catch (const std::exception& e) {
                fields << QStringLiteral("content=<") + QString::fromUtf8(e.what()) + QLatin1Char('>');
            }
        });
    return all;
}
