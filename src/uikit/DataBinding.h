#pragma once

#include "Dataset.h"
#include "EditMask.h"

#include <functional>
#include <optional>
#include <QObject>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// Ties one widget to one field of a dataset: the widget shows the field of
// the current row and follows the dataset as it moves or changes; the
// user's first change puts the dataset into edit, and every change is
// written to the field (checked against its column when the row is posted).
// A binding belongs to its widget and goes with it.
class FieldBinding : public QObject
{
    Q_OBJECT
public:
    FieldBinding(QWidget* widget, Dataset& dataset, const QString& fieldName);

    Dataset* dataset() const { return m_dataset; }
    const QString& fieldName() const { return m_fieldName; }

protected:
    // The field on the dataset's current row; none while the dataset is
    // closed or lacks it.
    std::optional<Field> field() const;
    // Whether the user may change the field: a column of an updatable dataset.
    bool writable() const;
    // Shows the field's value again.
    virtual void refresh() = 0;
    // Puts the dataset into edit when needed and assigns the field; a
    // refused change is reported and the widget shows the field again.
    void write(const std::function<void(const Field&)>& assign);

private:
    void refreshUnlessWriting();

    QPointer<Dataset> m_dataset;
    QString m_fieldName;
    bool m_writing = false;
};

// A line edit: the display text (with its format) while the edit does not
// have the focus, the edit text while it has it. A field with an edit mask
// puts that mask on the edit; a text field limits the length to its column.
class LineEditBinding : public FieldBinding
{
    Q_OBJECT
public:
    LineEditBinding(QLineEdit* edit, Dataset& dataset, const QString& fieldName);

protected:
    void refresh() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_edit;
    bool m_readOnlyByDesign;
    QString m_maskText;
    EditMask m_mask;
};

// A multi-line edit for a memo field, or for a text field whose column
// limits its length: what is typed or pasted past that length is dropped.
class PlainTextEditBinding : public FieldBinding
{
    Q_OBJECT
public:
    PlainTextEditBinding(QPlainTextEdit* edit, Dataset& dataset, const QString& fieldName);

protected:
    void refresh() override;

private:
    void keepWithinLength();

    QPlainTextEdit* m_edit;
    bool m_readOnlyByDesign;
    bool m_refreshing = false;
    int m_maxLength = 0;     // 0: unlimited
    int m_lastChangeEnd = 0; // where the last change ended
    int m_lastAdded = 0;     // and how many characters it added
};

// A read-only text: the field's display text.
class LabelBinding : public FieldBinding
{
    Q_OBJECT
public:
    LabelBinding(QLabel* label, Dataset& dataset, const QString& fieldName);

protected:
    void refresh() override;

private:
    QLabel* m_label;
};

// A check box for a Yes/No field.
class CheckBoxBinding : public FieldBinding
{
    Q_OBJECT
public:
    CheckBoxBinding(QCheckBox* box, Dataset& dataset, const QString& fieldName);

protected:
    void refresh() override;

private:
    QCheckBox* m_box;
};

// A drop-down list of fixed entries, each standing for a stored value,
// after an empty first entry that clears the field. A stored value that is
// none of them shows as the empty entry and stays until the user chooses.
class ComboBoxBinding : public FieldBinding
{
    Q_OBJECT
public:
    struct Choice
    {
        QString caption;
        QVariant value;
    };
    ComboBoxBinding(QComboBox* box, Dataset& dataset, const QString& fieldName, QList<Choice> choices);

protected:
    void refresh() override;

private:
    QComboBox* m_box;
    QList<Choice> m_choices;
};

namespace DataBinding {
inline LineEditBinding* bind(QLineEdit* edit, Dataset& dataset, const QString& field)
{
    return new LineEditBinding(edit, dataset, field);
}
inline PlainTextEditBinding* bind(QPlainTextEdit* edit, Dataset& dataset, const QString& field)
{
    return new PlainTextEditBinding(edit, dataset, field);
}
inline LabelBinding* bind(QLabel* label, Dataset& dataset, const QString& field)
{
    return new LabelBinding(label, dataset, field);
}
inline CheckBoxBinding* bind(QCheckBox* box, Dataset& dataset, const QString& field)
{
    return new CheckBoxBinding(box, dataset, field);
}
inline ComboBoxBinding* bind(QComboBox* box, Dataset& dataset, const QString& field,
                             QList<ComboBoxBinding::Choice> choices)
{
    return new ComboBoxBinding(box, dataset, field, std::move(choices));
}
} // namespace DataBinding
