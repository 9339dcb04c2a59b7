#include "app/DesktopServices.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>

#include "app/FennoralView.h"

#include "app/AboutBox.h"
#include "app/HeaderDialog.h"
#include "app/HelpDialog.h"
#include "app/PatchListChooser.h"
#include "app/PatchNameDialog.h"
#include "app/PatternPropertiesDialog.h"
#include "app/Printing.h"
#include "app/Tools.h"

namespace tarvel {

namespace {

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

PrintableView Printable(CFennoralView& view) {
    // The editor's own pixels: the page shows the same picture at any zoom.
    return {view.EditorSize(), [&view](QPainter& painter) { view.Render(painter); }};
}

}  // namespace

DesktopServices::DesktopServices() = default;

QPrinter& DesktopServices::printer() {
    // Made at the first print: asking the print system for its printers takes a while.
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    return *printer_;
}

DesktopServices::~DesktopServices() = default;

void DesktopServices::ShowMessage(QWidget* owner, const UserMessage& message) {
    QMessageBox box(
        message.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
        QString::fromLatin1(message.title.data(), qsizetype(message.title.size())),
        QString::fromLatin1(message.text.data(), qsizetype(message.text.size())), QMessageBox::Ok,
        owner);
    box.exec();
}

SaveAnswer DesktopServices::AskSaveChanges(QWidget* owner) {
    const auto answer = QMessageBox::warning(
        owner, "Tarvel", "Save changes?", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
        QMessageBox::Yes);
    if (answer == QMessageBox::Yes) return SaveAnswer::Yes;
    if (answer == QMessageBox::No) return SaveAnswer::No;
    return SaveAnswer::Cancel;
}

std::optional<std::string> DesktopServices::ChooseSongToOpen(QWidget* owner) {
    return Chosen(QFileDialog::getOpenFileName(owner, "Open", QString(),
                                               "Tarvel Files (*.trv);;All Files (*)"));
}

std::optional<std::string> DesktopServices::ChooseSongToSave(QWidget* owner) {
    QFileDialog dialog(owner, "Save As", QString(), "Tarvel Files (*.trv);;All Files (*)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("trv");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return Chosen(dialog.selectedFiles().first());
}

void DesktopServices::Print(CFennoralView& view) {
    PrintView(view.window(), printer(), Printable(view));
}

void DesktopServices::PrintPreview(CFennoralView& view) {
    PreviewView(view.window(), printer(), Printable(view));
}

void DesktopServices::PrintSetup(QWidget* owner) {
    SetUpPrinter(owner, printer());
}

void DesktopServices::ShowAboutBox(QWidget* owner) {
    ::tarvel::ShowAboutBox(owner);
}
void DesktopServices::ShowHeaderDialog(QWidget* owner, CFennoralDoc& doc) {
    ::tarvel::ShowHeaderDialog(owner, doc);
}
bool DesktopServices::RunPatchNameDialog(QWidget* owner, std::string& name) {
    return ::tarvel::RunPatchNameDialog(owner, name);
}
bool DesktopServices::RunPatternPropertiesDialog(QWidget* owner, std::string& name,
                                                 std::string& lines) {
    return ::tarvel::RunPatternPropertiesDialog(owner, name, lines);
}
void DesktopServices::ShowHelpDialog(QWidget* owner) {
    ::tarvel::ShowHelpDialog(owner);
}
void DesktopServices::ShowDelayCalculator(QWidget* owner, int lineDuration) {
    ::tarvel::ShowDelayCalculator(owner, lineDuration);
}
void DesktopServices::OpenMixer(QWidget* owner) {
    ::tarvel::OpenMixer(owner);
}
void DesktopServices::OpenWebLink(int commandId) {
    ::tarvel::OpenWebLink(commandId);
}
std::optional<std::string> DesktopServices::ChoosePatchListToOpen(QWidget* owner) {
    return ::tarvel::ChoosePatchListToOpen(owner);
}
std::optional<std::string> DesktopServices::ChoosePatchListToSave(QWidget* owner) {
    return ::tarvel::ChoosePatchListToSave(owner);
}

}  // namespace tarvel
