#include "Scanner.h"

#include "BmpFormat.h"
#include "BusyCursor.h"
#include "Messages.h"
#include "SaneDevice.h"
#include "TScanOptions.h"

#include <optional>
#include <QApplication>
#include <QProgressDialog>

namespace Scanner {

bool isAvailable()
{
    // Local devices answer at once; looking for network ones takes seconds
    // when none answers, so that is done once per run and remembered.
    static std::optional<bool> anyOnTheNetwork;
    if (!Sane::deviceNames(true).isEmpty())
        return true;
    if (!anyOnTheNetwork)
        anyOnTheNetwork = !listSources().isEmpty();
    return *anyOnTheNetwork;
}

QStringList listSources()
{
    BusyCursor busy;
    return Sane::deviceNames();
}

bool acquire(QWidget* parent, const QString& source, bool showOptions, const QString& targetFile)
{
    try {
        std::unique_ptr<Sane::Device> device;
        {
            BusyCursor busy;
            const QStringList names = Sane::deviceNames();
            if (names.isEmpty()) {
                Messages::plain(
                    QStringLiteral("Aucun scanner n'est installé.\rBranchez et allumez le scanner, "
                                   "puis vérifiez que son pilote (SANE) le reconnaît."));
                return false;
            }
            QString name = names.first();
            for (const QString& n : names)
                if (n.compare(source, Qt::CaseInsensitive) == 0)
                    name = n;
            device = std::make_unique<Sane::Device>(name);
        }
        if (showOptions) {
            TScanOptions options(*device, parent);
            if (options.exec() != QDialog::Accepted)
                return false;
        }

        BusyCursor busy;
        QProgressDialog progress(QStringLiteral("Numérisation en cours ..."), QStringLiteral(" &Annuler"), 0,
                                 0, parent);
        progress.setObjectName(QStringLiteral("ScanProgress"));
        progress.setWindowTitle(QStringLiteral("Scanner"));
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(0);
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        progress.show();
        const Bitmap picture = device->scan([&progress](qint64 done, qint64 total) {
            // The bar counts kilobytes so it stays within an int.
            const int max = static_cast<int>(total / 1024);
            if (progress.maximum() != max)
                progress.setMaximum(max);
            if (max > 0)
                progress.setValue(static_cast<int>(qMin(done, total) / 1024));
            QApplication::processEvents();
            return !progress.wasCanceled();
        });
        progress.close();
        device.reset();
        BmpFormat::writeFile(picture, targetFile);
        return true;
    } catch (const AppError& e) {
        // The busy cursors are gone with their scopes; nothing was written.
        Messages::plain(e.text());
    }
    return false;
}

} // namespace Scanner
