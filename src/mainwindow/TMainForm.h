#pragma once

#include <QMainWindow>
#include <QVector>

class DigitalClock;
class MiniCalendar;
class PersonPage;
class QAction;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QToolButton;
class QListView;

// The program's one working window; closing it ends the program.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    enum PageIndex { General, Previous, Custom, Consult, Pharmacy, Analysis, Vaccine, Document, Event, PageCount };

    explicit TMainForm(QWidget* parent = nullptr);

    static QString instabilityMessage();
    static QString helpMissingMessage();

    void RefreshCommandStates();
    void RefreshCurrentPage();
    int visiblePage() const { return m_visiblePage; }
    PersonPage* page(int index) const { return m_pages.value(index); }

public slots:
    void TabNoteBookTabChange(int index);
    void Btn_Main_PriorClick();
    void Btn_Main_NextClick();
    void Popup_File_PrinterClick();
    void SysExitBtnClick();
    void Popup_Help_DocClick();
    void Popup_Help_WebClick();
    void Popup_Help_AboutClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyStartupEffects();
    void restorePlacement();
    void storePlacement();
    void buildMenus();
    QWidget* buildLeftBar();
    QWidget* buildPersonColumn();
    QWidget* buildPageArea();
    QPushButton* addPersonButton(QLayout* layout, const char* name, const QString& hint, int standardIcon);
    void popupBeside(QMenu* menu, QWidget* button);
    void layOutLeftBar();

    MiniCalendar* m_miniCalendar = nullptr;
    DigitalClock* m_digitalTime = nullptr;
    QWidget* m_leftBar = nullptr;
    QWidget* m_leftBarTop = nullptr;
    QListView* m_personList = nullptr;
    QPushButton* m_prior = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_record = nullptr;
    QStackedWidget* m_notebook = nullptr;
    QTabBar* m_tabs = nullptr;
    QVector<PersonPage*> m_pages;
    QMenu* m_menuReport = nullptr;
    QMenu* m_menuHtml = nullptr;
    QMenu* m_menuTable = nullptr;
    QVector<QPushButton*> m_leftBarButtons;
    int m_visiblePage = General;
    bool m_shown = false;
};
