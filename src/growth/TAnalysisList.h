#pragma once

#include "ListWindow.h"

class TDataModule1;

// The catalogue of analyses: definitions added, changed and deleted, a
// deletion taking every person's follow-up of the definition with it.
class TAnalysisList : public ListWindow
{
    Q_OBJECT
public:
    // Opens the catalogue. Throws DatabaseError.
    explicit TAnalysisList(TDataModule1& dm, QWidget* parent = nullptr);

public slots:
    void Btn_DeleteClick();

private:
    TDataModule1& m_dm;
};
