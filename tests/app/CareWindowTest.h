#pragma once

#include "Clock.h"
#include "CommandNames.h"
#include "Connection.h"
#include "DatasetGrid.h"
#include "GridPage.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "Money.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "SqlRows.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabBar>

// A household with one person on the French formats, its main window open.
class CareWindowTest : public ::testing::Test
{
protected:
    CareWindowTest() : m_previousLocale()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        Clock::setFixed(QDateTime(QDate(2026, 3, 14), QTime(9, 30)));
        m_person = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
    }
    ~CareWindowTest() override
    {
        m_form.reset();
        Clock::setFixed({});
        Money::normaliseCurrencySymbol();
        QLocale::setDefault(m_previousLocale);
    }

    TDataModule1& dm() { return m_household.dm(); }
    template <typename W = QWidget> W* find(const QString& name) const { return m_form->findChild<W*>(name); }
    QPushButton* button(const char* name) const { return find<QPushButton>(QString::fromLatin1(name)); }
    QAction* action(const char* name) const { return find<QAction>(QString::fromLatin1(name)); }
    QAction* action(CommandName name) const { return find<QAction>(name.objectName()); }
    void showPage(TMainForm::PageIndex page)
    {
        find<QTabBar>(QStringLiteral("TabNoteBook"))->setCurrentIndex(page);
    }

    // Plain SQLite on the household's file, to arrange rows and read what was stored.
    static QVariant exec(const QString& sql, const QVariantList& values = {})
    {
        return SqlRows::exec(sql, values);
    }
    static QVariant scalar(const QString& sql)
    {
        QSqlQuery q(Connection::database());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q.next() ? q.value(0) : QVariant();
    }
    int addDoctor(const QString& name, const QString& category)
    {
        return exec(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category, Convention) VALUES (?, ?, 1)"),
                    {name, category})
            .toInt();
    }
    // An act of the person: tag, date, price and both payers' flag and amount (a null amount stays empty).
    int addAct(int tag, const QString& isoDate, const QVariant& price, bool secu = false,
               const QVariant& secuAmount = 0, bool comp = false, const QVariant& compAmount = 0,
               int person = -1)
    {
        return exec(QStringLiteral(
                        "INSERT INTO [ACTION] (Id_Ref, Tag, Date_Action, Time_Action, Price, Repayment, "
                        "Price_Repayment, Repayment_Comp, Price_Repayment_Comp, Remark1) "
                        "VALUES (?, ?, ?, '10:00', ?, ?, ?, ?, ?, ?)"),
                    {person < 0 ? m_person : person, tag, isoDate, price, secu ? 1 : 0, secuAmount,
                     comp ? 1 : 0, compAmount, isoDate})
            .toInt();
    }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    QLocale m_previousLocale;
    std::unique_ptr<TMainForm> m_form;
    int m_person = 0;
};
