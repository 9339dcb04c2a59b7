// The help viewer, the about box, the tools, printing and the patch-list choosers.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <set>

#include "ModalDriver.h"
#include "app/AboutBox.h"
#include "app/HelpDialog.h"
#include "app/PatchListChooser.h"
#include "app/Printing.h"
#include "app/Tools.h"
#include "platform/HelpFile.h"

namespace tarvel {
namespace {

using testing::Child;
using testing::WhenModalShows;

class HelpDialogTest : public ::testing::Test {
  protected:
    std::string Folder() const { return QFile::encodeName(dir_.path()).toStdString(); }

    void WriteManual(int lines) const {
        std::ofstream file(Folder() + "/readme.txt", std::ios::binary);
        for (int i = 1; i <= lines; ++i) file << "line " << i << "\n";
    }

    // The entry at the top of the list.
    static int TopEntry(CHelpDialog& dialog) { return dialog.list()->verticalScrollBar()->value(); }

    QTemporaryDir dir_;
};

TEST_F(HelpDialogTest, SectionButtonsBringTheirEntriesToTheTop) {
    WriteManual(400);
    CHelpDialog dialog(nullptr, {Folder()});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(dialog.list()->count(), 400);
    EXPECT_EQ(dialog.list()->selectionMode(), QAbstractItemView::NoSelection);

    const std::pair<const char*, int> buttons[] = {
        {"1025", 67}, {"1026", 189}, {"1027", 219}, {"1038", 0}};
    for (auto [id, entry] : buttons) {
        QTest::mouseClick(Child<QPushButton>(&dialog, id), Qt::LeftButton);
        EXPECT_EQ(TopEntry(dialog), entry) << id;
        QTest::mouseClick(Child<QPushButton>(&dialog, id), Qt::LeftButton);  // twice: same
        EXPECT_EQ(TopEntry(dialog), entry) << id;
    }
    EXPECT_EQ(Child<QPushButton>(&dialog, "1025")->text(),
              "Programming patterns and MIDI reference");
}

TEST_F(HelpDialogTest, ShortManualLeavesTheListAtTheTop) {
    WriteManual(100);
    CHelpDialog dialog(nullptr, {Folder()});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(Child<QPushButton>(&dialog, "1025"), Qt::LeftButton);
    const int afterOverview = TopEntry(dialog);
    EXPECT_GT(afterOverview, 0);
    QTest::mouseClick(Child<QPushButton>(&dialog, "1026"), Qt::LeftButton);  // entry 189
    EXPECT_EQ(TopEntry(dialog), 0);
}

TEST_F(HelpDialogTest, MissingManualShowsTheNotFoundEntryAndReadsAgainAtEveryOpening) {
    {
        CHelpDialog dialog(nullptr, {Folder()});
        ASSERT_EQ(dialog.list()->count(), 1);
        EXPECT_EQ(dialog.list()->item(0)->text(), "Help file 'readme.txt' not found.");
        QTest::mouseClick(Child<QPushButton>(&dialog, "1027"), Qt::LeftButton);
    }
    WriteManual(3);
    CHelpDialog dialog(nullptr, {Folder()});
    EXPECT_EQ(dialog.list()->count(), 3);
    EXPECT_EQ(dialog.windowTitle(), "Help");
}

TEST(HelpFolders, WorkingFolderFirstThenTheInstalledDataFolder) {
    auto folders = HelpFolders();
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0], "");
    EXPECT_TRUE(QString::fromStdString(folders[1]).endsWith("/share/tarvel"));
}

TEST(AboutBox, ShowsItsTextsAndClosesWithEnter) {
    WhenModalShows([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "About TARVEL");
        QStringList texts;
        for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
        EXPECT_TRUE(texts.contains("Tarvel . Full programmable MIDI (Spec1.0) MultiTracker."));
        EXPECT_TRUE(
            texts.contains("See forget to check out there other miditrackers and audio "
                           "software (use links on HELP menu)"));
        auto* greetz = dialog->findChild<QGroupBox*>();
        ASSERT_NE(greetz, nullptr);
        EXPECT_EQ(greetz->title(), "Greetz");
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    ShowAboutBox(nullptr);  // returns once the key closed it
}

TEST(DelayCalculator, ShowsTheDelayTimesInAnInformationBox) {
    WhenModalShows([](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Delay calculator tool");
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        EXPECT_EQ(box->text().toStdString(), DelayTimesText(29));
        EXPECT_TRUE(box->text().startsWith("At current tempo [517 BPM]:"));
        box->accept();
    });
    ShowDelayCalculator(nullptr, 29);
}

TEST(WebLinks, FourteenCommandsEachWithItsOwnAddress) {
    std::set<int> ids;
    std::set<std::string> addresses;
    for (const WebLink& link : kWebLinks) {
        ids.insert(link.commandId);
        addresses.insert(link.address);
        EXPECT_TRUE(std::string(link.address).starts_with("https://")) << link.address;
        EXPECT_FALSE(std::string(link.label).empty());
    }
    std::set<int> expected = {32808};
    for (int id = 32813; id <= 32825; ++id) expected.insert(id);
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(addresses.size(), kWebLinks.size());
    EXPECT_EQ(kWebLinks[0].commandId, 32808);  // the official website comes first
    EXPECT_NE(std::string(kWebLinks[0].label).find("official website"), std::string::npos);
    EXPECT_EQ(FindWebLink(32812), nullptr);
    EXPECT_EQ(FindWebLink(32824)->commandId, 32824);
}

PrintableView RedSquareView() {
    return {QSize(100, 100), [](QPainter& painter) {
                painter.fillRect(QRect(-50, -50, 300, 300), Qt::red);  // clipped to the view
            }};
}

TEST(Printing, TheViewIsScaledToFitAndCentred) {
    QImage page(400, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    PaintScaled(page, QRect(0, 0, 400, 200), RedSquareView());
    // 100 x 100 scaled by 2 fits the height and stands in the middle: x 100..299.
    EXPECT_EQ(page.pixelColor(99, 100), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(100, 0), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(299, 199), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(300, 100), QColor(Qt::white));
}

TEST(Printing, APrinterGetsAPage) {
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("view.pdf"));
    PaintScaled(printer, printer.pageLayout().paintRectPixels(printer.resolution()),
                RedSquareView());
    EXPECT_GT(QFileInfo(dir.filePath("view.pdf")).size(), 0);
}

TEST(PatchListChooser, OffersTheTvpFilterAndReturnsNothingWhenCancelled) {
    WhenModalShows([](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->nameFilters(),
                  QStringList({"Tarvel patchlist files (*.tvp)", "All Files (*)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), "Tarvel patchlist files (*.tvp)");
        dialog->reject();
    });
    EXPECT_EQ(ChoosePatchListToOpen(nullptr), std::nullopt);
}

TEST(PatchListChooser, SaveUsesTheNameAsTyped) {
    QTemporaryDir dir;
    WhenModalShows([&dir](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
        auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(nameBox, nullptr);
        nameBox->setText(dir.filePath("mylist"));
        QTest::keyClick(nameBox, Qt::Key_Return);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the file dialog did not take the typed name";
            dialog->reject();
        }
    });
    EXPECT_EQ(ChoosePatchListToSave(nullptr),
              QFile::encodeName(dir.filePath("mylist")).toStdString());
}

}  // namespace
}  // namespace tarvel
