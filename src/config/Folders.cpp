#include "Folders.h"

#include "Errors.h"
#include "FileUtils.h"
#include "IniFile.h"
#include "Product.h"
#include "TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

Folders Folders::forProgramFolder(const QString& programFolder, const QString& executablePath)
{
    Folders f;
    f.program = FileUtils::withTrailingSeparator(programFolder);
    f.data = f.program;
    f.reports = f.program + QStringLiteral("Reports/");
    f.stat = f.program + QStringLiteral("Stat/");
    f.query = f.program + QStringLiteral("Query/");
    f.helpFile = f.program + QStringLiteral("doc.htm");
    // Only the file name is lowered: Linux paths are case-sensitive.
    const QString base = QFileInfo(executablePath).completeBaseName();
    f.iniFileName = base.toLower() + QStringLiteral(".ini");
    f.developmentMarker = f.program + QFileInfo(executablePath).fileName() + QStringLiteral(".dpr");
    return f;
}

QString Folders::programFolderOf(const QString& executablePath)
{
    const QString beside = FileUtils::withTrailingSeparator(QFileInfo(executablePath).absolutePath());
    const QString installed = FileUtils::withTrailingSeparator(
        QFileInfo(beside + QStringLiteral("../share/brivoline")).absoluteFilePath());
    if (!QFileInfo(beside + QStringLiteral("Ressources/DB")).isDir() &&
        QFileInfo(installed + QStringLiteral("Ressources/DB")).isDir())
        return QDir::cleanPath(installed) + QLatin1Char('/');
    return beside;
}

DesktopEnvironment DesktopEnvironment::system()
{
    return {FileUtils::documentsFolder(), FileUtils::programsFolder(), &FolderSetup::isOnRemovableDrive};
}

namespace FolderSetup {
namespace {
QStringList contactLines()
{
    return {QStringLiteral("Contact : ") + Product::supportAddress,
            QStringLiteral("Site web : ") + Product::webAddress};
}

// Creates the folder; when it is new, writes its warning file.
void createWithWarning(const QString& folder, const QStringList& warning)
{
    if (QFileInfo(folder).isDir())
        return;
    if (!QDir().mkdir(folder))
        return; // reported later by the write test
    try {
        TextFiles::saveLines(folder + QStringLiteral("Avertissement.txt"), warning);
    } catch (const FileError&) {
        // Same as above: an unwritable folder stops start-up at the write test.
    }
}
} // namespace

QStringList makerWarningLines()
{
    return QStringList{QStringLiteral("ATTENTION : NE SUPPRIMEZ PAS CE REPERTOIRE "), QString(),
                       QStringLiteral("Ce répertoire contient les données des logiciels édités par ") +
                           Product::makerInTexts} +
           contactLines();
}

QStringList productWarningLines()
{
    return QStringList{QStringLiteral("ATTENTION : NE SUPPRIMEZ PAS CE REPERTOIRE "), QString(),
                       QStringLiteral("Ce répertoire contient les données du logiciels ") + Product::name +
                           QStringLiteral(" édités par ") + Product::makerInTexts} +
           contactLines();
}

bool isOnRemovableDrive(const QString& path)
{
    const QStorageInfo storage(path);
    QString device = QString::fromLocal8Bit(storage.device());
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    device = QFileInfo(device).canonicalFilePath().mid(5);
    // A partition's folder sits inside its disk's folder, which tells "removable".
    QString block = QFileInfo(QStringLiteral("/sys/class/block/") + device).canonicalFilePath();
    for (int level = 0; level < 2 && !block.isEmpty(); ++level) {
        QFile flag(block + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
        block = QFileInfo(block).path();
    }
    return false;
}

QString resolveDataFolder(const Folders& folders, const DesktopEnvironment& desktop)
{
    const IniFile directories = IniFile::load(folders.program + QStringLiteral("directories.ini"));
    const QString appDataDir = directories.value(QStringLiteral("Path"), QStringLiteral("AppDataDir"));

    QString data;
    if (appDataDir.compare(QLatin1String("appexe"), Qt::CaseInsensitive) == 0 ||
        QFileInfo::exists(folders.developmentMarker) ||
        (desktop.isRemovable && desktop.isRemovable(folders.program) &&
         !folders.program.contains(desktop.programsFolder))) {
        data = folders.program;
    } else {
        QString base;
        if (!appDataDir.isEmpty()) {
            base = FileUtils::withTrailingSeparator(appDataDir);
            createWithWarning(base, makerWarningLines());
        } else {
            base = desktop.documentsFolder + Product::makerFolder + QLatin1Char('/');
            QDir().mkpath(desktop.documentsFolder);
            createWithWarning(base, makerWarningLines());
        }
        data = base + FileUtils::withoutAccents(Product::name) + QLatin1Char('/');
        createWithWarning(data, productWarningLines());
    }
    createDataSubfolders(data);
    return data;
}

void createDataSubfolders(const QString& dataFolder)
{
    for (const char* sub : {"Export", "Html", "Backup", "Data", "Data/Access", "Data/Images", "Data/Files"})
        FileUtils::makeFolder(dataFolder + QString::fromLatin1(sub));
}

bool copyIfMissing(const Folders& folders, const QString& name)
{
    const QString target = folders.data + name;
    if (QFileInfo::exists(target))
        return true;
    for (const QString& source : {folders.program, folders.program + QStringLiteral("Ressources/DB/"),
                                  folders.program + QStringLiteral("Maj/")}) {
        if (source == folders.data || !QFileInfo(source + name).isFile())
            continue;
        try {
            FileUtils::copyFile(source + name, target, false);
            return true;
        } catch (const FileError&) {
            return QFileInfo::exists(target);
        }
    }
    return false;
}
} // namespace FolderSetup
