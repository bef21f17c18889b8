#include "TReferenceList.h"

#include "CommandGuard.h"
#include "DatasetGrid.h"
#include "DatasetUtils.h"
#include "Messages.h"
#include "TDataModule1.h"
#include "TEnterReference.h"

#include <algorithm>
#include <memory>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPushButton* commandButton(const QString& caption, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')).trimmed());
    // Enter in the grid must not add or delete anything.
    button->setAutoDefault(false);
    return button;
}
} // namespace

TReferenceList::TReferenceList(ReferenceKind kind, TDataModule1& dm, QWidget* parent)
    : QDialog(parent), m_member(ReferenceMembers::of(kind)), m_dm(dm), m_dataset(m_member.dataset(dm)),
      m_grid(new DatasetGrid(this))
{
    const QString caption = m_member.listTitle.trimmed();
    setWindowTitle(caption);

    // Messages about a refused value name the field by its caption.
    for (const ReferenceField& field : m_member.fields) {
        QString label = field.caption;
        if (label.endsWith(QLatin1Char('.')))
            label.chop(1);
        m_dataset.setDisplayLabel(field.field, label);
    }
    m_dataset.close();
    m_dataset.open();

    m_grid->setObjectName(QStringLiteral("BFSDBGridColor2"));
    m_grid->setAccessibleName(caption);
    m_grid->setDataset(m_dataset, m_member.columns);
    QHeaderView* header = m_grid->horizontalHeader();
    header->setDefaultSectionSize(m_member.columns.size() > 2 ? 105 : 220);
    header->setStretchLastSection(true);
    int gridWidth = 0;
    for (int c = 0; c < m_member.columns.size(); ++c) {
        const int index = m_dataset.fieldIndex(m_member.columns.at(c).field);
        if (index >= 0 && m_dataset.field(index).type() == Schema::ColumnType::YesNo)
            header->resizeSection(c, 50);
        gridWidth += header->sectionSize(c);
    }
    connect(m_grid, &QAbstractItemView::doubleClicked, this,
            [this] { runGuarded([this] { BFSDBGridColor2DblClick(); }); });

    auto* add = commandButton(QStringLiteral(" Ajouter"), "Btn_Add", this);
    m_edit = commandButton(QStringLiteral(" Modifier"), "Btn_Edit", this);
    m_delete = commandButton(QStringLiteral(" Supprimer"), "Btn_Delete", this);
    auto* closeButton = commandButton(QStringLiteral(" &Fermer"), "Btn_Close", this);
    connect(add, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_AddClick(); }); });
    connect(m_edit, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_EditClick(); }); });
    connect(m_delete, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_DeleteClick(); }); });
    connect(closeButton, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_CloseClick(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    resize(std::clamp(gridWidth + 120, 600, 1100), 440);

    updateButtons();
}

TReferenceList::~TReferenceList()
{
    m_dataset.close();
}

void TReferenceList::done(int result)
{
    m_dataset.close();
    QDialog::done(result);
}

void TReferenceList::updateButtons()
{
    const bool hasRows = m_dataset.isActive() && !m_dataset.isEmpty();
    m_edit->setEnabled(hasRows);
    m_delete->setEnabled(hasRows);
}

void TReferenceList::runEntryWindow()
{
    bool confirmed = false;
    try {
        std::unique_ptr<TEnterReference> entry(newEntryWindow());
        confirmed = entry->exec() == QDialog::Accepted;
    } catch (...) {
        m_dataset.cancel();
        updateButtons();
        throw;
    }
    // However the entry window ended, no row stays pending behind the list.
    m_dataset.cancel();
    // A new or renamed entry takes its place in the list's order.
    if (confirmed)
        DatasetUtils::reopenOnSameRow(m_dataset);
    updateButtons();
}

void TReferenceList::Btn_AddClick()
{
    m_dataset.append();
    for (const auto& [field, value] : m_member.newRowValues)
        m_dataset.field(field).setValue(value);
    runEntryWindow();
}

void TReferenceList::Btn_EditClick()
{
    if (DatasetUtils::isEmpty(m_dataset))
        return;
    m_dataset.edit();
    runEntryWindow();
}

void TReferenceList::BFSDBGridColor2DblClick()
{
    if (m_edit->isEnabled())
        Btn_EditClick();
}

void TReferenceList::Btn_DeleteClick()
{
    // Rows of other tables that name this entry keep its Id and show an
    // empty name: nothing ties them to the list.
    if (DatasetUtils::isEmpty(m_dataset) || !Messages::ask(m_member.deleteQuestion))
        return;
    m_dataset.remove();
    updateButtons();
}
