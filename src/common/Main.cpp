#include "Main.h"

#include "DoEvents.h"
#include "ProgramFiles.h"
#include "Steps.h"
#include "platform/files/FileSystem.h"

#include <QCoreApplication>
#include <QDir>

namespace tw::Main {

namespace {
bool isSeparator(QChar c)
{
    return files::isSeparator(c);
}

// One left-to-right pass replacing each pair of adjacent separators by the
// first of the two, without overlap.
QString collapsePairs(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        result += text[i];
        if (isSeparator(text[i]) && i + 1 < text.size() && isSeparator(text[i + 1]))
            ++i;
    }
    return result;
}
} // namespace

bool ListHasItem(const TableList &list, const QString &text)
{
    const QString wanted = text.toLower();
    const int count = list.count();
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (list.text(i).toLower() == wanted)
            found = true;
    }
    return found;
}

void ListRemoveMatching(TableList &list, const QString &text)
{
    const int count = list.count();
    for (int i = 0; i < count && i < list.count(); ++i) {
        if (list.text(i) == text)
            list.remove(i);
    }
}

ado::Variant NullTo(const ado::Variant &value, const ado::Variant &fallback)
{
    return value.isNull() ? fallback : value;
}

bool FileExists(const QString &path)
{
    // An entry whose time of last change can be read: any entry there is.
    return files::exists(path);
}

void DeleteFileForced(const QString &path)
{
    DoEvents();
    // The plain delete, which refuses a read-only file, then the forced one.
    if (!files::removeFile(path, {.readOnlyToo = false, .throws = false}).failed)
        return;
    try {
        FsoDeleteFile(path);
    } catch (...) {
    }
}

void FsoDeleteFile(const QString &path)
{
    files::removeFile(path);
}

QString FolderOf(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path[i]))
            return path.left(i + 1);
    }
    return {};
}

bool FolderExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    try {
        return (files::attributes(path) & files::kAttrDirectory) != 0;
    } catch (...) {
        return false;
    }
}

QString CollapseBackslashes(const QString &path)
{
    if (path.isEmpty() || path[0] != u'\\')
        return collapsePairs(path);
    qsizetype p = 0;
    while (p < path.size() && isSeparator(path[p]))
        ++p;
    return QStringLiteral("\\\\") + collapsePairs(QStringView(path).mid(p));
}

void RenameFile(ui::Dialogs &dialogs, const QString &oldPath, const QString &newPath)
{
    Steps steps{dialogs, QStringLiteral("Main"), QStringLiteral("RenameFile")};
    if (!steps(100, [&] { files::copyFile(oldPath, newPath, true); }))
        return; // the old file stays where it is
    steps(102, [&] { DeleteFileForced(oldPath); });
}

QString ProgramFolder()
{
    // As the system writes paths: "C:\\Program Files\\Tabwright" on Windows;
    // /usr/share/tabwright for a program installed in /usr/bin.
    return QDir::toNativeSeparators(programFilesFolder(QCoreApplication::applicationDirPath()));
}

} // namespace tw::Main
