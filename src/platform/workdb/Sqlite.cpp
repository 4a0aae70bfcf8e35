#include "Sqlite.h"

#include "platform/ado/Idle.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <sqlite3.h>

namespace tw::workdb {

namespace {
// Set on threads other than the window's: they never run window events.
thread_local bool t_idleSuppressed = false;
} // namespace

void suppressIdleOnThisThread()
{
    t_idleSuppressed = true;
}

namespace {
constexpr int kInstructionsPerIdle = 20000;
constexpr qsizetype kMaxUtf8PerUnit = 3;        // UTF-8 bytes per UTF-16 unit at most
constexpr qsizetype kKeptBufferBytes = 1 << 20; // a parameter buffer larger than this is let go
constexpr qsizetype kAsciiRun = 16;

// The UTF-8 bytes QString::toUtf8() gives (a '?' for each lone surrogate),
// written to `out` (room for kMaxUtf8PerUnit bytes per unit); returns their number.
qsizetype toUtf8(QStringView text, char *out)
{
    const char16_t *in = text.utf16();
    const qsizetype size = text.size();
    auto *o = reinterpret_cast<unsigned char *>(out);
    qsizetype i = 0;
    // Plain ASCII, the usual case, a byte per unit, a run of units at a time.
    while (i + kAsciiRun <= size) {
        char16_t any = 0;
        for (qsizetype k = 0; k < kAsciiRun; ++k)
            any |= in[i + k];
        if (any >= 0x80)
            break;
        for (qsizetype k = 0; k < kAsciiRun; ++k)
            o[i + k] = static_cast<unsigned char>(in[i + k]);
        i += kAsciiRun;
    }
    unsigned char *p = o + i;
    for (; i < size; ++i) {
        const char16_t c = in[i];
        if (c < 0x80) {
            *p++ = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            *p++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (!QChar::isSurrogate(c)) {
            *p++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(in[i + 1])) {
            const char32_t u = QChar::surrogateToUcs4(c, in[++i]);
            *p++ = static_cast<unsigned char>(0xF0 | (u >> 18));
            *p++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            *p++ = '?';
        }
    }
    return p - o;
}
} // namespace

using ado::RuntimeError;

SqliteDatabase::SqliteDatabase(const QString &path) : m_path(path)
{
    const QString native = files::toNativePath(path);
    if (path.isEmpty() || !files::exists(path) || files::isDirectory(path))
        throw RuntimeError(files::kErrFileNotFound, QStringLiteral("Could not find the work database '%1'.").arg(path));
    const int rc =
        sqlite3_open_v2(native.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw RuntimeError(QStringLiteral("Cannot open the work database '%1': %2.").arg(path, message));
    }
    sqlite3_extended_result_codes(m_db, 1);
    // Long statements let the window repaint.
    sqlite3_progress_handler(
        m_db, kInstructionsPerIdle,
        [](void *) {
            if (!t_idleSuppressed)
                ado::idle();
            return 0;
        },
        nullptr);
    try {
        // Scratch data, but the file must stay usable: the rollback journal
        // undoes a transaction cut short by a full disk or a killed process
        // (without one the file is left malformed). No syncing: surviving a
        // power cut is not needed.
        exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        exec(QStringLiteral("PRAGMA synchronous=OFF"));
        exec(QStringLiteral("PRAGMA cache_size=-16000"));
        exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const RuntimeError &error) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw RuntimeError(
            QStringLiteral("'%1' is not a work database this program can use (%2)").arg(path, error.description()));
    }
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close_v2(m_db);
}

void SqliteDatabase::fail(const QString &what) const
{
    throw RuntimeError(QStringLiteral("%1 failed in the work database '%2': %3.")
                           .arg(what, m_path, QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void SqliteDatabase::exec(const QString &sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(message);
        throw RuntimeError(QStringLiteral("%1 (work database '%2')").arg(text, m_path));
    }
}

SqliteStatement::SqliteStatement(SqliteDatabase &db, const QString &sql) : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    check(sqlite3_prepare_v2(db.handle(), text.constData(), static_cast<int>(text.size()), &m_stmt, nullptr),
          "Preparing a statement");
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::check(int rc, const char *what)
{
    if (rc != SQLITE_OK)
        m_db.fail(QLatin1String(what));
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    m_db.fail(QStringLiteral("A statement"));
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}
qint64 SqliteStatement::columnInteger(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString SqliteStatement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column));
}

QByteArray SqliteStatement::columnBlob(int column) const
{
    const auto *data = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
    return QByteArray(data, sqlite3_column_bytes(m_stmt, column));
}

void SqliteStatement::bindText(int index, QStringView text)
{
    // Each parameter has its own buffer, reused from value to value: the
    // bytes stay there until the next value of this parameter, so SQLite need
    // not copy them.
    if (index >= static_cast<int>(m_bound.size()))
        m_bound.resize(static_cast<size_t>(index) + 1);
    QByteArray &bound = m_bound[static_cast<size_t>(index)];
    const qsizetype worst = text.size() * kMaxUtf8PerUnit;
    // A long value's buffer is not kept for short ones.
    const bool reuse = bound.size() >= worst && !(bound.capacity() > kKeptBufferBytes && worst < bound.capacity() / 4);
    // A new buffer replaces the old one only once the value is bound from it:
    // SQLite never holds a pointer into freed memory.
    QByteArray fresh = reuse ? QByteArray() : QByteArray(worst, Qt::Uninitialized);
    QByteArray &utf8 = reuse ? bound : fresh;
    const qsizetype size = toUtf8(text, utf8.data());
    check(sqlite3_bind_text64(m_stmt, index, utf8.constData(), static_cast<sqlite3_uint64>(size), SQLITE_STATIC,
                              SQLITE_UTF8),
          "Binding a value");
    if (!reuse)
        bound = std::move(fresh);
}

void SqliteStatement::bindInteger(int index, qint64 value)
{
    check(sqlite3_bind_int64(m_stmt, index, value), "Binding a value");
}

QString quoteName(const QString &name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace tw::workdb
