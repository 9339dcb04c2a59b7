// The dialogs on their own: the header, patch name and pattern properties dialogs driven through
// their real widgets, the help viewer, the small boxes of the tools, printing and the patch-list
// choosers.
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <fstream>

#include "AppFixture.h"
#include "app/DesktopServices.h"
#include "app/HeaderDialog.h"
#include "app/HelpDialog.h"
#include "app/PatchListChooser.h"
#include "app/PatchNameDialog.h"
#include "app/PatternPropertiesDialog.h"
#include "app/Printing.h"
#include "app/Tools.h"

namespace tarvel::testing {
namespace {

using namespace widget_id;

TEST(HelpDialog, OpensWideEnoughForTheManualAndSectionButtonsBringTheirEntriesToTheTop) {
    QTemporaryDir dir;
    std::ofstream file(QFile::encodeName(dir.filePath("readme.txt")).toStdString());
    for (int i = 1; i < 100; ++i) file << "line " << i << "\n";
    file << std::string(94, 'W') << "\n";  // as long as the manual's lines may be
    file.close();
    CHelpDialog dialog(nullptr, {QFile::encodeName(dir.path()).toStdString()});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(dialog.list()->count(), 100);
    EXPECT_EQ(dialog.list()->horizontalScrollBar()->maximum(), 0);
    // The overview, the MIDI reference at entry 67, and the shortcuts past this manual's end.
    for (auto [id, top] :
         {std::pair(kHelpOverview, 0), std::pair(kHelpPatterns, 67), std::pair(kHelpKeys, 0)})
        for (int press = 0; press < 2; ++press) {  // a second press keeps it there
            Click(&dialog, id);
            EXPECT_EQ(dialog.list()->verticalScrollBar()->value(), top) << id;
        }
}

TEST(HelpDialog, ManualIsLookedForInTheWorkingFolderThenInTheDataFolderBesideTheProgram) {
    const QString data = QCoreApplication::applicationDirPath() + "/../share/tarvel";
    EXPECT_EQ(HelpFolders(), (std::vector<std::string>{"", QDir::cleanPath(data).toStdString()}));
}

// Each box as the user sees it: a message box's text, or a file chooser's filter and direction.
// The file choosers offer patch lists, and Cancel gives no file.
TEST(ToolBoxes, SayWhatTheyAreForAndCancelGivesNothing) {
    QTemporaryDir bin;  // a PATH with no mixer on it
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    const struct {
        std::function<void()> open;
        std::string shown;
    } boxes[] = {
        {[] { ShowDelayCalculator(nullptr, 29); }, DelayTimesText(29)},
        {[] { OpenMixer(nullptr); },
         "No sound mixer was found.\n\n"
         "Tried: pavucontrol, pavucontrol-qt, gnome-control-center sound, kmix"},
        {[] { EXPECT_EQ(ChoosePatchListToOpen(nullptr), std::nullopt); },
         "open Tarvel patchlist files (*.tvp)"},
        {[] { EXPECT_EQ(ChoosePatchListToSave(nullptr), std::nullopt); },
         "save Tarvel patchlist files (*.tvp)"},
    };
    for (const auto& [open, shown] : boxes) {
        std::string said;
        WhenModalShows([&said](QWidget* box) {
            if (auto* message = qobject_cast<QMessageBox*>(box))
                said = message->text().toStdString();
            if (auto* chooser = qobject_cast<QFileDialog*>(box))
                said = (chooser->acceptMode() == QFileDialog::AcceptOpen ? "open " : "save ") +
                       chooser->selectedNameFilter().toStdString();
            box->close();
        });
        open();
        EXPECT_EQ(said, shown);
    }
    qputenv("PATH", path);
}

// A name written with either ending keeps it whatever the filter says; else the filter decides.
TEST(AudioExportChoice, TheNamesEndingDecidesElseTheFilter) {
    const QString flac = "FLAC audio (*.flac)", wav = "WAV audio (*.wav)";
    EXPECT_EQ(AudioFileTypeOf("take.WAV", flac), AudioFileType::Wav);
    EXPECT_EQ(AudioFileTypeOf("take.Flac", wav), AudioFileType::Flac);
    EXPECT_EQ(AudioFileTypeOf("take", flac), AudioFileType::Flac);
    EXPECT_EQ(AudioFileTypeOf("take", wav), AudioFileType::Wav);
}

TEST(Printing, TheViewIsScaledToFitAndCentred) {
    // A 100 x 100 view that paints past its edges, which the clip cuts off.
    const PrintableView view = {
        QSize(100, 100), [](QPainter& painter) { painter.fillRect(-50, -50, 300, 300, Qt::red); }};
    QImage page(400, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    PaintScaled(page, QRect(0, 0, 400, 200), view);
    // 100 x 100 scaled by 2 fits the height and stands in the middle: x 100..299.
    const std::vector<QColor> edges = {page.pixelColor(99, 100), page.pixelColor(100, 0),
                                       page.pixelColor(299, 199), page.pixelColor(300, 100)};
    EXPECT_EQ(edges, (std::vector<QColor>{Qt::white, Qt::red, Qt::red, Qt::white}));
}

const QString k40 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";

// One song's header through three openings of the dialog, as the File menu opens it.
TEST(HeaderDialog, EveryChangeGoesIntoTheSongAtOnceAsLatin1CutToTheFieldSizes) {
    TestDocument t;
    const SongHeader& header = t.doc->song.header;
    const auto run = [&t](std::function<void(CHeaderDialog*)> act) {
        WhenModalShows([act](QWidget* dialog) { act(static_cast<CHeaderDialog*>(dialog)); });
        ShowHeaderDialog(nullptr, *t.doc);
    };
    run([&](CHeaderDialog* dialog) {
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
        Click(dialog, kHeaderClear);
        // The boxes, refilled from the song, show it cleared.
        for (QLineEdit* box : {dialog->authorBox(), dialog->bandBox(), dialog->dateBox()})
            EXPECT_TRUE(box->text().isEmpty());
        EXPECT_TRUE(dialog->commentsBox()->toPlainText().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), dialog->authorBox());
        EXPECT_TRUE(dialog->isVisible());  // Clear does not close
        dialog->accept();
    });
}

TEST(PatchNameDialog, OkGivesTheTypedTextOfAtMost31CharactersAndCancelKeepsTheName) {
    std::string name = "Acoustic Grand";
    for (int key : {int(Qt::Key_Escape), 0, int(Qt::Key_Return)}) {  // 0: the Cancel button
        WhenModalShows([key](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), "Set patch name");
            auto* box = Child<QLineEdit>(dialog, kPatchNameBox);
            EXPECT_EQ(QApplication::focusWidget(), box);
            EXPECT_EQ(box->selectedText(), "Acoustic Grand");
            QTest::keyClicks(box, k40);
            key ? QTest::keyClick(box, Qt::Key(key)) : Click(dialog, kCancel);
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
            auto* nameBox = Child<QLineEdit>(dialog, kPatternNameBox);
            auto* linesBox = Child<QLineEdit>(dialog, kPatternLinesBox);
            EXPECT_EQ(QApplication::focusWidget(), nameBox);
            EXPECT_EQ(nameBox->selectedText(), "Intro");
            EXPECT_EQ(linesBox->text(), "64");
            // The 30-character name and the range of lines are the song's rules.
            QTest::keyClicks(nameBox, k40);
            linesBox->clear();
            QTest::keyClicks(linesBox, "1a0-b0 0");
            ok ? Click(dialog, kOk) : QTest::keyClick(dialog, Qt::Key_Escape);
        });
        EXPECT_EQ(RunPatternPropertiesDialog(nullptr, name, lines), ok);
        EXPECT_EQ(name + " " + lines, ok ? k40.toStdString() + " 1000" : "Intro 64");
    }
}

}  // namespace
}  // namespace tarvel::testing
