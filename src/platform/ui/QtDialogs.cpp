#include "QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>

namespace tw::ui {

namespace {
QWidget *asWidget(QObject *owner)
{
    return qobject_cast<QWidget *>(owner);
}
} // namespace

int QtDialogs::MsgBox(const QString &text, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    box.setText(text);
    if ((style & 0x30) == vbExclamation)
        box.setIcon(QMessageBox::Warning);
    if ((style & 0x7) == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? vbYes : vbNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return vbOK;
}

QString QtDialogs::InputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(),
                                                 title.isEmpty() ? applicationTitle() : title, prompt,
                                                 QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString QtDialogs::BrowseForFolder(QObject *owner, const QString &prompt, const QString &startFolder)
{
    QString start = QDir::fromNativeSeparators(QString(startFolder).replace(u'\\', u'/'));
    if (!QDir(start).exists())
        start.clear();
    QString chosen = QFileDialog::getExistingDirectory(asWidget(owner), prompt, start, QFileDialog::ShowDirsOnly);
    if (chosen.size() > 1 && chosen.endsWith(u'/'))
        chosen.chop(1);
    // The folder as the system writes paths ("C:\\Data" on Windows).
    return QDir::toNativeSeparators(chosen);
}

QString QtDialogs::ChooseOpenFile(QObject *owner, const QString &title, const QString &filter)
{
    return QDir::toNativeSeparators(QFileDialog::getOpenFileName(asWidget(owner), title, QString(), toQtFilter(filter)));
}

QString toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            continue;
        // The description already names its pattern in Windows filters; Qt takes
        // the pattern from the parentheses, so keep the description and make sure
        // it carries the pattern.
        QString description = parts[i];
        if (!description.contains(u'('))
            description += QStringLiteral(" (%1)").arg(QString(parts[i + 1]).replace(u';', u' '));
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace tw::ui
