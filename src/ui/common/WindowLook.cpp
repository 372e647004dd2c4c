#include "ui/common/WindowLook.h"

#include <QLineEdit>
#include <QWidget>

namespace {

QFont designFont(const QString& family, double points, bool bold) {
    QFont f(family);
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

namespace WindowLook {

QFont arial(double points, bool bold) {
    return designFont(QStringLiteral("Arial"), points, bold);
}

QFont msSansSerif(bool bold) {
    return designFont(QStringLiteral("MS Sans Serif"), 8.25, bold);
}

void setColours(QWidget* w, QPalette::ColorRole backRole, const QColor& back,
                QPalette::ColorRole textRole, const QColor& text) {
    QPalette p = w->palette();
    p.setColor(backRole, back);
    p.setColor(textRole, text);
    w->setPalette(p);
}

void wholeLine(QLineEdit* box) {
    const int needed = box->minimumSizeHint().height();
    if (box->height() < needed)
        box->resize(box->width(), needed);
}

} // namespace WindowLook
