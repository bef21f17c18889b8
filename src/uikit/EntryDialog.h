#pragma once

#include <functional>
#include <QDialog>

class Dataset;
class QBoxLayout;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

// The base of every modal entry dialog: fields bound to the current row of
// a dataset that the caller has put in insert or edit, captions beside
// them, " &Ok" and " &Annuler". Ok posts the row and closes; a refused post
// shows the database layer's message and keeps the dialog open with what
// was typed. Annuler, Escape and the frame's close button cancel the row.
class EntryDialog : public QDialog
{
    Q_OBJECT
public:
    // `title` is the design's, leading blanks included.
    EntryDialog(Dataset& row, const QString& objectName, const QString& title, QWidget* parent = nullptr);

    Dataset& row() const { return m_row; }
    QPushButton* okButton() const { return m_ok; }

    // A line or multi-line field bound to `field`, in the form's next row.
    // A read-only line field takes no typing: only its picker fills it.
    QLineEdit* addLineField(const QString& caption, const QString& name, const QString& field,
                            bool readOnly = false);
    QPlainTextEdit* addMemoField(const QString& caption, const QString& name, const QString& field,
                                 int height = 72);
    // Any widget in the form's next row, under its caption (which also
    // becomes its accessible name); returns the row.
    int addFormRow(const QString& caption, QWidget* field);
    // A pick button beside a field of the form; the handler runs guarded.
    QPushButton* addPickButton(QWidget* field, const QString& name, const QString& hint,
                               std::function<void()> open);
    QGridLayout* form() const { return m_form; }
    // Room under the form for what a dialog lays out itself.
    QVBoxLayout* body() const { return m_body; }
    // A framed group of fields added to `into`: the fields added until
    // endGroup() go into its own form.
    QGroupBox* beginGroup(const QString& title, const QString& name, QBoxLayout* into);
    void endGroup();

    // Ok is enabled exactly when the rule holds, asked at every change of
    // the row; without a rule it is always enabled.
    void setOkRule(std::function<bool()> rule);
    void updateOk();

public slots:
    void Btn_OkClick();
    void Btn_CancelClick() { reject(); }
    void reject() override;

protected:
    // What the row's columns cannot check themselves: throw an AppError
    // with the French text to refuse the post.
    virtual void checkBeforePost() {}
    // How Ok saves the row: a post, or what a dialog stores together with
    // its row (a picture file). A throw keeps the dialog open, so the row
    // must then be left in insert or edit with what was typed.
    virtual void saveRow();

private:
    Dataset& m_row;
    QGridLayout* m_form; // where the next field goes
    QGridLayout* m_mainForm;
    QVBoxLayout* m_body;
    QPushButton* m_ok;
    std::function<bool()> m_okRule;
};
