#include "DataBinding.h"

#include "CommandGuard.h"
#include "MaskedEdit.h"

#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>

// ---------------------------------------------------------------- FieldBinding

FieldBinding::FieldBinding(QWidget* widget, Dataset& dataset, const QString& fieldName)
    : QObject(widget), m_dataset(&dataset), m_fieldName(fieldName)
{
    const auto again = [this] { refreshUnlessWriting(); };
    connect(&dataset, &Dataset::reset, this, again);
    connect(&dataset, &Dataset::currentChanged, this, again);
    connect(&dataset, &Dataset::stateChanged, this, again);
    connect(&dataset, &Dataset::fieldChanged, this, [this](int index) {
        if (m_dataset && index == m_dataset->fieldIndex(m_fieldName))
            refreshUnlessWriting();
    });
}

std::optional<Field> FieldBinding::field() const
{
    if (!m_dataset || !m_dataset->isActive())
        return std::nullopt;
    const int index = m_dataset->fieldIndex(m_fieldName);
    if (index < 0)
        return std::nullopt;
    return m_dataset->field(index);
}

bool FieldBinding::writable() const
{
    const std::optional<Field> f = field();
    return f && !f->isReadOnly() && m_dataset->canModify();
}

void FieldBinding::refreshUnlessWriting()
{
    // While a change of this widget is being written, the widget already
    // shows it; showing the field again would undo what is being typed.
    if (!m_writing)
        refresh();
}

void FieldBinding::write(const std::function<void(const Field&)>& assign)
{
    if (!m_dataset)
        return;
    m_writing = true;
    const bool written = runGuarded([&] {
        if (!m_dataset->isEditing())
            m_dataset->edit();
        assign(m_dataset->field(m_fieldName));
    });
    m_writing = false;
    if (!written)
        refresh();
}

// ---------------------------------------------------------------- LineEditBinding

LineEditBinding::LineEditBinding(QLineEdit* edit, Dataset& dataset, const QString& fieldName)
    : FieldBinding(edit, dataset, fieldName), m_edit(edit), m_readOnlyByDesign(edit->isReadOnly())
{
    if (auto* masked = qobject_cast<MaskedEdit*>(edit))
        m_mask = masked->editMask();
    connect(edit, &QLineEdit::textEdited, this, [this] {
        write([this](const Field& f) { f.setAsString(MaskedEdit::storedText(m_edit, m_mask)); });
    });
    edit->installEventFilter(this);
    refresh();
}

bool LineEditBinding::eventFilter(QObject* watched, QEvent* event)
{
    // A line edit being destroyed still loses its focus, by then as a mere
    // QWidget (qobject_cast sees that): nothing is left to show in it.
    if (watched == m_edit && qobject_cast<QLineEdit*>(watched) &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        refresh();
    return FieldBinding::eventFilter(watched, event);
}

void LineEditBinding::refresh()
{
    const std::optional<Field> f = field();
    if (f && !f->editMask().isEmpty() && f->editMask() != m_maskText) {
        m_maskText = f->editMask();
        m_mask = EditMask(m_maskText);
        if (auto* masked = qobject_cast<MaskedEdit*>(m_edit))
            masked->setEditMask(m_maskText);
        else
            MaskedEdit::applyMask(m_edit, m_mask);
    }
    if (!m_mask.isEmpty()) {
        MaskedEdit::setStoredText(m_edit, m_mask, f ? f->asString() : QString());
    } else {
        m_edit->setMaxLength(f && f->size() > 0 ? f->size() : 32767);
        m_edit->setText(!f ? QString() : m_edit->hasFocus() ? f->editText() : f->displayText());
    }
    m_edit->setReadOnly(m_readOnlyByDesign || (f && !writable()));
}

// ---------------------------------------------------------------- PlainTextEditBinding

PlainTextEditBinding::PlainTextEditBinding(QPlainTextEdit* edit, Dataset& dataset, const QString& fieldName)
    : FieldBinding(edit, dataset, fieldName), m_edit(edit), m_readOnlyByDesign(edit->isReadOnly())
{
    // The document tells where a change happened before it tells that the
    // text changed; the excess is cut from that change only.
    connect(edit->document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
        m_lastChangeEnd = position + added;
        m_lastAdded = added;
    });
    connect(edit, &QPlainTextEdit::textChanged, this, [this] {
        if (m_refreshing)
            return;
        keepWithinLength();
        write([this](const Field& f) { f.setAsString(m_edit->toPlainText()); });
    });
    refresh();
}

void PlainTextEditBinding::keepWithinLength()
{
    // A stored text already longer than the column is left alone; only
    // what was just added can go.
    const int length = static_cast<int>(m_edit->toPlainText().size());
    const int excess = m_maxLength > 0 ? std::min(length - m_maxLength, m_lastAdded) : 0;
    if (excess <= 0)
        return;
    // The document may count its closing paragraph in the change.
    const int end = std::min(m_lastChangeEnd, length);
    QTextCursor cut(m_edit->document());
    cut.setPosition(std::max(0, end - excess));
    cut.setPosition(end, QTextCursor::KeepAnchor);
    const QSignalBlocker blocker(m_edit);
    cut.removeSelectedText();
}

void PlainTextEditBinding::refresh()
{
    const std::optional<Field> f = field();
    m_maxLength = f && f->size() > 0 ? f->size() : 0;
    QString text = f ? f->asString() : QString();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_refreshing = true;
    if (m_edit->toPlainText() != text)
        m_edit->setPlainText(text);
    m_refreshing = false;
    m_edit->setReadOnly(m_readOnlyByDesign || (f && !writable()));
}

// ---------------------------------------------------------------- LabelBinding

LabelBinding::LabelBinding(QLabel* label, Dataset& dataset, const QString& fieldName)
    : FieldBinding(label, dataset, fieldName), m_label(label)
{
    refresh();
}

void LabelBinding::refresh()
{
    const std::optional<Field> f = field();
    m_label->setText(f ? f->displayText() : QString());
}

// ---------------------------------------------------------------- CheckBoxBinding

CheckBoxBinding::CheckBoxBinding(QCheckBox* box, Dataset& dataset, const QString& fieldName)
    : FieldBinding(box, dataset, fieldName), m_box(box)
{
    connect(box, &QCheckBox::clicked, this,
            [this](bool checked) { write([checked](const Field& f) { f.setAsBoolean(checked); }); });
    refresh();
}

void CheckBoxBinding::refresh()
{
    const std::optional<Field> f = field();
    const QSignalBlocker blocker(m_box);
    m_box->setChecked(f && f->asBoolean());
}

// ---------------------------------------------------------------- ComboBoxBinding

ComboBoxBinding::ComboBoxBinding(QComboBox* box, Dataset& dataset, const QString& fieldName,
                                 QList<Choice> choices)
    : FieldBinding(box, dataset, fieldName), m_box(box), m_choices(std::move(choices))
{
    box->clear();
    box->addItem(QString());
    for (const Choice& choice : m_choices)
        box->addItem(choice.caption);
    connect(box, &QComboBox::activated, this, [this](int index) {
        write([this, index](const Field& f) {
            if (index <= 0)
                f.clear();
            else
                f.setValue(m_choices.at(index - 1).value);
        });
    });
    refresh();
}

void ComboBoxBinding::refresh()
{
    const std::optional<Field> f = field();
    int shown = 0;
    if (f && !f->isNull())
        for (qsizetype i = 0; i < m_choices.size(); ++i)
            if (f->value() == m_choices.at(i).value)
                shown = static_cast<int>(i) + 1;
    const QSignalBlocker blocker(m_box);
    m_box->setCurrentIndex(shown);
}
