#include "OdbcDataSource.h"

#include <odbcinst.h>
#include <QFile>
#include <QFileInfo>

namespace OdbcDataSource {
namespace {

// The busy wait SQLite gives another process holding the file, as on the
// direct route.
const char* const kTimeout = "5000";

bool write(UWORD mode, const QByteArray& name, const QByteArray& driver, const QByteArray& file)
{
    SQLSetConfigMode(mode);
    // SQLWriteDSNToIni replaces an older section of the same name.
    return SQLWriteDSNToIni(name.constData(), driver.constData()) &&
           SQLWritePrivateProfileString(name.constData(), "Database", file.constData(), "odbc.ini") &&
           SQLWritePrivateProfileString(name.constData(), "Timeout", kTimeout, "odbc.ini");
}

} // namespace

QString driverName(const QString& configured)
{
    const QString name = configured.trimmed();
    if (name.isEmpty() || name.contains(QLatin1String("Microsoft Access"), Qt::CaseInsensitive) ||
        name.contains(QLatin1String("*.mdb"), Qt::CaseInsensitive))
        return QStringLiteral("SQLite3");
    return name;
}

bool registerDataSource(const QString& name, const QString& driver, const QString& file)
{
    if (name.trimmed().isEmpty() || !QFileInfo(file).isFile())
        return false;
    const QByteArray n = name.trimmed().toUtf8();
    const QByteArray d = driverName(driver).toUtf8();
    const QByteArray f = QFile::encodeName(QFileInfo(file).absoluteFilePath());
    const bool written = write(ODBC_SYSTEM_DSN, n, d, f) || write(ODBC_USER_DSN, n, d, f);
    SQLSetConfigMode(ODBC_BOTH_DSN);
    return written;
}

} // namespace OdbcDataSource
