#pragma once
// ScriptedDialogs: Dialogs that answer from a queue and record every box, for
// tests and the command-line program. A box with no queued answer is recorded
// as unexpected and answered with the fallback.

#include "Dialogs.h"

#include <QStringList>

#include <deque>
#include <vector>

namespace tw::ui {

class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Input, Folder, File };

    struct Box {
        Kind kind = Kind::Message;
        QString text; // message text or prompt
        int style = 0;
        QString title; // as shown (the application title filled in)
        QString defaultText;
        QString details; // what a message box holds behind "Show Details..."
    };

    // Queues the answer of the next box: a number for message boxes, a text for
    // the other kinds.
    void expectMessage(int answer = vbOK);
    void expectText(const QString &answer);

    // When set, boxes without a queued answer take this answer (message boxes)
    // or the default text (input boxes) instead of counting as unexpected.
    void setFallback(int answer)
    {
        m_fallback = answer;
        m_hasFallback = true;
    }

    const std::vector<Box> &boxes() const { return m_boxes; }
    const std::vector<Box> &unexpected() const { return m_unexpected; }
    // Queued answers no box has taken.
    int pending() const { return static_cast<int>(m_numbers.size() + m_texts.size()); }
    void clear();

    int MsgBox(const QString &text, int style = vbOKOnly, const QString &title = {}) override;
    int MsgBoxDetailed(const QString &text, const QString &details, int style = vbOKOnly,
                       const QString &title = {}) override;
    QString InputBox(const QString &prompt, const QString &title = {}, const QString &defaultText = {}) override;
    QString BrowseForFolder(QObject *owner, const QString &prompt, const QString &startFolder) override;
    QString ChooseOpenFile(QObject *owner, const QString &title, const QString &filter) override;

private:
    QString nextText(Box box);

    std::deque<int> m_numbers;
    std::deque<QString> m_texts;
    std::vector<Box> m_boxes;
    std::vector<Box> m_unexpected;
    int m_fallback = vbOK;
    bool m_hasFallback = false;
    QString m_nextDetails; // for the box MsgBox records next
};

} // namespace tw::ui
