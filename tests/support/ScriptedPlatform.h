#pragma once

#include "core/system/Dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

// The next answer in a queue, or none when it is empty.
template <typename T> T takeScripted(std::deque<T>& queue, T none = {}) {
    if (queue.empty())
        return none;
    const T answer = queue.front();
    queue.pop_front();
    return answer;
}

// Stands in for the person: records every message box and gives scripted answers.
class ScriptedMessages : public MessageBoxes {
public:
    // Answers in order; when none is left, Ok (or Cancel for questions).
    MsgAnswer show(QWidget*, const QString&, const QString& text, MsgButtons buttons,
                   MsgIcon) override {
        shown.append(text);
        return takeScripted(answers, buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel);
    }
    std::optional<QString> askText(QWidget*, const QString&, const QString& prompt,
                                   const QString&) override {
        prompts.append(prompt);
        return takeScripted(textAnswers);
    }

    std::deque<MsgAnswer> answers;
    std::deque<std::optional<QString>> textAnswers;
    QStringList shown; // the texts
    QStringList prompts;
};

// Records each file dialog's folder and gives the names in order (nullopt: Cancel).
class ScriptedFileDialogs : public FileDialogs {
public:
    std::optional<QString> openFile(QWidget*, const QString&, const QString&,
                                    const QString& folder) override {
        folders.append(folder);
        return takeScripted(answers);
    }
    std::optional<QString> saveFile(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& folder) override {
        return openFile(parent, title, filter, folder);
    }

    std::deque<std::optional<QString>> answers;
    QStringList folders;
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
