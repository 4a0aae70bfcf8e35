#include "Verify.h"

#include "CanonicalDump.h"
#include "common/Main.h"
#include "common/TableList.h"
#include "platform/ado/Field.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/ValueText.h"
#include "platform/encoding/TextCodec.h"
#include "transfer/ColumnPlan.h"
#include "transfer/ParadoxTableName.h"
#include "transfer/TypeRules.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace tw::cli {

namespace {

using ado::Variant;
using Kind = Variant::Kind;

constexpr qsizetype kShownLength = 60; // characters of a value a difference line shows
bool isAbsent(const Variant &value)
{
    return value.isNull() || value.isEmpty() || (value.kind() == Kind::Text && value.asText().isEmpty()) ||
           (value.kind() == Kind::Bytes && value.asBytes().isEmpty());
}

std::optional<double> numberOf(const Variant &value)
{
    switch (value.kind()) {
    case Kind::Integer:
    case Kind::Double:
    case Kind::Currency:
    case Kind::Decimal:
    case Kind::Text:
        try {
            return value.toDouble();
        } catch (...) {
            return std::nullopt;
        }
    default:
        return std::nullopt;
    }
}

// A date and a time of day; a date alone is at midnight, a time alone on the
// day the work database puts times on.
std::optional<std::pair<QDate, int>> momentOf(const Variant &value)
{
    switch (value.kind()) {
    case Kind::Date:
        return std::pair{value.asDate(), 0};
    case Kind::DateTime:
        return std::pair{value.asDate(), value.asMsOfDay()};
    case Kind::Time:
        return std::pair{QDate(1899, 12, 30), value.asMsOfDay()};
    default:
        return std::nullopt;
    }
}

bool sameBytesOrText(const Variant &source, const Variant &target, qint64 *replaced, int targetCodePage)
{
    if (source.kind() == Kind::Bytes || target.kind() == Kind::Bytes)
        return source.toText() == target.toText(); // bytes are never replaced: one character per byte, exactly
    return sameText(source.toText(), target.toText(), replaced, targetCodePage);
}

// How a column's values are compared, by what the copy made of it.
enum class Comparison {
    Texts,          // texts ("?" allowed) or bytes, exactly
    Numbers,        // numerically; digits a double cannot hold are a change
    Moments,        // as date and time of day (a date is at midnight)
    Logicals,       // as true and false
    WrittenTexts,   // the text the copy wrote into a FoxPro memo
    CharacterTexts, // texts of a FoxPro C field, which keeps no blanks at its end
};

Comparison comparisonOf(const transfer::PlannedColumn &column, bool toParadox, transfer::TypeMapping mapping)
{
    if (toParadox) {
        switch (column.work.type) {
        case workdb::WorkType::Int:
        case workdb::WorkType::Float:
        case workdb::WorkType::Decimal:
        case workdb::WorkType::ScaledDecimal:
        case workdb::WorkType::Currency:
        case workdb::WorkType::Counter:
            return Comparison::Numbers;
        case workdb::WorkType::DateTime:
        case workdb::WorkType::Date:
            return Comparison::Moments;
        case workdb::WorkType::Bit:
            return Comparison::Logicals;
        default:
            return Comparison::Texts;
        }
    }
    if (mapping == transfer::TypeMapping::Copies)
        return Comparison::WrittenTexts;
    switch (column.foxproType) {
    case 'B':
    case 'Y':
    case 'N':
    case 'I':
        return Comparison::Numbers;
    case 'D':
    case 'T':
        return Comparison::Moments;
    case 'L':
        return Comparison::Logicals;
    case 'C':
        return Comparison::CharacterTexts;
    default:
        return Comparison::Texts;
    }
}

bool sameNumbers(const Variant &source, const Variant &target)
{
    // Digits a double cannot hold are a change, even where both sides round to the same double.
    if (source.kind() == Kind::Decimal && target.kind() == Kind::Double)
        return ado::holdsExactly(source.asDecimal(), target.asDouble());
    const auto a = numberOf(source);
    const auto b = numberOf(target);
    return a && b && (*a == *b || (std::isnan(*a) && std::isnan(*b)));
}

bool sameWritten(const ado::Field &field, const Variant &target, qint64 *replaced, int targetCodePage)
{
    // A number went as a text that reads back as the same number.
    if (field.Value().kind() == Kind::Double) {
        const double a = field.Value().asDouble();
        const auto b = numberOf(target);
        return b && (a == *b || (std::isnan(a) && std::isnan(*b)));
    }
    QString scratch;
    const QStringView written = transfer::FoxProValueText(field, scratch);
    if (field.Value().kind() == Kind::Bytes || target.kind() == Kind::Bytes)
        return written == target.toText();
    return sameText(written, target.toText(), replaced, targetCodePage);
}

bool sameAs(Comparison comparison, const ado::Field &field, const Variant &target, qint64 *replaced, int targetCodePage)
{
    if (comparison == Comparison::WrittenTexts)
        return sameWritten(field, target, replaced, targetCodePage);
    const Variant &source = field.Value();
    if (isAbsent(source) || isAbsent(target))
        return isAbsent(source) && isAbsent(target);
    switch (comparison) {
    case Comparison::Numbers:
        return sameNumbers(source, target);
    case Comparison::Moments: {
        const auto a = momentOf(source);
        const auto b = momentOf(target);
        return a && b && *a == *b;
    }
    case Comparison::Logicals:
        if (source.kind() == Kind::Boolean && target.kind() == Kind::Boolean)
            return source.asBoolean() == target.asBoolean();
        return source.toText() == target.toText();
    case Comparison::CharacterTexts: {
        QString text = source.toText();
        while (!text.isEmpty() && text.back() == u' ')
            text.chop(1);
        return sameText(text, target.toText(), replaced, targetCodePage);
    }
    default:
        return sameBytesOrText(source, target, replaced, targetCodePage);
    }
}

// Whether a text value arrived as its stored bytes (same code page on both
// sides) or was read from them by a page that gives them back (different
// pages; the decoded comparison covers the rest).
bool sameStored(const Variant &decoded, const Variant &sourceBytes, const Variant &targetBytes,
                const encoding::TextCodec *samePage, const encoding::TextCodec &sourcePage)
{
    if (decoded.kind() != Kind::Text || sourceBytes.kind() != Kind::Text)
        return true;
    if (samePage) {
        if (isAbsent(sourceBytes) || isAbsent(targetBytes))
            return isAbsent(sourceBytes) && isAbsent(targetBytes);
        return targetBytes.kind() == Kind::Text && sourceBytes.asText() == targetBytes.asText();
    }
    return sourcePage.givesBack(decoded.asText(), sourceBytes.asText().toLatin1());
}

QString shownBytes(const Variant &value)
{
    if (value.kind() != Kind::Text)
        return ado::LostValues::describe(value);
    return ado::LostValues::describeBytes(value.asText().toLatin1());
}

QString shownValue(const Variant &value)
{
    QByteArray json;
    appendJsonValue(json, value);
    QString text = QString::fromUtf8(json);
    if (text.size() > kShownLength)
        text = text.left(kShownLength) + QStringLiteral("...");
    return text;
}

} // namespace

bool fitsTargetCodePage(char32_t c, int targetCodePage)
{
    return encoding::TextCodec::forCodePage(targetCodePage).holds(c);
}

bool sameText(QStringView source, QStringView target, qint64 *replaced, int targetCodePage)
{
    qint64 questionMarks = 0;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < source.size() && j < target.size()) {
        const bool pair = source[i].isHighSurrogate() && i + 1 < source.size() && source[i + 1].isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        if (source.sliced(i, length) == target.sliced(j, std::min(length, target.size() - j))) {
            i += length;
            j += length;
            continue;
        }
        const char32_t c = pair ? QChar::surrogateToUcs4(source[i], source[i + 1]) : source[i].unicode();
        if (target[j] != u'?' || fitsTargetCodePage(c, targetCodePage))
            return false;
        ++questionMarks;
        i += length;
        ++j;
    }
    if (i != source.size() || j != target.size())
        return false;
    if (replaced)
        *replaced += questionMarks;
    return true;
}

bool sameByMeaning(const ado::Field &source, const Variant &target, CopyDirection direction, qint64 *replaced,
                   int targetCodePage)
{
    // The copies' own mapping, for this one column.
    const bool toParadox = direction == CopyDirection::ToParadox;
    transfer::PlannedColumn column;
    column.source = source.info();
    column.work.type = transfer::copiedWorkType(source.info());
    return sameAs(comparisonOf(column, toParadox, transfer::TypeMapping::Copies), source, target, replaced,
                  targetCodePage);
}

Verification compareTables(ado::Recordset &source, ado::Recordset &target, CopyDirection direction,
                           transfer::TypeMapping mapping, const CopyNotes &notes, StoredTexts stored)
{
    Verification result;
    qint64 nulled = 0; // differences where the target has Null for a value
    const int targetCodePage = target.codePage() ? target.codePage() : kTargetCodePage;
    const int sourceCodePage = source.codePage() ? source.codePage() : kTargetCodePage;
    const encoding::TextCodec &sourcePage = encoding::TextCodec::forCodePage(sourceCodePage);
    const encoding::TextCodec *samePage = sourceCodePage == targetCodePage ? &sourcePage : nullptr;
    const ado::Fields &from = source.fields();
    const ado::Fields &to = target.fields();
    if (from.count() != to.count()) {
        result.shapeProblem =
            QStringLiteral("the target has %1 columns, the source %2").arg(to.count()).arg(from.count());
        return result;
    }
    const bool toParadox = direction == CopyDirection::ToParadox;
    const transfer::ColumnPlan plan = transfer::planColumns(toParadox, mapping, source.columns(), sourceCodePage);
    std::vector<Comparison> comparisons;
    for (const transfer::PlannedColumn &column : plan.columns)
        comparisons.push_back(comparisonOf(column, toParadox, mapping));
    const bool bytes = stored.source && stored.target && stored.source->fields().count() == from.count() &&
                       stored.target->fields().count() == to.count();
    const auto moveStored = [&] {
        if (!bytes)
            return;
        if (!stored.source->Eof())
            stored.source->MoveNext();
        if (!stored.target->Eof())
            stored.target->MoveNext();
    };
    for (; !source.Eof() && !target.Eof(); source.MoveNext(), target.MoveNext(), moveStored()) {
        ++result.rows;
        const bool bytesHere = bytes && !stored.source->Eof() && !stored.target->Eof();
        for (int k = 0; k < from.count(); ++k) {
            ++result.values;
            const bool meaning =
                sameAs(comparisons[size_t(k)], from(k), to(k).Value(), &result.replacedCharacters, targetCodePage);
            const bool asStored = !bytesHere || sameStored(from(k).Value(), stored.source->fields()(k).Value(),
                                                           stored.target->fields()(k).Value(), samePage, sourcePage);
            if (meaning && asStored)
                continue;
            ++result.differing;
            if (!isAbsent(from(k).Value()) && isAbsent(to(k).Value()))
                ++nulled;
            if (result.shown.size() >= size_t(kShownDifferences))
                continue;
            if (meaning) // the texts read the same, their bytes differ
                result.shown.push_back({result.rows, from(k).name(), shownBytes(stored.source->fields()(k).Value()),
                                        shownBytes(stored.target->fields()(k).Value())});
            else
                result.shown.push_back(
                    {result.rows, from(k).name(), shownValue(from(k).Value()), shownValue(to(k).Value())});
        }
    }
    qint64 sourceRows = result.rows;
    qint64 targetRows = result.rows;
    for (; !source.Eof(); source.MoveNext())
        ++sourceRows;
    for (; !target.Eof(); target.MoveNext())
        ++targetRows;
    if (sourceRows != targetRows)
        result.shapeProblem = QStringLiteral("the target has %1 rows, the source %2").arg(targetRows).arg(sourceRows);
    // What the copy reported is no failure; anything beyond it is.
    result.reportedLost = std::min(nulled, notes.lost.count());
    result.reportedChanged = std::min(result.differing - nulled, notes.changed.count());
    result.differing -= result.reportedLost + result.reportedChanged;
    if (result.differing == 0)
        result.shown.clear();
    return result;
}

std::vector<PlannedCopy> plannedCopies(const TableList &sourceList, const TableList &targetList,
                                       CopyDirection direction, bool yes)
{
    std::vector<PlannedCopy> plans;
    for (int i = sourceList.count() - 1; i >= 0; --i) {
        if (!sourceList.selected(i))
            continue;
        PlannedCopy plan{sourceList.text(i), sourceList.text(i)};
        if (direction == CopyDirection::ToParadox && plan.target.size() > transfer::kMaxParadoxName) {
            if (yes)
                plan.target = transfer::CutParadoxName(plan.target);
            else
                plan.outcome = PlannedCopy::Outcome::PassedOver;
        }
        if (plan.outcome == PlannedCopy::Outcome::Written && Main::ListHasItem(targetList, plan.target)) {
            if (!yes)
                plan.outcome = PlannedCopy::Outcome::Kept;
            for (int k = 0; k < targetList.count() && direction == CopyDirection::ToFoxPro; ++k) {
                if (targetList.text(k).toLower() == plan.target.toLower())
                    plan.target = targetList.text(k);
            }
        }
        plans.push_back(plan);
    }
    return plans;
}

QString reportName(const PlannedCopy &copy)
{
    return copy.target == copy.source ? copy.source : QStringLiteral("%1 (as %2)").arg(copy.source, copy.target);
}

QStringList verificationLines(const PlannedCopy &copy, const Verification &result)
{
    QString table = reportName(copy);
    if (copy.outcome == PlannedCopy::Outcome::Kept)
        table += QStringLiteral(" (kept, not overwritten)");
    QStringList lines;
    if (result.ok()) {
        QString line =
            QStringLiteral("%1: verified: %2 rows, %3 values").arg(table).arg(result.rows).arg(result.values);
        if (result.replacedCharacters > 0)
            line += QStringLiteral(" (%1 character(s) the target cannot hold written as \"?\")")
                        .arg(result.replacedCharacters);
        if (result.reportedLost > 0)
            line += QStringLiteral(" (%1 value(s) written as Null, as reported)").arg(result.reportedLost);
        if (result.reportedChanged > 0)
            line += QStringLiteral(" (%1 value(s) written changed, as reported)").arg(result.reportedChanged);
        return {line};
    }
    if (!result.shapeProblem.isEmpty())
        lines << QStringLiteral("%1: differs from its source: %2").arg(table, result.shapeProblem);
    if (result.differing > 0)
        lines << QStringLiteral("%1: %2 of %3 values differ from the source")
                     .arg(table)
                     .arg(result.differing)
                     .arg(result.values);
    for (const ValueDifference &d : result.shown)
        lines << QStringLiteral("%1: row %2, column %3: source %4, target %5")
                     .arg(table)
                     .arg(d.row)
                     .arg(d.column, d.source, d.target);
    return lines;
}

} // namespace tw::cli
