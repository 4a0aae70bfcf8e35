#include "PreviewWindow.h"

#include "RowWindowModel.h"

#include "gui/WindowFonts.h"
#include "platform/ado/Connection.h"
#include "platform/ado/RuntimeError.h"
#include "platform/encoding/TextCodec.h"
#include "transfer/ColumnPlan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tw::preview {

namespace {

constexpr int kRowHeight = 20;
constexpr int kFieldRowsShown = 6;

QString rowsText(qint64 rows)
{
    return rows == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(rows);
}

QString sideName(ReadCodePages::Side side)
{
    return side == ReadCodePages::Side::FoxPro ? QStringLiteral("FoxPro") : QStringLiteral("Paradox");
}

} // namespace

PreviewWindow::PreviewWindow(PreviewTable table, ReadCodePages &choices, QWidget *parent)
    : QWidget(parent, Qt::Window), m_table(std::move(table)), m_choices(choices)
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The two windows' font, for every control in it (else the system's,
    // which under Wine is a serif).
    setFont(gui::arialFont(gui::kWindowPoints, false));
    m_model = new RowWindowModel(this);

    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("Header"));
    m_header->setWordWrap(true);
    m_codePages = new QComboBox(this);
    m_codePages->setObjectName(QStringLiteral("CodePage"));
    m_codePages->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto *codePageLabel = new QLabel(tr("Code page:"), this);
    codePageLabel->setBuddy(m_codePages);

    m_fields = new QTableWidget(this);
    m_fields->setObjectName(QStringLiteral("Fields"));
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fields->verticalHeader()->hide();
    m_fields->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_fields->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_fields->setColumnCount(6);
    m_fields->setHorizontalHeaderLabels(
        {tr("Field"), tr("Type"), tr("Width"), tr("Decimals"),
         tr("In %1").arg(sideName(m_table.side == ReadCodePages::Side::FoxPro ? ReadCodePages::Side::Paradox
                                                                              : ReadCodePages::Side::FoxPro)),
         tr("Named")});

    m_rows = new QTableView(this);
    m_rows->setObjectName(QStringLiteral("Rows"));
    m_rows->setModel(m_model);
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setWordWrap(false);
    // Fixed rows: the view asks only for the rows it shows.
    m_rows->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_rows->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_rows->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    m_keepTypes = new QCheckBox(tr("Keep field types"), this);
    m_keepTypes->setObjectName(QStringLiteral("KeepFieldTypes"));
    m_keepTypes->setChecked(m_table.keepFieldTypes);
    m_keepTypes->setToolTip(tr("Copies make each field the other format's own field of the same kind, "
                               "rather than memos."));

    auto *top = new QHBoxLayout;
    top->addWidget(m_header, 1);
    top->addWidget(m_keepTypes);
    top->addWidget(codePageLabel);
    top->addWidget(m_codePages);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_fields);
    layout->addWidget(m_rows, 1);

    open(m_choices.of(m_table.side, m_table.name));
    fillCodePages();
    connect(m_codePages, &QComboBox::activated, this, [this](int index) {
        if (m_filling)
            return;
        try {
            chooseCodePage(m_codePages->itemData(index).toInt());
        } catch (const ado::RuntimeError &e) {
            m_header->setText(e.description());
        }
    });
    connect(m_keepTypes, &QCheckBox::toggled, this, &PreviewWindow::setKeepFieldTypes);
    connect(m_keepTypes, &QCheckBox::clicked, this, &PreviewWindow::keepFieldTypesToggled);
    m_fields->setFixedHeight(m_fields->horizontalHeader()->sizeHint().height() +
                             kRowHeight * std::min(kFieldRowsShown, m_fields->rowCount() + 1));
    resize(760, 480);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::closeEvent(QCloseEvent *event)
{
    m_model->setSource(nullptr);
    QWidget::closeEvent(event);
}

void PreviewWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_sized) {
        m_sized = true;
        sizeColumns();
    }
}

void PreviewWindow::sizeColumns()
{
    QHeaderView *header = m_rows->horizontalHeader();
    const int rows = std::min(m_model->rowCount(), m_rows->viewport()->height() / kRowHeight + 1);
    const int widest = m_rows->fontMetrics().averageCharWidth() * kWidestColumnCharacters;
    // A cell is a pixel narrower than its column where the grid is drawn.
    const int grid = m_rows->showGrid() ? 1 : 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        int width = header->sectionSizeHint(column);
        for (int row = 0; row < rows; ++row)
            width = std::max(width, m_rows->sizeHintForIndex(m_model->index(row, column)).width() + grid);
        header->resizeSection(column, std::min(width, widest));
    }
}

void PreviewWindow::letGo()
{
    m_letGo = true;
    m_codePages->setEnabled(false);
    m_model->setSource(nullptr);
    m_header->setText(tr("The table is closed while the command runs."));
}

void PreviewWindow::reopen()
{
    m_letGo = false;
    m_codePages->setEnabled(true);
    try {
        open(m_choices.of(m_table.side, m_table.name));
    } catch (const ado::RuntimeError &e) {
        m_model->setSource(nullptr);
        m_fields->setRowCount(0);
        m_header->setText(e.description());
    }
}

void PreviewWindow::open(int codePage)
{
    ado::Connection connection;
    connection.setReadCodePage(codePage);
    connection.Open(m_table.connectionString);
    std::unique_ptr<ado::RowSource> source = connection.session()->openRows(m_table.name);
    connection.Close();
    if (!source)
        throw ado::RuntimeError(QStringLiteral("%1 cannot be previewed.").arg(m_table.name));
    const bool first = m_model->source() == nullptr;
    m_model->setSource(std::move(source));
    if (first)
        guess();
    fillFields();
    showHeader();
    // Shown already: the new rows' columns (the first show sizes them otherwise).
    if (m_sized)
        sizeColumns();
}

void PreviewWindow::guess()
{
    ado::RowSource &source = *m_model->source();
    const encoding::TextCodec &codec = encoding::TextCodec::forCodePage(source.decodingCodePage());
    encoding::CodePageGuess sample;
    std::vector<ado::Variant> row;
    ado::RowNotes notes;
    const qint64 rows = std::min<qint64>(kGuessRows, source.positions());
    for (qint64 r = 0; r < rows && !sample.full(); ++r) {
        source.read(r, row, notes);
        for (const ado::Variant &value : row)
            if (value.kind() == ado::Variant::Kind::Text)
                sample.addDecoded(value.asText(), codec);
    }
    const bool chosen = m_choices.of(m_table.side, m_table.name) != 0;
    if (sample.telling() && !chosen && (source.codePage() == 0 || sample.doubtful(source.decodingCodePage())))
        m_guesses = sample.best(3);
}

void PreviewWindow::fillCodePages()
{
    m_filling = true;
    m_codePages->clear();
    for (const encoding::CodePageCandidate &c : m_guesses) {
        QString line = c.sample.simplified();
        constexpr int kSampleShown = 40;
        if (line.size() > kSampleShown)
            line = line.left(kSampleShown) + QStringLiteral("…");
        m_codePages->addItem(tr("%1 (guess): %2").arg(encoding::codePageName(c.codePage), line), c.codePage);
    }
    m_codePages->addItem(tr("As the table says"), 0);
    for (const int page : encoding::CodePageGuess::candidates())
        m_codePages->addItem(encoding::codePageName(page), page);
    const int chosen = m_choices.of(m_table.side, m_table.name);
    for (int i = 0; i < m_codePages->count(); ++i) {
        if (m_codePages->itemData(i).toInt() == chosen) {
            m_codePages->setCurrentIndex(i);
            break;
        }
    }
    m_filling = false;
}

void PreviewWindow::chooseCodePage(int codePage)
{
    if (!m_letGo)
        open(codePage);
    m_choices.choose(m_table.side, m_table.name, codePage);
}

void PreviewWindow::setKeepFieldTypes(bool keep)
{
    if (m_table.keepFieldTypes == keep)
        return;
    m_table.keepFieldTypes = keep;
    m_keepTypes->setChecked(keep);
    if (m_model && m_model->source())
        fillFields();
}

void PreviewWindow::fillFields()
{
    const ado::RowSource &source = *m_model->source();
    const transfer::ColumnPlan plan =
        transfer::planColumns(m_table.side == ReadCodePages::Side::FoxPro,
                              m_table.keepFieldTypes ? transfer::TypeMapping::KeepTypes : transfer::TypeMapping::Copies,
                              source.columns(), source.codePage());
    m_fields->setRowCount(int(source.fields().size()));
    for (size_t i = 0; i < source.fields().size(); ++i) {
        const ado::SourceField &f = source.fields()[i];
        const int row = int(i);
        const QStringList cells{source.columns()[i].name,  f.type,
                                QString::number(f.width),  f.decimals ? QString::number(f.decimals) : QString(),
                                plan.columns[i].shownType, plan.columns[i].targetName};
        for (int column = 0; column < cells.size(); ++column)
            m_fields->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    m_fields->resizeColumnsToContents();
}

void PreviewWindow::showHeader()
{
    const ado::RowSource &source = *m_model->source();
    const QString codePage = encoding::codePageName(source.decodingCodePage());
    const bool chosen = m_choices.of(m_table.side, m_table.name) != 0 || source.codePage() != 0;
    const QString codePageText = source.codePage() == 0 ? tr("%1 (the table names none)").arg(codePage) : codePage;
    setWindowTitle(
        tr("%1 (%2) — %3, code page %4")
            .arg(m_table.name, sideName(m_table.side), rowsText(source.positions()), chosen ? codePage : codePageText));
    QStringList lines;
    lines << tr("%1: %2, read in code page %3.").arg(m_table.name, rowsText(source.positions()), codePageText);
    QStringList details;
    if (!source.damagedRows().empty()) {
        lines << tr("Damaged and not shown: %1.").arg(source.damagedRows().rowsText());
        for (const ado::DamagedRow &d : source.damagedRows().first())
            details << ado::DamagedRows::describe(d);
    }
    details << source.warnings();
    if (!source.warnings().isEmpty())
        lines << tr("Notes on the table's header: hover here.");
    m_header->setText(lines.join(u'\n'));
    m_header->setToolTip(details.join(u'\n'));
}

} // namespace tw::preview
