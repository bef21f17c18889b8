#pragma once

#include "ReferenceMember.h"

#include <QDialog>

class Dataset;
class QLineEdit;
class QPushButton;

// The entry window of a reference list: its fields bound to the current
// row of the member's dataset, which the list window has put in insert or
// edit. " &Ok" posts the row; " &Annuler", Escape and the frame's close
// button cancel it.
class TEnterReference : public QDialog
{
    Q_OBJECT
public:
    TEnterReference(ReferenceKind kind, TDataModule1& dm, QWidget* parent = nullptr);

public slots:
    void Btn_OkClick();
    void Btn_CancelClick() { reject(); }
    void reject() override;

private:
    QWidget* addField(const ReferenceField& field);
    void openPickList(QLineEdit* edit, const ReferenceField& field);
    void updateOk();

    const ReferenceMember& m_member;
    Dataset& m_dataset;
    QPushButton* m_ok;
    QLineEdit* m_required = nullptr;
};
