#include "TExportFhir.h"

#include "CommandGuard.h"
#include "FileDialogs.h"
#include "FormWidgets.h"
#include "NumberEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kMaxMegabytes = 9999;
constexpr int kDefaultMegabytes = 20;
} // namespace

TExportFhir::TExportFhir(const QString& proposedFile, QWidget* parent)
    : QDialog(parent), m_file(new QLineEdit(proposedFile, this)),
      m_documents(
          new QCheckBox(QStringLiteral("&Inclure les documents (photo, images, fichiers joints)"), this)),
      m_limit(new NumberEdit(kMaxMegabytes, 4, this))
{
    setObjectName(QStringLiteral("ExportFhir"));
    setWindowTitle(QStringLiteral("Exporter le carnet (FHIR)"));
    m_file->setObjectName(QStringLiteral("Ed_File"));
    m_documents->setObjectName(QStringLiteral("Check_Documents"));
    m_documents->setChecked(true);
    m_limit->setObjectName(QStringLiteral("Ed_DocumentLimit"));
    m_limit->setValue(kDefaultMegabytes);
    m_limit->setMaximumWidth(m_limit->fontMetrics().horizontalAdvance(QStringLiteral("99999")) + 16);
    setMinimumWidth(520);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    QPushButton* pick =
        FormWidgets::pickButton(this, QStringLiteral("Btn_File"), QStringLiteral("Choisir le fichier"));
    pick->setAutoDefault(false);
    grid->addWidget(FormWidgets::caption(QStringLiteral("&Fichier"), m_file, this), 0, 0);
    grid->addWidget(m_file, 0, 1);
    grid->addWidget(pick, 0, 2);
    grid->addWidget(m_documents, 1, 0, 1, 3);
    grid->addWidget(
        FormWidgets::caption(QStringLiteral("&Taille maximale d'un document (Mo, 0 : sans limite)"), m_limit,
                             this),
        2, 0, 1, 2);
    grid->addWidget(m_limit, 2, 2, Qt::AlignRight);

    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    m_ok = buttons.ok;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons.row);

    connectCommand(pick, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(m_file, &QLineEdit::textChanged, this, [this] { refreshStates(); });
    connect(m_documents, &QCheckBox::toggled, this, [this] { refreshStates(); });
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    refreshStates();
}

QString TExportFhir::file() const
{
    return m_file->text().trimmed();
}

ExportOptions TExportFhir::options() const
{
    return {m_documents->isChecked(), static_cast<qint64>(m_limit->value()) * 1000 * 1000};
}

void TExportFhir::chooseFile()
{
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Exporter le carnet de santé");
    request.filter = QStringLiteral("Carnet FHIR (*.json)|*.json");
    request.defaultExtension = QStringLiteral("json");
    request.fileName = file();
    request.confirmOverwrite = true;
    const QString chosen = FileDialogs::choose(request);
    if (!chosen.isEmpty())
        m_file->setText(chosen);
}

void TExportFhir::refreshStates()
{
    m_limit->setEnabled(m_documents->isChecked());
    m_ok->setEnabled(!file().isEmpty());
}
