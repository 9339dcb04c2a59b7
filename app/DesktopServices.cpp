#include "app/DesktopServices.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "app/FennoralView.h"
#include "app/LandedPieces.h"

#if TARVEL_HAS_DIALOGS
#include "app/Dialogs.h"
#endif

namespace tarvel {

namespace {

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

// The view's drawing at its own pixel size, scaled to the page's width.
void PrintView(QPrinter& printer, CFennoralView& view) {
    QPainter painter(&printer);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const qreal scale = page.width() / CFennoralView::kWidth;
    painter.scale(scale, scale);
    view.Render(painter);
}

}  // namespace

DesktopServices::DesktopServices() : printer_(std::make_unique<QPrinter>()) {}

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
    QPrintDialog dialog(printer_.get(), view.window());
    if (dialog.exec() == QDialog::Accepted) PrintView(*printer_, view);
}

void DesktopServices::PrintPreview(CFennoralView& view) {
    QPrintPreviewDialog dialog(printer_.get(), view.window());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&view](QPrinter* printer) { PrintView(*printer, view); });
    dialog.exec();
}

void DesktopServices::PrintSetup(QWidget* owner) {
    QPageSetupDialog dialog(printer_.get(), owner);
    dialog.exec();
}

#if TARVEL_HAS_DIALOGS

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
void DesktopServices::OpenMixer() {
    ::tarvel::OpenMixer();
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

#else  // the dialogs and tools have not reached this branch yet

void DesktopServices::ShowAboutBox(QWidget*) {}
void DesktopServices::ShowHeaderDialog(QWidget*, CFennoralDoc&) {}
bool DesktopServices::RunPatchNameDialog(QWidget*, std::string&) {
    return false;
}
bool DesktopServices::RunPatternPropertiesDialog(QWidget*, std::string&, std::string&) {
    return false;
}
void DesktopServices::ShowHelpDialog(QWidget*) {}
void DesktopServices::ShowDelayCalculator(QWidget*, int) {}
void DesktopServices::OpenMixer() {}
void DesktopServices::OpenWebLink(int) {}
std::optional<std::string> DesktopServices::ChoosePatchListToOpen(QWidget*) {
    return std::nullopt;
}
std::optional<std::string> DesktopServices::ChoosePatchListToSave(QWidget*) {
    return std::nullopt;
}

#endif

}  // namespace tarvel
