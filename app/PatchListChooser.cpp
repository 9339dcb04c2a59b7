#include "app/PatchListChooser.h"

#include <QFile>
#include <QFileDialog>

namespace tarvel {

namespace {

const char* const kPatchListFilter = "Tarvel patchlist files (*.tvp);;All Files (*)";

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

}  // namespace

std::optional<std::string> ChoosePatchListToOpen(QWidget* parent) {
    return Chosen(QFileDialog::getOpenFileName(parent, "Open", QString(), kPatchListFilter));
}

std::optional<std::string> ChoosePatchListToSave(QWidget* parent) {
    return Chosen(QFileDialog::getSaveFileName(parent, "Save As", QString(), kPatchListFilter));
}

}  // namespace tarvel
