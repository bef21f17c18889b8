#include "DbIni.h"

#include "Errors.h"
#include "FileUtils.h"
#include "IniFile.h"
#include "OdbcDataSource.h"

#include <QDir>
#include <QFileInfo>

namespace DbIni {

QString databaseFolder(const QString& dataFolder, const QString& pathValue)
{
    const QString path = FileUtils::fromIniPath(pathValue);
    // Relative folders ("Data\" among them) lie under the data folder, never
    // under whatever folder the program happened to be started from.
    if (QDir::isRelativePath(path))
        return FileUtils::withTrailingSeparator(QDir::cleanPath(dataFolder + path));
    return FileUtils::withTrailingSeparator(path);
}

namespace {
// Refuses, before anything is created, a db.ini whose folder is a file or
// whose database file is a folder.
void checkPaths(const DbConfig& c, const QString& dbIniPath)
{
    const QString ini = FileUtils::shownPath(dbIniPath);
    const QFileInfo folder(QDir::cleanPath(c.databaseFolder));
    if (folder.exists() && !folder.isDir())
        throw FileError(
            QStringLiteral("Le fichier de configuration \"%1\" indique comme dossier de la base de "
                           "données \"%2\", qui est un fichier et non un dossier.\r"
                           "Corrigez la clé Path de la section [DataBase].")
                .arg(ini, FileUtils::shownPath(c.databaseFolder)));
    const auto checkFile = [&](const QString& name, const char* key) {
        const QString file = c.databaseFolder + name;
        if (name.isEmpty() || name.endsWith(QLatin1Char('/')) || QFileInfo(file).isDir())
            throw FileError(QStringLiteral("Le fichier de configuration \"%1\" indique comme base de données "
                                           "\"%2\", qui est un dossier et non un fichier.\r"
                                           "Corrigez la clé %3.")
                                .arg(ini, FileUtils::shownPath(file), QString::fromLatin1(key)));
    };
    checkFile(c.oledbFileName, "FileName de la section [OLEDB]");
    if (c.kind == DbConfig::Kind::Odbc)
        checkFile(c.odbcPath, "Path de la section [ODBC]");
}
} // namespace

DbConfig read(const Folders& folders)
{
    FolderSetup::copyIfMissing(folders, QStringLiteral("db.ini"));
    const QString path = folders.data + QStringLiteral("db.ini");
    IniFile ini = IniFile::load(path);

    const DbConfig defaults;
    struct Key
    {
        const char* section;
        const char* key;
        QString fallback;
    };
    const Key keys[] = {
        {"DataBase", "Provider", QStringLiteral("OLEDB")},
        {"DataBase", "Path", QStringLiteral("Data/")},
        {"ODBC", "Name", defaults.odbcName},
        {"ODBC", "Driver", defaults.odbcDriver},
        {"ODBC", "Path", defaults.odbcPath},
        {"OLEDB", "Provider", defaults.oledbProvider},
        {"OLEDB", "FileName", defaults.oledbFileName},
    };
    QStringList values;
    for (const Key& k : keys)
        values << ini.value(QString::fromLatin1(k.section), QString::fromLatin1(k.key), k.fallback);

    if (!ini.exists()) {
        for (size_t i = 0; i < std::size(keys); ++i)
            ini.setValue(QString::fromLatin1(keys[i].section), QString::fromLatin1(keys[i].key),
                         values.at(i));
        try {
            ini.save(path);
        } catch (const FileError&) {
            // An unwritable data folder is reported by the write test that follows.
        }
    }

    DbConfig c;
    c.providerText = values.at(0);
    if (c.providerText.compare(QLatin1String("OLEDB"), Qt::CaseInsensitive) == 0)
        c.kind = DbConfig::Kind::OleDb;
    else if (c.providerText.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0)
        c.kind = DbConfig::Kind::Odbc;
    else
        c.kind = DbConfig::Kind::Unknown;
    c.databaseFolder = databaseFolder(folders.data, values.at(1));
    c.odbcName = values.at(2);
    c.odbcDriver = values.at(3);
    c.odbcPath = FileUtils::fromIniPath(values.at(4));
    c.oledbProvider = values.at(5);
    c.oledbFileName = FileUtils::fromIniPath(values.at(6));
    checkPaths(c, path);
    // At every start, so a moved data folder re-points the data source.
    if (c.kind == DbConfig::Kind::Odbc && !c.odbcPath.isEmpty())
        OdbcDataSource::registerDataSource(c.odbcName, c.odbcDriver, c.databaseFolder + c.odbcPath);
    return c;
}

} // namespace DbIni
