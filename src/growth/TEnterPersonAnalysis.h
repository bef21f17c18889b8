#pragma once

#include "AnalysisRecords.h"
#include "EntryDialog.h"

class TDataModule1;

// The choice of an analysis a person follows, on the row of the followed
// analyses that the page has put in insert or edit: the definition, picked
// among those the person does not follow yet, brings its unit, decimals and
// normal range, which the person may then change.
class TEnterPersonAnalysis : public EntryDialog
{
    Q_OBJECT
public:
    // `dm` lends the pick list of units.
    TEnterPersonAnalysis(TDataModule1& dm, Dataset& followed, int personId, QWidget* parent = nullptr);

    // Takes that definition: its Id, unit, decimals and normal range.
    void pickDefinition(int definitionId);

public slots:
    void Btn_TitleClick();

protected:
    void checkBeforePost() override;

private:
    QLineEdit* m_title;
    AnalysisRecords::Choices m_choices;
};
