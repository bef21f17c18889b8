#include "TEnterAnalysis.h"

#include "Dataset.h"
#include "TDataModule1.h"
#include "ValueFields.h"

#include <QLineEdit>

TEnterAnalysis::TEnterAnalysis(TDataModule1& dm, QWidget* parent)
    : EntryDialog(dm.Lst_Analysis, QStringLiteral("EnterAnalysis"), QStringLiteral("  Saisie d'une analyse"),
                  parent)
{
    dm.Lst_Analysis.setDisplayLabel(QStringLiteral("Title"), QStringLiteral("Titre"));
    dm.Lst_Analysis.setDisplayLabel(QStringLiteral("Description"), QStringLiteral("Remarques"));
    addLineField(QStringLiteral("&Titre"), QStringLiteral("Ed_Title"), QStringLiteral("Title"));
    ValueFields::addRangeFields(*this, dm);
    // The column holds 255 characters; its binding drops what goes beyond.
    addMemoField(QStringLiteral("&Remarques"), QStringLiteral("Memo_Description"),
                 QStringLiteral("Description"));
    setOkRule([this] { return !row().field(QStringLiteral("Title")).asString().trimmed().isEmpty(); });
}
