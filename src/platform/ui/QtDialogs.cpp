#include "QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QStringList>

#include <algorithm>

namespace tw::ui {

namespace {
constexpr QChar kNoBreakSpace(0x00A0);
constexpr QChar kWordJoiner(0x2060);
// Characters after which a line may break inside a web address.
const QString kAddressBreaks = QStringLiteral("/.-_?&=#:");
// Measured advances are whole pixels; drawn text may reach a little further.
constexpr int kRoundingAllowance = 2;
// What a message box takes beside its text: margins, spacing and the icon.
constexpr int kBesideText = 120;

QWidget *asWidget(QObject *owner)
{
    return qobject_cast<QWidget *>(owner);
}

// The widest text a box on this screen shows unwrapped: the box never grows
// past the screen's width (up to 1024 pixels) or 480 pixels less (at most
// 1000) on a wider one; beyond that it breaks lines anywhere.
int widestLabel(const QMessageBox &box)
{
    const QScreen *screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    const int available = screen->availableGeometry().width();
    const int boxLimit = available <= 1024 ? available : std::min(available - 480, 1000);
    return boxLimit - kBesideText;
}
} // namespace

int QtDialogs::MsgBox(const QString &text, int style, const QString &title)
{
    return MsgBoxDetailed(text, QString(), style, title);
}

int QtDialogs::MsgBoxDetailed(const QString &text, const QString &details, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    prepareMessageBox(box, text, details, style, title);
    const int answer = box.exec();
    if ((style & 0x7) == vbYesNo)
        return answer == QMessageBox::Yes ? vbYes : vbNo;
    return vbOK;
}

void prepareMessageBox(QMessageBox &box, const QString &text, const QString &details, int style, const QString &title)
{
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    const QString shown = keepRunsTogether(text);
    box.setText(shown);
    if (!details.isEmpty())
        box.setDetailedText(details);
    if ((style & 0x30) == vbExclamation)
        box.setIcon(QMessageBox::Warning);
    if ((style & 0x7) == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // The box wraps any text wider than half the screen (500 pixels at most),
    // wherever a line may break. A text whose lines fit the widest box the
    // screen takes keeps them whole.
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    label->ensurePolished();
    const QFontMetrics metrics = label->fontMetrics();
    int widest = 0;
    for (const QString &line : shown.split(QRegularExpression(QStringLiteral("\\r\\n|\\r|\\n"))))
        widest = std::max(widest, metrics.horizontalAdvance(line) + kRoundingAllowance);
    if (widest <= widestLabel(box))
        label->setMinimumWidth(widest);
}

QString keepRunsTogether(const QString &text)
{
    QString result = text;
    // Three or more single characters, one blank apart.
    static const QRegularExpression characterList(QStringLiteral("(?<!\\S)\\S(?: \\S){2,}(?!\\S)"));
    for (qsizetype from = 0;;) {
        const QRegularExpressionMatch match = characterList.match(result, from);
        if (!match.hasMatch())
            break;
        const QString joined = match.captured().replace(u' ', kNoBreakSpace);
        result.replace(match.capturedStart(), match.capturedLength(), joined);
        from = match.capturedStart() + joined.size();
    }
    static const QRegularExpression address(QStringLiteral("\\b[A-Za-z][A-Za-z0-9+.-]*://\\S+"));
    for (qsizetype from = 0;;) {
        const QRegularExpressionMatch match = address.match(result, from);
        if (!match.hasMatch())
            break;
        const QString piece = match.captured();
        QString joined;
        for (qsizetype i = 0; i < piece.size(); ++i) {
            joined += piece[i];
            if (i + 1 < piece.size() && kAddressBreaks.contains(piece[i]))
                joined += kWordJoiner;
        }
        result.replace(match.capturedStart(), match.capturedLength(), joined);
        from = match.capturedStart() + joined.size();
    }
    return result;
}

QString QtDialogs::InputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(QApplication::activeWindow(), title.isEmpty() ? applicationTitle() : title, prompt,
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
    return QDir::toNativeSeparators(chosen);
}

QString QtDialogs::ChooseOpenFile(QObject *owner, const QString &title, const QString &filter)
{
    return QDir::toNativeSeparators(
        QFileDialog::getOpenFileName(asWidget(owner), title, QString(), toQtFilter(filter)));
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
