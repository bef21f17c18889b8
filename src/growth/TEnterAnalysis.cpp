#include "TEnterAnalysis.h"

#include "Dataset.h"
#include "ValueFields.h"

#include <QLineEdit>

TEnterAnalysis::TEnterAnalysis(TDataModule1& dm, Dataset& definition, QWidget* parent)
    : EntryDialog(definition, QStringLiteral("EnterAnalysis"), QStringLiteral("  Saisie d'une analyse"),
                  parent)
{
    definition.setDisplayLabel(QStringLiteral("Title"), QStringLiteral("Titre"));
    definition.setDisplayLabel(QStringLiteral("Description"), QStringLiteral("Remarques"));
    addLineField(QStringLiteral("&Titre"), QStringLiteral("Ed_Title"), QStringLiteral("Title"));
    ValueFields::addRangeFields(*this, dm);
    // The column holds 255 characters; its binding drops what goes beyond.
    addMemoField(QStringLiteral("&Remarques"), QStringLiteral("Memo_Description"),
                 QStringLiteral("Description"));
    setOkRule([this] { return !row().field(QStringLiteral("Title")).asString().trimmed().isEmpty(); });
}
