#pragma once

#include <gtest/gtest.h>
#include <QProcess>
#include <QString>

// PDF files read back with poppler's own tools.
namespace PdfText {
inline QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}
// The text of the file, page by page, laid out as on the page.
inline QString read(const QString& pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}
inline int pageCount(const QString& pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    for (const QString& line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}
} // namespace PdfText
