#include "ReferencePickField.h"

#include "CareQueries.h"
#include "Dataset.h"
#include "DatasetUtils.h"
#include "EntryDialog.h"
#include "FieldShortcuts.h"
#include "TStrList.h"

#include <QLineEdit>

namespace {
// The list's statement, narrowed to one Id when one is given.
QStringList statementOf(const Dataset& list, int id = -1)
{
    QStringList lines = list.sql();
    if (id >= 0) {
        const int orderBy = DatasetUtils::lineOfKeyword(lines, QStringLiteral("ORDER BY"));
        lines.insert(orderBy >= 0 ? orderBy : static_cast<int>(lines.size()),
                     QStringLiteral("WHERE ID=%1").arg(id));
    }
    return lines;
}
} // namespace

ReferencePickField* ReferencePickField::add(EntryDialog& dialog, const QString& caption, const QString& name,
                                            const QString& buttonName, const QString& hint,
                                            const Source& source, const QString& keyField)
{
    auto* edit = new QLineEdit(&dialog);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    dialog.addFormRow(caption, edit);
    auto* field = new ReferencePickField(dialog, edit, source, keyField);
    dialog.addPickButton(edit, buttonName, hint, [field] { field->openList(); });
    FieldShortcuts::install(edit, [field] { field->openList(); });

    const Dataset& row = dialog.row();
    if (row.isActive() && (row.isEditing() || !row.isEmpty())) {
        const Field key = row.field(keyField);
        if (!key.isNull())
            edit->setText(field->textOf(key.asInteger()));
    }
    return field;
}

ReferencePickField::ReferencePickField(EntryDialog& dialog, QLineEdit* edit, Source source, QString keyField)
    : QObject(edit), m_dialog(dialog), m_edit(edit), m_source(std::move(source)),
      m_keyField(std::move(keyField))
{
}

QString ReferencePickField::textOf(int id) const
{
    Dataset lookup(QStringLiteral("ReferenceLookup"));
    lookup.setSql(statementOf(*m_source.list, id));
    lookup.open();
    if (lookup.isEmpty())
        return {};
    return CareQueries::withDetail(lookup.field(m_source.nameColumn).asString(),
                                   lookup.field(m_source.detailColumn).asString());
}

void ReferencePickField::openList()
{
    m_keys.clear();
    QStringList entries;
    Dataset rows(QStringLiteral("ReferenceRows"));
    rows.setSql(statementOf(*m_source.list));
    rows.open();
    const int id = rows.fieldIndex(QStringLiteral("Id"));
    const int name = rows.fieldIndex(m_source.nameColumn);
    const int detail = rows.fieldIndex(m_source.detailColumn);
    for (int r = 0; r < rows.recordCount(); ++r) {
        entries << CareQueries::withDetail(rows.fieldAt(r, name).asString(),
                                           rows.fieldAt(r, detail).asString());
        m_keys << rows.fieldAt(r, id).asInteger();
    }
    TStrList* list = TStrList::open(m_edit, entries);
    // The list stands 15 pixels wider than its field.
    list->resize(list->width() + 15, list->height());
    connect(list, &TStrList::chosen, this, &ReferencePickField::choose);
}

void ReferencePickField::choose(int index)
{
    if (index < 0 || index >= m_keys.size())
        return;
    m_picked = index;
    Dataset& row = m_dialog.row();
    DatasetUtils::editIfNeeded(row);
    row.field(m_keyField).setAsInteger(m_keys.at(index));
}
