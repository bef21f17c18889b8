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
class PersonListModel;
class CustomPage;
class TDataModule1;

// The program's one working window; closing it ends the program.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    enum PageIndex { General, Previous, Custom, Consult, Pharmacy, Analysis, Vaccine, Document, Event, PageCount };

    explicit TMainForm(TDataModule1& dataModule, QWidget* parent = nullptr);

    static QString instabilityMessage();
    static QString helpMissingMessage();

    void RefreshCommandStates();
    void RefreshCurrentPage();
    // Lists the persons again and makes that one current (-1: the first).
    void RefreshPersonList(int personId);
    int visiblePage() const { return m_visiblePage; }
    PersonPage* page(int index) const { return m_pages.value(index); }

public slots:
    void TabNoteBookTabChange(int index);
    void Btn_Main_PriorClick();
    void Btn_Main_NextClick();
    void Btn_Main_AddClick();
    void Btn_Main_DeleteClick();
    void Btn_Main_RecordClick();
    void Popup_File_PrinterClick();
    void Maladies1Click();
    void Vaccins1Click();
    void Mdicaments1Click();
    void Praticiens1Click();
    void Pharmacie1Click();
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
    PersonPage* createPage(int index);
    QPushButton* addPersonButton(QLayout* layout, const char* name, const QString& hint, int standardIcon);
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
    CustomPage* m_customPage = nullptr;
    QMenu* m_menuReport = nullptr;
    QMenu* m_menuHtml = nullptr;
    QMenu* m_menuTable = nullptr;
    QVector<QPushButton*> m_leftBarButtons;
    int m_visiblePage = General;
    bool m_shown = false;
    bool m_listUpdating = false; // the list's selection is being set by the program
    bool m_selecting = false;    // the person dataset is moving to the chosen row
};
