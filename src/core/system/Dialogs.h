#pragma once

#include <QString>

#include <optional>

class QWidget;

// Message boxes, file dialogs and the shell's "open": the program reaches the
// person in front of it and the desktop only through these interfaces, so
// that tests can answer in the person's place.

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgIcon { None, Exclamation, Critical, Question };
enum class MsgAnswer { Ok, Yes, No, Cancel };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer show(QWidget* owner, const QString& title, const QString& text,
                           MsgButtons buttons, MsgIcon icon) = 0;
    // Asks for one line of text; nullopt when cancelled.
    virtual std::optional<QString> askText(QWidget* owner, const QString& title,
                                           const QString& prompt, const QString& initial) = 0;
};

// Filters use the form "Name (*.a)|*.a|Other (*.b)|*.b".
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen full path, or nullopt when the user cancelled.
    virtual std::optional<QString> openFile(QWidget* owner, const QString& title,
                                            const QString& filter, const QString& folder) = 0;
    virtual std::optional<QString> saveFile(QWidget* owner, const QString& title,
                                            const QString& filter, const QString& folder) = 0;
    // A folder the user chooses, starting in folder; nullopt when cancelled.
    virtual std::optional<QString> openFolder(QWidget* owner, const QString& title,
                                              const QString& folder) {
        (void)owner, (void)title, (void)folder;
        return std::nullopt;
    }
};

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a web address or a folder with the desktop's handler. False when
    // the request could not be made.
    virtual bool open(const QString& address) = 0;
};

// The three services together, handed to every window.
struct Platform {
    MessageBoxes& messages;
    FileDialogs& files;
    Shell& shell;
};
