#pragma once
// RowWindowModel: the rows of one table for a QTableView, read from an
// ado::RowSource a page at a time as the view asks for them; only a few pages
// are kept, so a table of any size takes the same memory. Null reads "Null"
// (grey, in italics) apart from an empty text, a memo shows its text, a binary
// value its size and first bytes in hex; a value that could not be read is
// marked, its reason its tooltip, and a deleted row is marked in its header.

#include "platform/ado/RowSource.h"

#include <QAbstractTableModel>

#include <list>
#include <memory>
#include <vector>

namespace tw::preview {

class RowWindowModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kPageRows = 64;
    static constexpr size_t kPagesKept = 8;
    // The most characters of a text shown in a cell (the tooltip shows more).
    static constexpr int kShownCharacters = 200;
    static constexpr int kTooltipCharacters = 2000;
    static constexpr int kShownBytes = 16;

    explicit RowWindowModel(QObject *parent = nullptr);
    ~RowWindowModel() override;

    // Shows the rows of `source` (nullptr: none), dropping what was read before.
    void setSource(std::unique_ptr<ado::RowSource> source);
    ado::RowSource *source() const { return m_source.get(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Rows read from the source since setSource (for tests and the benchmark).
    qint64 rowsRead() const { return m_rowsRead; }
    // The first failure reading a page (a file that became unreadable), empty when none.
    const QString &readError() const { return m_readError; }

    // A value as a cell shows it.
    static QString shownText(const ado::Variant &value);

private:
    struct Page {
        qint64 first = 0;
        std::vector<std::vector<ado::Variant>> rows;
        std::vector<ado::RowNotes> notes;
    };
    // The page of `row`, read when it is not kept.
    const Page *pageOf(int row) const;
    // The same when it is kept, else nullptr.
    const Page *cachedPageOf(int row) const;

    std::unique_ptr<ado::RowSource> m_source;
    mutable std::list<Page> m_pages; // most recently used first
    mutable qint64 m_rowsRead = 0;
    mutable QString m_readError;
};

} // namespace tw::preview
