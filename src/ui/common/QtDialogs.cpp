#include "ui/common/QtDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

MsgAnswer QtMessageBoxes::show(QWidget* owner, const QString& title, const QString& text,
                               MsgButtons buttons, MsgIcon icon) {
    QMessageBox box(owner);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    default:
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
}

std::optional<QString> QtMessageBoxes::askText(QWidget* owner, const QString& title,
                                               const QString& prompt, const QString& initial) {
    bool ok = false;
    QString text = QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString QtFileDialogs::toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        if (!name.contains(u'('))
            name += QStringLiteral(" (") + patterns + u')';
        out << name;
    }
    return out.join(QStringLiteral(";;"));
}

std::optional<QString> QtFileDialogs::openFile(QWidget* owner, const QString& title,
                                               const QString& filter, const QString& folder) {
    QString name = QFileDialog::getOpenFileName(owner, title, folder, toQtFilter(filter));
    if (name.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(name);
}

std::optional<QString> QtFileDialogs::saveFile(QWidget* owner, const QString& title,
                                               const QString& filter, const QString& folder) {
    QString name = QFileDialog::getSaveFileName(owner, title, folder, toQtFilter(filter));
    if (name.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(name);
}

std::optional<QString> QtFileDialogs::openFolder(QWidget* owner, const QString& title,
                                                 const QString& folder) {
    const QString name = QFileDialog::getExistingDirectory(owner, title, folder);
    if (name.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(name);
}

bool QtShell::open(const QString& address) {
    QUrl url = QUrl::fromUserInput(address);
    if (QFileInfo(address).isAbsolute())
        url = QUrl::fromLocalFile(address);
    return url.isValid() && QDesktopServices::openUrl(url);
}
