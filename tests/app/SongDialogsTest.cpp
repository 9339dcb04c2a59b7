// The header, patch name and pattern properties dialogs, driven through their real widgets.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <mutex>
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

class HeaderDialogTest : public ::testing::Test {
  protected:
    SongHeader& header() { return t.doc->song.header; }

    // Opens the dialog as the File menu does; `act` types into it and closes it.
    void Run(std::function<void(CHeaderDialog*)> act) {
        WhenModalShows([act](QWidget* dialog) { act(static_cast<CHeaderDialog*>(dialog)); });
        ShowHeaderDialog(nullptr, *t.doc);
    }

    TestDocument t;
};

TEST_F(HeaderDialogTest, NewSongShowsFourEmptyBoxesWithTheFocusInAuthor) {
    Run([](CHeaderDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Header");
        EXPECT_TRUE(dialog->authorBox()->text().isEmpty());
        EXPECT_TRUE(dialog->bandBox()->text().isEmpty());
        EXPECT_TRUE(dialog->dateBox()->text().isEmpty());
        EXPECT_TRUE(dialog->commentsBox()->toPlainText().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), dialog->authorBox());
        dialog->accept();
    });
}

TEST_F(HeaderDialogTest, TypingGoesIntoTheSongAtOnceCutToTheFieldSizes) {
    Run([this](CHeaderDialog* dialog) {
        QTest::keyClicks(dialog->authorBox(), k40);
        EXPECT_STREQ(header().author, k40.left(31).toLatin1().constData());
        QTest::keyClicks(dialog->bandBox(), k40);
        QTest::keyClicks(dialog->dateBox(), "6 December");
        QTest::keyClick(dialog, Qt::Key_Escape);  // closes; keeps what was typed
    });
    EXPECT_EQ(std::string(header().author), k40.left(31).toStdString());
    EXPECT_EQ(std::string(header().band), k40.left(31).toStdString());
    EXPECT_STREQ(header().date, "6 December");

    // Opened again, the boxes show what the song kept, the author selected.
    Run([](CHeaderDialog* dialog) {
        EXPECT_EQ(dialog->authorBox()->text(), k40.left(31));
        EXPECT_EQ(dialog->authorBox()->selectedText(), k40.left(31));
        EXPECT_EQ(dialog->dateBox()->text(), "6 December");
        QTest::keyClicks(dialog->authorBox(), "Jo");  // replaces the selection
        QTest::keyClick(dialog->authorBox(), Qt::Key_Return);
    });
    EXPECT_STREQ(header().author, "Jo");
    EXPECT_STREQ(header().date, "6 December");
}

TEST_F(HeaderDialogTest, CommentsKeepTheirLinesAndAreCutTo2047Characters) {
    Run([](CHeaderDialog* dialog) {
        QTest::keyClicks(dialog->commentsBox(), "Style: acid");
        QTest::keyClick(dialog->commentsBox(), Qt::Key_Return);  // a new line, not OK
        QTest::keyClicks(dialog->commentsBox(), "TB-303, TR-909");
        EXPECT_TRUE(dialog->isVisible());
        dialog->accept();
    });
    // Line breaks are stored as the song format keeps them.
    EXPECT_STREQ(header().comments, "Style: acid\r\nTB-303, TR-909");
    Run([](CHeaderDialog* dialog) {
        EXPECT_EQ(dialog->commentsBox()->toPlainText(), "Style: acid\nTB-303, TR-909");
        dialog->commentsBox()->setPlainText(QString(3000, 'x'));  // as a paste would
        dialog->accept();
    });
    EXPECT_EQ(std::string(header().comments), std::string(2047, 'x'));
}

TEST_F(HeaderDialogTest, TextIsLatin1AndWhatItCannotHoldBecomesAQuestionMark) {
    Run([](CHeaderDialog* dialog) {
        dialog->bandBox()->setText(QString::fromUtf8("Mot\u00f6rhead \u266b"));
        dialog->accept();
    });
    EXPECT_STREQ(header().band, "Mot\xf6rhead ?");
    Run([](CHeaderDialog* dialog) {
        EXPECT_EQ(dialog->bandBox()->text(), QString::fromUtf8("Mot\u00f6rhead ?"));
        dialog->accept();
    });
}

TEST_F(HeaderDialogTest, ClearEmptiesAllFourFieldsAndBoxesAndFocusesAuthor) {
    {
        std::lock_guard lock(t.doc->mutex);
        CopyText(header().author, "Author");
        CopyText(header().band, "Band");
        CopyText(header().date, "2001");
        CopyText(header().comments, "Line 1\r\nLine 2");
    }
    Run([this](CHeaderDialog* dialog) {
        dialog->dateBox()->setFocus();
        QTest::mouseClick(Child<QPushButton>(dialog, "1018"), Qt::LeftButton);
        const SongHeader& song = header();
        for (const char* field : {+song.author, +song.band, +song.date, +song.comments}) {
            EXPECT_STREQ(field, "");
        }
        EXPECT_TRUE(dialog->authorBox()->text().isEmpty());
        EXPECT_TRUE(dialog->bandBox()->text().isEmpty());
        EXPECT_TRUE(dialog->dateBox()->text().isEmpty());
        EXPECT_TRUE(dialog->commentsBox()->toPlainText().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), dialog->authorBox());
        EXPECT_TRUE(dialog->isVisible());  // Clear does not close the dialog
        dialog->accept();
    });
}

TEST(PatchNameDialog, OkGivesTheTypedTextOfAtMost31Characters) {
    std::string name = "Acoustic Grand";
    WhenModalShows([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Set patch name");
        auto* box = Child<QLineEdit>(dialog, "1045");
        EXPECT_EQ(QApplication::focusWidget(), box);
        EXPECT_EQ(box->selectedText(), "Acoustic Grand");
        QTest::keyClicks(box, k40);
        QTest::keyClick(box, Qt::Key_Return);
    });
    ASSERT_TRUE(RunPatchNameDialog(nullptr, name));
    EXPECT_EQ(name, k40.left(31).toStdString());
}

TEST(PatchNameDialog, CancelAndEscapeKeepTheName) {
    std::string name = "Fretless Bass";
    WhenModalShows([](QWidget* dialog) {
        QTest::keyClicks(Child<QLineEdit>(dialog, "1045"), "Other");
        QTest::mouseClick(Child<QPushButton>(dialog, "2"), Qt::LeftButton);
    });
    EXPECT_FALSE(RunPatchNameDialog(nullptr, name));
    WhenModalShows([](QWidget* dialog) {
        QTest::keyClicks(Child<QLineEdit>(dialog, "1045"), "Other");
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(RunPatchNameDialog(nullptr, name));
    EXPECT_EQ(name, "Fretless Bass");
}

// Types `lines` into a lines box cleared first, and returns what OK hands back.
std::string TypedLines(const QString& typed, std::string* name = nullptr) {
    std::string patternName = "Intro", lines = "64";
    WhenModalShows([typed](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Pattern properties");
        auto* nameBox = Child<QLineEdit>(dialog, "1033");
        auto* linesBox = Child<QLineEdit>(dialog, "1034");
        EXPECT_EQ(QApplication::focusWidget(), nameBox);
        EXPECT_EQ(nameBox->selectedText(), "Intro");
        EXPECT_EQ(linesBox->text(), "64");
        QTest::keyClicks(nameBox, k40);
        linesBox->clear();
        QTest::keyClicks(linesBox, typed);
        QTest::mouseClick(Child<QPushButton>(dialog, "1"), Qt::LeftButton);
    });
    EXPECT_TRUE(RunPatternPropertiesDialog(nullptr, patternName, lines));
    if (name) *name = patternName;
    return lines;
}

TEST(PatternPropertiesDialog, OkGivesTheTypedTexts) {
    std::string name;
    EXPECT_EQ(TypedLines("0", &name), "0");
    EXPECT_EQ(name, k40.toStdString());  // the 30-character cut is the song's rule
    EXPECT_EQ(TypedLines("999"), "999");
    EXPECT_EQ(TypedLines("1000"), "1000");
}

TEST(PatternPropertiesDialog, LinesBoxTakesDigitsOnly) {
    EXPECT_EQ(TypedLines("1a2-b3 "), "123");
    EXPECT_EQ(TypedLines("x"), "");
}

TEST(PatternPropertiesDialog, CancelChangesNothing) {
    std::string name = "Verse", lines = "32";
    WhenModalShows([](QWidget* dialog) {
        QTest::keyClicks(Child<QLineEdit>(dialog, "1033"), "Chorus");
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(RunPatternPropertiesDialog(nullptr, name, lines));
    EXPECT_EQ(name, "Verse");
    EXPECT_EQ(lines, "32");
}

}  // namespace
}  // namespace tarvel
