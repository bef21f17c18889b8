// Saving a copy of a stored picture where the user chooses.
#include "SaveImageFile.h"

#include "FileDialogs.h"
#include "Messages.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

TEST(SaveImageFileAs, AMissingFileGivesTheErrorBox)
{
    Messages::Recorder messages;
    FileDialogs::Recorder dialogs;
    SaveImageFileAs(QStringLiteral("/nowhere/Images/Doc17.jpg"), QStringLiteral("Radio.jpg"));
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages()[0].icon, Messages::Icon::Error);
    EXPECT_EQ(messages.messages()[0].text,
              QStringLiteral(
                  "IMPOSSIBLE DE TROUVER L'IMAGE !\rLe fichier \"/nowhere/Images/Doc17.jpg\" a sans doute "
                  "été supprimé manuellement et n'est plus accessible."));
    EXPECT_TRUE(dialogs.requests().isEmpty());
}

TEST(SaveImageFileAs, CopiesWhereTheUserChoosesOverwriting)
{
    TestFolders::Scratch scratch;
    const QString stored = scratch.path() + QStringLiteral("Doc17.jpg");
    const QString chosen = scratch.path() + QStringLiteral("copie.jpg");
    TestFolders::writeFile(stored, "jpeg bytes");
    TestFolders::writeFile(chosen, "something older");
    FileDialogs::Recorder dialogs;
    dialogs.queueAnswer(chosen);
    SaveImageFileAs(stored, QStringLiteral("Dupont/Durand: \"bilan\" <2024>?*|\\.jpg"));
    ASSERT_EQ(dialogs.requests().size(), 1);
    const FileDialogs::Request& request = dialogs.requests()[0];
    EXPECT_EQ(request.mode, FileDialogs::Request::Mode::Save);
    EXPECT_EQ(request.title, QStringLiteral("Enregistrer l'image sous ..."));
    EXPECT_EQ(request.filter, QStringLiteral("Image Jpeg|*.jpg"));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("jpg"));
    EXPECT_FALSE(request.confirmOverwrite);
    EXPECT_EQ(request.fileName, QStringLiteral("Dupont_Durand_ _bilan_ _2024_____.jpg"));
    EXPECT_EQ(TestFolders::readFile(chosen), QByteArray("jpeg bytes"));

    // Cancelled: nothing written.
    TestFolders::writeFile(chosen, "kept");
    SaveImageFileAs(stored, QStringLiteral("x.jpg"));
    EXPECT_EQ(TestFolders::readFile(chosen), QByteArray("kept"));
}
