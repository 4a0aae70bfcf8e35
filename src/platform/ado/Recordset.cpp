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
    // The fields read the row the cursor fills; the last row goes to the
    // cursor to be filled again (on the thread that made its values, for a
    // cursor that reads ahead).
    std::vector<Variant> &row = m_fields.row();
    const size_t count = m_fields.items().size();
    try {
        m_eof = !m_cursor->fetch(row);
    } catch (...) {
        // A row that could not be read still has a value for every field.
        row.resize(count);
        throw;
    }
    if (m_eof)
        row.assign(count, Variant());
    else if (row.size() != count)
        row.resize(count);
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
    for (Variant &value : m_fields.row())
        value = Variant();
    for (Field &field : m_fields.items())
        field.setTarget(m_cursor.get());
    m_adding = true;
}

void Recordset::Update()
{
    requireOpen("Update");
    if (!m_adding)
        throw RuntimeError(kErrNotSupported, QStringLiteral("Update needs a new row started with AddNew."));
    // The row is finished whether or not the source takes it; the fields
    // keep its values.
    m_adding = false;
    for (Field &field : m_fields.items())
        field.setTarget(nullptr);
    m_cursor->append(m_fields.row());
}

void Recordset::Close()
{
    requireOpen("Close");
    m_cursor.reset();
    m_session.reset();
    m_fields.reset({});
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
