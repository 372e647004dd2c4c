#pragma once

#include "core/AppState.h"

#include <QWidget>

class QLineEdit;
namespace Tags {
struct SongTags;
}

// "MP3 ID3 Information": the tags of one file, shown, never written.
class frmID3 : public QWidget {
    Q_OBJECT
public:
    explicit frmID3(AppState& state, QWidget* parent = nullptr);

    void Form_Load();
    // Fills the boxes from the file's tags.
    void show(const QString& path, const Tags::SongTags& tags);
    using QWidget::show;

    QLineEdit* txtFile;
    QLineEdit* txtTitle;
    QLineEdit* txtArtist;
    QLineEdit* txtAlbum;
    QLineEdit* txtGenre;
    QLineEdit* txtYear;
    QLineEdit* txtComment;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AppState& m_state;
};
