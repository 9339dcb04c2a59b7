// The help viewer, the delay calculator, printing and the patch-list choosers.
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

#include "ModalDriver.h"
#include "app/HelpDialog.h"
#include "app/PatchListChooser.h"
#include "app/Printing.h"
#include "app/Tools.h"

namespace tarvel {
namespace {

using testing::Child;
using testing::WhenModalShows;

TEST(HelpDialog, SectionButtonsBringTheirEntriesToTheTop) {
    QTemporaryDir dir;
    std::ofstream file(QFile::encodeName(dir.filePath("readme.txt")).toStdString());
    for (int i = 1; i <= 100; ++i) file << "line " << i << "\n";
    file.close();
    CHelpDialog dialog(nullptr, {QFile::encodeName(dir.path()).toStdString()});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(dialog.list()->count(), 100);
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

TEST(DelayCalculator, ShowsTheDelayTimesInAnInformationBox) {
    WhenModalShows([](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Delay calculator tool");
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        EXPECT_EQ(box->text().toStdString(), DelayTimesText(29));
        box->accept();
    });
    ShowDelayCalculator(nullptr, 29);
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

TEST(PatchListChooser, OffersTvpFilesAndCancelGivesNothing) {
    for (auto mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
        WhenModalShows([mode](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->acceptMode(), mode);
            EXPECT_EQ(dialog->selectedNameFilter(), "Tarvel patchlist files (*.tvp)");
            dialog->reject();
        });
        const bool open = mode == QFileDialog::AcceptOpen;
        EXPECT_EQ(open ? ChoosePatchListToOpen(nullptr) : ChoosePatchListToSave(nullptr),
                  std::nullopt);
    }
}

}  // namespace
}  // namespace tarvel
