#include "SearchBox.h"

#include "BusyCursor.h"
#include "CommandGuard.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column
{
    PersonColumn,
    KindColumn,
    DateColumn,
    SnippetColumn
};
constexpr int kHitRole = Qt::UserRole;
constexpr int kHtmlRole = Qt::UserRole + 1;

// Draws the snippet with the words found in bold; its plain text stays
// the item's text for assistive technologies.
class SnippetDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        item.text.clear();
        QStyle* style = item.widget ? item.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

        QTextDocument document;
        document.setDocumentMargin(1);
        document.setDefaultFont(item.font);
        document.setHtml(index.data(kHtmlRole).toString());
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = item.palette;
        if (item.state & QStyle::State_Selected)
            context.palette.setColor(QPalette::Text, item.palette.color(QPalette::HighlightedText));
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
        painter->save();
        painter->translate(area.topLeft());
        painter->setClipRect(area.translated(-area.topLeft()));
        document.documentLayout()->draw(painter, context);
        painter->restore();
    }
};

} // namespace

SearchBox::SearchBox(QWidget* window, Opener open)
    : QWidget(window), m_window(window), m_open(std::move(open))
{
    setObjectName(QStringLiteral("Search_Box"));
    auto* label = new QLabel(QStringLiteral("Rechercher"), this);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("Ed_Search"));
    m_field->setPlaceholderText(QStringLiteral("Rechercher (Ctrl+F)"));
    m_field->setAccessibleName(QStringLiteral("Rechercher"));
    m_field->setClearButtonEnabled(true);
    m_field->setMinimumWidth(220);
    label->setBuddy(m_field);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 1, 4, 1);
    row->addWidget(label);
    row->addWidget(m_field);

    m_frame = new QFrame(window);
    m_frame->setObjectName(QStringLiteral("Pan_Search_Results"));
    m_frame->setFrameShape(QFrame::StyledPanel);
    m_frame->setAutoFillBackground(true);
    m_frame->hide();
    m_count = new QLabel(m_frame);
    m_count->setObjectName(QStringLiteral("Lab_Search_Count"));
    m_results = new QTreeWidget(m_frame);
    m_results->setObjectName(QStringLiteral("Grid_Search_Results"));
    m_results->setAccessibleName(QStringLiteral("Résultats de la recherche"));
    m_results->setHeaderLabels({QStringLiteral("Personne"), QStringLiteral("Type"), QStringLiteral("Date"),
                                QStringLiteral("Extrait")});
    m_results->setRootIsDecorated(false);
    m_results->setAlternatingRowColors(true);
    m_results->setUniformRowHeights(true);
    m_results->setItemDelegateForColumn(SnippetColumn, new SnippetDelegate(m_results));
    m_results->header()->setStretchLastSection(true);
    m_results->setColumnWidth(PersonColumn, 150);
    m_results->setColumnWidth(KindColumn, 110);
    m_results->setColumnWidth(DateColumn, 80);
    auto* column = new QVBoxLayout(m_frame);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(m_count);
    column->addWidget(m_results);

    m_typing.setSingleShot(true);
    m_typing.setInterval(150);
    connect(&m_typing, &QTimer::timeout, this, guarded([this] { searchNow(); }));
    connect(m_field, &QLineEdit::textEdited, this, [this] { m_typing.start(); });
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.trimmed().isEmpty())
            hideResults();
    });
    connectCommand(m_results, &QTreeWidget::itemDoubleClicked, this, [this] { openCurrent(); });
    m_field->installEventFilter(this);
    m_results->installEventFilter(this);
    window->installEventFilter(this);

    auto* shortcut = new QShortcut(QKeySequence::Find, window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] {
        m_field->setFocus(Qt::ShortcutFocusReason);
        m_field->selectAll();
    });
}

void SearchBox::searchNow()
{
    m_typing.stop();
    const QString typed = m_field->text();
    if (Search::words(typed).isEmpty()) {
        hideResults();
        return;
    }
    BusyCursor busy;
    m_hits = Search::find(typed);
    m_results->clear();
    for (qsizetype i = 0; i < m_hits.size(); ++i) {
        const Search::Hit& hit = m_hits.at(i);
        auto* item = new QTreeWidgetItem(m_results);
        item->setText(PersonColumn, hit.personName);
        item->setText(KindColumn, Search::kindLabel(hit.kind));
        item->setText(DateColumn,
                      hit.date.isValid() ? hit.date.toString(QStringLiteral("dd/MM/yyyy")) : QString());
        item->setText(SnippetColumn, hit.snippet);
        item->setToolTip(SnippetColumn, hit.snippet);
        item->setData(SnippetColumn, kHtmlRole, hit.snippetHtml);
        item->setData(PersonColumn, kHitRole, static_cast<int>(i));
    }
    m_count->setText(m_hits.isEmpty() ? QStringLiteral("Aucun résultat pour « %1 »").arg(typed.trimmed())
                     : m_hits.size() == 1 ? QStringLiteral("1 résultat")
                                          : QStringLiteral("%1 résultats").arg(m_hits.size()));
    if (!m_hits.isEmpty())
        m_results->setCurrentItem(m_results->topLevelItem(0));
    showResults();
}

void SearchBox::openCurrent()
{
    QTreeWidgetItem* item = m_results->currentItem();
    if (!item)
        return;
    const Search::Hit hit = m_hits.value(item->data(PersonColumn, kHitRole).toInt());
    hideResults();
    m_open(hit);
}

void SearchBox::showResults()
{
    placeResults();
    m_frame->show();
    m_frame->raise();
}

void SearchBox::hideResults()
{
    if (m_frame->isVisible() && m_results->hasFocus())
        m_field->setFocus(Qt::OtherFocusReason);
    m_frame->hide();
}

void SearchBox::placeResults()
{
    const int width = std::min(820, m_window->width() - 20);
    const QPoint boxCorner = m_field->mapTo(m_window, QPoint(m_field->width(), m_field->height()));
    const int left = std::clamp(boxCorner.x() - width, 10, std::max(10, m_window->width() - width - 10));
    const int height = std::min(360, m_window->height() - boxCorner.y() - 30);
    m_frame->setGeometry(left, boxCorner.y() + 2, width, std::max(120, height));
}

bool SearchBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Resize && m_frame->isVisible())
            placeResults();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == m_field) {
        if (key == Qt::Key_Down && m_frame->isVisible() && !m_hits.isEmpty()) {
            m_results->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runGuarded([this] {
                searchNow();
                if (!m_hits.isEmpty())
                    openCurrent();
            });
            return true;
        }
        if (key == Qt::Key_Escape && m_frame->isVisible()) {
            hideResults();
            return true;
        }
    } else if (watched == m_results) {
        if (key == Qt::Key_Escape) {
            hideResults();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runGuarded([this] { openCurrent(); });
            return true;
        }
    }
    return false;
}
