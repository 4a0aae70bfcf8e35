#pragma once
// The commands of tabwright-cli, each taking its parsed arguments and returning
// the process exit status (0 done, 1 failed, 2 wrong usage).

#include <QStringList>

#include <cstdio>

namespace tw::cli {

struct Side {
    enum class Kind { None, FoxPro, Paradox };
    Kind kind = Kind::None;
    QString path;
};

QString usageText();
int runCommand(const QStringList &args, std::FILE *out, std::FILE *err);

} // namespace tw::cli
