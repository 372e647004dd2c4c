#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

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

class ScriptedMessages : public MessageBoxes {
public:
    MsgAnswer show(QWidget* owner, const QString& title, const QString& text, MsgButtons buttons,
                   MsgIcon icon) override;
    std::optional<QString> askText(QWidget* owner, const QString& title, const QString& prompt,
                                   const QString& initial) override;

    // Answers in order; when none is left, Ok (or Cancel for questions).
    std::deque<MsgAnswer> answers;
    std::deque<std::optional<QString>> textAnswers;
    QList<ShownMessage> shown;
    QStringList prompts;

    QStringList texts() const;
};

// Checks a box with the program's title and only an OK button.
void expectOkMessage(const ShownMessage& m, const QString& text, MsgIcon icon);

struct DialogCall {
    bool save;
    QString title;
    QString filter;
    QString folder;
};

class ScriptedFileDialogs : public FileDialogs {
public:
    std::optional<QString> openFile(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> saveFile(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& folder) override;

    // Chosen names in order; nullopt stands for Cancel, and so does an empty
    // queue.
    std::deque<std::optional<QString>> answers;
    QList<DialogCall> calls;
};

class ScriptedShell : public Shell {
public:
    bool open(const QString& address) override;

    bool result = true;
    QStringList opened;
};

struct ScriptedPlatform {
    ScriptedMessages messages;
    ScriptedFileDialogs files;
    ScriptedShell shell;
    Platform platform{messages, files, shell};
};
