#include "ScriptedDialogs.h"

#include <utility>

namespace tw::ui {

void ScriptedDialogs::expectMessage(int answer)
{
    m_numbers.push_back(answer);
}

void ScriptedDialogs::expectText(const QString &answer)
{
    m_texts.push_back(answer);
}

void ScriptedDialogs::clear()
{
    m_numbers.clear();
    m_texts.clear();
    m_boxes.clear();
    m_unexpected.clear();
    m_nextDetails.clear();
}

int ScriptedDialogs::MsgBox(const QString &text, int style, const QString &title)
{
    Box box{Kind::Message, text, style, title.isEmpty() ? applicationTitle() : title, {}, {}};
    box.details = std::exchange(m_nextDetails, QString());
    m_boxes.push_back(box);
    if (!m_numbers.empty()) {
        const int answer = m_numbers.front();
        m_numbers.pop_front();
        return answer;
    }
    if (!m_hasFallback)
        m_unexpected.push_back(box);
    return m_fallback;
}

int ScriptedDialogs::MsgBoxDetailed(const QString &text, const QString &details, int style, const QString &title)
{
    // Through MsgBox, so that a subclass watching the boxes sees this one too.
    m_nextDetails = details;
    return MsgBox(text, style, title);
}

QString ScriptedDialogs::nextText(Box box)
{
    m_boxes.push_back(box);
    if (!m_texts.empty()) {
        QString answer = m_texts.front();
        m_texts.pop_front();
        return answer;
    }
    if (!m_hasFallback)
        m_unexpected.push_back(box);
    return box.kind == Kind::Input ? box.defaultText : QString();
}

QString ScriptedDialogs::InputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    return nextText({Kind::Input, prompt, 0, title.isEmpty() ? applicationTitle() : title, defaultText, {}});
}

QString ScriptedDialogs::BrowseForFolder(QObject *, const QString &prompt, const QString &startFolder)
{
    return nextText({Kind::Folder, prompt, 0, {}, startFolder, {}});
}

QString ScriptedDialogs::ChooseOpenFile(QObject *, const QString &title, const QString &filter)
{
    return nextText({Kind::File, filter, 0, title, {}, {}});
}

} // namespace tw::ui
