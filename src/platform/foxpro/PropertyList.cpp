#include "PropertyList.h"

#include "platform/encoding/ByteCodec.h"

namespace tw::foxpro {

using namespace encoding; // the byte codecs

namespace {
constexpr int kLengthSize = 4;
constexpr int kIdLengthSize = 2;
constexpr int kIdSize = 1;
constexpr int kEntryOverhead = kLengthSize + kIdLengthSize + kIdSize;
} // namespace

PropertyList PropertyList::decode(const QByteArray &blob)
{
    PropertyList list;
    const unsigned char *p = bytesOf(blob.constData());
    qsizetype at = 0;
    while (blob.size() - at >= kEntryOverhead) {
        const uint32_t length = getU32LE(p + at);
        const uint16_t idLength = getU16LE(p + at + kLengthSize);
        if (length < uint32_t(kLengthSize + kIdLengthSize + idLength) || idLength < 1 ||
            qint64(length) > blob.size() - at)
            break;
        const qsizetype valueAt = at + kLengthSize + kIdLengthSize + idLength;
        list.m_entries.push_back(
            {p[at + kLengthSize + kIdLengthSize], blob.mid(valueAt, qsizetype(length) - (valueAt - at))});
        at += qsizetype(length);
    }
    return list;
}

QByteArray PropertyList::encode() const
{
    QByteArray out;
    for (const Property &e : m_entries) {
        QByteArray entry(kEntryOverhead, '\0');
        putU32LE(bytesOf(entry.data()), uint32_t(kEntryOverhead + e.value.size()));
        putU16LE(bytesOf(entry.data()) + kLengthSize, kIdSize);
        entry[kLengthSize + kIdLengthSize] = char(e.id);
        out += entry + e.value;
    }
    return out;
}

std::optional<QByteArray> PropertyList::value(uint8_t id) const
{
    for (const Property &e : m_entries)
        if (e.id == id)
            return e.value;
    return std::nullopt;
}

std::optional<QByteArray> PropertyList::string(uint8_t id) const
{
    auto v = value(id);
    if (!v)
        return v;
    const qsizetype nul = v->indexOf('\0');
    if (nul >= 0)
        v->truncate(nul);
    return v;
}

} // namespace tw::foxpro
