// The report of a check: text lines for people, one JSON document for scripts.

#include "Check.h"

#include "platform/ado/FormatLimit.h"
#include "platform/encoding/CodePageGuess.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tw::cli {

namespace {

QString grouped(qint64 n)
{
    return ado::groupedNumber(n);
}

QString codePageText(int codePage)
{
    return QStringLiteral("%1 (%2)").arg(codePage).arg(encoding::codePageName(codePage));
}

QJsonArray lostJson(const ado::LostValues &values)
{
    QJsonArray out;
    for (const ado::LostValue &v : values.first()) {
        QJsonObject o{{"row", v.row}, {"column", v.column}, {"value", v.value}, {"reason", v.reason}};
        if (!v.after.isEmpty())
            o.insert("after", v.after);
        out.append(o);
    }
    return out;
}

QJsonObject countedJson(const ado::LostValues &values)
{
    return {{"count", values.count()}, {"first", lostJson(values)}};
}

} // namespace

QString checkReport(const std::vector<TableCheck> &checks)
{
    QString out;
    const auto line = [&](const QString &text) { out += text + u'\n'; };
    for (const TableCheck &c : checks) {
        if (!c.problem.isEmpty()) {
            line(QStringLiteral("%1: cannot be read: %2").arg(c.table, c.problem));
            line({});
            continue;
        }
        line(QStringLiteral("%1: %2").arg(c.table, c.format));
        line(QStringLiteral("  rows: %1%2")
                 .arg(grouped(c.rows))
                 .arg(c.deleted > 0 ? QStringLiteral(" (and %1 deleted, not copied)").arg(grouped(c.deleted))
                                    : QString()));
        line(QStringLiteral("  code page: %1%2")
                 .arg(codePageText(c.codePage))
                 .arg(c.chosen ? QStringLiteral(", chosen with --codepage (the table's mark: %1)")
                                     .arg(c.mark ? codePageText(c.mark) : QStringLiteral("none"))
                      : c.mark ? QStringLiteral(", the table's mark")
                               : QStringLiteral(": the table has no mark")));
        if (c.doubtful) {
            line(QStringLiteral("  the text reads best as (--codepage):"));
            for (const encoding::CodePageCandidate &g : c.guesses)
                line(QStringLiteral("    %1  %2").arg(codePageText(g.codePage), -22).arg(g.sample));
        }
        if (!c.memoFile.isEmpty())
            line(QStringLiteral("  memo file: %1%2")
                     .arg(c.memoFile, c.memoUnreadable > 0 ? QStringLiteral(", %1 value(s) cannot be read: %2")
                                                                 .arg(c.memoUnreadable)
                                                                 .arg(c.memoProblem)
                                      : c.memoSound ? QStringLiteral(", sound")
                                                    : QStringLiteral(", damaged")));
        for (const QString &warning : c.warnings)
            line(QStringLiteral("  warning: %1").arg(warning));
        if (!c.damaged.empty()) {
            line(QStringLiteral("  damaged: %1 in %2 place(s), left out by a copy:")
                     .arg(c.damaged.rowsText())
                     .arg(c.damaged.placeCount()));
            for (const ado::DamagedRow &row : c.damaged.first())
                line(QStringLiteral("    %1").arg(ado::DamagedRows::describe(row)));
        }
        if (!c.unreadable.empty()) {
            line(QStringLiteral("  unreadable: %1 value(s), written as Null by a copy:").arg(c.unreadable.count()));
            for (const ado::LostValue &v : c.unreadable.first())
                line(QStringLiteral("    row %1, column %2: %3").arg(v.row).arg(v.column, v.reason));
        }
        if (!c.misread.empty()) {
            line(QStringLiteral("  misread: %1 text(s) that code page %2 does not give back as stored, written "
                                "changed by a copy:")
                     .arg(c.misread.count())
                     .arg(c.codePage));
            for (const ado::LostValue &v : c.misread.first())
                line(
                    QStringLiteral("    row %1, column %2: %3 reads as %4").arg(v.row).arg(v.column, v.value, v.after));
        }
        if (c.direction) {
            const bool toParadox = *c.direction == CopyDirection::ToParadox;
            line(QStringLiteral("  to %1 as %2%3")
                     .arg(toParadox ? QStringLiteral("Paradox") : QStringLiteral("FoxPro"), c.target,
                          c.targetNote.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(c.targetNote)));
            if (!c.targetProblem.isEmpty())
                line(QStringLiteral("  not copied: %1").arg(c.targetProblem));
            // Columns as wide as their longest name, so that long names keep the table straight.
            qsizetype sourceWidth = 12;
            qsizetype targetWidth = 12;
            for (const CheckedColumn &col : c.columns) {
                sourceWidth = std::max(sourceWidth, col.source.size());
                targetWidth = std::max(targetWidth, col.target.size());
            }
            for (const CheckedColumn &col : c.columns)
                line(QStringLiteral("    %1 %2 -> %3 %4")
                         .arg(col.source, -int(sourceWidth))
                         .arg(col.sourceType, -8)
                         .arg(col.target, -int(targetWidth))
                         .arg(col.targetType));
            if (c.replacedCharacters > 0)
                line(QStringLiteral("  %1 character(s) the target's code page cannot hold would be written as \"?\"")
                         .arg(c.replacedCharacters));
            if (!c.lost.empty()) {
                line(QStringLiteral("  %1 value(s) the target cannot hold would be written as Null:")
                         .arg(c.lost.count()));
                for (const ado::LostValue &v : c.lost.first())
                    line(QStringLiteral("    row %1, column %2: %3 (%4)").arg(v.row).arg(v.column, v.value, v.reason));
            }
            if (!c.changed.empty()) {
                line(QStringLiteral("  %1 value(s) would be written changed:").arg(c.changed.count()));
                for (const ado::LostValue &v : c.changed.first())
                    line(QStringLiteral("    row %1, column %2: %3 becomes %4 (%5)")
                             .arg(v.row)
                             .arg(v.column, v.value, v.after, v.reason));
            }
            line(QStringLiteral("  size: %1 about %2 bytes of at most %3")
                     .arg(c.targetFile, grouped(c.targetBytes), grouped(c.targetLimit)));
            if (!c.limitProblem.isEmpty())
                line(QStringLiteral("  refused: %1").arg(c.limitProblem));
        }
        line(c.whole() ? QStringLiteral("  would arrive whole") : QStringLiteral("  would NOT arrive whole"));
        line({});
    }
    return out;
}

QJsonObject checkJson(const std::vector<TableCheck> &checks)
{
    QJsonArray tables;
    bool whole = true;
    bool read = true;
    for (const TableCheck &c : checks) {
        QJsonObject t{{"table", c.table}, {"whole", c.whole()}};
        whole = whole && c.whole();
        if (!c.problem.isEmpty()) {
            read = false;
            t.insert("problem", c.problem);
            tables.append(t);
            continue;
        }
        t.insert("format", c.format);
        t.insert("rows", c.rows);
        if (c.deleted >= 0)
            t.insert("deletedRows", c.deleted);
        QJsonObject page{{"used", c.codePage}, {"mark", c.mark}, {"chosen", c.chosen}, {"doubtful", c.doubtful}};
        QJsonArray guesses;
        for (const encoding::CodePageCandidate &g : c.guesses)
            guesses.append(QJsonObject{{"codePage", g.codePage},
                                       {"name", encoding::codePageName(g.codePage)},
                                       {"score", g.score},
                                       {"sample", g.sample}});
        page.insert("guesses", guesses);
        t.insert("codePage", page);
        if (!c.memoFile.isEmpty()) {
            QJsonObject memo{{"file", c.memoFile}, {"sound", c.memoSound}};
            if (c.memoUnreadable > 0) {
                memo.insert("unreadable", c.memoUnreadable);
                memo.insert("problem", c.memoProblem);
            }
            t.insert("memoFile", memo);
        }
        t.insert("warnings", QJsonArray::fromStringList(c.warnings));
        QJsonArray damaged;
        for (const ado::DamagedRow &row : c.damaged.first())
            damaged.append(ado::DamagedRows::describe(row));
        t.insert("damaged",
                 QJsonObject{{"rows", c.damaged.rowsText()}, {"places", c.damaged.placeCount()}, {"first", damaged}});
        t.insert("unreadable", countedJson(c.unreadable));
        t.insert("misread", countedJson(c.misread));
        if (c.direction) {
            QJsonArray columns;
            for (const CheckedColumn &col : c.columns)
                columns.append(QJsonObject{{"source", col.source},
                                           {"sourceType", col.sourceType},
                                           {"target", col.target},
                                           {"targetType", col.targetType}});
            QJsonObject target{
                {"direction", *c.direction == CopyDirection::ToParadox ? "paradox" : "foxpro"},
                {"table", c.target},
                {"columns", columns},
                {"replacedCharacters", c.replacedCharacters},
                {"lost", countedJson(c.lost)},
                {"changed", countedJson(c.changed)},
                {"size", QJsonObject{{"file", c.targetFile}, {"bytes", c.targetBytes}, {"limit", c.targetLimit}}}};
            if (!c.targetNote.isEmpty())
                target.insert("note", c.targetNote);
            if (!c.targetProblem.isEmpty())
                target.insert("problem", c.targetProblem);
            if (!c.limitProblem.isEmpty())
                target.insert("limitProblem", c.limitProblem);
            t.insert("target", target);
        }
        tables.append(t);
    }
    return {{"tables", tables}, {"whole", whole}, {"read", read}};
}

} // namespace tw::cli
