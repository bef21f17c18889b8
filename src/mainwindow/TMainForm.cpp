#include "TMainForm.h"

#include "AppIcon.h"
#include "BusyCursor.h"
#include "CommandGuard.h"
#include "CommandNames.h"
#include "DatasetUtils.h"
#include "DigitalClock.h"
#include "Errors.h"
#include "FormWidgets.h"
#include "Messages.h"
#include "MiniCalendar.h"
#include "PersonListDelegate.h"
#include "PersonListModel.h"
#include "Placement.h"
#include "Product.h"
#include "ProgramPrinter.h"
#include "ProgramState.h"
#include "StoredFiles.h"
#include "TAboutBox.h"
#include "TDataModule1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// A menu entry of the command table: caption, design name, and the
// window's own handler. The other entries are wired by the subsystems that
// serve them (setCommand) and stay disabled until then.
struct MenuEntry
{
    const char* caption;
    CommandName name;
    void (TMainForm::*handler)() = nullptr;
    bool separatorBefore = false;
};

struct MenuDefinition
{
    const char* caption;
    MenuName name;
    std::vector<MenuEntry> entries;
    // A sub-menu: its caption, name and entries.
    struct Sub
    {
        const char* caption;
        MenuName name;
        std::vector<MenuEntry> entries;
    };
    std::vector<Sub> subs = {};
};

// A button of the bar under the list of persons.
QPushButton* personButton(QWidget* parent, QLayout* layout, const char* name, const QString& hint,
                          QStyle::StandardPixmap icon)
{
    QPushButton* button = FormWidgets::pictureButton(parent, QString::fromLatin1(name), hint, icon);
    button->setFixedSize(32, 28);
    layout->addWidget(button);
    return button;
}

} // namespace

QString TMainForm::instabilityMessage()
{
    return QStringLiteral(
               "INSTABILITE DETECTEE !!\r\rL'exécutable de ce logiciel ne semble pas être compatible. "
               "Installer une mise à jour peut résoudre ce problème.\rTéléchargez et installez la mise "
               "à jour gratuite de ce logiciel sur le site ") +
           Product::webAddress + QStringLiteral(" (rubrique : MISES A JOUR)");
}

QString TMainForm::helpMissingMessage()
{
    return QStringLiteral("Le fichier d'aide est introuvable !");
}

TMainForm::TMainForm(TDataModule1& dataModule, const QList<PageDefinition>& pages, QWidget* parent)
    : QMainWindow(parent), m_dm(dataModule)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(AppIcon::icon());
    setWindowTitle(Product::name + QLatin1Char(' ') + Product::version);

    buildMenus();
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildLeftBar());
    // The tab strip runs under the person column too, so that the nine
    // captions fit the width of an 800-pixel window.
    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    auto* upper = new QHBoxLayout;
    upper->setSpacing(0);
    upper->addWidget(buildPersonColumn());
    upper->addWidget(buildPageArea(pages), 1);
    right->addLayout(upper, 1);
    right->addWidget(m_tabs);
    layout->addLayout(right, 1);
    setCentralWidget(central);

    auto* maker = new QLabel(Product::makerLine(), this);
    maker->setObjectName(QStringLiteral("Lab_Maker"));
    statusBar()->addWidget(maker, 1);
    statusBar()->setSizeGripEnabled(true);

    openPersons();
    for (PersonPage* page : m_pages)
        runGuarded([page] { page->mainWindowCreated(); });
    connectPersonEvents();
}

void TMainForm::openPersons()
{
    try {
        m_dm.Person.open();
    } catch (const AppError&) {
        Messages::error(instabilityMessage());
        QDesktopServices::openUrl(QUrl(Product::webAddress));
    }
}

void TMainForm::connectPersonEvents()
{
    TDataModule1* dm = &m_dm;
    connect(dm, &TDataModule1::personChanged, this, &TMainForm::onPersonChanged);
    connect(dm, &TDataModule1::personSaved, this,
            [this] { RefreshPersonList(m_personModel->idAt(m_personList->currentIndex().row())); });
    connect(dm, &TDataModule1::personListRebuildRequested, this, &TMainForm::RefreshPersonList);
    connect(&dm->Person, &Dataset::stateChanged, this,
            [this, dm] { m_record->setEnabled(dm->Person.isEditing()); });
    connect(m_personList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { personListRowChanged(current.row()); });
}

void TMainForm::buildMenus()
{
    using F = TMainForm;
    using namespace Commands;
    const std::vector<MenuDefinition> menus = {
        {"&Fichier",
         Menus::File,
         {{"&Imprimante", ChoosePrinter, &F::Popup_File_PrinterClick},
          {"&Propriétés", EditProperties},
          {"Importer une base de données &Windows…", ImportWindowsDatabase, nullptr, true},
          {"&Exporter le carnet (FHIR)…", ExportFhir},
          {"I&mporter un carnet (FHIR)…", ImportFhir},
          {"&Quitter", Quit, &F::SysExitBtnClick, true}}},
        {"&Listes",
         Menus::Lists,
         {{"Ma&ladies", IllnessList},
          {"&Vaccins", VaccineList},
          {"&Médicaments", DrugList},
          {"P&raticiens", DoctorList},
          {"&Pharmacie", PharmacyList},
          {"&Analyses", AnalysisCatalogue}}},
        {"&Tableaux",
         Menus::Tables,
         {{"&Synthèse des remboursements", ReimbursementSynthesis},
          {"&Rappels de vaccination", BoosterReminders}},
         {{"&Actes non remboursés",
           Menus::UnpaidActs,
           {{"&Tout", UnpaidActs},
            {"&Sécurité sociale", UnpaidActsSecu},
            {"&Caisse complémentaire", UnpaidActsComp}}},
          {"&Médicaments non remboursés",
           Menus::UnpaidMedicines,
           {{"&Tout", UnpaidMedicines},
            {"&Sécurité sociale", UnpaidMedicinesSecu},
            {"&Caisse complémentaire", UnpaidMedicinesComp}}}}},
        {"&Impression",
         Menus::Print,
         {{"&Carnet de santé", PrintHealthRecord},
          {"Historique des  &actes", PrintActsHistory},
          {"Historique des &médicaments", PrintMedicinesHistory},
          {"&Tableaux de rappel", PrintReminderTables}}},
        {"  &Html  ",
         Menus::Html,
         {{"&Carnet de santé", HtmlHealthRecord},
          {"Historique des &actes", HtmlActsHistory},
          {"Historique des &médicaments", HtmlMedicinesHistory},
          {"&Tableaux de rappel", HtmlReminderTables}}},
        {"&Outils",
         Menus::Tools,
         {},
         {{"&Base de données",
           Menus::Database,
           {{"&Sauvegarde", BackupDatabase},
            {"&Restauration", RestoreDatabase},
            {"&Historique", BackupHistory},
            {"&Compacter/Réparer", CompactDatabase, nullptr, true}}}}},
        {"&Aide",
         Menus::Help,
         {{"&Documentation", OpenDocumentation, &F::Popup_Help_DocClick},
          {"&Site web", OpenWebSite, &F::Popup_Help_WebClick},
          {"&A propos", ShowAbout, &F::Popup_Help_AboutClick}}},
    };

    const auto addEntries = [this](QMenu* menu, const std::vector<MenuEntry>& entries) {
        for (const MenuEntry& c : entries) {
            if (c.separatorBefore)
                menu->addSeparator();
            QAction* action = menu->addAction(QString::fromUtf8(c.caption));
            action->setObjectName(c.name.objectName());
            action->setEnabled(c.handler != nullptr);
            if (c.handler) {
                const auto handler = c.handler;
                connectCommand(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
            }
        }
    };
    for (const MenuDefinition& definition : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(definition.caption));
        menu->setObjectName(definition.name.objectName());
        // The sub-menus of "Tableaux" come first, as the command table lists them.
        for (const MenuDefinition::Sub& sub : definition.subs) {
            QMenu* child = menu->addMenu(QString::fromUtf8(sub.caption));
            child->setObjectName(sub.name.objectName());
            addEntries(child, sub.entries);
        }
        addEntries(menu, definition.entries);
    }
    m_menuReport = menuBar()->findChild<QMenu*>(Menus::Print.objectName());
    m_menuHtml = menuBar()->findChild<QMenu*>(Menus::Html.objectName());
    m_menuTable = menuBar()->findChild<QMenu*>(Menus::Tables.objectName());
}

QWidget* TMainForm::buildLeftBar()
{
    m_leftBar = new QWidget(this);
    m_leftBar->setObjectName(QStringLiteral("Pan_LeftBar"));
    m_leftBar->setFixedWidth(82);
    m_leftBar->setAttribute(Qt::WA_StyledBackground);
    m_leftBar->setStyleSheet(
        QStringLiteral("#Pan_LeftBar { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                       "stop:0 #0050d2, stop:1 #3362ff); }"));
    auto* column = new QVBoxLayout(m_leftBar);
    column->setContentsMargins(8, 0, 8, 10);
    column->setSpacing(6);

    m_leftBarTop = new QWidget(m_leftBar);
    auto* top = new QVBoxLayout(m_leftBarTop);
    top->setContentsMargins(0, 10, 0, 0);
    m_miniCalendar = new MiniCalendar(m_leftBarTop);
    m_digitalTime = new DigitalClock(m_leftBarTop);
    m_digitalTime->setStyleSheet(QStringLiteral("color: white;"));
    m_miniCalendar->setVisible(program().settings.showCalendar);
    m_digitalTime->setVisible(program().settings.showCalendar);
    top->addWidget(m_miniCalendar, 0, Qt::AlignHCenter);
    top->addWidget(m_digitalTime);
    top->addStretch();
    column->addWidget(m_leftBarTop);
    column->addStretch();

    const struct
    {
        const char* name;
        const char* caption;
        QMenu* menu;
    } buttons[] = {{"Btn_Imprimer", "Imprimer", m_menuReport},
                   {"Btn_Html", "Html", m_menuHtml},
                   {"Btn_Table", "Tableaux", m_menuTable}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), m_leftBar);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setMinimumHeight(48);
        QMenu* menu = b.menu;
        connect(button, &QPushButton::clicked, this, [this, menu, button] { popupBeside(menu, button); });
        column->addWidget(button);
        m_leftBarButtons << button;
    }
    return m_leftBar;
}

void TMainForm::popupBeside(QMenu* menu, QWidget* button)
{
    menu->popup(button->mapToGlobal(QPoint(50, 0)));
}

QWidget* TMainForm::buildPersonColumn()
{
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("Pan_PersonList"));
    column->setFixedWidth(200);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(4, 4, 4, 4);
    m_personList = new QListView(column);
    m_personList->setObjectName(QStringLiteral("Grid_PersonList"));
    m_personList->setAccessibleName(QStringLiteral("Carnets de santé"));
    m_personModel = new PersonListModel(m_personList);
    m_personList->setModel(m_personModel);
    m_personList->setItemDelegate(new PersonListDelegate(m_personList));
    m_personList->setUniformItemSizes(true);
    m_personList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_personList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_personList, 1);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    bar->addStretch();
    m_prior =
        personButton(this, bar, "Btn_Main_Prior", QStringLiteral("Carnet précédent"), QStyle::SP_ArrowUp);
    m_next = personButton(this, bar, "Btn_Main_Next", QStringLiteral("Carnet suivant"), QStyle::SP_ArrowDown);
    m_add = personButton(this, bar, "Btn_Main_Add", QStringLiteral("Nouveau carnet de santé"),
                         QStyle::SP_FileIcon);
    m_delete = personButton(this, bar, "Btn_Main_Delete", QStringLiteral("Supprimer ce carnet de santé"),
                            QStyle::SP_TrashIcon);
    m_record = personButton(this, bar, "Btn_Main_Record", QStringLiteral("Enregistrer les modifications"),
                            QStyle::SP_DialogSaveButton);
    bar->addStretch();
    layout->addLayout(bar);
    connectCommand(m_prior, &QPushButton::clicked, this, [this] { showPriorPerson(); });
    connectCommand(m_next, &QPushButton::clicked, this, [this] { showNextPerson(); });
    connectCommand(m_add, &QPushButton::clicked, this, [this] { Btn_Main_AddClick(); });
    connectCommand(m_delete, &QPushButton::clicked, this, [this] { Btn_Main_DeleteClick(); });
    connectCommand(m_record, &QPushButton::clicked, this, [this] { Btn_Main_RecordClick(); });
    return column;
}

QWidget* TMainForm::buildPageArea(const QList<PageDefinition>& pages)
{
    Q_ASSERT(pages.size() == PageCount);
    m_notebook = new QStackedWidget(this);
    m_notebook->setObjectName(QStringLiteral("AANotebook1"));
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("TabNoteBook"));
    m_tabs->setShape(QTabBar::RoundedSouth);
    m_tabs->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 8px; }"));
    m_tabs->setAccessibleName(QStringLiteral("Pages du carnet de santé"));
    for (const PageDefinition& definition : pages) {
        PersonPage* page = definition.create(m_notebook);
        page->setObjectName(definition.name);
        page->setAccessibleName(definition.caption);
        connect(page, &PersonPage::commandsChanged, this, [this] { RefreshCommandStates(); });
        m_notebook->addWidget(page);
        m_pages << page;
        m_tabs->addTab(definition.caption);
    }
    connectCommand(m_tabs, &QTabBar::currentChanged, this, [this](int index) { showPage(index); });
    return m_notebook;
}

void TMainForm::showPage(int index)
{
    if (index < 0 || index >= PageCount || index == m_visiblePage)
        return;
    m_pages.at(m_visiblePage)->leavePage();
    m_visiblePage = index;
    m_notebook->setCurrentIndex(index);
    if (m_tabs->currentIndex() != index)
        m_tabs->setCurrentIndex(index);
    RefreshCurrentPage();
    RefreshCommandStates();
}

void TMainForm::RefreshCurrentPage()
{
    m_pages.at(m_visiblePage)->refreshPage(-1);
}

void TMainForm::RefreshCommandStates()
{
    const Dataset& person = m_dm.Person;
    const bool hasPerson = person.isActive() && !person.isEmpty();
    const int count = m_personModel->rowCount();
    const int row = m_personList->currentIndex().isValid() ? m_personList->currentIndex().row() : 0;
    m_record->setEnabled(person.isEditing());
    m_delete->setEnabled(hasPerson);
    m_prior->setEnabled(hasPerson && row > 0);
    m_next->setEnabled(hasPerson && row < count - 1);
    for (QMenu* menu : {m_menuReport, m_menuHtml, m_menuTable})
        menu->menuAction()->setEnabled(hasPerson);
    for (QPushButton* button : m_leftBarButtons)
        button->setEnabled(hasPerson);
    for (PersonPage* page : m_pages)
        page->refreshCommandStates(hasPerson);
    for (auto rule = m_commandRules.cbegin(); rule != m_commandRules.cend(); ++rule)
        rule.key()->setEnabled(!rule.value() || rule.value()());
}

void TMainForm::setCommand(CommandName name, std::function<void()> handler, std::function<bool()> enabled)
{
    auto* action = menuBar()->findChild<QAction*>(name.objectName());
    if (!action)
        qFatal("The command table has no entry named %s", name.designName());
    connectCommand(action, &QAction::triggered, this, std::move(handler));
    m_commandRules.insert(action, enabled);
    action->setEnabled(true);
}

void TMainForm::RefreshPersonList(int personId)
{
    BusyCursor busy;
    m_listUpdating = true;
    const int row = m_personModel->rebuild(personId);
    setListRow(m_personModel->rowCount() > 0 ? row : -1);
    m_listUpdating = false;
    if (m_personModel->rowCount() > 0)
        selectPersonAt(row);
    m_personList->viewport()->update();
}

void TMainForm::setListRow(int row)
{
    const bool wasUpdating = m_listUpdating;
    m_listUpdating = true;
    if (row < 0)
        m_personList->setCurrentIndex(QModelIndex());
    else
        m_personList->setCurrentIndex(m_personModel->index(row));
    m_listUpdating = wasUpdating;
}

void TMainForm::personListRowChanged(int row)
{
    if (!m_listUpdating)
        runGuarded([this, row] { selectPersonAt(row); });
}

// Moves the person dataset to the list's row. Leaving a changed person saves
// it first, which rebuilds the list: the move in progress then completes it.
void TMainForm::selectPersonAt(int row)
{
    if (m_selecting)
        return;
    const int id = m_personModel->idAt(row);
    if (id < 0)
        return;
    Dataset& person = m_dm.Person;
    if (!person.isActive() || (!person.isEmpty() && person.field(QStringLiteral("Id")).asInteger() == id)) {
        RefreshCommandStates();
        return;
    }
    m_selecting = true;
    try {
        person.locateId(id);
    } catch (...) {
        m_selecting = false;
        // The change could not be saved: stay on the person being edited.
        if (!person.isEmpty())
            setListRow(m_personModel->rowOf(person.field(QStringLiteral("Id")).asInteger()));
        throw;
    }
    m_selecting = false;
    RefreshCommandStates();
}

void TMainForm::onPersonChanged()
{
    Dataset& person = m_dm.Person;
    if (person.state() == Dataset::State::Insert)
        return;
    runGuarded([this] {
        RefreshCurrentPage();
        RefreshCommandStates();
    });
}

void TMainForm::Btn_Main_AddClick()
{
    TDataModule1& dm = m_dm;
    dm.setPersonListSuspended(true);
    try {
        dm.createPerson();
        showPage(General);
        if (QWidget* field = m_pages.at(General)->firstField())
            field->setFocus();
    } catch (...) {
        dm.setPersonListSuspended(false);
        throw;
    }
    dm.setPersonListSuspended(false);
    RefreshCommandStates();
}

void TMainForm::Btn_Main_DeleteClick()
{
    if (!Messages::ask(QStringLiteral("Confirmez-vous la suppression de ce carnet de santé ?")))
        return;
    BusyCursor busy;
    m_dm.deletePerson();
    RefreshCommandStates();
}

void TMainForm::Btn_Main_RecordClick()
{
    DatasetUtils::saveIfEditing(m_dm.Person);
    RefreshCommandStates();
}

void TMainForm::showPriorPerson()
{
    const QModelIndex current = m_personList->currentIndex();
    if (current.isValid() && current.row() > 0)
        m_personList->setCurrentIndex(current.siblingAtRow(current.row() - 1));
}

void TMainForm::showNextPerson()
{
    const QModelIndex current = m_personList->currentIndex();
    if (current.isValid() && current.row() + 1 < m_personModel->rowCount())
        m_personList->setCurrentIndex(current.siblingAtRow(current.row() + 1));
}

void TMainForm::Popup_File_PrinterClick()
{
    QPrintDialog dialog(&programPrinter(), this);
    dialog.setWindowTitle(QStringLiteral("Imprimante"));
    dialog.exec();
}

void TMainForm::SysExitBtnClick()
{
    close();
}

void TMainForm::Popup_Help_DocClick()
{
    const QString help = program().folders.helpFile;
    if (!QFileInfo(help).isFile()) {
        Messages::plain(helpMissingMessage());
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void TMainForm::Popup_Help_WebClick()
{
    QDesktopServices::openUrl(QUrl(Product::webAddress));
}

void TMainForm::Popup_Help_AboutClick()
{
    TAboutBox about(this);
    about.exec();
}

void TMainForm::layOutLeftBar()
{
    m_leftBarTop->setFixedHeight(qMax(0, (m_leftBar->height() - 195) / 2));
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layOutLeftBar();
}

void TMainForm::restorePlacement()
{
    const Settings& s = program().settings;
    const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect g = Placement::initialGeometry({s.left, s.top, s.width, s.height}, area);
    move(g.topLeft());
    resize(g.size());
    if (s.state == QLatin1String("wsMaximized"))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainForm::storePlacement()
{
    Settings& s = program().settings;
    if (!isMaximized()) {
        s.left = x();
        s.top = y();
        s.height = height();
        s.width = width();
    }
    s.state = Placement::stateName(windowState());
}

void TMainForm::showEvent(QShowEvent* event)
{
    if (!m_shown) {
        m_shown = true;
        restorePlacement();
        runGuarded([this] { RefreshPersonList(-1); });
        layOutLeftBar();
        RefreshCommandStates();
    }
    QMainWindow::showEvent(event);
}

// What was typed is never lost by closing: a change that cannot be saved
// keeps the window open with its message.
bool TMainForm::savePendingPerson()
{
    return runGuarded([this] { DatasetUtils::saveIfEditing(m_dm.Person); });
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!savePendingPerson()) {
        event->ignore();
        return;
    }
    storePlacement();
    event->accept();
}
