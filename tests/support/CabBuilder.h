#pragma once

#include <cstddef>
#include <functional>
#include <QByteArray>
#include <QList>

// Cabinets written field by field, with uncompressed data blocks (or
// MS-ZIP ones), so that a test can put anything in any field: what no
// cabinet tool would write.
namespace CabBuilder {

inline void appendLe(QByteArray& out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char(value >> (8 * i) & 0xff);
}

// The cabinet checksum: the bytes XORed as little-endian 32-bit words, the
// last partial word taken high byte first.
inline quint32 checksum(const QByteArray& bytes, quint32 seed)
{
    quint32 sum = seed;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    qsizetype i = 0;
    for (; i + 4 <= bytes.size(); i += 4)
        sum ^= quint32(p[i]) | quint32(p[i + 1]) << 8 | quint32(p[i + 2]) << 16 | quint32(p[i + 3]) << 24;
    quint32 tail = 0;
    for (; i < bytes.size(); ++i)
        tail = tail << 8 | p[i];
    return sum ^ tail;
}

struct Cab
{
    struct Entry
    {
        QByteArray name;
        quint32 size;
        quint32 offset;
        quint16 folder = 0;
    };
    QList<Entry> entries;
    QByteArray content; // folder 0's uncompressed bytes
    quint16 compression = 0;
    quint16 flags = 0;
    int extraBlocks = 0;       // blocks claimed beyond those written
    int corruptBlockSize = -1; // a compressed size written instead of the true one
    bool badChecksum = false;
    // MS-ZIP blocks: the content's as stored deflate blocks, then
    // `zeroBlocks` blocks of 32 KB of zeros, each a few dozen bytes.
    bool msZip = false;
    int zeroBlocks = 0;
    // With msZip: codes each block ("CK" and the deflate data) from its
    // bytes and the block's before it, in place of the stored form.
    std::function<QByteArray(const QByteArray& chunk, const QByteArray& previous)> coder;

    void add(const QByteArray& name, const QByteArray& bytes)
    {
        entries << Entry{name, quint32(bytes.size()), quint32(content.size())};
        content += bytes;
    }

    // Where a built cabinet's first folder's data begin: its directory's size.
    static std::size_t dataStartOf(const QByteArray& built)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(built.constData()) + 36;
        return std::size_t(p[0]) | std::size_t(p[1]) << 8 | std::size_t(p[2]) << 16 | std::size_t(p[3]) << 24;
    }

    // An MS-ZIP block of `chunk` as it is: "CK", then one final stored deflate block.
    static QByteArray storedBlock(const QByteArray& chunk)
    {
        QByteArray coded("CK\x01");
        appendLe(coded, quint32(chunk.size()), 2);
        appendLe(coded, ~quint32(chunk.size()) & 0xffff, 2);
        return coded + chunk;
    }

    // Where the run of zeros starts in the folder's bytes.
    quint32 zerosOffset() const { return quint32(content.size()); }

    // One data block: its header, then its coded bytes.
    QByteArray block(const QByteArray& coded, int plainSize) const
    {
        QByteArray sizes;
        appendLe(sizes, quint32(corruptBlockSize >= 0 ? corruptBlockSize : coded.size()), 2);
        appendLe(sizes, quint32(plainSize), 2);
        const quint32 sum = checksum(sizes, checksum(coded, 0));
        QByteArray out;
        appendLe(out, badChecksum ? sum ^ 1 : sum, 4);
        return out + sizes + coded;
    }

    QByteArray build() const
    {
        QByteArray files;
        for (const Entry& e : entries) {
            appendLe(files, e.size, 4);
            appendLe(files, e.offset, 4);
            appendLe(files, e.folder, 2);
            appendLe(files, 0x5a21, 2); // 2025-01-01
            appendLe(files, 0, 2);
            appendLe(files, 0x20, 2);
            files += e.name;
            files += '\0';
        }
        QByteArray blocks;
        int count = 0;
        for (qsizetype at = 0; at < content.size(); at += 32768, ++count) {
            const QByteArray chunk = content.mid(at, 32768);
            QByteArray coded = chunk;
            if (msZip && coder)
                coded = coder(chunk, at == 0 ? QByteArray() : content.mid(at - 32768, 32768));
            else if (msZip)
                coded = storedBlock(chunk);
            blocks += block(coded, int(chunk.size()));
        }
        if (zeroBlocks > 0) {
            // qCompress gives a zlib stream after a 4-byte length: its raw
            // deflate data lie between the 2-byte header and the checksum.
            const QByteArray zlib = qCompress(QByteArray(32768, '\0'), 9);
            const QByteArray zeros = block("CK" + zlib.mid(6, zlib.size() - 10), 32768);
            blocks.reserve(blocks.size() + zeroBlocks * zeros.size());
            for (int i = 0; i < zeroBlocks; ++i)
                blocks += zeros;
            count += zeroBlocks;
        }
        const int headerSize = 36, folderSize = 8;
        const quint32 dataStart = quint32(headerSize + folderSize + files.size());
        QByteArray out("MSCF");
        appendLe(out, 0, 4);
        appendLe(out, quint32(dataStart + blocks.size()), 4);
        appendLe(out, 0, 4);
        appendLe(out, headerSize + folderSize, 4);
        appendLe(out, 0, 4);
        out += char(3);
        out += char(1);
        appendLe(out, 1, 2);
        appendLe(out, quint32(entries.size()), 2);
        appendLe(out, flags, 2);
        appendLe(out, 0, 2);
        appendLe(out, 0, 2);
        appendLe(out, dataStart, 4);
        appendLe(out, quint32(count + extraBlocks), 2);
        appendLe(out, msZip ? 1 : compression, 2);
        return out + files + blocks;
    }
};

} // namespace CabBuilder
