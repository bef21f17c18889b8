#include "Clock.h"
#include "HouseholdFixture.h"
#include "MiniCalendar.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "TestFolders.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace {

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
