#include "OlderLayout.h"

#include "BmpFormat.h"
#include "TemplateDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <stdexcept>

namespace OlderLayout {

Bitmap picture(int width, int height, int seed)
{
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < width; ++x) {
            p[3 * x] = static_cast<std::uint8_t>(x * 255 / qMax(1, width - 1));
            p[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / qMax(1, height - 1));
            p[3 * x + 2] = static_cast<std::uint8_t>(seed * 37);
        }
    }
    return b;
}

namespace {
void exec(QSqlQuery& q, const QString& what)
{
    if (!q.exec())
        throw std::runtime_error((what + QStringLiteral(" : ") + q.lastError().text()).toStdString());
}
} // namespace

void create(const QString& path, const Content& content)
{
    QFile script(QStringLiteral(BRIVOLINE_SOURCE_DIR "tests/update/data/layout_320.sql"));
    if (!script.open(QIODevice::ReadOnly))
        throw std::runtime_error("layout_320.sql is missing");
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    const QString name = QStringLiteral("older-layout");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        db.transaction();
        for (const QString& statement : TemplateDatabase::splitScript(QString::fromUtf8(script.readAll()))) {
            QSqlQuery q(db);
            q.prepare(statement);
            exec(q, statement);
        }
        QSqlQuery photo(db);
        photo.prepare(QStringLiteral("UPDATE PERSON SET Img1 = ?, ImgMini1 = ? WHERE Id = ?"));
        photo.addBindValue(BmpFormat::encode(picture(300, 400, 1)));
        photo.addBindValue(BmpFormat::encode(picture(64, 64, 1)));
        photo.addBindValue(1);
        exec(photo, QStringLiteral("photo"));
        photo.bindValue(0, BmpFormat::encode(picture(800, 600, 2)));
        photo.bindValue(1, QVariant(QMetaType(QMetaType::QByteArray)));
        photo.bindValue(2, 2);
        exec(photo, QStringLiteral("photo"));

        QSqlQuery document(db);
        document.prepare(QStringLiteral(
            "INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, Title, Img, ImgMini) VALUES (0, ?, ?, ?, ?)"));
        for (int i = 0; i < content.documents; ++i) {
            document.bindValue(0, 1 + i % 2);
            document.bindValue(1, QStringLiteral("Ordonnance %1").arg(i + 1));
            document.bindValue(
                2, BmpFormat::encode(picture(content.documentWidth, content.documentHeight, 10 + i)));
            document.bindValue(3, BmpFormat::encode(picture(90, 90, 10 + i)));
            exec(document, QStringLiteral("document"));
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace OlderLayout
