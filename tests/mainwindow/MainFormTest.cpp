#include "Clock.h"
#include "DigitalClock.h"
#include "HouseholdFixture.h"
#include "MiniCalendar.h"
#include "Placement.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "TestFolders.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace {

const QRect kWorkArea(0, 0, 1280, 984); // a 1280 x 1024 screen with a 40-pixel panel

TEST(MainWindowPlacement, SavedPlacementIsUsedOnlyWhenItFits)
{
    EXPECT_EQ(Placement::initialGeometry({100, 50, 900, 700}, kWorkArea), QRect(100, 50, 900, 700));
    EXPECT_EQ(Placement::initialGeometry({380, 284, 900, 700}, kWorkArea), QRect(380, 284, 900, 700));
    // A smaller screen than the one it was saved on: 800 x 600, centred.
    EXPECT_EQ(Placement::initialGeometry({500, 50, 900, 700}, kWorkArea), QRect(240, 192, 800, 600));
    EXPECT_EQ(Placement::initialGeometry({-1, -1, -1, -1}, kWorkArea), QRect(240, 192, 800, 600));
}

TEST(MainWindowPlacement, NegativeEdgesAreCentredThenClamped)
{
    EXPECT_EQ(Placement::initialGeometry({-8, -8, 1000, 900}, kWorkArea), QRect(140, 42, 1000, 900));
    EXPECT_EQ(Placement::initialGeometry({-8, 10, 1280, 900}, kWorkArea), QRect(0, 10, 1280, 900));
    // A work area smaller than 800 x 600 keeps the window's corner on screen.
    EXPECT_EQ(Placement::initialGeometry({-1, -1, -1, -1}, QRect(0, 0, 640, 480)), QRect(0, 0, 800, 600));
}

TEST(MainWindowPlacement, HalvesRoundToEven)
{
    EXPECT_EQ(Placement::centredDefault(QRect(0, 0, 1281, 985)).topLeft(), QPoint(240, 192));
    EXPECT_EQ(Placement::centredDefault(QRect(0, 0, 1283, 987)).topLeft(), QPoint(242, 194));
}

TEST(MainWindowPlacement, StateNames)
{
    EXPECT_EQ(Placement::stateName(Qt::WindowNoState), QStringLiteral("wsNormal"));
    EXPECT_EQ(Placement::stateName(Qt::WindowMaximized), QStringLiteral("wsMaximized"));
    EXPECT_EQ(Placement::stateName(Qt::WindowMinimized | Qt::WindowMaximized), QStringLiteral("wsMinimized"));
}

TEST(MainWindowClock, ShowsHoursAndMinutesWithABlinkingColon)
{
    EXPECT_EQ(DigitalClock::timeText(QTime(9, 5, 59), false), QStringLiteral("09:05"));
    EXPECT_EQ(DigitalClock::timeText(QTime(9, 5, 59), true), QStringLiteral("09 05"));
    DigitalClock clock;
    const QString first = clock.text();
    clock.tick();
    EXPECT_NE(clock.text(), first);
    clock.tick();
    EXPECT_EQ(clock.text().mid(2, 1) == QStringLiteral(":"), first.mid(2, 1) == QStringLiteral(":"));
    EXPECT_EQ(MiniCalendar::monthAbbreviation(QDate(2026, 2, 1)), QStringLiteral("fév"));
    EXPECT_EQ(MiniCalendar::monthAbbreviation(QDate(2026, 8, 1)), QStringLiteral("aoû"));
}

class MainFormCreation : public ::testing::Test
{
protected:
    MainFormCreation() { Clock::setFixed(QDateTime(QDate(2031, 3, 14), QTime(10, 0))); }
    ~MainFormCreation() override { Clock::setFixed({}); }
    HouseholdFixture m_household;
};

// The process-wide values are start-up's: the main window only reads them.
TEST_F(MainFormCreation, ShowsTheSettingsWithoutChangingThem)
{
    TestFolders::writeFile(program().folders.iniFile(), "[Properties]\nShowCalendar=1\n");
    program().settings.showCalendar = false;
    const auto form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Brivoline 3.51"));
    EXPECT_TRUE(program().settings.firstLaunch) << "start-up counts the launch";
    EXPECT_TRUE(form->findChild<MiniCalendar*>(QStringLiteral("MiniCalendar"))->isHidden())
        << "the settings in memory, not the file";
    EXPECT_TRUE(form->findChild<QLabel*>(QStringLiteral("DigitalTime"))->isHidden());
    EXPECT_TRUE(
        form->findChild<QLabel*>(QStringLiteral("Lab_Maker"))->text().contains(QStringLiteral("2031")));
}

TEST_F(MainFormCreation, ShowCalendarShowsCalendarAndClock)
{
    program().settings.showCalendar = true;
    const auto form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
    form->show();
    EXPECT_TRUE(form->findChild<MiniCalendar*>(QStringLiteral("MiniCalendar"))->isVisible());
    EXPECT_TRUE(form->findChild<QLabel*>(QStringLiteral("DigitalTime"))->isVisible());
}

TEST_F(MainFormCreation, ClosingStoresThePlacement)
{
    Settings& settings = program().settings;
    settings.left = 10;
    settings.top = 20;
    settings.width = 760;
    settings.height = 560;
    const auto form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
    form->show();
    EXPECT_EQ(form->size(), QSize(760, 560)) << "the offscreen screen is 800 x 600";
    form->resize(780, 580);
    form->close();
    EXPECT_EQ(program().settings.width, 780);
    EXPECT_EQ(program().settings.height, 580);
    EXPECT_EQ(program().settings.state, QStringLiteral("wsNormal"));
}

} // namespace
