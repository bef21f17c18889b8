#include "TMainForm.h"

#include "AppIcon.h"
#include "DigitalClock.h"
#include "MiniCalendar.h"
#include "Money.h"
#include "Placement.h"
#include "Product.h"
#include "ProgramState.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

QString TMainForm::instabilityMessage()
{
    return QStringLiteral("INSTABILITE DETECTEE !!\r\rL'exécutable de ce logiciel ne semble pas être compatible. "
                          "Installer une mise à jour peut résoudre ce problème.\rTéléchargez et installez la mise "
                          "à jour gratuite de ce logiciel sur le site ")
           + Product::webAddress + QStringLiteral(" (rubrique : MISES A JOUR)");
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(AppIcon::icon());

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildLeftBar());
    auto* pages = new QWidget(central);
    pages->setObjectName(QStringLiteral("AANotebook1"));
    layout->addWidget(pages, 1);
    setCentralWidget(central);

    auto* maker = new QLabel(Product::makerLine(), this);
    maker->setObjectName(QStringLiteral("Lab_Maker"));
    statusBar()->addWidget(maker, 1);
    statusBar()->setSizeGripEnabled(true);

    applyStartupEffects();
}

QWidget* TMainForm::buildLeftBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Pan_LeftBar"));
    bar->setFixedWidth(96);
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setStyleSheet(QStringLiteral("#Pan_LeftBar { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                                      "stop:0 #0050d2, stop:1 #3362ff); }"));
    auto* column = new QVBoxLayout(bar);
    column->setContentsMargins(8, 10, 8, 10);
    m_miniCalendar = new MiniCalendar(bar);
    m_digitalTime = new DigitalClock(bar);
    m_digitalTime->setStyleSheet(QStringLiteral("color: white;"));
    column->addWidget(m_miniCalendar, 0, Qt::AlignHCenter);
    column->addWidget(m_digitalTime);
    column->addStretch();
    const struct
    {
        const char* name;
        const char* caption;
    } buttons[] = {{"Btn_Imprimer", "Imprimer"}, {"Btn_Html", "Html"}, {"Btn_Table", "Tableaux"}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), bar);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setEnabled(false);
        column->addWidget(button);
    }
    return bar;
}

// What creating the main window does for the whole process.
void TMainForm::applyStartupEffects()
{
    ProgramState& p = program();
    p.settings = Settings::read(p.folders.iniFile());
    QApplication::setApplicationDisplayName(Product::name);
    setWindowTitle(Product::name + QLatin1Char(' ') + Product::version);
    Money::normaliseCurrencySymbol();
    m_miniCalendar->setVisible(p.settings.showCalendar);
    m_digitalTime->setVisible(p.settings.showCalendar);
    p.settings.firstLaunch = false;
    p.scratchImagePath = p.folders.database + QStringLiteral("Images/Temp.jpg");
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
    }
    QMainWindow::showEvent(event);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    storePlacement();
    event->accept();
}
