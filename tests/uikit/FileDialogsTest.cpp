#include "FileDialogs.h"

#include <gtest/gtest.h>

TEST(FileDialogs, FiltersTakeQtsForm)
{
    EXPECT_EQ(FileDialogs::qtFilter(QStringLiteral("Image Jpeg|*.jpg")),
              QStringLiteral("Image Jpeg (*.jpg)"));
    EXPECT_EQ(FileDialogs::qtFilter(QStringLiteral("Tout (*.jpg;*.bmp)|*.jpg;*.bmp|Bitmaps (*.bmp)|*.bmp")),
              QStringLiteral("Tout (*.jpg;*.bmp) (*.jpg *.bmp);;Bitmaps (*.bmp) (*.bmp)"));
}

TEST(FileDialogs, RecorderAnswersInTurnThenCancels)
{
    FileDialogs::Recorder recorder;
    recorder.queueAnswer(QStringLiteral("/tmp/a.jpg"));
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Enregistrer l'image sous ...");
    EXPECT_EQ(FileDialogs::choose(request), QStringLiteral("/tmp/a.jpg"));
    EXPECT_EQ(FileDialogs::choose(request), QString());
    ASSERT_EQ(recorder.requests().size(), 2);
    EXPECT_EQ(recorder.requests()[0].title, request.title);
}
