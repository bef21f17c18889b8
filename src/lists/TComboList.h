#pragma once

#include <QDialog>

class Dataset;
class QPlainTextEdit;

// Edits one of the user's pick lists, one item a line. Confirming stores
// the text exactly as edited; cancelling stores nothing.
class TComboList : public QDialog
{
    Q_OBJECT
public:
    TComboList(const QString& title, Dataset& items, const QString& column, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    // Opens the editor modally on the column.
    static void edit(const QString& title, Dataset& items, const QString& column, QWidget* parent = nullptr);

private:
    void Btn_OkClick();

    Dataset& m_items;
    QString m_column;
    QPlainTextEdit* m_editor;
};
