#pragma once

#include "Bitmap.h"
#include "PictureRows.h"

#include <memory>

// Resamples the picture to the new size by inverse-distance weighting of the
// four source pixels nearest to each destination pixel; the result is 24-bit.
// Resampling to the same size is not the identity: destination pixels sit
// half a pixel up and left of their source, so each one blends itself with
// its left, upper and upper-left neighbours.
void ResizeBitmap(Bitmap& bitmap, int newWidth, int newHeight);

// ResizeBitmap for a picture given row by row: the same 24-bit rows passed
// on, with only the two source rows last sampled held.
class RowResampler : public RowSink
{
public:
    RowResampler(int newWidth, int newHeight, RowSink& output);
    ~RowResampler() override;
    void start(int width, int height, PixelFormat format) override;
    void addRow(const std::uint8_t* pixels) override;

private:
    struct State;
    int m_newWidth;
    int m_newHeight;
    RowSink& m_output;
    std::unique_ptr<State> m_state;
};

// Passes the rows on fitted into maxSide x maxSide (FitImageRect, margin 0;
// resampled as ResizeBitmap does) when the picture is larger, unchanged
// otherwise. When the rows are a reduced decode of a fullWidth x fullHeight
// picture, the fit is the full picture's.
class FittedRows : public RowSink
{
public:
    FittedRows(int maxSide, RowSink& output, int fullWidth = 0, int fullHeight = 0);
    ~FittedRows() override;
    void start(int width, int height, PixelFormat format) override;
    void addRow(const std::uint8_t* pixels) override;
    // The size of the rows given, once started.
    int sourceWidth() const { return m_sourceWidth; }
    int sourceHeight() const { return m_sourceHeight; }

private:
    int m_sourceWidth = 0;
    int m_sourceHeight = 0;
    int m_maxSide;
    RowSink& m_output;
    int m_fullWidth;
    int m_fullHeight;
    std::unique_ptr<RowResampler> m_resampler;
};

// target = a 24-bit copy of source resampled to its FitImageRect in the box
// (margin 0): reduced with proportions kept when larger, same size otherwise.
void ShrinkToBox(Bitmap& target, const Bitmap& source, int boxWidth, int boxHeight);

// A quarter turn: clockwise for 90, anticlockwise for any other angle. The
// pixel format is kept.
void RotateBitmap(Bitmap& bitmap, int angle);

// The source fitted into width x height (ShrinkToBox) and drawn centred on a
// white 24-bit picture of exactly that size; all white for an empty source.
Bitmap thumbnailOnWhite(const Bitmap& source, int width, int height);

// thumbnailOnWhite for a picture given row by row. When the rows are a
// reduced decode of a fullWidth x fullHeight picture, the fit is the full
// picture's, so the thumbnail has the size the whole picture would give.
class ThumbnailRows : public RowSink
{
public:
    ThumbnailRows(int width, int height, int fullWidth = 0, int fullHeight = 0);
    ~ThumbnailRows() override;
    void start(int width, int height, PixelFormat format) override;
    void addRow(const std::uint8_t* pixels) override;
    // Once every row is in.
    Bitmap take();

private:
    int m_width;
    int m_height;
    int m_fullWidth;
    int m_fullHeight;
    BitmapRows m_fitted;
    std::unique_ptr<RowResampler> m_resampler;
};
