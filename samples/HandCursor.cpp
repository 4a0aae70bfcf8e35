#include "HandCursor.h"

#include "platform/encoding/ByteCodec.h"

#include <array>

namespace tw::samples {

namespace {
constexpr int kSize = 32;
constexpr quint16 kTypeCursor = 2;
constexpr int kDirHeaderSize = 6;
constexpr int kDirEntrySize = 16;
constexpr int kInfoHeaderSize = 40;
constexpr int kBitsPerPixel = 32;
constexpr int kMaskRowBytes = kSize / 8; // 1 bit a pixel, rows padded to 32 bits
constexpr int kHotSpotX = 6;
constexpr int kHotSpotY = 1;

// 'X' outline, 'o' fill, anything else transparent; top row first.
constexpr std::array<const char *, 21> kHand{
    "                                ", "      XX                        ", "     XooX                       ",
    "     XooX                       ", "     XooX                       ", "     XooX                       ",
    "     XooXXX                     ", "     XooXooXXX                  ", "     XooXooXooXX                ",
    "  XX XooXooXooXoX               ", " XooXXooooooooXoX               ", " XoooXooooooooooX               ",
    "  XooXooooooooooX               ", "   XoXooooooooooX               ", "   XoooooooooooX                ",
    "    XooooooooooX                ", "    XoooooooooX                 ", "     XooooooooX                 ",
    "     XooooooooX                 ", "     XXXXXXXXXX                 ", "                                ",
};

void put16(QByteArray &out, quint16 v)
{
    unsigned char b[2];
    encoding::putU16LE(b, v);
    out.append(reinterpret_cast<const char *>(b), sizeof b);
}

void put32(QByteArray &out, quint32 v)
{
    unsigned char b[4];
    encoding::putU32LE(b, v);
    out.append(reinterpret_cast<const char *>(b), sizeof b);
}

char pixelAt(int x, int y)
{
    if (y >= int(kHand.size()))
        return ' ';
    return kHand[size_t(y)][x];
}
} // namespace

QByteArray HandCursorFile()
{
    const int pixelBytes = kSize * kSize * 4;
    const int maskBytes = kSize * kMaskRowBytes;
    const int imageBytes = kInfoHeaderSize + pixelBytes + maskBytes;

    QByteArray out;
    put16(out, 0);
    put16(out, kTypeCursor);
    put16(out, 1);
    // Directory entry: size, colours, reserved, hot spot, image size and offset.
    out.append(char(kSize));
    out.append(char(kSize));
    out.append(char(0));
    out.append(char(0));
    put16(out, kHotSpotX);
    put16(out, kHotSpotY);
    put32(out, quint32(imageBytes));
    put32(out, quint32(kDirHeaderSize + kDirEntrySize));

    // BITMAPINFOHEADER: the height counts the image and the mask.
    put32(out, kInfoHeaderSize);
    put32(out, kSize);
    put32(out, kSize * 2);
    put16(out, 1);
    put16(out, kBitsPerPixel);
    put32(out, 0);
    put32(out, quint32(pixelBytes + maskBytes));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);

    // Pixels bottom row first, BGRA.
    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const char c = pixelAt(x, y);
            const quint32 bgra = c == 'X' ? 0xFF000000u : c == 'o' ? 0xFFFFFFFFu : 0x00000000u;
            put32(out, bgra);
        }
    }
    // Mask bottom row first: a set bit keeps the screen (transparent).
    for (int y = kSize - 1; y >= 0; --y) {
        for (int byte = 0; byte < kMaskRowBytes; ++byte) {
            quint8 bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const char c = pixelAt(byte * 8 + bit, y);
                if (c != 'X' && c != 'o')
                    bits |= quint8(0x80 >> bit);
            }
            out.append(char(bits));
        }
    }
    return out;
}

} // namespace tw::samples
