#include "ImageTransforms.h"

#include "ImageGeometry.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Where one destination column (or row) samples the source: the point is
// clamped to the source, low is the pixel at or before it, fraction its
// distance from low (0 <= fraction < 1). A fraction of 0 means the point is a
// pixel, and then that pixel is also the nearest one: inside the source the
// point is an integer, and a point clamped from (-0.5, 0) or (size - 1,
// size - 0.5) rounds to the same edge pixel.
struct Sample
{
    int low;
    double fraction;
};

// The point source size x i / new size - 0.5, computed on integers as
// (2 x source size x i - new size) / (2 x new size): its fraction is then
// exact, and points at the same fraction share their weights exactly.
std::vector<Sample> samplesFor(int sourceSize, int newSize)
{
    std::vector<Sample> samples(static_cast<std::size_t>(newSize));
    const std::int64_t denominator = 2 * std::int64_t(newSize);
    const std::int64_t last = (std::int64_t(sourceSize) - 1) * denominator;
    for (int i = 0; i < newSize; ++i) {
        const std::int64_t numerator =
            std::clamp(2 * std::int64_t(sourceSize) * i - newSize, std::int64_t(0), last);
        const std::int64_t low = numerator / denominator;
        samples[std::size_t(i)] = {int(low), double(numerator - low * denominator) / double(denominator)};
    }
    return samples;
}

// The weights of the source pixels (x0, y0), (x0 + 1, y0), (x0, y0 + 1) and
// (x0 + 1, y0 + 1) for a sampling point at (x0 + fx, y0 + fy): 1 / distance,
// for the pixels that take part (the right-hand ones only when fx is not 0,
// the lower ones only when fy is not 0; the point itself alone when both are
// 0). They are scaled so the largest is 1: equal distances then give weights
// of exactly 1, the sum is exact, and a mean ending in one half rounds to even.
struct Weights
{
    double w00, w10, w01, w11;
    double inverseSum;
};

Weights weightsFor(double fx, double fy)
{
    if (fx == 0 && fy == 0)
        return {1, 0, 0, 0, 1};
    const double d00 = std::sqrt(fx * fx + fy * fy);
    const double d10 = std::sqrt((1 - fx) * (1 - fx) + fy * fy);
    const double d01 = std::sqrt(fx * fx + (1 - fy) * (1 - fy));
    const double d11 = std::sqrt((1 - fx) * (1 - fx) + (1 - fy) * (1 - fy));
    const bool right = fx != 0;
    const bool lower = fy != 0;
    double dMin = d00;
    if (right)
        dMin = std::min(dMin, d10);
    if (lower)
        dMin = std::min(dMin, d01);
    if (right && lower)
        dMin = std::min(dMin, d11);
    Weights w{dMin / d00, right ? dMin / d10 : 0, lower ? dMin / d01 : 0, right && lower ? dMin / d11 : 0, 0};
    w.inverseSum = 1 / (w.w00 + w.w10 + w.w01 + w.w11);
    return w;
}

// Columns whose sampling points have the same fraction share their weights;
// most ratios have only a few such classes, so the weights of a row cost little.
struct ColumnClasses
{
    std::vector<double> fractions;      // one per class
    std::vector<std::uint32_t> classOf; // one per destination column
};

ColumnClasses classesOf(const std::vector<Sample>& columns)
{
    ColumnClasses classes;
    for (const Sample& column : columns)
        classes.fractions.push_back(column.fraction);
    std::sort(classes.fractions.begin(), classes.fractions.end());
    classes.fractions.erase(std::unique(classes.fractions.begin(), classes.fractions.end()),
                            classes.fractions.end());
    for (const Sample& column : columns)
        classes.classOf.push_back(std::uint32_t(
            std::lower_bound(classes.fractions.begin(), classes.fractions.end(), column.fraction) -
            classes.fractions.begin()));
    return classes;
}

// Where each destination pixel samples the source, and the weights of the
// row being made.
class ResamplingPlan
{
public:
    ResamplingPlan(int sourceWidth, int sourceHeight, int newWidth, int newHeight)
        : m_columns(samplesFor(sourceWidth, newWidth)), m_rows(samplesFor(sourceHeight, newHeight)),
          m_classes(classesOf(m_columns)), m_weights(m_classes.fractions.size())
    {
    }

    const Sample& row(int y) const { return m_rows[std::size_t(y)]; }
    // The last source row that destination row y reads.
    int lastRowOf(int y) const { return row(y).low + (row(y).fraction != 0 ? 1 : 0); }

    // Destination row y from source row row(y).low and the one after it (a
    // neighbour without weight is not read: the point may be on the last row).
    void makeRow(int y, const std::uint8_t* row0, const std::uint8_t* row1, std::uint8_t* out)
    {
        const Sample& sy = row(y);
        if (sy.fraction != m_weightsFraction) {
            for (std::size_t k = 0; k < m_weights.size(); ++k)
                m_weights[k] = weightsFor(m_classes.fractions[k], sy.fraction);
            m_weightsFraction = sy.fraction;
        }
        if (sy.fraction == 0)
            row1 = row0;
        // Locals: the bytes written could otherwise be taken to change the members.
        const Sample* columns = m_columns.data();
        const std::uint32_t* classOf = m_classes.classOf.data();
        const Weights* weights = m_weights.data();
        const std::size_t count = m_columns.size();
        for (std::size_t x = 0; x < count; ++x, out += 3) {
            const Sample& sx = columns[x];
            const Weights& w = weights[classOf[x]];
            const std::size_t left = 3 * std::size_t(sx.low);
            const std::size_t right = sx.fraction != 0 ? left + 3 : left;
            for (int c = 0; c < 3; ++c)
                out[c] = std::uint8_t(nearest((w.w00 * row0[left + c] + w.w10 * row0[right + c] +
                                               w.w01 * row1[left + c] + w.w11 * row1[right + c]) *
                                              w.inverseSum));
        }
    }

private:
    std::vector<Sample> m_columns;
    std::vector<Sample> m_rows;
    ColumnClasses m_classes;
    std::vector<Weights> m_weights;
    double m_weightsFraction = -1;
};

template <int Bpp> void rotateInto(const Bitmap& source, Bitmap& destination, bool clockwise)
{
    // Destination column x reads source row h - 1 - x (clockwise) or x
    // (anticlockwise), at source column y or w - 1 - y. The source is taken in
    // strips of rows, each strip written across every destination row: the
    // strip's rows stay in the cache, and each destination row gets a run of
    // bytes at a time rather than single pixels.
    constexpr int kStrip = 256;
    const int w = source.width();
    const int h = source.height();
    const std::uint8_t* strip[kStrip];
    for (int first = 0; first < h; first += kStrip) {
        const int count = std::min(kStrip, h - first);
        for (int i = 0; i < count; ++i)
            strip[i] = source.scanLine(clockwise ? h - 1 - (first + i) : first + i);
        for (int y = 0; y < w; ++y) {
            const std::size_t column = std::size_t(clockwise ? y : w - 1 - y) * Bpp;
            std::uint8_t* out = destination.scanLine(y) + std::size_t(first) * Bpp;
            for (int i = 0; i < count; ++i, out += Bpp)
                for (int c = 0; c < Bpp; ++c)
                    out[c] = strip[i][column + c];
        }
    }
}

} // namespace

struct RowResampler::State
{
    State(int sourceWidth, int sourceHeight, int newWidth, int newHeight)
        : plan(sourceWidth, sourceHeight, newWidth, newHeight)
    {
    }
    ResamplingPlan plan;
    std::vector<bool> sampled;         // per source row: some destination row reads it
    std::vector<std::uint8_t> kept[2]; // source row r, as 24-bit colour, in kept[r % 2]
    std::vector<std::uint8_t> out;
    PixelFormat format = PixelFormat::Bgr24;
    int width = 0;
    int received = 0;
    int emitted = 0;
};

RowResampler::RowResampler(int newWidth, int newHeight, RowSink& output)
    : m_newWidth(newWidth), m_newHeight(newHeight), m_output(output)
{
}

RowResampler::~RowResampler() = default;

void RowResampler::start(int width, int height, PixelFormat format)
{
    const bool empty = width <= 0 || height <= 0 || m_newWidth <= 0 || m_newHeight <= 0;
    m_state.reset();
    m_output.start(empty ? 0 : m_newWidth, empty ? 0 : m_newHeight, PixelFormat::Bgr24);
    if (empty)
        return;
    m_state = std::make_unique<State>(width, height, m_newWidth, m_newHeight);
    State& s = *m_state;
    s.format = format;
    s.width = width;
    s.sampled.assign(std::size_t(height), false);
    for (int y = 0; y < m_newHeight; ++y) {
        s.sampled[std::size_t(s.plan.row(y).low)] = true;
        s.sampled[std::size_t(s.plan.lastRowOf(y))] = true;
    }
    for (auto& row : s.kept)
        row.resize(std::size_t(width) * 3);
    s.out.resize(std::size_t(m_newWidth) * 3);
}

void RowResampler::addRow(const std::uint8_t* pixels)
{
    if (!m_state)
        return;
    State& s = *m_state;
    const int r = s.received++;
    if (r >= int(s.sampled.size()) || !s.sampled[std::size_t(r)])
        return;
    rowToBgr24(pixels, s.format, s.width, s.kept[r % 2].data());
    // Every destination row whose source rows are now all in: its lower one
    // is this row or the one before, both kept.
    for (; s.emitted < m_newHeight && s.plan.lastRowOf(s.emitted) <= r; ++s.emitted) {
        const int low = s.plan.row(s.emitted).low;
        s.plan.makeRow(s.emitted, s.kept[low % 2].data(), s.kept[(low + 1) % 2].data(), s.out.data());
        m_output.addRow(s.out.data());
    }
}

void ResizeBitmap(Bitmap& bitmap, int newWidth, int newHeight)
{
    if (bitmap.format() != PixelFormat::Bgr24 || bitmap.isEmpty() || newWidth <= 0 || newHeight <= 0) {
        // Converted row by row on the way.
        BitmapRows destination;
        RowResampler resampler(newWidth, newHeight, destination);
        sendRows(bitmap, resampler);
        bitmap = destination.take();
        return;
    }
    // The whole picture is at hand: its rows are read in place.
    Bitmap destination(newWidth, newHeight, PixelFormat::Bgr24);
    ResamplingPlan plan(bitmap.width(), bitmap.height(), newWidth, newHeight);
    for (int y = 0; y < newHeight; ++y)
        plan.makeRow(y, bitmap.scanLine(plan.row(y).low), bitmap.scanLine(plan.lastRowOf(y)),
                     destination.scanLine(y));
    bitmap = std::move(destination);
}

FittedRows::FittedRows(int maxSide, RowSink& output, int fullWidth, int fullHeight)
    : m_maxSide(maxSide), m_output(output), m_fullWidth(fullWidth), m_fullHeight(fullHeight)
{
}

FittedRows::~FittedRows() = default;

void FittedRows::start(int width, int height, PixelFormat format)
{
    m_sourceWidth = width;
    m_sourceHeight = height;
    const bool reduced = m_fullWidth > 0 && m_fullHeight > 0;
    const FitRect fit =
        FitImageRect(m_maxSide, m_maxSide, reduced ? m_fullWidth : width, reduced ? m_fullHeight : height, 0);
    m_resampler.reset();
    if (!fit.scaled) {
        m_output.start(width, height, format);
        return;
    }
    m_resampler = std::make_unique<RowResampler>(fit.width, fit.height, m_output);
    m_resampler->start(width, height, format);
}

void FittedRows::addRow(const std::uint8_t* pixels)
{
    if (m_resampler)
        m_resampler->addRow(pixels);
    else
        m_output.addRow(pixels);
}

ThumbnailRows::ThumbnailRows(int width, int height, int fullWidth, int fullHeight)
    : m_width(width), m_height(height), m_fullWidth(fullWidth), m_fullHeight(fullHeight)
{
}

ThumbnailRows::~ThumbnailRows() = default;

void ThumbnailRows::start(int width, int height, PixelFormat format)
{
    const bool reduced = m_fullWidth > 0 && m_fullHeight > 0;
    const FitRect fit =
        FitImageRect(m_width, m_height, reduced ? m_fullWidth : width, reduced ? m_fullHeight : height, 0);
    m_resampler = std::make_unique<RowResampler>(fit.width, fit.height, m_fitted);
    m_resampler->start(width, height, format);
}

void ThumbnailRows::addRow(const std::uint8_t* pixels)
{
    m_resampler->addRow(pixels);
}

Bitmap ThumbnailRows::take()
{
    const Bitmap picture = m_fitted.take();
    Bitmap thumbnail(m_width, m_height, PixelFormat::Bgr24);
    thumbnail.fill(0xFF);
    thumbnail.draw(picture, nearestInt((m_width - picture.width()) / 2.0),
                   nearestInt((m_height - picture.height()) / 2.0));
    return thumbnail;
}

void ShrinkToBox(Bitmap& target, const Bitmap& source, int boxWidth, int boxHeight)
{
    Bitmap picture = toBgr24(source);
    const FitRect fit = FitImageRect(boxWidth, boxHeight, picture.width(), picture.height(), 0);
    ResizeBitmap(picture, fit.width, fit.height);
    target = std::move(picture);
}

void RotateBitmap(Bitmap& bitmap, int angle)
{
    const bool clockwise = angle == 90;
    Bitmap rotated(bitmap.height(), bitmap.width(), bitmap.format());
    switch (bitmap.format()) {
    case PixelFormat::Gray8:
        rotateInto<1>(bitmap, rotated, clockwise);
        break;
    case PixelFormat::Bgr24:
        rotateInto<3>(bitmap, rotated, clockwise);
        break;
    case PixelFormat::Bgra32:
        rotateInto<4>(bitmap, rotated, clockwise);
        break;
    }
    bitmap = std::move(rotated);
}

Bitmap thumbnailOnWhite(const Bitmap& source, int width, int height)
{
    ThumbnailRows thumbnail(width, height);
    sendRows(source, thumbnail);
    return thumbnail.take();
}
