#pragma once

#include "core/AppState.h"

#include <QWidget>

class QLineEdit;
namespace Tags {
struct SongTags;
}

// "MP3 ID3 Information": the tags of one file, shown, never written.
class TagWindow : public QWidget {
    Q_OBJECT
public:
    explicit TagWindow(AppState& state, QWidget* parent = nullptr);

    void load();
    // Fills the boxes from the file's tags.
    void show(const QString& path, const Tags::SongTags& tags);
    using QWidget::show;

    QLineEdit* fileEdit;
    QLineEdit* titleEdit;
    QLineEdit* artistEdit;
    QLineEdit* albumEdit;
    QLineEdit* genreEdit;
    QLineEdit* yearEdit;
    QLineEdit* commentEdit;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AppState& m_state;
};
