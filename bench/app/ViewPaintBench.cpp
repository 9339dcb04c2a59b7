// How long a full repaint of the editor view takes: building the display model under the
// document lock and painting every box, on the offscreen platform's raster surface.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <mutex>

#include "app/FennoralApp.h"
#include "app/FennoralView.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "support/RecordingMidiOut.h"

namespace tarvel {
namespace {

class SilentServices final : public WindowServices {
  public:
    void ShowMessage(QWidget*, const UserMessage&) override {}
    SaveAnswer AskSaveChanges(QWidget*) override { return SaveAnswer::No; }
    std::optional<std::string> ChooseSongToOpen(QWidget*) override { return {}; }
    std::optional<std::string> ChooseSongToSave(QWidget*) override { return {}; }
    std::optional<std::string> ChooseMidiFileToImport(QWidget*) override { return {}; }
    std::optional<int> AskImportPatternLines(QWidget*) override { return {}; }
    std::optional<std::string> ChooseMidiFileToExport(QWidget*) override { return {}; }
    std::optional<AudioFileChoice> ChooseAudioFileToExport(QWidget*) override { return {}; }
    std::unique_ptr<ProgressBox> ShowProgress(QWidget*, const std::string&) override {
        return nullptr;
    }
    void ShowAboutBox(QWidget*) override {}
    void ShowHeaderDialog(QWidget*, CFennoralDoc&) override {}
    bool RunPatchNameDialog(QWidget*, std::string&) override { return false; }
    bool RunPatternPropertiesDialog(QWidget*, std::string&, std::string&) override { return false; }
    void ShowHelpDialog(QWidget*) override {}
    void ShowDelayCalculator(QWidget*, int) override {}
    void OpenMixer(QWidget*) override {}
    void OpenWebLink(int) override {}
    std::optional<std::string> ChoosePatchListToOpen(QWidget*) override { return {}; }
    std::optional<std::string> ChoosePatchListToSave(QWidget*) override { return {}; }
    void Print(CFennoralView&) override {}
    void PrintPreview(CFennoralView&) override {}
    void PrintSetup(QWidget*) override {}
};

// A busy screen: every visible cell and slot filled.
void FillSong(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    for (int line = 0; line < 64; ++line)
        for (int track = 0; track < 16; ++track)
            doc.song.patterns[0].cells[line][track] = PatternCell{60, 0x64, 0x07, 0x40};
    for (int row = 0; row < 400; ++row)
        for (int track = 0; track < 16; ++track)
            doc.song.sequence[row][track] = SequenceSlot{0, 2, 0};
}

void BM_FullViewRepaint(benchmark::State& state) {
    RecordingMidiOut midi(1);
    SilentServices services;
    AppOptions options;
    options.startTimer = false;
    options.showAboutBox = false;
    options.settingsFile = "/dev/null";
    CFennoralApp app(midi, services, options);
    app.Start({});
    FillSong(app.doc());
    CFennoralView& view = app.frame().view();
    QImage surface(view.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        view.render(&surface);  // the paint event: model, boxes, text, helper fields
    }
}
BENCHMARK(BM_FullViewRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
