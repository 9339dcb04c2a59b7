// The help viewer, the small boxes of the tools, printing and the patch-list choosers.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <functional>

#include "ModalDriver.h"
#include "app/HelpDialog.h"
#include "app/PatchListChooser.h"
#include "app/Printing.h"
#include "app/Tools.h"

namespace tarvel {
namespace {

using testing::Child;
using testing::WhenModalShows;

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
    const std::pair<const char*, int> buttons[] = {{"1038", 0}, {"1025", 67}, {"1026", 0}};
    for (auto [id, top] : buttons) {
        for (int press = 0; press < 2; ++press) {  // a second press keeps it there
            QTest::mouseClick(Child<QPushButton>(&dialog, id), Qt::LeftButton);
            EXPECT_EQ(dialog.list()->verticalScrollBar()->value(), top) << id;
        }
    }
}

TEST(HelpDialog, ManualIsLookedForInTheWorkingFolderThenInTheDataFolderBesideTheProgram) {
    const std::vector<std::string> folders = HelpFolders();
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0], "");
    const QString data = QString::fromStdString(folders[1]);
    EXPECT_TRUE(data.endsWith("/share/tarvel"));
    EXPECT_EQ(QDir::cleanPath(data + "/../.."),
              QDir::cleanPath(QCoreApplication::applicationDirPath() + "/.."));
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

TEST(Printing, TheViewIsScaledToFitAndCentred) {
    // A 100 x 100 view that paints past its edges, which the clip cuts off.
    const PrintableView view = {
        QSize(100, 100), [](QPainter& painter) { painter.fillRect(-50, -50, 300, 300, Qt::red); }};
    QImage page(400, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    PaintScaled(page, QRect(0, 0, 400, 200), view);
    // 100 x 100 scaled by 2 fits the height and stands in the middle: x 100..299.
    EXPECT_EQ(page.pixelColor(99, 100), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(100, 0), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(299, 199), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(300, 100), QColor(Qt::white));
}

}  // namespace
}  // namespace tarvel
