#include "ScriptedPlatform.h"

#include <QtTest>

namespace {
std::optional<QString> takeFront(std::deque<std::optional<QString>>& queue) {
    if (queue.empty())
        return std::nullopt;
    QString text = queue.front().value_or(QString());
    const bool cancelled = !queue.front().has_value();
    queue.pop_front();
    if (cancelled)
        return std::nullopt;
    return text;
}
} // namespace

MsgAnswer ScriptedMessages::show(QWidget*, const QString& title, const QString& text,
                                 MsgButtons buttons, MsgIcon icon) {
    shown.append({title, text, buttons, icon});
    if (!answers.empty()) {
        MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
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
