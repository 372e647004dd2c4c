#pragma once

#include "core/system/Dialogs.h"

// The desktop's own message boxes, file dialogs and "open".
class QtMessageBoxes : public MessageBoxes {
public:
    MsgAnswer show(QWidget* owner, const QString& title, const QString& text, MsgButtons buttons,
                   MsgIcon icon) override;
    std::optional<QString> askText(QWidget* owner, const QString& title, const QString& prompt,
                                   const QString& initial) override;
};

class QtFileDialogs : public FileDialogs {
public:
    std::optional<QString> openFile(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> saveFile(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> openFolder(QWidget* owner, const QString& title,
                                      const QString& folder) override;

    // "A (*.a)|*.a|B (*.b)|*.b" becomes "A (*.a);;B (*.b)".
    static QString toQtFilter(const QString& filter);
};

class QtShell : public Shell {
public:
    bool open(const QString& address) override;
};
