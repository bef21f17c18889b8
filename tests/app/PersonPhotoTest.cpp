// The photo frame of page "Général" and the "Impression" menu, through the
// assembled main window on a real household database and real files.
#include "AccessibleMenus.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "CommandNames.h"
#include "FileDialogs.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "PersonListModel.h"
#include "PhotoFrame.h"
#include "PictureCanvas.h"
#include "ProgramAssembly.h"
#include "ReportCommands.h"
#include "TMainForm.h"
#include "TPreviewImage.h"
#include "TReportPrintViewer.h"
#include "TViewImage.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

class PersonPhoto : public ::testing::Test
{
protected:
    PersonPhoto()
    {
        m_id = m_household.addPerson(QStringLiteral("AC/DC"), QStringLiteral("Élise"));
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
        m_frame = m_form->findChild<PhotoFrame*>();
    }
    QString photoFile() { return m_household.dm().photoFile(m_id); }
    QByteArray smallPhoto() { return TDataModule1::smallPhoto(m_id); }
    QImage listThumbnail()
    {
        const auto* list = m_form->findChild<QListView*>(QStringLiteral("Grid_PersonList"));
        return list->model()->index(0, 0).data(PersonListModel::ThumbnailRole).value<QImage>();
    }
    QAction* entry(const char* name)
    {
        return m_frame->menu()->findChild<QAction*>(QString::fromLatin1(name));
    }
    // Chooses a picture of that size through "Sélectionner".
    void choose(QSize size, QColor colour = QColor(0, 0, 200))
    {
        const QString source = m_scratch.path() + QStringLiteral("chosen.bmp");
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        BmpFormat::writeFile(fromQImage(picture), source);
        FileDialogs::Recorder dialogs;
        dialogs.queueAnswer(source);
        m_form->findChild<QPushButton*>(QStringLiteral("Btn_Select_Img"))->click();
        ASSERT_EQ(dialogs.requests().size(), 1);
        EXPECT_EQ(dialogs.requests()[0].title, QStringLiteral("Sélectionnez une image"));
        EXPECT_EQ(
            dialogs.requests()[0].filter,
            QStringLiteral(
                "Tout (*.jpg;*.bmp)|*.jpg;*.bmp|Fichier image JPEG (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp"));
    }

    HouseholdFixture m_household;
    TestFolders::Scratch m_scratch;
    Messages::Recorder m_messages;
    std::unique_ptr<TMainForm> m_form;
    PhotoFrame* m_frame = nullptr;
    int m_id = -1;
};

} // namespace

TEST_F(PersonPhoto, ChoosingAPictureStoresBothCopiesAndTheListFollows)
{
    ASSERT_NE(m_frame, nullptr);
    EXPECT_FALSE(m_frame->hasPhoto());
    const QImage silhouette = listThumbnail();
    choose({300, 150});
    EXPECT_TRUE(QFileInfo::exists(photoFile()));
    const QImage small = toQImage(BmpFormat::decode(smallPhoto()));
    ASSERT_EQ(small.size(), QSize(115, 115));
    EXPECT_EQ(small.pixelColor(57, 5), QColor(Qt::white)); // half as high, centred on white
    EXPECT_EQ(small.pixelColor(57, 57), QColor(0, 0, 200));
    EXPECT_EQ(m_frame->shownPicture(), small);
    EXPECT_NE(listThumbnail(), silhouette);
    EXPECT_TRUE(m_messages.texts().isEmpty());
}

TEST_F(PersonPhoto, DeletingAsksThenEmptiesBothAndRemovesTheFile)
{
    choose({50, 50});
    m_messages.queueAnswer(Messages::Answer::No);
    m_form->findChild<QPushButton*>(QStringLiteral("Btn_Delete_Img"))->click();
    EXPECT_EQ(m_messages.texts(), QStringList{QStringLiteral("Désirez-vous supprimer cette photo ?")});
    EXPECT_TRUE(QFileInfo::exists(photoFile()));
    m_messages.clear();
    m_messages.queueAnswer(Messages::Answer::Yes);
    entry("Popup_Img_Delete")->trigger();
    EXPECT_FALSE(QFileInfo::exists(photoFile()));
    EXPECT_TRUE(smallPhoto().isEmpty());
    EXPECT_FALSE(m_frame->hasPhoto());
    EXPECT_EQ(m_frame->shownPicture().size(), QSize(115, 115)); // the default picture
    EXPECT_EQ(listThumbnail(), PersonListModel::thumbnailFrom({}));
}

TEST_F(PersonPhoto, ViewingPrintingAndSavingUseTheFullSizeFile)
{
    // Nothing to view without a photo.
    EXPECT_TRUE(NextModal::openedBy([&] { entry("Popup_Img_View")->trigger(); }).isEmpty());
    choose({640, 480});
    EXPECT_EQ(NextModal::openedBy([&] { entry("Popup_Img_View")->trigger(); }), QStringLiteral("TViewImage"));
    QString title;
    EXPECT_EQ(NextModal::openedBy([&] { entry("Popup_Img_Print")->trigger(); }, &title),
              QStringLiteral("TPreviewImage"));
    EXPECT_EQ(title, QStringLiteral("Photo (AC/DC)"));
    {
        FileDialogs::Recorder dialogs;
        entry("Popup_Img_Save")->trigger();
        ASSERT_EQ(dialogs.requests().size(), 1);
        EXPECT_EQ(dialogs.requests()[0].fileName, QStringLiteral("AC_DC.jpg"));
    }
    // The file removed by hand: the small copy stays, viewing says why nothing shows.
    QFile::remove(photoFile());
    EXPECT_TRUE(NextModal::openedBy([&] { entry("Popup_Img_View")->trigger(); }).isEmpty());
    EXPECT_EQ(m_messages.texts(), QStringList{TViewImage::missingMessage(photoFile())});
    EXPECT_TRUE(m_frame->hasPhoto());
}

TEST_F(PersonPhoto, MenuEntriesFollowTheDeleteButtonAndScreenReadersFindThem)
{
    auto* photo = m_frame->findChild<PictureCanvas*>(QStringLiteral("ImgDB_Photo_Mini"));
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(10, 10),
                                 photo->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(photo, &rightClick);
    ASSERT_TRUE(m_frame->menu()->isVisible());
    EXPECT_EQ(AccessibleMenus::open(),
              (QList<QStringList>{{QStringLiteral("Sélectionner une image"),
                                   QStringLiteral("Supprimer cette image"),
                                   QStringLiteral("Visualiser la image"), QStringLiteral("Imprimer la image"),
                                   QStringLiteral("Enregistrer l'image sous ..")}}));
    m_frame->menu()->hide();

    emit m_frame->menu()->aboutToShow();
    for (QAction* a : m_frame->menu()->actions()) {
        if (!a->isSeparator()) {
            EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
        }
    }
    m_frame->setPersonEnabled(false);
    emit m_frame->menu()->aboutToShow();
    for (QAction* a : m_frame->menu()->actions())
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
}

TEST_F(PersonPhoto, ImpressionMenuPreviewsTheRecordAndSaysWhenAListIsEmpty)
{
    auto* menu = m_form->menuBar()->findChild<QMenu*>(Menus::Print.objectName());
    const auto action = [&](CommandName name) { return menu->findChild<QAction*>(name.objectName()); };
    for (const CommandName name : {Commands::PrintHealthRecord, Commands::PrintActsHistory,
                                   Commands::PrintMedicinesHistory, Commands::PrintReminderTables})
        EXPECT_TRUE(action(name)->isEnabled()) << name.designName();
    action(Commands::PrintActsHistory)->trigger();
    EXPECT_EQ(m_messages.texts(),
              QStringList{QStringLiteral("Il n'y a pas d'enregistrements dans cette liste.")});
    m_messages.clear();
    QString title;
    EXPECT_EQ(NextModal::openedBy([&] { action(Commands::PrintHealthRecord)->trigger(); }, &title),
              QStringLiteral("TReportPrintViewer"));
    EXPECT_EQ(NextModal::openedBy([&] { action(Commands::PrintReminderTables)->trigger(); }),
              QStringLiteral("TReportPrintViewer"));
    EXPECT_TRUE(m_messages.texts().isEmpty()) << m_messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_household.dataFolder() + QStringLiteral("weight.bmp")));
}

TEST_F(PersonPhoto, ChartPrintingDrawsTheChartLargeAndPreviewsIt)
{
    QSize asked;
    const auto chart = [&](QSize size) {
        asked = size;
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::white);
        return picture;
    };
    EXPECT_EQ(NextModal::openedBy([&] {
                  ReportCommands::printChart(chart, QStringLiteral("Evolution de la taille"),
                                             QStringLiteral("AC/DC Élise"), m_form.get());
              }),
              QStringLiteral("TReportPrintViewer"));
    EXPECT_EQ(asked, QSize(1600, 1200));
    EXPECT_FALSE(QFileInfo::exists(m_household.dataFolder() + QStringLiteral("temp.bmp")));
}
