#pragma once

#include "PersonPage.h"

class Dataset;
class QPlainTextEdit;

// Page "Antécédents": the person's family history.
class PreviousPage : public PersonPage
{
    Q_OBJECT
public:
    PreviousPage(Dataset& person, QWidget* parent = nullptr);
    void refreshCommandStates(bool hasPerson) override;

private:
    QPlainTextEdit* m_previous;
};
