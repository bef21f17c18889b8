// The main window's pieces that need no window: where it is placed on the
// screen, the clock and the small calendar's texts.
#include "DigitalClock.h"
#include "MiniCalendar.h"
#include "Placement.h"

#include <gtest/gtest.h>
#include <QDate>
#include <QTime>

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

} // namespace
