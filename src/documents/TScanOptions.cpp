#include "TScanOptions.h"

#include "CommandGuard.h"
#include "FormWidgets.h"
#include "SaneDevice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString numberText(double value, bool fixed)
{
    return fixed ? QString::number(value, 'f', 2) : QString::number(static_cast<qint64>(value));
}

} // namespace

TScanOptions::TScanOptions(Sane::Device& device, QWidget* parent)
    : QDialog(parent), m_device(device), m_holder(new QVBoxLayout)
{
    setObjectName(QStringLiteral("ScanOptions"));
    setWindowTitle(QStringLiteral("Réglages du scanner %1").arg(device.name()));

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget(scroll);
    inner->setLayout(m_holder);
    scroll->setWidget(inner);

    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    buttons.ok->setText(QStringLiteral(" &Numériser"));
    buttons.ok->setAccessibleName(QStringLiteral("Numériser"));
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons.row);
    resize(460, 520);
    rebuild();
}

void TScanOptions::apply(int index, const QVariant& value)
{
    runGuarded([&] { m_device.setOption(index, value); });
    // The field that sent the change is still on the stack: rebuild after.
    QTimer::singleShot(0, this, &TScanOptions::rebuild);
}

void TScanOptions::rebuild()
{
    if (m_content)
        m_content->deleteLater();
    m_content = new QWidget(this);
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 0, 0, 0);
    QFormLayout* form = nullptr;
    const auto newGroup = [&](const QString& title) {
        auto* box = new QGroupBox(title, m_content);
        form = new QFormLayout(box);
        column->addWidget(box);
    };

    for (const Sane::Option& o : m_device.options()) {
        using Type = Sane::Option::Type;
        using Constraint = Sane::Option::Constraint;
        if (o.type == Type::Group) {
            newGroup(o.title);
            continue;
        }
        if (!o.active)
            continue;
        if (!form)
            newGroup(QString());
        const int index = o.index;
        const bool fixed = o.type == Type::Fixed;
        QWidget* field = nullptr;
        if (o.type == Type::Button) {
            auto* button = new QPushButton(o.title, m_content);
            connect(button, &QPushButton::clicked, this, [this, index] { apply(index, {}); });
            field = button;
        } else if (o.type == Type::Bool) {
            auto* check = new QCheckBox(m_content);
            check->setChecked(o.value.toBool());
            connect(check, &QCheckBox::toggled, this, [this, index](bool on) { apply(index, on); });
            field = check;
        } else if (o.constraint == Constraint::StringList || o.constraint == Constraint::WordList) {
            auto* combo = new QComboBox(m_content);
            if (o.constraint == Constraint::StringList) {
                for (int i = 0; i < o.strings.size(); ++i)
                    combo->addItem(o.stringTitles.value(i), o.strings.at(i));
                combo->setCurrentIndex(combo->findData(o.value.toString()));
            } else {
                for (const double w : o.words)
                    combo->addItem(numberText(w, fixed), w);
                combo->setCurrentIndex(combo->findData(o.value.toDouble()));
            }
            const bool strings = o.constraint == Constraint::StringList;
            connect(combo, &QComboBox::activated, this, [this, index, combo, strings, fixed](int i) {
                const QVariant chosen = combo->itemData(i);
                apply(index, strings || fixed ? chosen : QVariant(static_cast<int>(chosen.toDouble())));
            });
            field = combo;
        } else if (o.type == Type::String) {
            auto* edit = new QLineEdit(o.value.toString(), m_content);
            connect(edit, &QLineEdit::editingFinished, this,
                    [this, index, edit] { apply(index, edit->text()); });
            field = edit;
        } else if (fixed) {
            auto* spin = new QDoubleSpinBox(m_content);
            spin->setDecimals(2);
            spin->setRange(o.constraint == Constraint::Range ? o.minimum : -1e9,
                           o.constraint == Constraint::Range ? o.maximum : 1e9);
            if (o.step > 0)
                spin->setSingleStep(o.step);
            spin->setValue(o.value.toDouble());
            spin->setSuffix(o.unit.isEmpty() ? QString() : QLatin1Char(' ') + o.unit);
            connect(spin, &QDoubleSpinBox::editingFinished, this,
                    [this, index, spin] { apply(index, spin->value()); });
            field = spin;
        } else {
            auto* spin = new QSpinBox(m_content);
            spin->setRange(o.constraint == Constraint::Range ? static_cast<int>(o.minimum) : -1'000'000'000,
                           o.constraint == Constraint::Range ? static_cast<int>(o.maximum) : 1'000'000'000);
            if (o.step > 0)
                spin->setSingleStep(static_cast<int>(o.step));
            spin->setValue(o.value.toInt());
            spin->setSuffix(o.unit.isEmpty() ? QString() : QLatin1Char(' ') + o.unit);
            connect(spin, &QSpinBox::editingFinished, this,
                    [this, index, spin] { apply(index, spin->value()); });
            field = spin;
        }
        field->setObjectName(QStringLiteral("Opt_") + o.name);
        field->setToolTip(o.description);
        field->setEnabled(o.settable);
        if (o.type == Type::Button) {
            form->addRow(field);
            field->setAccessibleName(o.title);
        } else {
            form->addRow(FormWidgets::caption(o.title, field, m_content), field);
        }
    }
    column->addStretch();
    m_holder->addWidget(m_content);
}
