// The search box of the real main window, driven by the keyboard alone:
// Ctrl+F, the words, Down into the results, Return opens the person on the
// page of the row with that row selected; a picture document opens in its viewer.
#include "SearchBox.h"

#include "BitmapQt.h"
#include "Connection.h"
#include "GridPanel.h"
#include "HouseholdFixture.h"
#include "JpegIO.h"
#include "ListWindow.h"
#include "Messages.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "RecognitionStatus.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

TEST(SearchBox, KeyboardAloneFindsAndOpensTheRowOnItsPage)
{
    HouseholdFixture household;
    Messages::Recorder messages;
    const int luc = household.addPerson(QStringLiteral("Aubert"), QStringLiteral("Luc"));
    const int zoe = household.addPerson(QStringLiteral("Blanc"), QStringLiteral("Zoé"));
    QSqlQuery q(Connection::database());
    ASSERT_TRUE(
        q.exec(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Date_Action, Remark1) VALUES (%1, 1, "
                              "'2026-04-02', 'Otite séreuse')")
                   .arg(zoe)));
    const int act = q.lastInsertId().toInt();
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, ImgMini, DoType) VALUES (%1, "
                                      "'Radio du genou', x'01', 1)")
                           .arg(luc)));
    const int picture = q.lastInsertId().toInt();
    QImage image(120, 80, QImage::Format_RGB888);
    image.fill(Qt::white);
    SaveJpegFile(fromQImage(image), household.dm().documentImageFile(picture), 80);

    auto form = ProgramAssembly::mainWindow(household.dm(), household.dm2());
    form->show();
    QApplication::setActiveWindow(form.get());
    auto* box = form->findChild<SearchBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->field()->accessibleName(), QStringLiteral("Rechercher"));
    EXPECT_EQ(box->results()->accessibleName(), QStringLiteral("Résultats de la recherche"));

    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(box->field()->hasFocus());
    QTest::keyClicks(box->field(), QStringLiteral("OTITE ser"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->resultFrame()->isVisible(); }, 5000));
    ASSERT_EQ(box->results()->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = box->results()->topLevelItem(0);
    EXPECT_EQ(row->text(0), QStringLiteral("Blanc Zoé"));
    EXPECT_EQ(row->text(1), QStringLiteral("Acte"));
    EXPECT_EQ(row->text(2), QStringLiteral("02/04/2026"));
    EXPECT_EQ(row->text(3), QStringLiteral("Otite séreuse"));

    QTest::keyClick(box->field(), Qt::Key_Down);
    ASSERT_TRUE(box->results()->hasFocus());
    QTest::keyClick(box->results(), Qt::Key_Return);
    EXPECT_FALSE(box->resultFrame()->isVisible());
    EXPECT_EQ(household.dm().Person.field(QStringLiteral("Id")).asInteger(), zoe);
    EXPECT_EQ(form->visiblePage(), TMainForm::Consult);
    EXPECT_EQ(form->page(TMainForm::Consult)->findChild<GridPanel*>()->currentId(), act);

    // Return in the box opens the best result; a picture opens in its viewer.
    QString viewer;
    box->field()->setFocus();
    box->field()->setText(QStringLiteral("genou radio"));
    NextModal::openedBy([&] { QTest::keyClick(box->field(), Qt::Key_Return); }, &viewer);
    EXPECT_EQ(household.dm().Person.field(QStringLiteral("Id")).asInteger(), luc);
    EXPECT_EQ(form->visiblePage(), TMainForm::Document);
    EXPECT_TRUE(viewer.startsWith(QStringLiteral("Document - Image"))) << viewer.toStdString();

    // Nothing found is said; Escape closes the list.
    box->field()->setText(QStringLiteral("introuvable"));
    box->searchNow();
    EXPECT_TRUE(box->resultFrame()->isVisible());
    EXPECT_EQ(box->results()->topLevelItemCount(), 0);
    QTest::keyClick(box->field(), Qt::Key_Escape);
    EXPECT_FALSE(box->resultFrame()->isVisible());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

// The status line's list of the documents without text, with the reason.
TEST(RecognitionStatus, ListsTheDocumentsWithoutTextAndWhy)
{
    HouseholdFixture household;
    Messages::Recorder messages;
    const int person = household.addPerson(QStringLiteral("Aubert"), QStringLiteral("Luc"));
    QSqlQuery q(Connection::database());
    for (const char* title : {"Lisible", "Abîmée"})
        ASSERT_TRUE(
            q.exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, DoType) VALUES (%1, '%2', 1)")
                       .arg(person)
                       .arg(QString::fromUtf8(title))));
    ASSERT_TRUE(q.exec(
        QStringLiteral("INSERT INTO DOCUMENTTEXT (Id_Document, DoKind, Content, State, Note) "
                       "VALUES (1, 1, 'texte', 1, ''), (2, 1, '', 2, 'Image illisible ou endommagée.')")));
    auto form = ProgramAssembly::mainWindow(household.dm(), household.dm2());
    form->show();
    auto* status = form->findChild<RecognitionStatus*>();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->listButton()->accessibleName(), QStringLiteral("Documents sans texte"));
    QStringList rows;
    NextModal::answer<ListWindow>([&rows](ListWindow* list) {
        if (auto* grid = list->findChild<QTableView*>()) {
            const QAbstractItemModel* model = grid->model();
            for (int r = 0; r < model->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < model->columnCount(); ++c)
                    cells << model->index(r, c).data().toString();
                rows << cells.join(u'|');
            }
        }
    });
    status->listButton()->click();
    EXPECT_EQ(rows, QStringList{QStringLiteral("Aubert Luc|Image|Abîmée|Image illisible ou endommagée.")});
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

} // namespace
