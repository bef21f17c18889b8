#include "JetPeers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <stdexcept>

namespace JetPeers {
namespace {

// The marker mdb-export prints for NULL: never a value of the tests.
const QString kNull = QStringLiteral("@NULL@");

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error((program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) +
                                  QStringLiteral(" : ") + QString::fromUtf8(p.readAllStandardError()))
                                     .toStdString());
    return p.readAllStandardOutput();
}

// mdb-export's CSV: fields quoted with '"' (doubled inside) when text-like,
// rows ended by a line feed outside quotes.
Rows parseCsv(const QString& text)
{
    Rows rows;
    std::vector<Field> row;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    const auto endField = [&] {
        row.push_back(!wasQuoted && field == kNull ? Field() : Field(field));
        field.clear();
        wasQuoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            endField();
            rows.push_back(row);
            row.clear();
        } else {
            field += c;
        }
    }
    return rows;
}

} // namespace

QStringList mdbTables(const QString& file)
{
    return QString::fromUtf8(run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), file}))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Rows mdbExport(const QString& file, const QString& table)
{
    const QString format = QStringLiteral("%Y-%m-%d %H:%M:%S");
    Rows rows = parseCsv(
        QString::fromUtf8(run(QStringLiteral("mdb-export"),
                              {QStringLiteral("-b"), QStringLiteral("hex"), QStringLiteral("-D"), format,
                               QStringLiteral("-T"), format, QStringLiteral("-0"), kNull, file, table})));
    if (!rows.empty())
        rows.erase(rows.begin()); // the column names
    return rows;
}

QJsonObject mdbReader(const QString& file)
{
    return QJsonDocument::fromJson(
               run(QStringLiteral("node"), {QStringLiteral(BRIVOLINE_NPM_DIR "mdb_reader_dump.mjs"), file}))
        .object();
}

QString mdbReaderPassword(const QString& file)
{
    const QByteArray json =
        "[" +
        run(QStringLiteral("node"),
            {QStringLiteral(BRIVOLINE_NPM_DIR "mdb_reader_dump.mjs"), file, QStringLiteral("password")}) +
        "]";
    return QJsonDocument::fromJson(json).array().at(0).toString();
}

} // namespace JetPeers
