#include "AccessibleMenus.h"
#include "CareWindowTest.h"
#include "TEnterConsult.h"
#include "TEnterDrugPharmacy.h"
#include "TEnterRepayment.h"
#include "TStrList.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {

class ActPages : public CareWindowTest
{
protected:
    DatasetGrid* grid(const char* name = "Grid_Consult") const
    {
        return find<DatasetGrid>(QString::fromLatin1(name));
    }
    QMenu* menu(const char* name = "Popup_ConsultRepayment") const
    {
        return find<QMenu>(QString::fromLatin1(name));
    }
    QString cell(int row, int column, const char* gridName = "Grid_Consult") const
    {
        return grid(gridName)->model()->index(row, column).data().toString();
    }
    // A right click on the grid's current row.
    void rightClick(const char* gridName = "Grid_Consult")
    {
        DatasetGrid* g = grid(gridName);
        const QPoint at(20, g->rowHeight(0) / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, g->viewport()->mapToGlobal(at));
        QApplication::sendEvent(g->viewport(), &event);
    }
    static QLineEdit* edit(QWidget* w, const char* name)
    {
        return w->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    // Types into a field as the user does, replacing what it shows.
    static void type(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        field->setCursorPosition(0);
        QTest::keyClicks(field, text);
    }
    // Opens a field's pick list with its button and chooses the entry with that text.
    static void pick(QWidget* dialog, const char* buttonName, const QString& entry)
    {
        dialog->findChild<QPushButton*>(QString::fromLatin1(buttonName))->click();
        auto* list = dialog->findChild<TStrList*>();
        ASSERT_NE(list, nullptr) << buttonName;
        const QList<QListWidgetItem*> items = list->list()->findItems(entry, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << entry.toStdString();
        list->list()->setCurrentItem(items.first());
        list->choose();
        delete list;
    }
    static QString stored(const char* column, int act)
    {
        return scalar(QStringLiteral("SELECT %1 FROM [ACTION] WHERE Id=%2")
                          .arg(QString::fromLatin1(column))
                          .arg(act))
            .toString();
    }
    // Whether a pin is painted at its place in a flag cell of the first row.
    bool pinShown(int column, int left)
    {
        const QImage image = grid()->viewport()->grab().toImage();
        const QRect cellRect = grid()->visualRect(grid()->model()->index(0, column));
        const QColor centre = image.pixelColor(cellRect.left() + left + 8, cellRect.top() + 3 + 4);
        return centre.red() > 150 && centre.green() < 120;
    }
};

TEST_F(ActPages, AConsultationIsEnteredWithItsPractitionerAndIllness)
{
    const int dupont = addDoctor(QStringLiteral("Dupont"), QStringLiteral("Généraliste"));
    addDoctor(QStringLiteral("Arnaud"), QString());
    const int angina =
        exec(QStringLiteral("INSERT INTO LST_ILLNESS (Title, Gravity) VALUES ('Angine', 'bénigne')")).toInt();
    showPage(TMainForm::Consult);
    EXPECT_TRUE(button("Btn_Consult_Add")->isEnabled());
    for (const char* b : {"Btn_Consult_Edit", "Btn_Consult_Delete", "Btn_Consult_Pin"})
        EXPECT_FALSE(button(b)->isEnabled()) << b;
    EXPECT_EQ(button("Btn_Consult_Pin")->accessibleName(), QStringLiteral("Remboursement"));
    EXPECT_EQ(button("Btn_Consult_Add")->accessibleName(), QStringLiteral("Ajouter"));

    NextModal::answer<TEnterConsult>([&](TEnterConsult* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Saisie d'un acte"));
        EXPECT_EQ(edit(w, "Ed_Date")->text(), QStringLiteral("14/03/2026"));
        EXPECT_EQ(edit(w, "Ed_Repayment")->text(), QStringLiteral("Non"));
        EXPECT_EQ(edit(w, "Ed_Repayment_Comp")->text(), QStringLiteral("Non"));
        EXPECT_TRUE(edit(w, "Ed_Payment")->text().isEmpty());
        EXPECT_TRUE(edit(w, "Ed_Price_Repayment")->text().startsWith(QStringLiteral("0,00")));
        auto* ok = w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"));
        EXPECT_FALSE(ok->isEnabled()) << "no practitioner yet";
        pick(w, "Btn_Doctor", QStringLiteral("Dupont (Généraliste)"));
        EXPECT_EQ(edit(w, "Ed_Doctor")->text(), QStringLiteral("Dupont (Généraliste)"));
        EXPECT_TRUE(ok->isEnabled());
        pick(w, "Btn_Illness", QStringLiteral("Angine (bénigne)"));
        auto* left = w->findChild<QLabel*>(QStringLiteral("Lab_NoRepayment"));
        type(edit(w, "Ed_Payment"), QStringLiteral("30,00"));
        EXPECT_EQ(left->text(), QStringLiteral("30.00 ") + Money::currencySymbol() + QLatin1Char(' '));
        type(edit(w, "Ed_Price_Repayment"), QStringLiteral("21"));
        type(edit(w, "Ed_Price_Repayment_Comp"), QStringLiteral("9"));
        EXPECT_EQ(left->text(), QStringLiteral("0.00 ") + Money::currencySymbol() + QLatin1Char(' '));
        ok->click();
    });
    button("Btn_Consult_Add")->click();

    const int act = scalar(QStringLiteral("SELECT max(Id) FROM [ACTION]")).toInt();
    EXPECT_EQ(stored("Tag", act), QStringLiteral("1"));
    EXPECT_EQ(stored("Id_Ref", act).toInt(), m_person);
    EXPECT_EQ(stored("Id_Org", act).toInt(), dupont);
    EXPECT_EQ(stored("Id_Illness", act).toInt(), angina);
    EXPECT_EQ(stored("Price", act).toDouble(), 30.0);
    EXPECT_EQ(stored("Date_Action", act), QStringLiteral("2026-03-14"));
    EXPECT_EQ(cell(0, 5), QStringLiteral("Dupont (Généraliste)"));
    EXPECT_EQ(cell(0, 6), QStringLiteral("Angine (bénigne)"));
    EXPECT_EQ(cell(0, 4).simplified(), QStringLiteral("30,00 ") + Money::currencySymbol());
    EXPECT_EQ(cell(0, 14).simplified(), QStringLiteral("0,00 ") + Money::currencySymbol());
    for (const char* b : {"Btn_Consult_Edit", "Btn_Consult_Delete", "Btn_Consult_Pin"})
        EXPECT_TRUE(button(b)->isEnabled()) << b;

    // Changed without opening the pick lists, the act keeps its references.
    NextModal::answer<TEnterConsult>([](TEnterConsult* w) {
        EXPECT_EQ(edit(w, "Ed_Illness")->text(), QStringLiteral("Angine (bénigne)"));
        type(edit(w, "Ed_Time"), QStringLiteral("0915"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    emit grid()->doubleClicked(grid()->model()->index(0, 3));
    EXPECT_EQ(stored("Time_Action", act), QStringLiteral("09:15"));
    EXPECT_EQ(stored("Id_Org", act).toInt(), dupont);
    EXPECT_EQ(stored("Id_Illness", act).toInt(), angina);
}

TEST_F(ActPages, EachPayerIsRecordedThroughThePinUntilBothHavePaid)
{
    const int act = addAct(1, QStringLiteral("2026-03-01"), 25);
    showPage(TMainForm::Consult);
    EXPECT_FALSE(pinShown(0, 8));
    EXPECT_TRUE(button("Btn_Consult_Pin")->isEnabled());
    rightClick();
    ASSERT_TRUE(menu()->isVisible());
    EXPECT_TRUE(action("Popup_ConsultRepayment_Secu")->isEnabled());
    EXPECT_TRUE(action("Popup_ConsultRepayment_Comp")->isEnabled());
    // A screen reader finds the open menu and its entries from the application.
    const QList<QStringList> payers{
        {QStringLiteral("Sécurité sociale"), QStringLiteral("Caisse complémentaire")}};
    EXPECT_EQ(AccessibleMenus::open(), payers);
    menu()->hide();
    EXPECT_TRUE(AccessibleMenus::open().isEmpty());

    NextModal::answer<TEnterRepayment>([](TEnterRepayment* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Remboursement"));
        EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Lab_Secu"))->text(),
                  QStringLiteral("Confirmer vous le remboursement \nde cet acte par la sécurité sociale"));
        EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Lab_Comp")), nullptr);
        EXPECT_EQ(edit(w, "Ed_Date_Repayment")->text(), QStringLiteral("14/03/2026"));
        type(edit(w, "Ed_Price_Repayment"), QStringLiteral("17,50"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    action("Popup_ConsultRepayment_Secu")->trigger();
    EXPECT_EQ(stored("Repayment", act), QStringLiteral("1"));
    EXPECT_EQ(stored("Date_Repayment", act), QStringLiteral("2026-03-14"));
    EXPECT_EQ(stored("Price_Repayment", act).toDouble(), 17.5);
    EXPECT_TRUE(pinShown(0, 8));
    EXPECT_FALSE(pinShown(1, 12));
    EXPECT_EQ(cell(0, 14).simplified(), QStringLiteral("7,50 ") + Money::currencySymbol());

    // The pin button opens the menu with only the payer still owing.
    ASSERT_TRUE(button("Btn_Consult_Pin")->isEnabled());
    button("Btn_Consult_Pin")->click();
    ASSERT_TRUE(menu()->isVisible());
    EXPECT_FALSE(action("Popup_ConsultRepayment_Secu")->isEnabled());
    EXPECT_TRUE(action("Popup_ConsultRepayment_Comp")->isEnabled());
    EXPECT_EQ(AccessibleMenus::open(), payers);
    menu()->hide();

    NextModal::answer<TEnterRepayment>([](TEnterRepayment* w) {
        EXPECT_NE(w->findChild<QLabel*>(QStringLiteral("Lab_Comp")), nullptr);
        type(edit(w, "Ed_Price_Repayment_Comp"), QStringLiteral("5"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    action("Popup_ConsultRepayment_Comp")->trigger();
    EXPECT_EQ(stored("Repayment_Comp", act), QStringLiteral("1"));
    EXPECT_EQ(stored("Date_Repayment_Comp", act), QStringLiteral("2026-03-14"));
    EXPECT_TRUE(pinShown(0, 8));
    EXPECT_TRUE(pinShown(1, 12));
    EXPECT_EQ(cell(0, 14).simplified(), QStringLiteral("2,50 ") + Money::currencySymbol());
    EXPECT_FALSE(button("Btn_Consult_Pin")->isEnabled());
    EXPECT_TRUE(button("Btn_Consult_Edit")->isEnabled());
    rightClick();
    EXPECT_FALSE(menu()->isVisible());
}

TEST_F(ActPages, CancellingAReimbursementLeavesTheActAsItWas)
{
    const int act = addAct(2, QStringLiteral("2026-03-01"), 12, false, 3);
    showPage(TMainForm::Pharmacy);
    NextModal::answer<TEnterRepayment>([](TEnterRepayment* w) {
        type(edit(w, "Ed_Price_Repayment"), QStringLiteral("9"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Cancel"))->click();
    });
    action("Popup_PharmacyRepayment_Secu")->trigger();
    EXPECT_EQ(stored("Repayment", act), QStringLiteral("0"));
    EXPECT_TRUE(scalar(QStringLiteral("SELECT Date_Repayment FROM [ACTION] WHERE Id=%1").arg(act)).isNull());
    EXPECT_EQ(stored("Price_Repayment", act).toDouble(), 3.0);
    EXPECT_FALSE(dm().Action.isEditing());
    rightClick("Grid_Pharmacy");
    ASSERT_TRUE(menu("Popup_PharmacyRepayment")->isVisible());
    EXPECT_TRUE(action("Popup_PharmacyRepayment_Secu")->isEnabled());
    menu("Popup_PharmacyRepayment")->hide();

    // Confirmed as proposed: today's date and the amount the act held.
    NextModal::answer<TEnterRepayment>(
        [](TEnterRepayment* w) { w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click(); });
    action("Popup_PharmacyRepayment_Comp")->trigger();
    EXPECT_EQ(stored("Repayment_Comp", act), QStringLiteral("1"));
    EXPECT_EQ(stored("Date_Repayment_Comp", act), QStringLiteral("2026-03-14"));
    EXPECT_EQ(stored("Price_Repayment_Comp", act).toDouble(), 0.0);
}

TEST_F(ActPages, WhatIsLeftIsShownBelowZeroAndWithTheEuroForTheOldFrancs)
{
    addAct(1, QStringLiteral("2026-01-10"), 10, true, 8, true, 5);
    addAct(1, QStringLiteral("2026-01-11"), QVariant(), false, 7);
    // Another kind and another person are not listed.
    addAct(2, QStringLiteral("2026-01-12"), 4);
    const int other = m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
    addAct(1, QStringLiteral("2026-01-13"), 4, false, 0, false, 0, other);
    m_form->RefreshPersonList(m_person);
    showPage(TMainForm::Consult);
    ASSERT_EQ(grid()->model()->rowCount(), 2);
    Money::normaliseCurrencySymbol(QStringLiteral("FF"));
    dm().applyMoneyFormats();
    m_form->RefreshCurrentPage();
    EXPECT_EQ(cell(0, 14), QStringLiteral("-3,00 €"));
    EXPECT_EQ(cell(0, 4), QStringLiteral("10,00 €"));
    // An act without a price leaves nothing to pay yet.
    EXPECT_EQ(cell(1, 14), QStringLiteral("0,00 €"));
    Money::normaliseCurrencySymbol(QStringLiteral("CHF"));
    dm().applyMoneyFormats();
    m_form->RefreshCurrentPage();
    EXPECT_EQ(cell(0, 14), QStringLiteral("-3,00 CHF"));
    EXPECT_EQ(cell(0, 12), QStringLiteral("8,00 CHF"));
}

TEST_F(ActPages, BadInputIsRefusedWithWhatWasTypedKept)
{
    addDoctor(QStringLiteral("Dupont"), QString());
    showPage(TMainForm::Consult);
    NextModal::answer<TEnterConsult>([this](TEnterConsult* w) {
        pick(w, "Btn_Doctor", QStringLiteral("Dupont"));
        auto* ok = w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"));
        const struct
        {
            const char* field;
            QString typed;
            const char* says;
            QString corrected;
        } refused[] = {
            {"Ed_Payment", QStringLiteral("12,5,0"), "« Montant » n'accepte pas la valeur « 12,5,0 »",
             QStringLiteral("999 999,99")},
            {"Ed_Price_Repayment", QStringLiteral("abc"), "« Remb. sécu. » n'accepte pas",
             QStringLiteral("-2,5")},
            {"Ed_Time", QStringLiteral("2599"), "« Heure » n'accepte pas la valeur « 25:99 »",
             QStringLiteral("0915")},
            {"Ed_Date", QStringLiteral("31022026"), "« Date » n'accepte pas la valeur « 31/02/2026 »",
             QStringLiteral("28022026")},
        };
        for (const auto& r : refused) {
            type(edit(w, r.field), r.typed);
            m_messages.clear();
            ok->click();
            ASSERT_EQ(m_messages.texts().size(), 1) << r.field;
            EXPECT_TRUE(m_messages.texts().first().contains(QString::fromUtf8(r.says)))
                << m_messages.texts().first().toStdString();
            EXPECT_TRUE(w->isVisible()) << r.field;
            EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM [ACTION]")).toInt(), 0) << r.field;
            type(edit(w, r.field), r.corrected);
        }
        m_messages.clear();
        ok->click();
        EXPECT_TRUE(m_messages.texts().isEmpty()) << m_messages.texts().join(QLatin1Char('\n')).toStdString();
    });
    button("Btn_Consult_Add")->click();
    const int act = scalar(QStringLiteral("SELECT max(Id) FROM [ACTION]")).toInt();
    ASSERT_GT(act, 0);
    EXPECT_EQ(Money::Amount::fromDouble(stored("Price", act).toDouble()).units(), 9999999900LL);
    EXPECT_EQ(stored("Price_Repayment", act).toDouble(), -2.5);
    EXPECT_EQ(stored("Date_Action", act), QStringLiteral("2026-02-28"));
    EXPECT_EQ(cell(0, 14).simplified(), QStringLiteral("1000002,49 ") + Money::currencySymbol());
}

TEST_F(ActPages, AnActWhosePractitionerWasDeletedIsListedAndAsksForAnother)
{
    const int gone = addDoctor(QStringLiteral("Ancien"), QStringLiteral("ORL"));
    const int kept = addDoctor(QStringLiteral("Nouveau"), QString());
    const int act = addAct(1, QStringLiteral("2026-02-01"), 40);
    exec(QStringLiteral("UPDATE [ACTION] SET Id_Org=? WHERE Id=?"), {gone, act});
    exec(QStringLiteral("DELETE FROM LST_DOCTOR WHERE Id=?"), {gone});
    showPage(TMainForm::Consult);
    ASSERT_EQ(grid()->model()->rowCount(), 1);
    EXPECT_TRUE(cell(0, 5).isEmpty());
    NextModal::answer<TEnterConsult>([](TEnterConsult* w) {
        EXPECT_TRUE(edit(w, "Ed_Doctor")->text().isEmpty());
        auto* ok = w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"));
        EXPECT_FALSE(ok->isEnabled());
        pick(w, "Btn_Doctor", QStringLiteral("Nouveau"));
        ok->click();
    });
    button("Btn_Consult_Edit")->click();
    EXPECT_EQ(stored("Id_Org", act).toInt(), kept);
    EXPECT_EQ(cell(0, 5), QStringLiteral("Nouveau"));
}

TEST_F(ActPages, SayingNoToAPayerTakesItsDateAwayAndKeepsItsAmount)
{
    exec(QStringLiteral("INSERT INTO LST_DRUG (Title, Category) VALUES ('Doliprane', '500 mg')"));
    showPage(TMainForm::Pharmacy);
    // A purchase needs its medicine, not its pharmacy.
    NextModal::answer<TEnterDrugPharmacy>([](TEnterDrugPharmacy* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Saisie d'un acte pharmaceutique"));
        auto* ok = w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"));
        EXPECT_FALSE(ok->isEnabled());
        pick(w, "Btn_Drug", QStringLiteral("Doliprane (500 mg)"));
        type(edit(w, "Ed_Payment"), QStringLiteral("6,20"));
        ok->click();
    });
    button("Btn_Pharmacy_Add")->click();
    const int act = scalar(QStringLiteral("SELECT max(Id) FROM [ACTION]")).toInt();
    EXPECT_EQ(stored("Tag", act), QStringLiteral("2"));
    EXPECT_TRUE(scalar(QStringLiteral("SELECT Id_Org FROM [ACTION] WHERE Id=%1").arg(act)).isNull());
    EXPECT_TRUE(cell(0, 5, "Grid_Pharmacy").isEmpty());
    EXPECT_EQ(cell(0, 6, "Grid_Pharmacy"), QStringLiteral("Doliprane (500 mg)"));

    exec(QStringLiteral(
             "UPDATE [ACTION] SET Repayment=1, Date_Repayment='2026-03-02', Price_Repayment=4, "
             "Repayment_Comp=1, Date_Repayment_Comp='2026-03-03', Price_Repayment_Comp=2 WHERE Id=?"),
         {act});
    m_form->RefreshCurrentPage();
    NextModal::answer<TEnterDrugPharmacy>([](TEnterDrugPharmacy* w) {
        // The Sécurité sociale's flag takes typing; the complementary one only its list.
        EXPECT_FALSE(edit(w, "Ed_Repayment")->isReadOnly());
        EXPECT_TRUE(edit(w, "Ed_Repayment_Comp")->isReadOnly());
        type(edit(w, "Ed_Repayment"), QStringLiteral("n"));
        EXPECT_TRUE(edit(w, "Ed_Date_Repayment")->text().remove(QLatin1Char('/')).trimmed().isEmpty());
        pick(w, "Btn_Repayment_Comp", QStringLiteral("Non"));
        EXPECT_TRUE(edit(w, "Ed_Date_Repayment_Comp")->text().remove(QLatin1Char('/')).trimmed().isEmpty());
        w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    button("Btn_Pharmacy_Edit")->click();
    EXPECT_EQ(stored("Repayment", act), QStringLiteral("0"));
    EXPECT_EQ(stored("Repayment_Comp", act), QStringLiteral("0"));
    EXPECT_TRUE(scalar(QStringLiteral("SELECT Date_Repayment FROM [ACTION] WHERE Id=%1").arg(act)).isNull());
    EXPECT_TRUE(
        scalar(QStringLiteral("SELECT Date_Repayment_Comp FROM [ACTION] WHERE Id=%1").arg(act)).isNull());
    EXPECT_EQ(stored("Price_Repayment", act).toDouble(), 4.0);
    EXPECT_EQ(stored("Price_Repayment_Comp", act).toDouble(), 2.0);
}

TEST_F(ActPages, DeletingAsksFirstAndWithoutAPersonEveryCommandIsDisabled)
{
    addAct(1, QStringLiteral("2026-01-10"), 10);
    showPage(TMainForm::Consult);
    m_messages.queueAnswer(Messages::Answer::No);
    button("Btn_Consult_Delete")->click();
    EXPECT_EQ(m_messages.texts().last(), QStringLiteral("Désirez-vous supprimer cet acte ?"));
    EXPECT_EQ(grid()->model()->rowCount(), 1);
    button("Btn_Consult_Delete")->click();
    EXPECT_EQ(grid()->model()->rowCount(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM [ACTION]")).toInt(), 0);
    EXPECT_FALSE(button("Btn_Consult_Pin")->isEnabled());
    rightClick();
    EXPECT_FALSE(menu()->isVisible());

    addAct(1, QStringLiteral("2026-01-10"), 10);
    m_form->RefreshCurrentPage();
    m_messages.queueAnswer(Messages::Answer::Yes);
    button("Btn_Main_Delete")->click();
    for (const char* b : {"Btn_Consult_Add", "Btn_Consult_Edit", "Btn_Consult_Delete", "Btn_Consult_Pin",
                          "Btn_Pharmacy_Add", "Btn_Pharmacy_Pin"})
        EXPECT_FALSE(button(b)->isEnabled()) << b;
    for (const char* a : {"Popup_Table_Consult_All", "Popup_Table_Pharmacy_Comp"})
        EXPECT_FALSE(action(a)->isEnabled()) << a;
}

} // namespace
