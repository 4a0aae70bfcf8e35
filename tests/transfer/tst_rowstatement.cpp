// The INSERT text of a row, built only when a report shows it, is exactly the
// text the row's steps build one after the other (long values cut into joined
// pieces of 200 characters, quotes doubled, an empty value as ''), as far as
// the row had been built; and the FoxPro provider reads back from that text
// the very values it is handed without it.

#include "RowStatement.h"
#include "StatementText.h"
#include "TypeRules.h"

#include "TestSupport.h"
#include "TransferFixture.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/sql/Parser.h"
#include "transfer/ColumnPlan.h"

#include <QDir>
#include <QtTest>

using namespace tw;

namespace {

// The row statement as its steps build it, value after value.
QString stepByStep(const QString &path, const QStringList &values, int built, bool closed)
{
    QString statement = QStringLiteral("INSERT INTO `") + path + QStringLiteral("` VALUES('");
    for (int i = 0; i < built; ++i) {
        const QString v = FoxproSource::SplitLongValue(values[i]);
        if (v.isEmpty()) {
            statement.chop(1);
            statement += QStringLiteral("'', '");
            continue;
        }
        // Quotes of the value are doubled; the joints SplitLongValue put in stay.
        QString quoted;
        for (qsizetype k = 0; k < v.size(); ++k) {
            const bool joint =
                k + 2 < v.size() && v.mid(k, 3) == QLatin1String(FoxproSource::kJoint) && (k + 1) % 203 == 201;
            if (joint) {
                quoted += QLatin1String(FoxproSource::kJoint);
                k += 2;
                continue;
            }
            quoted += v[k];
            if (v[k] == u'\'')
                quoted += u'\'';
        }
        statement += quoted + QStringLiteral("', '");
    }
    if (closed) {
        statement.chop(3);
        statement += u')';
    }
    return statement;
}

QStringList hostileValues()
{
    return {QString(),
            QStringLiteral("O'Brien"),
            QString(199, u'a') + u'\'',
            QString(200, u'b'),
            QString(199, u'c') + QStringLiteral("'+'") + QString(5, u'd'),
            QString(200, u'\''),
            QString(401, u'x'),
            QStringLiteral("line\r\nbreak\nand\rmore"),
            QStringLiteral("'+'"),
            QStringLiteral("`][\""),
            QString(450, u'\u00e9'),
            QStringLiteral("ends with a quote'")};
}

} // namespace

class RowStatementTest : public QObject {
    Q_OBJECT

private slots:
    void matchesTheStepByStepText();
    void theProviderReadsBackTheValues();
    void corpusRows();
};

void RowStatementTest::matchesTheStepByStepText()
{
    const QString path = QStringLiteral("C:\\Data\\orders.DBF");
    const QStringList values = hostileValues();
    transfer::RowStatement row;
    row.start(path, int(values.size()));
    row.newRow();
    QCOMPARE(row.text(), stepByStep(path, values, 0, false));
    for (int i = 0; i < values.size(); ++i) {
        row.add(values[i]);
        QCOMPARE(row.text(), stepByStep(path, values, i + 1, false));
    }
    row.close();
    QCOMPARE(row.text(), stepByStep(path, values, int(values.size()), true));
    // The next row starts afresh and keeps nothing of this one.
    row.newRow();
    row.add(QStringLiteral("only"));
    QCOMPARE(row.text(), stepByStep(path, {QStringLiteral("only")}, 1, false));
}

void RowStatementTest::theProviderReadsBackTheValues()
{
    const QStringList values = hostileValues();
    transfer::RowStatement row;
    row.start(QStringLiteral("/tmp/x/t.DBF"), int(values.size()));
    row.newRow();
    for (const QString &v : values)
        row.add(v);
    row.close();
    const sql::Statement parsed = sql::parse(row.text());
    const auto *insert = std::get_if<sql::Insert>(&parsed);
    QVERIFY(insert);
    QCOMPARE(insert->table, row.table());
    QCOMPARE(insert->values.size(), size_t(values.size()));
    for (int i = 0; i < values.size(); ++i) {
        QCOMPARE(insert->values[size_t(i)].text, values[i]);
        QCOMPARE(row.values()[size_t(i)].asText(), values[i]);
    }
}

void RowStatementTest::corpusRows()
{
    const QString corpus = test::sharedDir() + QStringLiteral("/corpus/paradox");
    QVERIFY2(QDir(corpus).exists(), "the shared corpus is missing");
    paradox::registerProvider();
    ado::Connection px;
    px.Open(QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;Fil=Paradox 5.X;DefaultDir=") +
            corpus + QStringLiteral(";Dbq=") + corpus + QStringLiteral(";CollatingSequence=ASCII;"));
    int rows = 0;
    for (const QString &file : QDir(corpus).entryList({QStringLiteral("*.db")}, QDir::Files)) {
        ado::Recordset rs;
        try {
            rs.Open(QStringLiteral("SELECT * FROM `") + QFileInfo(file).completeBaseName() + u'`', px);
        } catch (const ado::RuntimeError &) {
            continue; // tables the reader refuses are tested elsewhere
        }
        transfer::RowStatement row;
        const QString path = QStringLiteral("/t/") + file.toUpper() + QStringLiteral(".DBF");
        row.start(path, rs.fields().count());
        // The same rows as a copy that keeps the fields' types shows them: FoxPro's literals.
        const test::TransferFixture fixture;
        const transfer::ColumnPlan plan =
            transfer::planColumns(false, transfer::TypeMapping::KeepTypes, rs.columns(), rs.codePage());
        std::vector<char> types;
        for (const transfer::PlannedColumn &column : plan.columns)
            types.push_back(column.foxproType);
        transfer::RowStatement kept;
        kept.start(path, rs.fields().count(), types);
        QString scratch;
        for (; !rs.Eof(); rs.MoveNext(), ++rows) {
            row.newRow();
            QStringList texts;
            for (int c = 0; c < rs.fields().count(); ++c) {
                texts << transfer::FoxProValueText(rs.fields()(c), scratch).toString();
                row.add(texts.back());
            }
            row.close();
            QCOMPARE(row.text(), stepByStep(path, texts, int(texts.size()), true));
            const sql::Statement parsed = sql::parse(row.text());
            const auto &insert = std::get<sql::Insert>(parsed);
            for (int c = 0; c < texts.size(); ++c)
                QCOMPARE(insert.values[size_t(c)].text, texts[c]);
            kept.newRow();
            for (int c = 0; c < rs.fields().count(); ++c)
                kept.add(rs.fields()(c).Value());
            kept.close();
            const auto keptInsert = std::get<sql::Insert>(sql::parse(kept.text()));
            QCOMPARE(keptInsert.values.size(), size_t(rs.fields().count()));
        }
    }
    QVERIFY(rows > 100);
}

QTEST_GUILESS_MAIN(RowStatementTest)
#include "tst_rowstatement.moc"
