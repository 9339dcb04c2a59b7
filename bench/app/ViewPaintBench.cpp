// How long a full repaint of the editor view takes: building the display model under the
// document lock and painting every box, on the offscreen platform's raster surface; and how
// long a note key takes from its key event to the note-on leaving the port, on the window
// thread.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <cstring>
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
    for (int row = 0; row < 100 * 16; ++row)
        for (int track = 0; track < 16; ++track)
            doc.song.sequence[row][track] = SequenceSlot{0, 2, 0};
}

AppOptions BenchOptions() {
    AppOptions options;
    options.startTimer = false;
    options.showAboutBox = false;
    options.settingsFile = "/dev/null";
    return options;
}

// The real frame on a filled song, as every benchmark here paints it.
struct FilledApp {
    RecordingMidiOut midi{1};
    SilentServices services;
    CFennoralApp app{midi, services, BenchOptions()};
    FilledApp() {
        app.Start({});
        FillSong(app.doc());
    }
};

// Arguments: the surface's width and height in device pixels, its device pixel ratio (802 x
// 324 is the classic view; 3840 x 2160 at ratio 2 is a 4K screen showing a 1920 x 1080 view) and
// the view's zoom in percent.
void BM_FullViewRepaint(benchmark::State& state) {
    FilledApp filled;
    CFennoralApp& app = filled.app;
    CFennoralView& view = app.frame().view();
    const int ratio = static_cast<int>(state.range(2));
    view.resize(static_cast<int>(state.range(0)) / ratio, static_cast<int>(state.range(1)) / ratio);
    view.SetZoom(static_cast<int>(state.range(3)));
    QImage surface(view.size() * ratio, QImage::Format_RGB32);
    surface.setDevicePixelRatio(ratio);
    for (auto _ : state) {
        view.render(&surface);  // the paint event: model, boxes, text, helper fields
    }
}
BENCHMARK(BM_FullViewRepaint)
    ->Args({802, 324, 1, 100})
    ->Args({1920, 1080, 1, 100})
    ->Args({3840, 2160, 2, 100})
    ->Args({1920, 1080, 1, 200})
    ->Args({1920, 1080, 1, 125})  // a zoom of no whole scale: boxes kept for each of 4 places
    ->Unit(benchmark::kMicrosecond);

// The floor under a full repaint: every pixel of a surface of the same size written once, a
// bare memset. A repaint writes each pixel at least once, so its ratio between two sizes cannot
// be much below this one's where the larger surface no longer fits in the caches.
void BM_RepaintBoundMemset(benchmark::State& state) {
    QImage surface(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                   QImage::Format_RGB32);
    int value = 0;
    for (auto _ : state) {
        std::memset(surface.bits(), ++value & 0xFF,
                    static_cast<std::size_t>(surface.sizeInBytes()));
        benchmark::DoNotOptimize(surface.constBits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * surface.sizeInBytes());
}
BENCHMARK(BM_RepaintBoundMemset)
    ->Args({802, 324})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

// The common repaint while playing: the player starts a new line and the window repaints what
// that changes (the rows played before and now), from the player's signal to the picture in the
// window's backing store. Arguments: the view's width and height.
void BM_PlayLineRepaint(benchmark::State& state) {
    FilledApp filled;
    CFennoralApp& app = filled.app;
    CFennoralView& view = app.frame().view();
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    app.frame().resize(app.frame().size() + size - view.size());
    QApplication::processEvents();
    view.repaint();
    if (view.size() != size) state.SkipWithError("the view did not take the size");
    int row = 0;
    for (auto _ : state) {
        {
            std::lock_guard lock(app.doc().mutex);
            app.doc().player.playRow = ++row % 64;
        }
        app.doc().RaiseUiSignal(kRepaintView);
        app.doc().DispatchUiSignals();
        QApplication::sendPostedEvents(&app.frame(), QEvent::UpdateRequest);
    }
}
BENCHMARK(BM_PlayLineRepaint)->Args({802, 324})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// The key press of a note key, from the key event's delivery to the note-on at the port: the
// frame's accelerator check, the key's reading, the undo step around it and the send.
void BM_NoteKeyToNoteOn(benchmark::State& state) {
    RecordingMidiOut midi(1);
    SilentServices services;
    CFennoralApp app(midi, services, BenchOptions());
    app.Start({});
    CFennoralView& view = app.frame().view();
    // The key at the place of a US Q, as X11 reports it.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, 24, 0x71, 0, "q");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, 24, 0x71, 0, "q");
    for (auto _ : state) {
        QApplication::sendEvent(&view, &press);
        state.PauseTiming();
        if (midi.Messages().empty()) state.SkipWithError("no note-on");
        QApplication::sendEvent(&view, &release);
        midi.Clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NoteKeyToNoteOn)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
