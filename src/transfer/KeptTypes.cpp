#include "KeptTypes.h"

#include "TypeRules.h"

#include "platform/ado/DataTypeEnum.h"

#include <algorithm>

namespace tw::transfer {

namespace {

using workdb::WorkColumn;
using workdb::WorkType;

constexpr int kLargestAlpha = 255;       // A(n) and TEXT(n)
constexpr int kLargestCharacter = 254;   // FoxPro's C(n)
constexpr int kDoubleDigits = 15;        // every decimal of this many digits is exact as a double
constexpr int kLargestBcdDigits = 32;    // Paradox's # field
constexpr int kNumericWidth = 20;        // FoxPro's widest N
constexpr int kLargestNumericScale = 15; // leaves an N(20) a sign and three digits before the point
constexpr int kMemoLength = 4;           // a memo field's block number
constexpr int kShownDoubleDecimals = 4;  // how a B field from a Paradox number shows (a Y's four)
constexpr int kLargestShownDecimals = 18;
constexpr int kIntegerLength = 4;
constexpr int kEightBytes = 8; // B, Y, D, T

} // namespace

WorkColumn keptWorkColumn(const ado::ColumnInfo &column)
{
    WorkColumn work{column.name, WorkType::Memo};
    // Whether the reader gives the field's values as bytes (binary C and M fields).
    const bool bytes =
        column.type == ado::adBinary || column.type == ado::adVarBinary || column.type == ado::adLongVarBinary;
    switch (column.formatType) {
    case 'C':
    case 'V':
        if (bytes) {
            work.type = WorkType::Binary;
            work.width = column.definedSize;
        } else if (column.definedSize <= kLargestAlpha) {
            work.type = WorkType::VarChar;
            work.width = column.definedSize;
        }
        break;
    case 'Q':
        // A Paradox Bytes field has no length of its own: a shorter value
        // would come back padded with zero bytes. A blob keeps it exact.
        work.type = WorkType::OleObject;
        break;
    case 'N':
    case 'F':
        if (column.precision <= kDoubleDigits) {
            work.type = WorkType::Float;
        } else {
            work.type = WorkType::ScaledDecimal;
            work.precision = std::min(column.precision, kLargestBcdDigits);
            work.scale = std::min(column.numericScale, work.precision);
        }
        break;
    case 'B':
        work.type = WorkType::Float;
        break;
    case 'I':
        work.type = column.autoIncrement ? WorkType::Counter : WorkType::Int;
        break;
    case 'Y':
        work.type = WorkType::Currency;
        break;
    case 'L':
        work.type = WorkType::Bit;
        break;
    case 'D':
        work.type = WorkType::Date;
        break;
    case 'T':
        work.type = WorkType::DateTime;
        break;
    case 'M':
        work.type = bytes ? WorkType::OleObject : WorkType::Memo;
        break;
    case 'W':
    case 'P':
        work.type = WorkType::OleObject;
        break;
    case 'G':
        work.type = WorkType::General;
        break;
    default:
        work.type = copiedWorkType(column);
        break;
    }
    return work;
}

QString keptWorkWords(const WorkColumn &column)
{
    switch (column.type) {
    case WorkType::VarChar:
        return QStringLiteral("TEXT(%1)").arg(column.width);
    case WorkType::Binary:
        return QStringLiteral("BINARY(%1)").arg(column.width);
    case WorkType::ScaledDecimal:
        return QStringLiteral("DECIMAL(%1,%2)").arg(column.precision).arg(column.scale);
    case WorkType::OleObject:
        return QStringLiteral("LONGBINARY");
    case WorkType::Int:
        return QStringLiteral("LONG");
    case WorkType::Float:
        return QStringLiteral("DOUBLE");
    default:
        return workdb::typeWord(column.type);
    }
}

KeptFoxProField keptFoxProField(const ado::ColumnInfo &column)
{
    const auto plain = [](char type, int length, const QString &words) {
        return KeptFoxProField{type, length, 0, false, words, words};
    };
    const auto nullable = [](char type, int length, const QString &words) {
        return KeptFoxProField{type, length, 0, true, words + QStringLiteral(" NULL"), words};
    };
    switch (column.formatType) {
    case 'A':
        if (column.definedSize <= kLargestCharacter)
            return plain('C', column.definedSize, QStringLiteral("C(%1)").arg(column.definedSize));
        return plain('M', kMemoLength, QStringLiteral("M"));
    case 'N': {
        // A B field's decimals only say how Visual FoxPro shows it; it keeps the whole double.
        KeptFoxProField field = nullable('B', kEightBytes, QStringLiteral("B(%1)").arg(kShownDoubleDecimals));
        field.decimals = kShownDoubleDecimals;
        return field;
    }
    case '$':
        return nullable('Y', kEightBytes, QStringLiteral("Y"));
    case '#':
        if (column.numericScale <= kLargestNumericScale) {
            KeptFoxProField field =
                nullable('N', kNumericWidth, QStringLiteral("N(%1,%2)").arg(kNumericWidth).arg(column.numericScale));
            field.decimals = column.numericScale;
            return field;
        }
        {
            const int shown = std::min(column.numericScale, kLargestShownDecimals);
            KeptFoxProField field = nullable('B', kEightBytes, QStringLiteral("B(%1)").arg(shown));
            field.decimals = shown;
            return field;
        }
    case 'S':
    case 'I':
        return nullable('I', kIntegerLength, QStringLiteral("I"));
    case '+':
        return {
            'I', kIntegerLength, 0, false, QStringLiteral("I AUTOINC NEXTVALUE 1 STEP 1"), QStringLiteral("I AUTOINC")};
    case 'L':
        return plain('L', 1, QStringLiteral("L"));
    case 'D':
        return plain('D', kEightBytes, QStringLiteral("D"));
    case '@':
    case 'T':
        return plain('T', kEightBytes, QStringLiteral("T"));
    case 'O':
        return plain('G', kMemoLength, QStringLiteral("G"));
    case 'B':
    case 'G':
    case 'Y':
    case 'F': // a formatted memo is its bytes: its text lies among the formatting's
        return plain('W', kMemoLength, QStringLiteral("W"));
    default: // M and whatever else a memo holds
        return plain('M', kMemoLength, QStringLiteral("M"));
    }
}

} // namespace tw::transfer
