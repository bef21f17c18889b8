#include "BusyCursor.h"
#include "CommandGuard.h"
#include "Errors.h"
#include "Messages.h"
#include "TWait.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>

namespace {

TEST(CommandGuardRun, ErrorTextIsShownPlainlyAndTheCursorRestored)
{
    Messages::Recorder messages;
    const bool ok = runGuarded([] {
        BusyCursor busy;
        QApplication::setOverrideCursor(Qt::WaitCursor); // a second layer left by a failing step
        throw DatabaseError(QStringLiteral("La table \"PERSON\" est introuvable."));
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages().at(0).icon, Messages::Icon::None);
    EXPECT_EQ(messages.messages().at(0).text, QStringLiteral("La table \"PERSON\" est introuvable."));

    EXPECT_TRUE(runGuarded([] {}));
    EXPECT_FALSE(runGuarded([] { throw std::runtime_error("disk full"); }));
    EXPECT_EQ(messages.texts().last(), QStringLiteral("disk full"));
}

TEST(MessageRecorder, AnswersFromItsQueueThenYes)
{
    Messages::Recorder messages;
    messages.queueAnswer(Messages::Answer::No);
    EXPECT_FALSE(Messages::ask(QStringLiteral("Désirez-vous supprimer ce carnet ?")));
    EXPECT_TRUE(Messages::ask(QStringLiteral("Confirmez-vous ?")));
    EXPECT_EQ(messages.messages().at(0).icon, Messages::Icon::Question);
    EXPECT_TRUE(messages.messages().at(0).yesNo);
    EXPECT_EQ(Messages::displayText(QStringLiteral("A\r\rB\r\nC")), QStringLiteral("A\n\nB\nC"));
}

TEST(ProgressWindow, EachStepAdvancesTheBarAndSetsItsLine)
{
    TWait wait;
    wait.setTotal(3);
    wait.setBarVisible(true);
    wait.step(QStringLiteral("Copie de la base de données"), TWait::Line::Message);
    EXPECT_EQ(wait.cursorWidth(), 83);
    EXPECT_EQ(wait.findChild<QLabel*>(QStringLiteral("Lab_Msg"))->text(),
              QStringLiteral("Copie de la base de données"));
    wait.step(QStringLiteral("Sauvegarde"), TWait::Line::Task);
    EXPECT_EQ(wait.findChild<QLabel*>(QStringLiteral("Lab_Task"))->text(), QStringLiteral("Sauvegarde"));
    wait.step(QString(), TWait::Line::Message);
    EXPECT_EQ(wait.cursorWidth(), TWait::kBarWidth);
    wait.step(QString(), TWait::Line::Message);
    EXPECT_EQ(wait.cursorWidth(), TWait::kBarWidth) << "never wider than the bar";
    EXPECT_EQ(wait.counter(), 4);
}

} // namespace

namespace {

TEST(ProgressWindow, PositionMovesTheBarByByteCountsBeyondTwoGigabytes)
{
    TWait wait;
    wait.setTotal(3'000'000'001LL);
    wait.setPosition(1'500'000'000LL);
    EXPECT_EQ(wait.cursorWidth(), TWait::kBarWidth / 2);
    wait.setPosition(4'000'000'000LL);
    EXPECT_EQ(wait.cursorWidth(), TWait::kBarWidth);
    wait.setPosition(-1);
    EXPECT_EQ(wait.cursorWidth(), 0);
}

} // namespace
