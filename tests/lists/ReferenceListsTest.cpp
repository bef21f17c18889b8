#include "ComboItems.h"
#include "DatasetGrid.h"
#include "DatasetUtils.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "TComboList.h"
#include "TEnterReference.h"
#include "TReferenceList.h"
#include "TStrList.h"

#include <functional>
#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

template <typename W = QLineEdit> W* child(QWidget* window, const char* name)
{
    auto* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QPushButton* button(QWidget* window, const char* name)
{
    return child<QPushButton>(window, name);
}

// Types the text key by key, accented letters too.
void type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// A double-click arrives as the system sends it: press, release, double-click, release.
void doubleClick(QWidget* widget, QPoint at)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

class ReferenceLists : public ::testing::Test
{
protected:
    TDataModule1& dm() { return m_household.dm(); }

    int count(const char* table)
    {
        return DatasetUtils::readNumber(
            QStringLiteral("SELECT count(*) FROM %1").arg(QString::fromLatin1(table)));
    }

    QString cell(TReferenceList& list, int row, int column)
    {
        QAbstractItemModel* model = child<DatasetGrid>(&list, "BFSDBGridColor2")->model();
        return model->data(model->index(row, column)).toString();
    }

    // Adds a practitioner through the list window, as the user does.
    void addDoctor(TReferenceList& list, const QString& name,
                   const std::function<void(TEnterReference*)>& more = {})
    {
        NextModal::answer<TEnterReference>([name, more](TEnterReference* entry) {
            EXPECT_EQ(entry->objectName(), QStringLiteral("EnterDoctor"));
            type(child(entry, "Ed_Name"), name);
            if (more)
                more(entry);
            button(entry, "Btn_Ok")->click();
        });
        button(&list, "Btn_Add")->click();
    }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
};

TEST_F(ReferenceLists, AnEmptyListOffersOnlyAddAndCloseUntilAnEntryIsAdded)
{
    TReferenceList list(ReferenceKind::Doctor, dm());
    EXPECT_EQ(list.windowTitle(), QStringLiteral("Liste des praticiens"));
    auto* grid = child<DatasetGrid>(&list, "BFSDBGridColor2");
    EXPECT_EQ(grid->accessibleName(), QStringLiteral("Liste des praticiens"));
    QStringList headers;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        headers << grid->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers.join(QLatin1Char('|')),
              QStringLiteral("Nom|Spécialité|Conv.|Adresse|Ville|Code postal|Téléphone|Fax|Email|Notes"));

    EXPECT_TRUE(list.dataset().isActive()) << "the list is open while its window is";
    EXPECT_TRUE(button(&list, "Btn_Add")->isEnabled());
    EXPECT_TRUE(button(&list, "Btn_Close")->isEnabled());
    EXPECT_FALSE(button(&list, "Btn_Edit")->isEnabled());
    EXPECT_FALSE(button(&list, "Btn_Delete")->isEnabled());

    addDoctor(list, QStringLiteral("Vidal"));
    addDoctor(list, QStringLiteral("Aubry"));
    EXPECT_EQ(count("LST_DOCTOR"), 2);
    EXPECT_TRUE(button(&list, "Btn_Edit")->isEnabled());
    EXPECT_TRUE(button(&list, "Btn_Delete")->isEnabled());
    EXPECT_EQ(list.dataset().state(), Dataset::State::Browse);
    EXPECT_EQ(cell(list, 0, 0), QStringLiteral("Aubry")) << "a new entry takes its place in name order";
    EXPECT_EQ(list.dataset().field(QStringLiteral("Name")).asString(), QStringLiteral("Aubry"))
        << "and stays the current row";

    button(&list, "Btn_Close")->click();
    EXPECT_FALSE(list.dataset().isActive()) << "closing the window closes its list";
}

TEST_F(ReferenceLists, EveryMemberOpensItsOwnEntryWindowWhoseOkFollowsTheRequiredField)
{
    struct Member
    {
        ReferenceKind kind;
        const char* listName;
        const char* listTitle;
        const char* entryName;
        const char* required;
        const char* title;
    };
    const Member members[] = {
        {ReferenceKind::Doctor, "DoctorList", "Liste des praticiens", "EnterDoctor", "Ed_Name",
         "Saisie d'un praticien"},
        {ReferenceKind::Pharmacy, "PharmacyList", "Liste des pharmacies", "EnterPharmacy", "Ed_Name",
         "Saisie d'une pharmacie"},
        {ReferenceKind::Drug, "DrugList", "Liste des médicaments", "EnterDrug", "Ed_Title",
         "Saisie d'un médicament"},
        {ReferenceKind::Vaccine, "VaccineList", "Liste des vaccins", "EnterVaccine", "Ed_Title",
         "Saisie d'un vaccin"},
        {ReferenceKind::Illness, "IllnessList", "Liste des maladies", "EnterIllness", "Ed_Title",
         "Saisie d'une maladie"},
    };
    for (const Member& m : members) {
        SCOPED_TRACE(m.listName);
        TReferenceList list(m.kind, dm());
        EXPECT_EQ(list.objectName(), QString::fromLatin1(m.listName));
        EXPECT_EQ(list.windowTitle(), QString::fromUtf8(m.listTitle));
        const int before = list.dataset().recordCount();
        bool seen = false;
        NextModal::answer<TEnterReference>([&](TEnterReference* entry) {
            seen = true;
            EXPECT_EQ(entry->objectName(), QString::fromLatin1(m.entryName));
            EXPECT_EQ(entry->windowTitle(), QString::fromUtf8(m.title));
            QPushButton* ok = button(entry, "Btn_Ok");
            QLineEdit* required = child(entry, m.required);
            EXPECT_FALSE(ok->isEnabled());
            type(required, QStringLiteral("   "));
            EXPECT_FALSE(ok->isEnabled()) << "blanks name nothing";
            type(required, QStringLiteral("Zona"));
            EXPECT_TRUE(ok->isEnabled());
            required->selectAll();
            QTest::keyClick(required, Qt::Key_Delete);
            EXPECT_FALSE(ok->isEnabled()) << "erasing the text disables it again";
            EXPECT_TRUE(button(entry, "Btn_Cancel")->isEnabled());
            type(required, QStringLiteral("Zona"));
            ok->click();
        });
        button(&list, "Btn_Add")->click();
        EXPECT_TRUE(seen);
        EXPECT_EQ(list.dataset().recordCount(), before + 1);
    }
}

TEST_F(ReferenceLists, ChoosingNonForTheAgreementStoresNo)
{
    TReferenceList list(ReferenceKind::Doctor, dm());
    addDoctor(list, QStringLiteral("Martin"), [](TEnterReference* entry) {
        QLineEdit* agreement = child(entry, "Ed_Convention");
        button(entry, "Btn_Convention")->click();
        auto* pick = agreement->findChild<TStrList*>();
        ASSERT_NE(pick, nullptr);
        ASSERT_EQ(pick->list()->count(), 2) << "two fixed entries, no empty one";
        EXPECT_EQ(pick->list()->item(0)->text(), QStringLiteral("Oui"));
        pick->list()->setCurrentRow(1);
        pick->choose();
        EXPECT_EQ(agreement->text(), QStringLiteral("Non"));
    });
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT Convention FROM LST_DOCTOR")), 0);
    EXPECT_EQ(cell(list, 0, 2), QStringLiteral("Non"));

    NextModal::answer<TEnterReference>([](TEnterReference* entry) {
        QLineEdit* agreement = child(entry, "Ed_Convention");
        QTest::keyClick(agreement, Qt::Key_Return); // Enter opens the list too
        auto* pick = agreement->findChild<TStrList*>();
        ASSERT_NE(pick, nullptr);
        EXPECT_EQ(pick->list()->currentRow(), 1) << "on the field's value";
        pick->list()->setCurrentRow(0);
        pick->choose();
        button(entry, "Btn_Ok")->click();
    });
    button(&list, "Btn_Edit")->click();
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT Convention FROM LST_DOCTOR")), 1);
    EXPECT_EQ(cell(list, 0, 2), QStringLiteral("Oui"));

    addDoctor(list, QStringLiteral("Noël"));
    EXPECT_EQ(cell(list, 1, 2), QStringLiteral("Non")) << "an agreement never chosen is no, not nothing";
}

TEST_F(ReferenceLists, TheSpecialityOffersTheUsersListItsEditorAndFreeTyping)
{
    ComboItems::store(dm().ComboItems, QStringLiteral("Doctor_Category"),
                      QStringLiteral("Pédiatre\r\nDentiste\r\nGénéraliste"));
    TReferenceList list(ReferenceKind::Doctor, dm());
    addDoctor(list, QStringLiteral("Roux"), [](TEnterReference* entry) {
        QLineEdit* speciality = child(entry, "Ed_Category");
        button(entry, "Btn_Specialite")->click();
        auto* pick = speciality->findChild<TStrList*>();
        ASSERT_NE(pick, nullptr);
        QStringList shown;
        for (int i = 0; i < pick->list()->count(); ++i)
            shown << pick->list()->item(i)->text();
        EXPECT_EQ(shown, (QStringList{QString(), QStringLiteral("Dentiste"), QStringLiteral("Généraliste"),
                                      QStringLiteral("Pédiatre")}));
        pick->list()->setCurrentRow(3);
        pick->choose();
        EXPECT_EQ(speciality->text(), QStringLiteral("Pédiatre"));

        bool edited = false;
        NextModal::answer<TComboList>([&edited](TComboList* editor) {
            edited = true;
            EXPECT_EQ(editor->windowTitle(), QStringLiteral("Spécialités"));
            editor->reject();
        });
        doubleClick(speciality, speciality->rect().center());
        EXPECT_TRUE(edited) << "a double-click opens the list's editor";
    });
    EXPECT_EQ(cell(list, 0, 1), QStringLiteral("Pédiatre"));

    NextModal::answer<TEnterReference>([](TEnterReference* entry) {
        QLineEdit* speciality = child(entry, "Ed_Category");
        speciality->selectAll();
        type(speciality, QStringLiteral("Ostéopathe"));
        button(entry, "Btn_Ok")->click();
    });
    button(&list, "Btn_Edit")->click();
    EXPECT_EQ(cell(list, 0, 1), QStringLiteral("Ostéopathe"));
}

TEST_F(ReferenceLists, DeletingAPractitionerLeavesTheConsultationsThatNameHim)
{
    const int person = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Léa"));
    TReferenceList list(ReferenceKind::Doctor, dm());
    addDoctor(list, QStringLiteral("Leroy"));
    const int doctor = list.dataset().field(QStringLiteral("Id")).asInteger();
    for (int i = 0; i < 2; ++i)
        DatasetUtils::runStatement(dm().Query,
                                   QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Date_Action) "
                                                  "VALUES (%1, 1, %2, '2024-03-0%3')")
                                       .arg(person)
                                       .arg(doctor)
                                       .arg(i + 1));

    m_messages.queueAnswer(Messages::Answer::No);
    button(&list, "Btn_Delete")->click();
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(m_messages.messages().at(0).text, QStringLiteral("Désirez-vous supprimer ce médecin?"));
    EXPECT_EQ(m_messages.messages().at(0).icon, Messages::Icon::Question);
    EXPECT_EQ(count("LST_DOCTOR"), 1) << "No changes nothing";

    m_messages.queueAnswer(Messages::Answer::Yes);
    button(&list, "Btn_Delete")->click();
    EXPECT_EQ(count("LST_DOCTOR"), 0);
    EXPECT_FALSE(button(&list, "Btn_Edit")->isEnabled());
    EXPECT_FALSE(button(&list, "Btn_Delete")->isEnabled());
    EXPECT_EQ(count("[ACTION]"), 2);

    Dataset& consults = dm().ConsultQuery;
    consults.setWhereLine(QStringLiteral("WHERE Tag=1 AND Action.Id_Ref=%1").arg(person));
    consults.open();
    ASSERT_EQ(consults.recordCount(), 2);
    EXPECT_EQ(consults.field(QStringLiteral("Id_Org")).asInteger(), doctor);
    EXPECT_EQ(consults.field(QStringLiteral("LST_DOCTOR.Name")).asString(), QString());
    consults.close();
}

TEST_F(ReferenceLists, DoubleClickEditsARowAndDoesNothingOnAnEmptyGrid)
{
    TReferenceList list(ReferenceKind::Doctor, dm());
    list.show();
    auto* grid = child<DatasetGrid>(&list, "BFSDBGridColor2");
    const QString opened = NextModal::openedBy([&] {
        doubleClick(grid->viewport(), QPoint(20, 10));
        emit child<DatasetGrid>(&list, "BFSDBGridColor2")->doubleClicked(QModelIndex());
        QApplication::processEvents();
    });
    EXPECT_TRUE(opened.isEmpty()) << opened.toStdString();
    EXPECT_EQ(list.dataset().state(), Dataset::State::Browse);
    EXPECT_EQ(count("LST_DOCTOR"), 0) << "no row was added";

    addDoctor(list, QStringLiteral("Petit"));
    NextModal::answer<TEnterReference>([](TEnterReference* entry) {
        type(child(entry, "Ed_City"), QStringLiteral("Nantes"));
        button(entry, "Btn_Ok")->click();
    });
    const QRect row = grid->visualRect(grid->model()->index(0, 0));
    doubleClick(grid->viewport(), row.center());
    EXPECT_EQ(cell(list, 0, 4), QStringLiteral("Nantes"));
}

TEST_F(ReferenceLists, ClosingTheEntryWindowByItsFrameCancelsThePendingRow)
{
    TReferenceList list(ReferenceKind::Pharmacy, dm());
    NextModal::answer<TEnterReference>([&list](TEnterReference* entry) {
        type(child(entry, "Ed_Name"), QStringLiteral("Pharmacie du Port"));
        entry->close();
        EXPECT_EQ(list.dataset().state(), Dataset::State::Browse) << "the entry window itself cancels";
    });
    button(&list, "Btn_Add")->click();
    EXPECT_EQ(count("LST_PHARMACY"), 0);
    EXPECT_EQ(list.dataset().state(), Dataset::State::Browse);
    EXPECT_EQ(list.dataset().recordCount(), 0);

    NextModal::answer<TEnterReference>([](TEnterReference* entry) {
        type(child(entry, "Ed_Name"), QStringLiteral("Pharmacie du Port"));
        button(entry, "Btn_Ok")->click();
    });
    button(&list, "Btn_Add")->click();
    NextModal::answer<TEnterReference>([](TEnterReference* entry) {
        type(child(entry, "Ed_City"), QStringLiteral("Brest"));
        entry->close();
    });
    button(&list, "Btn_Edit")->click();
    NextModal::answer<TEnterReference>([](TEnterReference* entry) {
        type(child(entry, "Ed_City"), QStringLiteral("Lorient"));
        QTest::keyClick(entry, Qt::Key_Escape);
    });
    button(&list, "Btn_Edit")->click();
    EXPECT_EQ(list.dataset().state(), Dataset::State::Browse);
    EXPECT_EQ(
        DatasetUtils::readNumber(QStringLiteral("SELECT count(*) FROM LST_PHARMACY WHERE City IS NULL")), 1)
        << "the changes were dropped";
}

TEST_F(ReferenceLists, TextLongerThanItsColumnCannotBeTyped)
{
    TReferenceList list(ReferenceKind::Drug, dm());
    const QString tooLong(300, QLatin1Char('x'));
    NextModal::answer<TEnterReference>([&tooLong](TEnterReference* entry) {
        QLineEdit* title = child(entry, "Ed_Title");
        type(title, tooLong.left(130));
        EXPECT_EQ(title->text().size(), 128);
        auto* description = child<QPlainTextEdit>(entry, "Ed_Description");
        type(description, QStringLiteral("Début "));
        description->moveCursor(QTextCursor::Start);
        description->insertPlainText(tooLong); // a paste at the start keeps what was there
        EXPECT_EQ(description->toPlainText().size(), 255);
        EXPECT_TRUE(description->toPlainText().endsWith(QStringLiteral("Début ")));
        type(description, QStringLiteral("yy"));
        EXPECT_EQ(description->toPlainText().size(), 255);
        button(entry, "Btn_Ok")->click();
    });
    button(&list, "Btn_Add")->click();
    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT max(length(Description)) FROM LST_DRUG")), 255);
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT max(length(Title)) FROM LST_DRUG")), 128);
}

TEST_F(ReferenceLists, AValueTheColumnRefusesKeepsTheWindowOpenWithWhatWasTyped)
{
    TReferenceList list(ReferenceKind::Doctor, dm());
    bool stayedOpen = false;
    NextModal::answer<TEnterReference>([this, &stayedOpen, &list](TEnterReference* entry) {
        type(child(entry, "Ed_Name"), QStringLiteral("Simon"));
        QLineEdit* agreement = child(entry, "Ed_Convention");
        agreement->selectAll();
        type(agreement, QStringLiteral("Peut-être"));
        button(entry, "Btn_Ok")->click();
        stayedOpen = entry->isVisible();
        EXPECT_EQ(agreement->text(), QStringLiteral("Peut-être"));
        EXPECT_EQ(child(entry, "Ed_Name")->text(), QStringLiteral("Simon"));
        EXPECT_EQ(list.dataset().state(), Dataset::State::Insert);
        ASSERT_EQ(m_messages.messages().size(), 1);
        EXPECT_EQ(m_messages.messages().at(0).text,
                  QStringLiteral(
                      "Le champ « Convention » n'accepte pas la valeur « Peut-être » : la valeur doit être "
                      "Oui ou Non."));
        agreement->selectAll();
        type(agreement, QStringLiteral("Oui"));
        button(entry, "Btn_Ok")->click();
    });
    button(&list, "Btn_Add")->click();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(
        DatasetUtils::readNumber(QStringLiteral("SELECT Convention FROM LST_DOCTOR WHERE Name='Simon'")), 1);
}

TEST_F(ReferenceLists, AssistiveTechnologiesFindEveryControlByItsCaption)
{
    const auto name = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    };
    TReferenceList list(ReferenceKind::Doctor, dm());
    EXPECT_EQ(name(child<DatasetGrid>(&list, "BFSDBGridColor2")), QStringLiteral("Liste des praticiens"));
    QStringList buttons;
    for (const char* b : {"Btn_Add", "Btn_Edit", "Btn_Delete", "Btn_Close"})
        buttons << name(button(&list, b));
    EXPECT_EQ(buttons.join(QLatin1Char('|')), QStringLiteral("Ajouter|Modifier|Supprimer|Fermer"));

    NextModal::answer<TEnterReference>([&name](TEnterReference* entry) {
        // In input order, as the focus moves through them.
        QStringList fields;
        for (QWidget* w = child(entry, "Ed_Name"); w && fields.size() < 14; w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                fields << name(w);
        EXPECT_EQ(fields.join(QLatin1Char('|')),
                  QStringLiteral("Nom|Adresse|Code postal|Ville|Téléphone|Fax|Email|Notes|Spécialité|"
                                 "Choisir la spécialité|Convention.|Choisir la convention|Ok|Annuler"));
        entry->reject();
    });
    button(&list, "Btn_Add")->click();
}

} // namespace
