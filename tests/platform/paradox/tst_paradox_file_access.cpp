// The reader's windows and the writer's buffer on their own: what they hand
// out and what reaches the file, around their sizes, the end of the file and
// errors.

#include "TestSupport.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FaultPlan.h"
#include "platform/files/File.h"
#include "platform/paradox/ReadWindow.h"
#include "platform/paradox/WriteBuffer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using tw::files::File;
using tw::paradox::ReadWindow;
using tw::paradox::WriteBuffer;
using tw::test::writeFile;

namespace {

QByteArray pattern(qint64 size, int seed)
{
    QByteArray b(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        b[i] = char((i * 13 + seed + i / 251) % 256);
    return b;
}

} // namespace

class TestParadoxFileAccess : public QObject {
    Q_OBJECT

private slots:
    void windowsServeEveryRange();
    void scrambledWindowsAreUnscrambledOnce();
    void readErrorsAreReported();
    void bufferWritesInOrderAndReplaces();
    void bufferWriteErrorsNameTheFile();

private:
    QTemporaryDir m_dir;
};

void TestParadoxFileAccess::windowsServeEveryRange()
{
    const QByteArray content = pattern(3 * ReadWindow::kCapacity + 777, 1);
    const QString path = m_dir.filePath(QStringLiteral("window.bin"));
    QVERIFY(writeFile(path, content));
    const File file(path, File::Mode::Read);
    const qint64 size = content.size();
    ReadWindow window(file, size);
    const char *data = nullptr;
    // What is wrong with a view; it must be the file's bytes, zeros past its end.
    auto wrong = [&](qint64 offset, qint64 length) {
        const qint64 held = window.view(offset, length, &data);
        if (held != qBound<qint64>(0, size - offset, length) || QByteArray(data, held) != content.mid(offset, held) ||
            QByteArray(data + held, length - held) != QByteArray(length - held, '\0'))
            return QStringLiteral("the view of %1 bytes at %2 is wrong").arg(length).arg(offset);
        return QString();
    };
#define CHECK_VIEW(offset, length)                                                                                     \
    do {                                                                                                               \
        const QString why = wrong(offset, length);                                                                     \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                                      \
    } while (false)
    // Running on from the start (windows grow), ranges that straddle a
    // window's end, a whole-window range.
    for (qint64 at = 0; at < size; at += 5000)
        CHECK_VIEW(at, 3000);
    CHECK_VIEW(ReadWindow::kFirstRead - 10, 20);
    CHECK_VIEW(1, ReadWindow::kCapacity);
    // Back and forth between two regions, then a third, then back.
    for (int i = 0; i < 5; ++i) {
        CHECK_VIEW(100 + i * 40, 40);
        CHECK_VIEW(2 * ReadWindow::kCapacity + i * 900, 900);
    }
    CHECK_VIEW(ReadWindow::kCapacity + 5, 300);
    CHECK_VIEW(120, 16);
    // At and past the end of the file.
    CHECK_VIEW(size - 10, 100);
    CHECK_VIEW(size, 50);
    CHECK_VIEW(size + 4096, 8);
    CHECK_VIEW(0, 0);
}

void TestParadoxFileAccess::scrambledWindowsAreUnscrambledOnce()
{
    // Each 256-byte unit is scrambled on its own, by the place of each byte
    // in the unit: windows must start at a unit.
    const qint64 unit = 256;
    const QByteArray plain = pattern(40 * 1024 + 100, 2);
    QByteArray stored = plain;
    for (qint64 i = 0; i < stored.size(); ++i)
        stored[i] = char(stored[i] ^ (i % unit));
    const QString path = m_dir.filePath(QStringLiteral("scrambled.bin"));
    QVERIFY(writeFile(path, stored));
    const File file(path, File::Mode::Read);
    int calls = 0;
    ReadWindow window(file, stored.size(), unit, [&](unsigned char *data, qint64 size) {
        ++calls;
        QCOMPARE(size % unit, 0);
        for (qint64 i = 0; i < size; ++i)
            data[i] = static_cast<unsigned char>(data[i] ^ (i % unit));
    });
    const char *data = nullptr;
    for (qint64 at = 3; at + 700 <= plain.size(); at += 700) {
        QCOMPARE(window.view(at, 700, &data), qint64(700));
        QCOMPARE(QByteArray(data, 700), plain.mid(at, 700));
    }
    // One unscrambling per window read, not per view.
    QVERIFY2(calls >= 2 && calls <= 6, qPrintable(QString::number(calls)));
    QCOMPARE(window.view(plain.size() - 50, 50, &data), qint64(50));
    QCOMPARE(QByteArray(data, 50), plain.right(50));
}

void TestParadoxFileAccess::readErrorsAreReported()
{
    // A file that opens but whose reads fail.
    const QString path = m_dir.filePath(QStringLiteral("unreadable.bin"));
    QVERIFY(writeFile(path, pattern(100000, 3)));
    const File file(path, File::Mode::Read);
    const tw::files::ScopedFaultPlan faults({-1, -1, QStringLiteral("unreadable.bin")});
    ReadWindow window(file, 100000);
    const char *data = nullptr;
    QCOMPARE(window.view(0, 10, &data), qint64(-1));
    QVERIFY(!window.errorString().isEmpty());
    char out[16];
    QString error;
    QCOMPARE(ReadWindow::readAt(file, 0, out, sizeof out, &error), qint64(-1));
    QCOMPARE(error, window.errorString());
}

void TestParadoxFileAccess::bufferWritesInOrderAndReplaces()
{
    const QString path = m_dir.filePath(QStringLiteral("buffer.bin"));
    QFile::remove(path);
    File file(path, File::Mode::CreateNew);
    file.writeAt(0, QByteArray("head"));
    QByteArray expected = "head";
    {
        WriteBuffer out(file, QStringLiteral("buffer.bin"), 4);
        QCOMPARE(out.position(), qint64(4));
        // A slot kept open while the buffer goes to disk several times, then
        // filled in; one filled in while still held.
        const qint64 early = out.position();
        out.appendZeros(4096);
        expected += QByteArray(4096, '\0');
        for (int i = 0; i < 40; ++i) {
            const QByteArray piece = pattern(50000 + i, i);
            out.append(piece.constData(), piece.size());
            expected += piece;
        }
        const QByteArray big = pattern(WriteBuffer::kCapacity + 3, 9); // straight to the file
        out.append(big.constData(), big.size());
        expected += big;
        const qint64 late = out.position();
        out.appendZeros(2 * WriteBuffer::kCapacity + 5);
        expected += QByteArray(2 * WriteBuffer::kCapacity + 5, '\0');
        const QByteArray slot = pattern(4096, 7);
        out.overwrite(early, slot.constData(), slot.size());
        expected.replace(early, slot.size(), slot);
        // Across what went to disk and what is still held.
        const qint64 across = out.position() - 100;
        const QByteArray tail = pattern(90, 8);
        out.overwrite(late, tail.constData(), tail.size());
        expected.replace(late, tail.size(), tail);
        out.overwrite(across, tail.constData(), tail.size());
        expected.replace(across, tail.size(), tail);
        const qint64 straddle = WriteBuffer::kCapacity * 3 - 20;
        out.overwrite(straddle, tail.constData(), tail.size());
        expected.replace(straddle, tail.size(), tail);
        QCOMPARE(out.position(), qint64(expected.size()));
        out.flush();
        // What the buffer still holds when it goes away is not written.
        out.append("lost", 4);
    }
    file.close();
    QFile check(path);
    QVERIFY(check.open(QIODevice::ReadOnly));
    const QByteArray written = check.readAll();
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);
}

void TestParadoxFileAccess::bufferWriteErrorsNameTheFile()
{
    // A disk that is full once the file holds 500 bytes.
    File full(m_dir.filePath(QStringLiteral("~tw000000.mb")), File::Mode::CreateNew);
    const tw::files::ScopedFaultPlan faults({500, -1, {}});
    WriteBuffer out(full, QStringLiteral("orders.mb"), 0);
    const QByteArray piece(1000, 'x');
    out.append(piece.constData(), piece.size());
    try {
        out.flush();
        QFAIL("a write to a full device succeeded");
    } catch (const tw::ado::RuntimeError &e) {
        QVERIFY2(e.description().startsWith(QStringLiteral("orders.mb: write error: ")), qPrintable(e.description()));
    }
}

QTEST_GUILESS_MAIN(TestParadoxFileAccess)
#include "tst_paradox_file_access.moc"
