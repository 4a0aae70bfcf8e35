#pragma once
// TableHeader: what the header of a Paradox .db file says about its table
// (record layout, blocks, code page, encryption), decoded with every length
// checked against the bytes present.

#include "ParadoxFormat.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace tw::paradox {

struct FieldDef {
    QString name;       // decoded through the table's code page by the reader
    QByteArray rawName; // as stored
    FieldType type = FieldType::Alpha;
    int size = 0;     // bytes in the record (17 for BCD)
    int decimals = 0; // BCD only
};

struct TableHeader {
    int recordSize = 0; // as the header says, or fieldsSize when it says no size a block holds
    int fieldsSize = 0; // what the fields take; odd headers give another record size (the reader decides)
    int headerSize = 0;
    int fileType = 0;
    int blockSize = 0;
    quint32 numRecords = 0;
    int fileBlocks = 0;
    int firstBlock = 0;
    int lastBlock = 0;
    int fileVersion = 0;
    int sortOrder = 0;
    int codePage = 0;       // 0 when the header has none
    quint32 encryption = 0; // 0 when not encrypted
    qint32 autoIncrement = 0;
    std::vector<FieldDef> fields;
    // What decode() read past, one line each: a record size no block holds,
    // a field of a type no reader knows (read as bytes), a file that ends
    // inside its header.
    QStringList warnings;

    // Decodes the header of `fileName` from its first bytes (at least the
    // header, or all of a shorter file). RuntimeError naming the file and the
    // problem when the header is damaged or not a table's.
    static TableHeader decode(const QByteArray &bytes, const QString &fileName);
    // The bytes decode() needs at least: header size field plus the fixed part.
    static constexpr int kMinimumBytes = db::kFieldInfo4x;
};

// One-letter type as Paradox shows it (A, D, S, ...), and the field size a
// type has when it is fixed (0 for A, M, B, F, O, G, Y, #).
QChar typeLetter(FieldType type);
// A field's type as Paradox shows it: the letter, with an A or Y field's
// width ("A20", "Y16") or a # field's decimals ("#2") after it.
QString shownType(FieldType type, int size, int decimals);
bool typeFromLetter(QChar letter, FieldType *type);
int fixedSize(FieldType type);
bool isBlobType(FieldType type);
bool isKnownType(int code);

} // namespace tw::paradox
