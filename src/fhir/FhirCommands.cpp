#include "FhirCommands.h"

#include "BusyCursor.h"
#include "CommandNames.h"
#include "Connection.h"
#include "DatasetUtils.h"
#include "FhirImport.h"
#include "FileDialogs.h"
#include "FileUtils.h"
#include "Messages.h"
#include "PersonPage.h"
#include "ProgramState.h"
#include "TDataModule1.h"
#include "TExportFhir.h"

#include <QDir>

namespace FhirCommands {
namespace {

Records records()
{
    return {Connection::database(), program().db.databaseFolder};
}

// A long list in a message box: its first lines and how many more.
QString listed(const QString& heading, const QStringList& lines)
{
    constexpr int kShown = 15;
    if (lines.isEmpty())
        return {};
    QString text = QStringLiteral("\r\r") + heading;
    for (const QString& line : lines.mid(0, kShown))
        text += QStringLiteral("\r- ") + line;
    if (lines.size() > kShown)
        text += QStringLiteral("\r… et %1 autres.").arg(lines.size() - kShown);
    return text;
}

void exportCurrent(MainWindowHost& host, TDataModule1& dm1)
{
    DatasetUtils::saveIfEditing(dm1.Person);
    const int person = DatasetUtils::currentId(dm1.Person);
    if (person < 0)
        return;
    const QString name =
        FileUtils::safeFileName((dm1.Person.field(QStringLiteral("Name")).asString() + QLatin1Char(' ') +
                                 dm1.Person.field(QStringLiteral("ForeName")).asString())
                                    .trimmed());
    const QString folder = program().folders.data + QStringLiteral("Export/");
    QDir().mkpath(folder);
    TExportFhir dialog(folder + (name.isEmpty() ? QStringLiteral("carnet") : name) + QStringLiteral(".json"),
                       host.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    ExportResult result;
    {
        BusyCursor busy;
        result = FhirExport::exportPerson(records(), person, dialog.file(), dialog.options());
    }
    const QString text = QStringLiteral("Le carnet de santé a été exporté dans le fichier \"%1\".")
                             .arg(FileUtils::shownPath(dialog.file())) +
                         listed(QStringLiteral("Décrits sans leur contenu :"), result.leftOut) +
                         listed(QStringLiteral("Fichiers introuvables ou illisibles :"), result.problems);
    if (result.problems.isEmpty())
        Messages::information(text);
    else
        Messages::warning(text);
}

void importOne(MainWindowHost& host, TDataModule1& dm1)
{
    DatasetUtils::saveIfEditing(dm1.Person);
    FileDialogs::Request request;
    request.title = QStringLiteral("Importer un carnet de santé");
    request.filter = QStringLiteral("Carnet FHIR (*.json)|*.json|Tous|*.*");
    request.defaultExtension = QStringLiteral("json");
    const QString file = FileDialogs::choose(request);
    if (file.isEmpty())
        return;
    ImportResult result;
    {
        BusyCursor busy;
        result = FhirImport::importFile(records(), file);
    }
    // The person dataset holds the rows it was opened on: the new one joins it.
    dm1.Person.close();
    dm1.Person.open();
    host.RefreshPersonList(result.personId);
    const QString text = QStringLiteral("Le carnet de santé a été importé comme un nouveau carnet.") +
                         listed(QStringLiteral("Ajoutés aux listes :"), result.listAdded) +
                         listed(QStringLiteral("Laissés de côté :"), result.skipped);
    if (result.skipped.isEmpty())
        Messages::information(text);
    else
        Messages::warning(text);
}

} // namespace

void installCommands(MainWindowHost& host, TDataModule1& dm1)
{
    host.setCommand(
        Commands::ExportFhir, [&host, &dm1] { exportCurrent(host, dm1); },
        [&dm1] { return DatasetUtils::currentId(dm1.Person) >= 0; });
    host.setCommand(Commands::ImportFhir, [&host, &dm1] { importOne(host, dm1); });
}

} // namespace FhirCommands
