// The person list's thumbnail when the small photo is missing or damaged.
#include "PersonListModel.h"

#include <gtest/gtest.h>
#include <QImage>

namespace {

TEST(PersonThumbnail, MissingOrDamagedSmallPhotoShowsTheSilhouette)
{
    const QImage silhouette = PersonListModel::thumbnailFrom({});
    EXPECT_EQ(silhouette.size(), QSize(45, 45));
    EXPECT_EQ(PersonListModel::thumbnailFrom("BM not really a bitmap"), silhouette);
}

} // namespace
