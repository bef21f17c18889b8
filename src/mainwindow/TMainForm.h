#pragma once

#include "PersonPage.h"

#include <QHash>
#include <QMainWindow>
#include <QVector>

class DigitalClock;
class MiniCalendar;
class QAction;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QToolButton;
class QListView;
class PersonListModel;
class TDataModule1;

// The program's one working window; closing it ends the program. Its pages
// and the commands of later features come from where the program is put
// together: it knows them only as PersonPage and MainWindowHost.
class TMainForm : public QMainWindow, public MainWindowHost
{
    Q_OBJECT
public:
    // The tabs in the design's order; the page table gives one page for each.
    enum PageIndex
    {
        General,
        Previous,
        Custom,
        Consult,
        Pharmacy,
        Analysis,
        Vaccine,
        Document,
        Event,
        PageCount
    };

    TMainForm(TDataModule1& dataModule, const QList<PageDefinition>& pages, QWidget* parent = nullptr);

    static QString instabilityMessage();
    static QString helpMissingMessage();

    QWidget* window() override { return this; }
    void RefreshCommandStates() override;
    void RefreshCurrentPage() override;
    // Lists the persons again and makes that one current (-1: the first).
    void RefreshPersonList(int personId) override;
    PersonPage* currentPage() const override { return m_pages.at(m_visiblePage); }
    // Brings that page to the front, as its tab does: the page left is told
    // so, the page shown refreshed.
    void showPage(int index) override;
    void setCommand(CommandName name, std::function<void()> handler,
                    std::function<bool()> enabled = {}) override;
    int visiblePage() const { return m_visiblePage; }
    PersonPage* page(int index) const { return m_pages.value(index); }
    // Moves to the person above or below in the list, as the arrows under it do.
    void showPriorPerson();
    void showNextPerson();

private slots:
    // The designed controls' own handlers (buttons under the person list, menu entries).
    void Btn_Main_AddClick();
    void Btn_Main_DeleteClick();
    void Btn_Main_RecordClick();
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
    void restorePlacement();
    void storePlacement();
    void buildMenus();
    QWidget* buildLeftBar();
    QWidget* buildPersonColumn();
    QWidget* buildPageArea(const QList<PageDefinition>& pages);
    void popupBeside(QMenu* menu, QWidget* button);
    void layOutLeftBar();
    void openPersons();
    void connectPersonEvents();
    void personListRowChanged(int row);
    void selectPersonAt(int row);
    void setListRow(int row);
    void onPersonChanged();
    bool savePendingPerson();

    TDataModule1& m_dm;
    MiniCalendar* m_miniCalendar = nullptr;
    DigitalClock* m_digitalTime = nullptr;
    QWidget* m_leftBar = nullptr;
    QWidget* m_leftBarTop = nullptr;
    QListView* m_personList = nullptr;
    PersonListModel* m_personModel = nullptr;
    QPushButton* m_prior = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_record = nullptr;
    QStackedWidget* m_notebook = nullptr;
    QTabBar* m_tabs = nullptr;
    QVector<PersonPage*> m_pages;
    QHash<QAction*, std::function<bool()>> m_commandRules;
    QMenu* m_menuReport = nullptr;
    QMenu* m_menuHtml = nullptr;
    QMenu* m_menuTable = nullptr;
    QVector<QPushButton*> m_leftBarButtons;
    int m_visiblePage = General;
    bool m_shown = false;
    bool m_listUpdating = false; // the list's selection is being set by the program
    bool m_selecting = false;    // the person dataset is moving to the chosen row
};
