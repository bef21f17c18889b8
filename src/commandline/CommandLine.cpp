#include "CommandLine.h"

#include "ArchiveFile.h"
#include "BackupArchive.h"
#include "BackupHistory.h"
#include "BackupRotation.h"
#include "Clock.h"
#include "CommandOptions.h"
#include "Connection.h"
#include "Dataset.h"
#include "DbIni.h"
#include "FhirExport.h"
#include "FileUtils.h"
#include "Leftovers.h"
#include "Messages.h"
#include "OrderlyClose.h"
#include "Product.h"
#include "ProgramState.h"
#include "RecordsCheck.h"
#include "RecordsLock.h"
#include "SealedFormat.h"
#include "Secret.h"

#include <cstdio>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>

namespace CommandLine {
namespace {

// An error that ends the command with its own status.
class Refusal : public AppError
{
public:
    Refusal(ExitStatus status, const QString& text) : AppError(text), m_status(status) {}
    ExitStatus status() const { return m_status; }

private:
    ExitStatus m_status;
};

void print(std::FILE* stream, const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (!shown.endsWith(QLatin1Char('\n')))
        shown += QLatin1Char('\n');
    std::fputs(shown.toUtf8().constData(), stream);
}

void tell(const QString& text)
{
    print(stderr, text);
}

// The records the command works on, with program() pointing at them. Only a
// data folder the program already made is taken: nothing is provisioned.
RecordSet records(const CommandOptions& options)
{
    ProgramState& p = program();
    const QString executable = FileUtils::executablePath();
    p.folders = Folders::forProgramFolder(Folders::programFolderOf(executable), executable);
    if (!options.dataFolder.isEmpty()) {
        const QFileInfo folder(options.dataFolder);
        if (!folder.isDir())
            throw Refusal(NoRecords, QStringLiteral("Le dossier de données \"%1\" est introuvable.")
                                         .arg(FileUtils::shownPath(options.dataFolder)));
        p.folders.data = FileUtils::withTrailingSeparator(folder.absoluteFilePath());
    } else {
        p.folders.data = FolderSetup::resolveDataFolder(p.folders, DesktopEnvironment::system());
    }
    if (!QFileInfo(p.folders.data + QStringLiteral("db.ini")).isFile())
        throw Refusal(NoRecords,
                      QStringLiteral("Le dossier \"%1\" n'est pas un dossier de données de %2 : db.ini y "
                                     "manque.")
                          .arg(FileUtils::shownPath(p.folders.data), Product::name));
    try {
        p.db = DbIni::read(p.folders);
    } catch (const AppError& e) {
        throw Refusal(NoRecords, e.text());
    }
    p.folders.database = p.db.databaseFolder;
    if (!QFileInfo(p.db.databaseFile()).isFile())
        throw Refusal(NoRecords, QStringLiteral("La base de données \"%1\" est introuvable.")
                                     .arg(FileUtils::shownPath(p.db.databaseFile())));
    return RecordSet::of(p.folders, p.db);
}

// Held for the whole command, as a session of the program holds it, after
// clearing what an interrupted operation left, as a start does.
std::unique_ptr<RecordsLock> takeRecords(const RecordSet& set)
{
    auto lock = std::make_unique<RecordsLock>(set.databaseFile());
    if (!lock->acquire())
        throw Refusal(RecordsInUse, lock->inUseMessage());
    if (const QString staying = Leftovers::clearAtStart(set); !staying.isEmpty())
        tell(staying);
    return lock;
}

// The archive a backup target names: in a folder, the name the backup
// window proposes; a file name without extension gets the archives' one.
QString archiveFor(const CommandOptions& options)
{
    if (options.backupToFolder()) {
        const QFileInfo folder(options.backupTarget);
        if (!folder.isDir())
            throw Refusal(Failed, QStringLiteral("Le dossier de sauvegarde \"%1\" est introuvable.")
                                      .arg(FileUtils::shownPath(options.backupTarget)));
        return BackupArchive::proposedPathIn(FileUtils::withTrailingSeparator(folder.absoluteFilePath()),
                                             Clock::today());
    }
    QFileInfo target(options.backupTarget);
    if (target.suffix().isEmpty())
        target.setFile(options.backupTarget + QStringLiteral(".bkp"));
    if (!target.absoluteDir().exists())
        throw Refusal(Failed, QStringLiteral("Le dossier de la sauvegarde \"%1\" est introuvable.")
                                  .arg(FileUtils::shownPath(target.absolutePath())));
    // A timer may name the same archive every night; any other file stays.
    if (target.exists()) {
        QFile existing(target.absoluteFilePath());
        if (!target.isFile() || !existing.open(QIODevice::ReadOnly) ||
            (existing.read(4) != "MSCF" && !ArchiveFile::isEncrypted(target.absoluteFilePath())))
            throw Refusal(
                Failed, QStringLiteral("Le fichier \"%1\" existe et n'est pas une sauvegarde : il n'est pas "
                                       "remplacé.")
                            .arg(FileUtils::shownPath(target.absoluteFilePath())));
    }
    return target.absoluteFilePath();
}

// The password of an encrypted backup: the file's content but a final line
// ending, never anywhere else than in wiped memory once read.
Secret passwordFrom(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Refusal(Failed, QStringLiteral("Le fichier de mot de passe \"%1\" ne peut pas être lu : %2.")
                                  .arg(FileUtils::shownPath(path),
                                       file.exists() ? QStringLiteral("accès refusé")
                                                     : QStringLiteral("il est introuvable")));
    if (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        tell(QStringLiteral(
                 "Attention : le fichier de mot de passe \"%1\" peut être lu par d'autres utilisateurs "
                 "(chmod 600 le réserve au vôtre).")
                 .arg(FileUtils::shownPath(path)));
    QByteArray bytes = file.read(4096);
    for (const char* ending : {"\n", "\r"})
        if (bytes.endsWith(ending))
            bytes.chop(1);
    Secret password = Secret::takeBytes(bytes);
    if (password.isEmpty())
        throw Refusal(
            Failed,
            QStringLiteral("Le fichier de mot de passe \"%1\" est vide.").arg(FileUtils::shownPath(path)));
    return password;
}

int backup(const CommandOptions& options)
{
    const RecordSet set = records(options);
    const QString archive = archiveFor(options);
    // Derived on its own thread while the database is checked.
    std::optional<Sealed::PendingKey> key;
    if (!options.passwordFile.isEmpty()) {
        ensureSodium();
        key.emplace(passwordFrom(options.passwordFile));
    }
    const auto lock = takeRecords(set);
    Connection::open(program().db);
    {
        const auto closing = qScopeGuard([] { Connection::close(); });
        // A damaged database is not saved: with rotation, its archive would
        // push out the last sound one.
        if (const QString damage = Connection::integrityDamageOf(Connection::database()); !damage.isEmpty()) {
            // The program's next start then reads the whole file, and offers the way back.
            OrderlyClose::forget(set.databaseFile());
            throw Refusal(
                Failed, QStringLiteral("La base de données \"%1\" est endommagée : %2.\rOuvrez le logiciel, "
                                       "qui propose de la réparer ou de restaurer une sauvegarde.")
                            .arg(FileUtils::shownPath(set.databaseFile()), Connection::damageFoundText()));
        }
        // Written before the work, as the backup window does, so that a
        // failed backup leaves its trace too.
        Dataset history(QStringLiteral("Backup"));
        history.setSql(QStringLiteral("SELECT * FROM BACKUP"));
        BackupHistory::add(history, BackupHistory::kBackup, archive);
    }
    // Checked whole and closed in order: the program's next start need not
    // read it all again for the history row written here.
    OrderlyClose::record(set.databaseFile());
    NoProgress progress;
    BackupArchive::write(set, archive, progress, key ? &key->get() : nullptr);
    tell((key ? QStringLiteral("Sauvegarde chiffrée effectuée : \"%1\".")
              : QStringLiteral("Sauvegarde effectuée : \"%1\"."))
             .arg(FileUtils::shownPath(archive)));
    if (options.keep > 0) {
        const QString folder = QFileInfo(archive).absolutePath() + QLatin1Char('/');
        try {
            for (const QString& removed :
                 BackupRotation::keepNewest(folder, options.keep, QFileInfo(archive).fileName()))
                tell(QStringLiteral("Ancienne sauvegarde supprimée : \"%1\".")
                         .arg(FileUtils::shownPath(removed)));
        } catch (const AppError& e) {
            throw Refusal(Failed,
                          QStringLiteral("Les anciennes sauvegardes n'ont pas toutes été supprimées :\r%1")
                              .arg(e.text()));
        }
    }
    return Success;
}

int check(const CommandOptions& options)
{
    const RecordsReport report = RecordsCheck::run(records(options));
    print(stdout, report.lines.join(QLatin1Char('\n')));
    return report.problems == 0 ? Success : ProblemsFound;
}

int exportFhir(const CommandOptions& options)
{
    const RecordSet set = records(options);
    const auto lock = takeRecords(set);
    Connection::open(program().db);
    const auto closing = qScopeGuard([] { Connection::close(); });
    const ExportResult result = FhirExport::exportPerson({Connection::database(), set.databaseFolder},
                                                         options.person, options.fhirFile, ExportOptions{});
    tell(QStringLiteral("Le carnet de santé a été exporté dans le fichier \"%1\".")
             .arg(FileUtils::shownPath(options.fhirFile)));
    for (const QString& title : result.leftOut)
        tell(QStringLiteral("Décrit sans son contenu : ") + title);
    for (const QString& problem : result.problems)
        tell(QStringLiteral("Attention : ") + problem);
    return Success;
}

} // namespace

bool wanted(int argc)
{
    return argc > 1;
}

int run(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    // Nothing here may open a window: a question deep in a layer is told and
    // answered no.
    Messages::setHandler([](const Messages::Message& message) {
        tell(message.text);
        return message.yesNo ? Messages::Answer::No : Messages::Answer::Ok;
    });
    const auto restoring = qScopeGuard([] { Messages::setHandler({}); });

    CommandOptions options;
    try {
        options = CommandOptions::parse(application.arguments().mid(1));
    } catch (const CommandOptions::UsageError& e) {
        tell(e.text());
        print(stderr, CommandOptions::usageText());
        return Usage;
    }
    try {
        switch (options.action) {
        case CommandOptions::Action::Help:
            print(stdout, CommandOptions::helpText());
            return Success;
        case CommandOptions::Action::Version:
            print(stdout, Product::name + QLatin1Char(' ') + Product::version);
            return Success;
        case CommandOptions::Action::Backup:
            return backup(options);
        case CommandOptions::Action::Check:
            return check(options);
        case CommandOptions::Action::ExportFhir:
            return exportFhir(options);
        }
    } catch (const Refusal& e) {
        tell(e.text());
        return e.status();
    } catch (const AppError& e) {
        tell(options.action == CommandOptions::Action::Backup
                 ? QStringLiteral("La sauvegarde n'a pas été faite :\r%1").arg(e.text())
                 : e.text());
        return Failed;
    }
    return Failed;
}

} // namespace CommandLine
