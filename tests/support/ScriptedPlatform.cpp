#include "ScriptedPlatform.h"

#include <QtTest>

namespace {
// The next answer in the queue, or none when it is empty.
template <typename T> T takeFront(std::deque<T>& queue, T none = {}) {
    if (queue.empty())
        return none;
    const T answer = queue.front();
    queue.pop_front();
    return answer;
}
} // namespace

MsgAnswer ScriptedMessages::show(QWidget*, const QString& title, const QString& text,
                                 MsgButtons buttons, MsgIcon icon) {
    shown.append({title, text, buttons, icon});
    return takeFront(answers, buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel);
}

std::optional<QString> ScriptedMessages::askText(QWidget*, const QString&, const QString& prompt,
                                                 const QString&) {
    prompts.append(prompt);
    return takeFront(textAnswers);
}

QStringList ScriptedMessages::texts() const {
    QStringList out;
    for (const ShownMessage& m : shown)
        out << m.text;
    return out;
}

std::optional<QString> ScriptedFileDialogs::openFile(QWidget*, const QString& title,
                                                     const QString& filter, const QString& folder) {
    calls.append({false, title, filter, folder});
    return takeFront(answers);
}

std::optional<QString> ScriptedFileDialogs::saveFile(QWidget*, const QString& title,
                                                     const QString& filter, const QString& folder) {
    calls.append({true, title, filter, folder});
    return takeFront(answers);
}

bool ScriptedShell::open(const QString& address) {
    opened.append(address);
    return result;
}

void expectOkMessage(const ShownMessage& m, const QString& text, MsgIcon icon) {
    QCOMPARE(m.title, QStringLiteral("Jukora"));
    QCOMPARE(m.text, text);
    QCOMPARE(m.buttons, MsgButtons::Ok);
    QCOMPARE(m.icon, icon);
}
