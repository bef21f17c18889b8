#include "TNewGauge.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

TEST(TNewGauge, ShowsItsTextAndStepsWithoutOfferingCancel)
{
    TNewGauge gauge;
    EXPECT_EQ(gauge.text(), QStringLiteral("Données"));
    EXPECT_TRUE(gauge.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(gauge.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    auto* cancel = gauge.findChild<QPushButton*>(QStringLiteral("Btn_Cancel"));
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Annuler"));

    gauge.showCentred();
    EXPECT_FALSE(cancel->isVisible());
    gauge.setTotal(4);
    gauge.step();
    gauge.step(2);
    EXPECT_EQ(gauge.position(), 3);
    gauge.step(5);
    EXPECT_EQ(gauge.position(), 4) << "never past the end";
    EXPECT_EQ(gauge.findChild<QProgressBar*>(QStringLiteral("Gauge"))->value(), 4);

    // A long path is cut in the middle on screen but kept whole for assistive technologies.
    const QString path = QStringLiteral("/home/utilisateur/Documents/") + QString(200, QLatin1Char('x')) +
                         QStringLiteral("/Data/Access/BRIVOLINE.MDB");
    gauge.setText(path);
    EXPECT_EQ(gauge.text(), path);
    auto* info = gauge.findChild<QLabel*>(QStringLiteral("info"));
    EXPECT_TRUE(info->text().endsWith(QStringLiteral("BRIVOLINE.MDB")));
    EXPECT_LT(info->text().size(), path.size());
    EXPECT_EQ(gauge.width(), 380);
    gauge.setTotal(0);
    EXPECT_EQ(gauge.position(), 0);
}

} // namespace
