#include "TStrList.h"

#include "ComboItems.h"
#include "CommandGuard.h"
#include "PickerRules.h"
#include "PickerTarget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QScreen>
#include <QVBoxLayout>

TStrList* TStrList::open(QLineEdit* field, const QStringList& entries)
{
    PickerTarget::prepare(field);
    auto* list = new TStrList(field, entries);
    list->place();
    list->show();
    list->m_list->setFocus();
    return list;
}

TStrList* TStrList::openColumn(QLineEdit* field, Dataset& items, const QString& column)
{
    return open(field, PickerRules::entries(ComboItems::read(items, column), true, true));
}

TStrList::TStrList(QLineEdit* field, const QStringList& entries)
    : QWidget(field, Qt::Popup | Qt::FramelessWindowHint), m_field(field), m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("StrList"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_list->setObjectName(QStringLiteral("List"));
    m_list->setAccessibleName(QStringLiteral("Liste de choix"));
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: #fffff2; }"));
    m_list->setFrameShape(QFrame::Box);
    m_list->setUniformItemSizes(true);
    for (const QString& text : entries) {
        auto* item = new QListWidgetItem(text, m_list);
        item->setSizeHint(QSize(0, entryHeight()));
    }
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);

    if (m_list->count() > 0) {
        m_list->setCurrentRow(0);
        const QList<QListWidgetItem*> same = m_list->findItems(field->text(), Qt::MatchExactly);
        if (!same.isEmpty())
            m_list->setCurrentItem(same.first());
    }
}

void TStrList::place()
{
    const int height = PickerRules::listHeight(m_list->count(), entryHeight());
    const QRect field(m_field->mapToGlobal(QPoint(0, 0)), m_field->size());
    const QScreen* screen = m_field->screen();
    const int screenBottom = screen ? screen->geometry().bottom() + 1 : field.bottom() + height + 1;
    setGeometry(PickerRules::listGeometry(field, height, screenBottom));
}

int TStrList::entryHeight() const
{
    return m_list->fontMetrics().height() + 4;
}

void TStrList::choose()
{
    // The list goes away even when the field refuses the choice.
    const auto closing = qScopeGuard([this] { close(); });
    QListWidgetItem* item = m_list->currentItem();
    if (item && m_field) {
        PickerTarget::write(m_field, item->text());
        m_field->setProperty("tag", m_list->row(item));
        m_field->setFocus();
        m_field->selectAll();
        emit chosen(m_list->row(item));
    }
}

bool TStrList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runGuarded([this] { choose(); });
            return true;
        }
        if (key == Qt::Key_Escape) {
            close();
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease && watched == m_list->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (QListWidgetItem* item = m_list->itemAt(mouse->position().toPoint())) {
            m_list->setCurrentItem(item);
            runGuarded([this] { choose(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
