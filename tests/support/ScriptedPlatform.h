#pragma once

#include "core/system/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <deque>
#include <optional>

// Stands in for the person at the desktop: records every message box and
// dialog and gives the answers the test chose beforehand.
struct ShownMessage {
    QString title;
    QString text;
    MsgButtons buttons;
    MsgIcon icon;
};

// The next answer in a queue, or none when it is empty.
template <typename T> T takeScripted(std::deque<T>& queue, T none = {}) {
    if (queue.empty())
        return none;
    const T answer = queue.front();
    queue.pop_front();
    return answer;
}

class ScriptedMessages : public MessageBoxes {
public:
    // Answers in order; when none is left, Ok (or Cancel for questions).
    MsgAnswer show(QWidget*, const QString& title, const QString& text, MsgButtons buttons,
                   MsgIcon icon) override {
        shown.append({title, text, buttons, icon});
        return takeScripted(answers, buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel);
    }
    std::optional<QString> askText(QWidget*, const QString&, const QString& prompt,
                                   const QString&) override {
        prompts.append(prompt);
        return takeScripted(textAnswers);
    }

    std::deque<MsgAnswer> answers;
    std::deque<std::optional<QString>> textAnswers;
    QList<ShownMessage> shown;
    QStringList prompts;

    QStringList texts() const {
        QStringList out;
        for (const ShownMessage& m : shown)
            out << m.text;
        return out;
    }
};

// Checks a box with the program's title and only an OK button.
inline void expectOkMessage(const ShownMessage& m, const QString& text, MsgIcon icon) {
    QCOMPARE(m.title, QStringLiteral("Jukora"));
    QCOMPARE(m.text, text);
    QCOMPARE(m.buttons, MsgButtons::Ok);
    QCOMPARE(m.icon, icon);
}

struct DialogCall {
    bool save;
    QString title;
    QString filter;
    QString folder;
};

class ScriptedFileDialogs : public FileDialogs {
public:
    std::optional<QString> openFile(QWidget*, const QString& title, const QString& filter,
                                    const QString& folder) override {
        calls.append({false, title, filter, folder});
        return takeScripted(answers);
    }
    std::optional<QString> saveFile(QWidget*, const QString& title, const QString& filter,
                                    const QString& folder) override {
        calls.append({true, title, filter, folder});
        return takeScripted(answers);
    }

    // Chosen names in order; nullopt stands for Cancel, and so does an empty
    // queue.
    std::deque<std::optional<QString>> answers;
    QList<DialogCall> calls;
};

class ScriptedShell : public Shell {
public:
    bool open(const QString& address) override {
        opened.append(address);
        return result;
    }

    bool result = true;
    QStringList opened;
};

struct ScriptedPlatform {
    ScriptedMessages messages;
    ScriptedFileDialogs files;
    ScriptedShell shell;
    Platform platform{messages, files, shell};
};
