// The "Header" dialog: author, band, date and comments of the song. Every change of a box goes
// into the song at once, so OK and Escape both just close it.
#pragma once

#include <QDialog>
#include <string>

#include "song/Song.h"

class QLineEdit;
class QPlainTextEdit;

namespace tarvel {

class CFennoralDoc;

class CHeaderDialog final : public QDialog {
    Q_OBJECT
  public:
    CHeaderDialog(QWidget* parent, CFennoralDoc& doc);

    QLineEdit* authorBox() const { return author_; }
    QLineEdit* bandBox() const { return band_; }
    QLineEdit* dateBox() const { return date_; }
    QPlainTextEdit* commentsBox() const { return comments_; }

    void Clear();  // the "Clear" button

  private:
    void FillFromSong();
    void CopyIntoSong(char (SongHeader::*field)[kNameSize], const std::string& text);

    CFennoralDoc& doc_;
    QLineEdit* author_;
    QLineEdit* band_;
    QLineEdit* date_;
    QPlainTextEdit* comments_;
};

// Window thread; takes the document lock for each change.
void ShowHeaderDialog(QWidget* parent, CFennoralDoc& doc);

}  // namespace tarvel
