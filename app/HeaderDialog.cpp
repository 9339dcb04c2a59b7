#include "app/HeaderDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <mutex>

#include "app/SongText.h"
#include "app/WidgetIds.h"
#include "document/EditAction.h"
#include "document/FennoralDoc.h"

namespace tarvel {

namespace {

// Comments keep the line breaks of the song file format, "\r\n"; the box shows plain "\n".
QString CommentsForBox(const char (&comments)[kCommentsSize]) {
    return FromSongText(comments).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

std::string CommentsForSong(const QString& text) {
    QString withBreaks = text;
    return ToSongText(withBreaks.replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

QLineEdit* MakeLineBox(QWidget* parent, int id, int widthInChars) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(widget_id::Name(id));
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * widthInChars);
    return box;
}

}  // namespace

CHeaderDialog::CHeaderDialog(QWidget* parent, CFennoralDoc& doc) : QDialog(parent), doc_(doc) {
    setWindowTitle("Header");
    setObjectName(widget_id::Name(widget_id::kHeaderDialog));

    author_ = MakeLineBox(this, widget_id::kHeaderAuthor, 36);
    band_ = MakeLineBox(this, widget_id::kHeaderBand, 22);
    date_ = MakeLineBox(this, widget_id::kHeaderDate, 12);
    comments_ = new QPlainTextEdit(this);
    comments_->setObjectName(widget_id::Name(widget_id::kHeaderComments));
    comments_->setLineWrapMode(QPlainTextEdit::NoWrap);
    comments_->setTabChangesFocus(true);
    comments_->setMinimumSize(author_->minimumWidth(), comments_->fontMetrics().height() * 14);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName(widget_id::Name(widget_id::kOk));
    ok->setDefault(true);
    QPushButton* clear = buttons->addButton("Clear", QDialogButtonBox::ActionRole);
    clear->setObjectName(widget_id::Name(widget_id::kHeaderClear));
    clear->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(clear, &QPushButton::clicked, this, &CHeaderDialog::Clear);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Author", this), 0, 0, 1, 2);
    layout->addWidget(author_, 1, 0, 1, 2);
    layout->addWidget(new QLabel("Band", this), 2, 0);
    layout->addWidget(new QLabel("Date", this), 2, 1);
    layout->addWidget(band_, 3, 0);
    layout->addWidget(date_, 3, 1);
    layout->addWidget(new QLabel("Comments (Style, instruments used, etc)", this), 4, 0, 1, 2);
    layout->addWidget(comments_, 5, 0, 1, 2);
    layout->addWidget(buttons, 6, 0, 1, 2);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 1);

    // Each box copies its whole text into its own field at every change, cut to the field.
    connect(author_, &QLineEdit::textChanged, this,
            [this](const QString& text) { CopyIntoSong(&SongHeader::author, ToSongText(text)); });
    connect(band_, &QLineEdit::textChanged, this,
            [this](const QString& text) { CopyIntoSong(&SongHeader::band, ToSongText(text)); });
    connect(date_, &QLineEdit::textChanged, this,
            [this](const QString& text) { CopyIntoSong(&SongHeader::date, ToSongText(text)); });
    connect(comments_, &QPlainTextEdit::textChanged, this, [this] {
        std::string comments = CommentsForSong(comments_->toPlainText());
        std::lock_guard lock(doc_.mutex);
        CopyText(doc_.song.header.comments, comments.c_str());
    });

    FillFromSong();
}

void CHeaderDialog::FillFromSong() {
    QString author, band, date, comments;
    {
        std::lock_guard lock(doc_.mutex);
        const SongHeader& header = doc_.song.header;
        author = FromSongText(header.author);
        band = FromSongText(header.band);
        date = FromSongText(header.date);
        comments = CommentsForBox(header.comments);
    }
    // Each filled box copies itself back into the song, as typing would; outside the lock.
    author_->setText(author);
    comments_->setPlainText(comments);
    band_->setText(band);
    date_->setText(date);
    author_->setFocus();
    author_->selectAll();
}

void CHeaderDialog::CopyIntoSong(char (SongHeader::*field)[kNameSize], const std::string& text) {
    std::lock_guard lock(doc_.mutex);
    CopyText(doc_.song.header.*field, text.c_str());
}

void CHeaderDialog::Clear() {
    {
        std::lock_guard lock(doc_.mutex);
        SongHeader& header = doc_.song.header;
        header.author[0] = header.band[0] = header.date[0] = header.comments[0] = '\0';
    }
    FillFromSong();
}

void ShowHeaderDialog(QWidget* parent, CFennoralDoc& doc) {
    EditAction session(doc, "Song Header", {HeaderRange()});
    CHeaderDialog dialog(parent, doc);
    dialog.exec();
}

}  // namespace tarvel
