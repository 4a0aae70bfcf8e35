#include "Recordset.h"

#include "Connection.h"
#include "PrefetchCursor.h"

namespace tw::ado {

Recordset::~Recordset() = default;
Recordset::Recordset(Recordset &&) noexcept = default;
Recordset &Recordset::operator=(Recordset &&) noexcept = default;

void Recordset::Open(const QString &source, Connection &activeConnection, int cursorType, int lockType)
{
    if (m_cursor)
        throw RuntimeError(kErrObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    OpenOptions options;
    options.cursorLocation = CursorLocation;
    options.cursorType = cursorType;
    options.lockType = lockType;
    const std::shared_ptr<Session> &session = activeConnection.session();
    attach(session, session->query(source, options));
}

void Recordset::attach(std::shared_ptr<Session> session, std::unique_ptr<Cursor> cursor)
{
    if (!cursor)
        throw RuntimeError(QStringLiteral("The provider returned no rows object."));
    m_session = std::move(session);
    // A long table is read ahead on a second thread while its rows are used here.
    m_cursor = prefetched(std::move(cursor));
    m_fields.reset(m_cursor->columns());
    m_adding = false;
    try {
        loadRow();
    } catch (...) {
        // A source whose first row cannot be read does not open: the
        // recordset stays closed, ready for the next Open.
        m_cursor.reset();
        m_session.reset();
        m_fields.reset({});
        throw;
    }
}

void Recordset::requireOpen(const char *member) const
{
    if (!m_cursor)
        throw RuntimeError(
            kErrObjectClosed,
            QStringLiteral("%1: operation is not allowed when the object is closed.").arg(QLatin1String(member)));
}

void Recordset::loadRow()
{
    m_eof = !m_cursor->fetch(m_row);
    auto &items = m_fields.items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (m_eof || i >= m_row.size())
            items[i].load(Variant());
        else
            // The field's last value goes to the cursor, which fills it again
            // (on the thread that made it, for a cursor that reads ahead).
            items[i].valueRef().swap(m_row[i]);
    }
}

bool Recordset::Eof() const
{
    requireOpen("EOF");
    return m_eof;
}

void Recordset::MoveNext()
{
    requireOpen("MoveNext");
    if (m_eof)
        throw RuntimeError(kErrNoCurrentRecord,
                           QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                          "deleted. Requested operation requires a current record."));
    loadRow();
}

qint64 Recordset::RecordCount() const
{
    requireOpen("RecordCount");
    return m_cursor->rowCount();
}

Fields &Recordset::fields()
{
    return m_fields;
}

const Fields &Recordset::fields() const
{
    return m_fields;
}

void Recordset::AddNew()
{
    requireOpen("AddNew");
    if (!m_cursor->updatable())
        throw RuntimeError(kErrNotSupported, QStringLiteral("Current Recordset does not support updating."));
    auto &items = m_fields.items();
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].load(Variant());
        items[i].setTarget(m_cursor.get(), static_cast<int>(i));
    }
    m_adding = true;
}

void Recordset::Update()
{
    requireOpen("Update");
    if (!m_adding)
        throw RuntimeError(kErrNotSupported, QStringLiteral("Update needs a new row started with AddNew."));
    auto &items = m_fields.items();
    // The values go to the cursor without copies and come back to the fields
    // afterwards, whether or not the source takes the row.
    m_update.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        m_update[i] = std::move(items[i].valueRef());
    struct GiveBack {
        std::vector<Field> &items;
        std::vector<Variant> &values;
        ~GiveBack()
        {
            for (size_t i = 0; i < items.size(); ++i)
                items[i].valueRef() = std::move(values[i]);
        }
    };
    const GiveBack giveBack{items, m_update};
    // The row is finished whether or not the source takes it.
    m_adding = false;
    for (Field &field : items)
        field.setTarget(nullptr, 0);
    m_cursor->append(m_update);
}

void Recordset::Close()
{
    requireOpen("Close");
    m_cursor.reset();
    m_session.reset();
    m_fields.reset({});
    m_row.clear();
    m_update.clear();
    m_eof = true;
    m_adding = false;
}

std::vector<ColumnInfo> Recordset::columns() const
{
    std::vector<ColumnInfo> out;
    for (int i = 0; i < m_fields.count(); ++i)
        out.push_back(m_fields(i).info());
    return out;
}

} // namespace tw::ado
