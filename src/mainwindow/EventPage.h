#pragma once

#include "PersonPage.h"

class DatasetGrid;
class QPushButton;
class TDataModule1;

// Page "Evénements": the dated diary of the current person.
class EventPage : public PersonPage
{
    Q_OBJECT
public:
    EventPage(TDataModule1& dataModule, QWidget* parent = nullptr);

    void refreshPage(int rowId) override;
    void leavePage() override;
    void refreshCommandStates(bool hasPerson) override;

public slots:
    void Btn_Event_AddClick();
    void Btn_Event_EditClick();
    void Btn_Event_DeleteClick();

private:
    QPushButton* addButton(const char* name, const QString& caption);
    void runEntry();

    TDataModule1& m_dm;
    DatasetGrid* m_grid;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
};
