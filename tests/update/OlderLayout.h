#pragma once

#include "Bitmap.h"

#include <QString>

// Household databases of the older layout that the update script of this
// version upgrades (tests/update/data/layout_320.sql), with their pictures
// as bitmaps in the rows. Shared by the tests and the update benchmark.
namespace OlderLayout {

// A picture whose every pixel depends on its place and on the seed.
Bitmap picture(int width, int height, int seed);

struct Content
{
    int documents = 3; // DOCUMENTIMG rows, each with its picture and a 90 x 90 thumbnail
    int documentWidth = 640;
    int documentHeight = 480;
};

// Writes the database at `path` (folders made): the layout's rows, then
// the first person's 300 x 400 photo with a 64 x 64 small photo, the second
// person's 800 x 600 photo, and the documents of the first two persons.
// Throws std::runtime_error.
void create(const QString& path, const Content& content = {});

} // namespace OlderLayout
