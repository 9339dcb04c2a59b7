// The header, patch name and pattern properties dialogs, driven through their real widgets.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <string>

#include "ModalDriver.h"
#include "app/HeaderDialog.h"
#include "app/PatchNameDialog.h"
#include "app/PatternPropertiesDialog.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using testing::Child;
using testing::TestDocument;
using testing::WhenModalShows;

const QString k40 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";

// One song's header through three openings of the dialog, as the File menu opens it.
TEST(HeaderDialog, EveryChangeGoesIntoTheSongAtOnceAsLatin1CutToTheFieldSizes) {
    TestDocument t;
    const SongHeader& header = t.doc->song.header;
    const auto run = [&t](std::function<void(CHeaderDialog*)> act) {
        WhenModalShows([act](QWidget* dialog) { act(static_cast<CHeaderDialog*>(dialog)); });
        ShowHeaderDialog(nullptr, *t.doc);
    };
    const auto expectEmptyWithTheFocusInAuthor = [](CHeaderDialog* dialog) {
        for (QLineEdit* box : {dialog->authorBox(), dialog->bandBox(), dialog->dateBox()})
            EXPECT_TRUE(box->text().isEmpty());
        EXPECT_TRUE(dialog->commentsBox()->toPlainText().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), dialog->authorBox());
    };
    run([&](CHeaderDialog* dialog) {
        expectEmptyWithTheFocusInAuthor(dialog);
        QTest::keyClicks(dialog->authorBox(), k40);
        EXPECT_EQ(std::string(header.author), k40.left(31).toStdString());
        dialog->bandBox()->setText(
            QString::fromUtf8("Mot\u00f6rhead \u266b"));  // a note sign: no Latin-1
        QTest::keyClicks(dialog->dateBox(), "6 December");
        QTest::keyClicks(dialog->commentsBox(), "Style: acid");
        QTest::keyClick(dialog->commentsBox(), Qt::Key_Return);  // a new line, not OK
        QTest::keyClicks(dialog->commentsBox(), "TB-303");
        QTest::keyClick(dialog, Qt::Key_Escape);  // closes; keeps what was typed
    });
    EXPECT_STREQ(header.band, "Mot\xf6rhead ?");
    EXPECT_STREQ(header.date, "6 December");
    EXPECT_STREQ(header.comments, "Style: acid\r\nTB-303");  // the song file's line break

    // Opened again, the boxes show what the song kept, the author selected.
    run([&](CHeaderDialog* dialog) {
        EXPECT_EQ(dialog->bandBox()->text(), QString::fromUtf8("Mot\u00f6rhead ?"));
        EXPECT_EQ(dialog->commentsBox()->toPlainText(), "Style: acid\nTB-303");
        dialog->commentsBox()->setPlainText(QString(3000, 'x'));  // as a paste would
        EXPECT_EQ(dialog->authorBox()->selectedText(), k40.left(31));
        QTest::keyClicks(dialog->authorBox(), "Jo");  // replaces the selection
        QTest::keyClick(dialog->authorBox(), Qt::Key_Return);
    });
    EXPECT_STREQ(header.author, "Jo");
    EXPECT_EQ(std::string(header.comments), std::string(2047, 'x'));

    run([&](CHeaderDialog* dialog) {
        dialog->dateBox()->setFocus();
        QTest::mouseClick(Child<QPushButton>(dialog, "1018"), Qt::LeftButton);
        for (const char* field : {+header.author, +header.band, +header.date, +header.comments})
            EXPECT_STREQ(field, "");
        expectEmptyWithTheFocusInAuthor(dialog);
        EXPECT_TRUE(dialog->isVisible());  // Clear does not close
        dialog->accept();
    });
}

TEST(PatchNameDialog, OkGivesTheTypedTextOfAtMost31CharactersAndCancelKeepsTheName) {
    std::string name = "Acoustic Grand";
    for (int key : {int(Qt::Key_Escape), 0, int(Qt::Key_Return)}) {  // 0: the Cancel button
        WhenModalShows([key](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), "Set patch name");
            auto* box = Child<QLineEdit>(dialog, "1045");
            EXPECT_EQ(QApplication::focusWidget(), box);
            EXPECT_EQ(box->selectedText(), "Acoustic Grand");
            QTest::keyClicks(box, k40);
            if (key) QTest::keyClick(box, Qt::Key(key));
            if (!key) QTest::mouseClick(Child<QPushButton>(dialog, "2"), Qt::LeftButton);
        });
        EXPECT_EQ(RunPatchNameDialog(nullptr, name), key == Qt::Key_Return);
    }
    EXPECT_EQ(name, k40.left(31).toStdString());
}

TEST(PatternPropertiesDialog, OkGivesTheTypedTextsWithDigitsOnlyInLinesAndCancelKeepsThem) {
    for (bool ok : {true, false}) {
        std::string name = "Intro", lines = "64";
        WhenModalShows([ok](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), "Pattern properties");
            auto* nameBox = Child<QLineEdit>(dialog, "1033");
            auto* linesBox = Child<QLineEdit>(dialog, "1034");
            EXPECT_EQ(QApplication::focusWidget(), nameBox);
            EXPECT_EQ(nameBox->selectedText(), "Intro");
            EXPECT_EQ(linesBox->text(), "64");
            // The 30-character name and the range of lines are the song's rules.
            QTest::keyClicks(nameBox, k40);
            linesBox->clear();
            QTest::keyClicks(linesBox, "1a0-b0 0");
            if (ok) QTest::mouseClick(Child<QPushButton>(dialog, "1"), Qt::LeftButton);
            if (!ok) QTest::keyClick(dialog, Qt::Key_Escape);
        });
        EXPECT_EQ(RunPatternPropertiesDialog(nullptr, name, lines), ok);
        EXPECT_EQ(name, ok ? k40.toStdString() : "Intro");
        EXPECT_EQ(lines, ok ? "1000" : "64");
    }
}

}  // namespace
}  // namespace tarvel
