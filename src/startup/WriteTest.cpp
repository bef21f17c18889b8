#include "WriteTest.h"

#include "Messages.h"

#include <QFile>
#include <QFileInfo>

QString writeTestMessage(const QString& productAndVersion, const QString& folder)
{
    return productAndVersion.toUpper() + QStringLiteral(" : EXECUTION IMPOSSIBLE") + QStringLiteral("\r\r")
           + QStringLiteral("Pour utiliser ce logiciel vous devez :") + QStringLiteral("\r\r")
           + QStringLiteral("  - Soit avoir un compte administrateur") + QStringLiteral("\r")
           + QStringLiteral("  - Soit avoir des droits en écriture sur le répertoire : ") + folder
           + QStringLiteral("\r\r");
}

bool writeTest(const QString& productAndVersion, const QString& filePath)
{
    bool saved = false;
    {
        QFile file(filePath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const QByteArray line = "admin\r\n";
            saved = file.write(line) == line.size() && file.flush();
            file.close();
            saved = saved && file.error() == QFileDevice::NoError;
        }
    }
    QFile::remove(filePath);
    if (!saved)
        Messages::error(writeTestMessage(productAndVersion, QFileInfo(filePath).path() + QLatin1Char('/')));
    return saved;
}
