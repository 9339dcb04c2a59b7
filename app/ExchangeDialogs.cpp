// The desktop's file choosers and boxes for importing and exporting songs.
#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QProgressDialog>

#include "app/DesktopServices.h"
#include "song/Song.h"

namespace tarvel {

namespace {

class ProgressDialogBox final : public ProgressBox {
  public:
    ProgressDialogBox(QWidget* owner, const std::string& title)
        : dialog_(QString::fromStdString(title), "Cancel", 0, kSteps, owner) {
        dialog_.setWindowTitle("Tarvel");
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(0);
        dialog_.setValue(0);
    }
    bool Advance(double done) override {
        dialog_.setValue(static_cast<int>(done * kSteps));
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

  private:
    static constexpr int kSteps = 1000;
    QProgressDialog dialog_;
};

// A file to write, from a save dialog that adds `suffix` to a name without one.
std::optional<QString> ChooseFileToSave(QWidget* owner, const QString& title,
                                        const QString& filters, const QString& suffix,
                                        QString* chosenFilter = nullptr) {
    QFileDialog dialog(owner, title, QString(), filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (chosenFilter) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& filter) {
                             dialog.setDefaultSuffix(filter.contains("flac") ? "flac" : "wav");
                         });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    if (chosenFilter) *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}

}  // namespace

std::optional<std::string> DesktopServices::ChooseMidiFileToImport(QWidget* owner) {
    const QString path =
        QFileDialog::getOpenFileName(owner, "Import MIDI file", QString(),
                                     "MIDI Files (*.mid *.midi *.kar *.rmi);;All Files (*)");
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<int> DesktopServices::AskImportPatternLines(QWidget* owner) {
    bool ok = false;
    const int lines = QInputDialog::getInt(owner, "Import MIDI file",
                                           "Lines per pattern (16..256):", kDefaultLineCount, 16,
                                           kPatternLines, 16, &ok);
    if (!ok) return std::nullopt;
    return lines;
}

std::optional<std::string> DesktopServices::ChooseMidiFileToExport(QWidget* owner) {
    const auto path =
        ChooseFileToSave(owner, "Export MIDI file", "MIDI Files (*.mid *.midi)", "mid");
    if (!path) return std::nullopt;
    return path->toStdString();
}

AudioFileType AudioFileTypeOf(const QString& path, const QString& filter) {
    const bool flac = path.endsWith(".flac", Qt::CaseInsensitive) ||
                      (!path.endsWith(".wav", Qt::CaseInsensitive) && filter.contains("flac"));
    return flac ? AudioFileType::Flac : AudioFileType::Wav;
}

std::optional<AudioFileChoice> DesktopServices::ChooseAudioFileToExport(QWidget* owner) {
    QString filter;
    const auto path = ChooseFileToSave(owner, "Export audio file",
                                       "WAV audio (*.wav);;FLAC audio (*.flac)", "wav", &filter);
    if (!path) return std::nullopt;
    const QStringList formats = {"16 bit, 44,100 Hz", "24 bit, 44,100 Hz", "16 bit, 48,000 Hz",
                                 "24 bit, 48,000 Hz"};
    bool ok = false;
    const QString format =
        QInputDialog::getItem(owner, "Export audio file", "Sample format:", formats, 0, false, &ok);
    if (!ok) return std::nullopt;
    AudioFileChoice choice{path->toStdString(), {}};
    choice.format.type = AudioFileTypeOf(*path, filter);
    choice.format.bitsPerSample = format.startsWith("24") ? 24 : 16;
    choice.format.sampleRate = format.contains("48,000") ? 48000 : 44100;
    return choice;
}

std::unique_ptr<ProgressBox> DesktopServices::ShowProgress(QWidget* owner,
                                                           const std::string& title) {
    return std::make_unique<ProgressDialogBox>(owner, title);
}

}  // namespace tarvel
