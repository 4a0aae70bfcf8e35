#pragma once
// BenchLayout: the folders and table name one benchmark run works in, below
// its scratch folder, shared by the parent run and its per-direction children.

#include <QDir>
#include <QString>

namespace tw::bench {

inline constexpr char kTableName[] = "bench";

struct BenchLayout {
    QString root;

    QString foxproSource() const { return QDir(root).filePath(QStringLiteral("foxpro")); }
    QString paradoxSource() const { return QDir(root).filePath(QStringLiteral("paradox")); }
    QString paradoxTarget() const { return QDir(root).filePath(QStringLiteral("to-paradox")); }
    QString foxproTarget() const { return QDir(root).filePath(QStringLiteral("to-foxpro")); }
    QString work() const { return QDir(root).filePath(QStringLiteral("work")); }
};

enum class Direction { ToParadox, ToFoxPro };

inline QString directionName(Direction d)
{
    return d == Direction::ToParadox ? QStringLiteral("to-paradox") : QStringLiteral("to-foxpro");
}

} // namespace tw::bench
