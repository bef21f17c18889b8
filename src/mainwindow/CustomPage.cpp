#include "CustomPage.h"

#include "CommandGuard.h"
#include "DataBinding.h"
#include "Dataset.h"
#include "FieldShortcuts.h"
#include "FormWidgets.h"
#include "TComboList.h"
#include "TDataModule1.h"
#include "TEnterStr.h"
#include "TStrList.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
// A caption renamed by a double-click.
class CaptionLabel : public QLabel
{
public:
    CaptionLabel(std::function<void()> onDoubleClick, QWidget* parent)
        : QLabel(parent), m_onDoubleClick(std::move(onDoubleClick))
    {
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { runGuarded(m_onDoubleClick); }

private:
    std::function<void()> m_onDoubleClick;
};
} // namespace

QString CustomPage::column(int k)
{
    return QStringLiteral("Misc%1").arg(k, 2, 10, QLatin1Char('0'));
}

CustomPage::CustomPage(TDataModule1& dm, QWidget* parent)
    : PersonPage(parent), m_person(dm.Person), m_labels(dm.CustomLabel), m_comboItems(dm.ComboItems)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 10);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(12);
    for (int k = 1; k <= kFields; ++k) {
        const QString number = QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
        auto* label = new CaptionLabel([this, k] { renameCaption(k); }, this);
        label->setObjectName(QStringLiteral("Lab_Misc") + number);
        label->setText(QStringLiteral("Divers %1").arg(k));
        label->setToolTip(QStringLiteral("Double-cliquez\r\npour modifier"));
        m_captions[static_cast<size_t>(k - 1)] = label;

        QWidget* field = nullptr;
        if (k <= kPickFields) {
            auto* edit = new QLineEdit(this);
            DataBinding::bind(edit, m_person, column(k));
            FieldShortcuts::install(
                edit, [this, k] { openPickList(k); },
                [this, k] { TComboList::edit(caption(k)->text(), m_comboItems, column(k), this); });
            auto* button = FormWidgets::pickButton(this, QStringLiteral("Btn_Misc") + number,
                                                   QStringLiteral("Choisir dans la liste"));
            connectCommand(button, &QPushButton::clicked, this, [this, k] { openPickList(k); });
            m_buttons[static_cast<size_t>(k - 1)] = button;
            const int row = ((k - 1) / 2) * 2;
            const int col = ((k - 1) % 2) * 2;
            grid->addWidget(label, row, col, 1, 2);
            grid->addWidget(edit, row + 1, col);
            grid->addWidget(button, row + 1, col + 1);
            field = edit;
        } else {
            auto* memo = new QPlainTextEdit(this);
            memo->setTabChangesFocus(true);
            DataBinding::bind(memo, m_person, column(k));
            // The two free texts share the height left below the short fields.
            const int row = 10 + (k - kPickFields - 1) * 2;
            grid->addWidget(label, row, 0, 1, 4);
            grid->addWidget(memo, row + 1, 0, 1, 4);
            grid->setRowStretch(row + 1, 1);
            field = memo;
        }
        field->setObjectName(QStringLiteral("Ed_Misc") + number);
        label->setBuddy(field);
        m_fields[static_cast<size_t>(k - 1)] = field;
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
}

void CustomPage::showCaption(int k, const QString& text)
{
    caption(k)->setText(text);
    const QString name = text.isEmpty() ? QStringLiteral("Divers %1").arg(k) : text;
    m_fields[static_cast<size_t>(k - 1)]->setAccessibleName(name);
    if (k <= kPickFields)
        m_buttons[static_cast<size_t>(k - 1)]->setAccessibleName(QStringLiteral("Choisir : ") + name);
}

void CustomPage::loadCaptions()
{
    m_labels.close();
    m_labels.open();
    if (m_labels.isEmpty()) {
        m_labels.append();
        m_labels.post();
    }
    for (int k = 1; k <= kFields; ++k)
        showCaption(k, m_labels.field(column(k)).asString());
    m_labels.close();
}

void CustomPage::renameCaption(int k)
{
    const std::optional<QString> text =
        TEnterStr::ask(QStringLiteral("Modifiez le libellé"), caption(k)->text(), this);
    if (!text)
        return;
    m_labels.close();
    m_labels.open();
    if (m_labels.isEmpty())
        m_labels.append();
    else
        m_labels.edit();
    m_labels.field(column(k)).setAsString(*text);
    m_labels.post();
    m_labels.close();
    showCaption(k, *text);
}

void CustomPage::openPickList(int k)
{
    TStrList::openColumn(qobject_cast<QLineEdit*>(m_fields[static_cast<size_t>(k - 1)]), m_comboItems,
                         column(k));
}

void CustomPage::refreshCommandStates(bool hasPerson)
{
    for (QWidget* f : m_fields)
        f->setEnabled(hasPerson);
    for (QPushButton* b : m_buttons)
        b->setEnabled(hasPerson);
}
