#include "CommandGuard.h"
#include "CommandLine.h"
#include "Leftovers.h"
#include "MenuAccessibility.h"
#include "Messages.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "RecordSet.h"
#include "StartupSequence.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TMainForm.h"

#include <memory>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    // Decided before anything of the GUI exists: the command line needs no display.
    if (CommandLine::wanted(argc))
        return CommandLine::run(argc, argv);
    MenuAccessibility::install();
    QApplication app(argc, argv);
    Messages::installLogHandlerFromEnvironment();
    // Qt's own windows (file choosers, their buttons) speak French like the rest.
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);

    // Created in this order; the first one connects.
    std::unique_ptr<TDataModule1> dataModule1;
    std::unique_ptr<TDataModule2> dataModule2;

    StartupHooks hooks;
    hooks.createDataModules = [&] {
        // A restore that a crash interrupted in the middle of its swap is
        // completed before the database is opened, and what interrupted
        // operations left is cleared.
        if (const QString staying = Leftovers::clearAtStart(RecordSet::of(program().folders, program().db));
            !staying.isEmpty())
            Messages::warning(staying);
        dataModule1 = std::make_unique<TDataModule1>(program().db);
        dataModule2 = std::make_unique<TDataModule2>();
        // The money fields show the currency symbol start-up settled on.
        dataModule1->applyMoneyFormats();
        dataModule2->applyMoneyFormats();
    };
    hooks.createMainWindow = [&] { return ProgramAssembly::mainWindow(*dataModule1, *dataModule2); };
    hooks.backups = ProgramAssembly::backupRoute();
    hooks.destroyDataModules = [&] {
        // The main window saved any pending change before it closed.
        if (dataModule1)
            runGuarded([&] { dataModule1->closeAtExit(); });
        dataModule2.reset();
        dataModule1.reset();
    };
    return StartupSequence().run(hooks);
}
