#pragma once

#include "ListWindow.h"

class TDataModule1;

// The history of backups, restores and compactions, in the order they were
// written, with "Purger l'historique" to empty it (the archives stay).
class TBackupList : public ListWindow
{
    Q_OBJECT
public:
    // Throws DatabaseError when the history cannot be read.
    explicit TBackupList(TDataModule1& dm, QWidget* parent = nullptr);

public slots:
    void Btn_DeleteClick();

private:
    TDataModule1& m_dm;
};
