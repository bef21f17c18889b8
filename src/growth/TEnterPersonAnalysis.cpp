#include "TEnterPersonAnalysis.h"

#include "CommandGuard.h"
#include "Dataset.h"
#include "Errors.h"
#include "FieldShortcuts.h"
#include "TStrList.h"
#include "ValueFields.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {
constexpr int kRemarkLength = 255;
} // namespace

TEnterPersonAnalysis::TEnterPersonAnalysis(TDataModule1& dm, Dataset& followed, int personId, QWidget* parent)
    : EntryDialog(followed, QStringLiteral("EnterPersonAnalysis"),
                  QStringLiteral("  Sélection d'une analyse"), parent),
      m_title(new QLineEdit(this)), m_choices(AnalysisRecords::notFollowed(personId))
{
    // Only Ok or Annuler end the choice.
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint);
    setWindowFlag(Qt::WindowCloseButtonHint, false);

    m_title->setObjectName(QStringLiteral("Ed_Title"));
    m_title->setReadOnly(true);
    addFormRow(QStringLiteral("&Titre"), m_title);
    addPickButton(m_title, QStringLiteral("Btn_Title"), QStringLiteral("Choisir l'analyse"),
                  [this] { Btn_TitleClick(); });
    FieldShortcuts::install(m_title, [this] { Btn_TitleClick(); });
    ValueFields::addRangeFields(*this, dm);
    addMemoField(QStringLiteral("&Remarques"), QStringLiteral("Memo_Remark1"), QStringLiteral("Remark1"));

    const int definition = row().field(QStringLiteral("Id_Analysis")).asInteger();
    if (definition >= 0 && !row().field(QStringLiteral("Id_Analysis")).isNull()) {
        Dataset title(QStringLiteral("DefinitionTitle"));
        title.setSql(
            QStringLiteral(
                "SELECT LST_ANALYSIS.Id, LST_ANALYSIS.Title FROM LST_ANALYSIS WHERE LST_ANALYSIS.Id=%1")
                .arg(definition));
        title.open();
        if (!title.isEmpty())
            m_title->setText(title.field(1).asString());
    }
    connect(m_title, &QLineEdit::textChanged, this, &EntryDialog::updateOk);
    setOkRule([this] { return !m_title->text().isEmpty(); });
}

void TEnterPersonAnalysis::Btn_TitleClick()
{
    TStrList* list = TStrList::open(m_title, m_choices.titles);
    connectCommand(list, &TStrList::chosen, this, [this](int index) {
        if (index >= 0 && index < m_choices.ids.size())
            pickDefinition(m_choices.ids.at(index));
    });
}

void TEnterPersonAnalysis::pickDefinition(int definitionId)
{
    Dataset definition(QStringLiteral("Definition"));
    definition.setSql(
        QStringLiteral("SELECT * FROM LST_ANALYSIS WHERE LST_ANALYSIS.Id=%1").arg(definitionId));
    definition.open();
    if (definition.isEmpty())
        throw DatabaseError(QStringLiteral("Cette analyse n'existe plus dans la liste des analyses."));
    Dataset& r = row();
    if (!r.isEditing())
        r.edit();
    r.field(QStringLiteral("Id_Analysis")).setAsInteger(definitionId);
    m_title->setText(definition.field(QStringLiteral("Title")).asString());
    for (const char* column : {"Unit", "Decimal", "Value_Min", "Value_Max"})
        r.field(QString::fromLatin1(column)).setValue(definition.field(QString::fromLatin1(column)).value());
}

void TEnterPersonAnalysis::checkBeforePost()
{
    if (row().field(QStringLiteral("Id_Analysis")).asInteger() < 0)
        throw AppError(QStringLiteral("Choisissez l'analyse à suivre."));
    if (row().field(QStringLiteral("Remark1")).asString().size() > kRemarkLength)
        throw AppError(QStringLiteral("Les remarques ne peuvent dépasser %1 caractères.").arg(kRemarkLength));
}
