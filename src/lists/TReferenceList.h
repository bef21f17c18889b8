#pragma once

#include "ReferenceMember.h"

#include <QDialog>

class DatasetGrid;
class QPushButton;
class TEnterReference;

// The list window of a reference list: the member's dataset in a grid,
// open while the window is, with the commands that add, change and delete
// its entries. Each change is stored at once, row by row.
class TReferenceList : public QDialog
{
    Q_OBJECT
public:
    ~TReferenceList() override;

    Dataset& dataset() const { return m_dataset; }

public slots:
    void Btn_AddClick();
    void Btn_EditClick();
    void Btn_DeleteClick();
    void Btn_CloseClick() { reject(); }
    void BFSDBGridColor2DblClick();
    void done(int result) override;

protected:
    // Opens the member's dataset. Throws DatabaseError.
    TReferenceList(ReferenceKind kind, TDataModule1& dm, QWidget* parent);
    // The member's entry window on the row being added or changed.
    virtual TEnterReference* newEntryWindow() = 0;
    TDataModule1& dataModule() const { return m_dm; }

private:
    void runEntryWindow();
    void updateButtons();

    const ReferenceMember& m_member;
    TDataModule1& m_dm;
    Dataset& m_dataset;
    DatasetGrid* m_grid;
    QPushButton* m_edit;
    QPushButton* m_delete;
};
