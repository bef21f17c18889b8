#pragma once

#include <QDialog>

class Dataset;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Entry of one event of the person's diary, on the current row of the
// events dataset, which the caller has put in insert or edit.
class TEnterEvents : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kDescriptionLength = 255;

    explicit TEnterEvents(Dataset& events, QWidget* parent = nullptr);

public slots:
    void Btn_OkClick();
    void Btn_Event_DateClick();
    void reject() override; // " &Annuler" and the frame's close button drop the row's changes

private:
    void descriptionChanged();

    Dataset& m_events;
    QLineEdit* m_date;
    QPlainTextEdit* m_description;
    QPushButton* m_ok;
};
