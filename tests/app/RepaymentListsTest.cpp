#include "CareWindowTest.h"
#include "ListWindow.h"
#include "TConsultRepaymentList.h"
#include "TPharmacyRepaymentList.h"

namespace {

class RepaymentLists : public CareWindowTest
{
protected:
    // Opens the list of a "Tableaux" entry and reads its title and the
    // dates of its rows (each test act's Remark1 is its date).
    template <typename W> std::pair<QString, QStringList> listOf(const char* entry)
    {
        std::pair<QString, QStringList> seen;
        NextModal::answer<W>([&seen](W* w) {
            seen.first = w->windowTitle();
            Dataset& rows = w->panel()->query();
            for (int r = 0; r < rows.recordCount(); ++r)
                seen.second << rows.fieldAt(r, rows.fieldIndex(QStringLiteral("Remark1"))).asString();
            w->template findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click();
        });
        action(entry)->trigger();
        return seen;
    }
};

TEST_F(RepaymentLists, EachListShowsWhatItsPayersStillOwe)
{
    // Consultations owed by nobody, the Sécurité sociale only, the complementary insurer only, both.
    addAct(1, QStringLiteral("2026-01-01"), 25);
    addAct(1, QStringLiteral("2026-01-02"), 25, true, 17.5);
    addAct(1, QStringLiteral("2026-01-03"), 25, false, 0, true, 7.5);
    addAct(1, QStringLiteral("2026-01-04"), 25, true, 17.5, true, 7.5);
    addAct(2, QStringLiteral("2026-02-01"), 6);
    addAct(2, QStringLiteral("2026-02-02"), 6, true, 4);
    addAct(2, QStringLiteral("2026-02-03"), 6, true, 4, true, 2);
    const int other = m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
    addAct(1, QStringLiteral("2026-03-01"), 25, false, 0, false, 0, other);
    m_form->RefreshPersonList(m_person);
    const QString consult = QStringLiteral("Liste des actes non remboursés");
    const QString pharmacy = QStringLiteral("Liste des médicaments non remboursées");
    const QString jan1 = QStringLiteral("2026-01-01"), jan2 = QStringLiteral("2026-01-02"),
                  jan3 = QStringLiteral("2026-01-03"), feb1 = QStringLiteral("2026-02-01"),
                  feb2 = QStringLiteral("2026-02-02");

    using Seen = std::pair<QString, QStringList>;
    EXPECT_EQ(listOf<TConsultRepaymentList>("Popup_Table_Consult_All"),
              Seen(consult + QStringLiteral(" - (Tout)"), {jan1, jan2, jan3}));
    EXPECT_EQ(listOf<TConsultRepaymentList>("Popup_Table_Consult_Secu"),
              Seen(consult + QStringLiteral(" - (Sécurité sociale)"), {jan1, jan3}));
    EXPECT_EQ(listOf<TConsultRepaymentList>("Popup_Table_Consult_Comp"),
              Seen(consult + QStringLiteral(" - (Caisse complémentaire)"), {jan1, jan2}));
    EXPECT_EQ(listOf<TPharmacyRepaymentList>("Popup_Table_Pharmacy_All"),
              Seen(pharmacy + QStringLiteral(" - (Tout)"), {feb1, feb2}));
    EXPECT_EQ(listOf<TPharmacyRepaymentList>("Popup_Table_Pharmacy_Secu"),
              Seen(pharmacy + QStringLiteral(" - (Sécurité sociale)"), {feb1}));
    EXPECT_EQ(listOf<TPharmacyRepaymentList>("Popup_Table_Pharmacy_Comp"),
              Seen(pharmacy + QStringLiteral(" - (Caisse complémentaire)"), {feb1, feb2}));
    EXPECT_FALSE(m_household.dm2().ConsultRepaymentQuery.isActive());
    EXPECT_FALSE(m_household.dm2().PharmacyRepaymentQuery.isActive());
}

TEST_F(RepaymentLists, TheActsListShowsItsAmountTheirPractitionerAndNoWayToChangeThem)
{
    const int doctor = addDoctor(QStringLiteral("Dupont"), QStringLiteral("Pédiatre"));
    const int act = addAct(1, QStringLiteral("2026-01-01"), 25);
    exec(QStringLiteral("UPDATE [ACTION] SET Id_Org=?, Gravity='légère' WHERE Id=?"), {doctor, act});
    m_household.dm2().applyMoneyFormats();
    NextModal::answer<TConsultRepaymentList>([](TConsultRepaymentList* w) {
        QAbstractItemModel* model = w->panel()->grid()->model();
        QStringList titles;
        for (int c = 0; c < model->columnCount(); ++c)
            titles << model->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(titles, (QStringList{"Date", "Heure", "Montant", "Praticien", "Maladie", "Gravité",
                                       "Objet de la visite", "Remarque du praticien"}));
        EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("01/01/2026"));
        EXPECT_EQ(model->index(0, 2).data().toString(), QStringLiteral("25,00 ") + Money::currencySymbol());
        EXPECT_EQ(model->index(0, 3).data().toString(), QStringLiteral("Dupont (Pédiatre)"));
        EXPECT_EQ(model->index(0, 5).data().toString(), QStringLiteral("légère"));
        const QList<QPushButton*> buttons = w->findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 1);
        EXPECT_EQ(buttons.first()->objectName(), QStringLiteral("Btn_Close"));
    });
    action("Popup_Table_Consult_Secu")->trigger();
}

} // namespace
