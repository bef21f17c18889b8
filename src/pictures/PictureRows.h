#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <vector>

// A picture handed over row by row, top down, so that a large one never has
// to sit whole in memory: the decoders give their rows to a sink, and the
// resampler and the JPEG writer are sinks that pass theirs on.
class RowSink
{
public:
    virtual ~RowSink() = default;
    // Once, before the first row.
    virtual void start(int width, int height, PixelFormat format) = 0;
    // Each row in turn: width pixels of the format given to start, valid
    // only during the call.
    virtual void addRow(const std::uint8_t* pixels) = 0;
};

// Collects the rows into a bitmap.
class BitmapRows : public RowSink
{
public:
    void start(int width, int height, PixelFormat format) override;
    void addRow(const std::uint8_t* pixels) override;
    // The picture, once every row is in.
    Bitmap take() { return std::move(m_bitmap); }

private:
    Bitmap m_bitmap;
    int m_next = 0;
};

// Gives every row to two sinks.
class BothSinks : public RowSink
{
public:
    BothSinks(RowSink& first, RowSink& second) : m_first(first), m_second(second) {}
    void start(int width, int height, PixelFormat format) override;
    void addRow(const std::uint8_t* pixels) override;

private:
    RowSink& m_first;
    RowSink& m_second;
};

// Passes the rows on as 24-bit colour (grey spread over the three colour
// bytes, the fourth byte of 32-bit pixels dropped).
class Bgr24Rows : public RowSink
{
public:
    explicit Bgr24Rows(RowSink& output) : m_output(output) {}
    void start(int width, int height, PixelFormat format) override;
    void addRow(const std::uint8_t* pixels) override;

private:
    RowSink& m_output;
    PixelFormat m_format = PixelFormat::Bgr24;
    int m_width = 0;
    std::vector<std::uint8_t> m_row;
};

// Gives the bitmap's rows to the sink.
void sendRows(const Bitmap& bitmap, RowSink& sink);

// One row of width pixels of the format as 24-bit colour, into `to`.
void rowToBgr24(const std::uint8_t* from, PixelFormat format, int width, std::uint8_t* to);
