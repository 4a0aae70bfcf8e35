// Little- and big-endian integers: the bytes each width gives and takes.

#include "platform/encoding/ByteCodec.h"

#include <QByteArray>
#include <QTest>

using namespace tw::encoding;

class ByteCodecTest : public QObject {
    Q_OBJECT
private slots:
    void littleEndian();
    void bigEndian();
};

void ByteCodecTest::littleEndian()
{
    unsigned char b[8] = {};
    putU16LE(b, 0xBEEF);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 2), QByteArray("\xEF\xBE"));
    QCOMPARE(getU16LE(b), uint16_t(0xBEEF));
    putU32LE(b, 0x80000001u);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 4), QByteArray("\x01\x00\x00\x80", 4));
    QCOMPARE(getI32LE(b), int32_t(-2147483647));
    putU64LE(b, 0x0102030405060708ull);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 8), QByteArray("\x08\x07\x06\x05\x04\x03\x02\x01"));
    QCOMPARE(getU64LE(b), 0x0102030405060708ull);
    putU64LE(b, uint64_t(-20000));
    QCOMPARE(getI64LE(b), int64_t(-20000));
    // 1.5 as IEEE double.
    const QByteArray one5 = QByteArray::fromHex("000000000000f83f");
    QCOMPARE(getF64LE(bytesOf(one5.constData())), 1.5);
}

void ByteCodecTest::bigEndian()
{
    unsigned char b[8] = {};
    putU16BE(b, 0xBEEF);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 2), QByteArray("\xBE\xEF"));
    QCOMPARE(getU16BE(b), uint16_t(0xBEEF));
    putU32BE(b, 0x01020304u);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 4), QByteArray("\x01\x02\x03\x04"));
    QCOMPARE(getU32BE(b), 0x01020304u);
    putU64BE(b, 0x8000000000000001ull);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 8), QByteArray("\x80\x00\x00\x00\x00\x00\x00\x01", 8));
    QCOMPARE(getU64BE(b), 0x8000000000000001ull);
}

QTEST_GUILESS_MAIN(ByteCodecTest)
#include "tst_encoding_bytes.moc"
