#pragma once

#include "app/AppState.h"

#include <QWidget>

class QLineEdit;
namespace ID3 {
struct TagRecord;
}

// "MP3 ID3 Information": the ID3v1 tag of one file, shown, never written.
class frmID3 : public QWidget {
    Q_OBJECT
public:
    explicit frmID3(AppState& state, QWidget* parent = nullptr);

    void Form_Load();
    // Fills the boxes from the file's tag; hasTag says whether one was found.
    void show(const QString& path, const ID3::TagRecord& record, bool hasTag);
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

// What a text box shows of a fixed-width field: the characters before the
// first NUL.
QString shownText(const QString& field);
