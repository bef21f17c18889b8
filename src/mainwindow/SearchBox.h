#pragma once

#include "SearchQuery.h"

#include <functional>
#include <QFrame>
#include <QTimer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTreeWidget;

// The main window's search box ("Rechercher", Ctrl+F) and the list of its
// results, which opens under it over the window: person, kind, date and the
// words found in their context, the best first. Down goes from the box to
// the list; Return or a double click opens the result, Escape closes the
// list. Everything is reached with the keyboard and named for assistive
// technologies.
class SearchBox : public QWidget
{
    Q_OBJECT
public:
    using Opener = std::function<void(const Search::Hit&)>;

    // `window` hosts the list and the Ctrl+F shortcut; `open` shows a result.
    SearchBox(QWidget* window, Opener open);

    QLineEdit* field() const { return m_field; }
    QTreeWidget* results() const { return m_results; }
    QFrame* resultFrame() const { return m_frame; }

    // Searches what the box holds now (typing searches a moment later).
    void searchNow();
    // Opens the current result and closes the list.
    void openCurrent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showResults();
    void hideResults();
    void placeResults();

    QWidget* m_window;
    Opener m_open;
    QLineEdit* m_field = nullptr;
    QFrame* m_frame = nullptr;
    QLabel* m_count = nullptr;
    QTreeWidget* m_results = nullptr;
    QList<Search::Hit> m_hits;
    QTimer m_typing;
};
