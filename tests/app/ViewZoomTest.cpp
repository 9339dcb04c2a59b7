// The view's zoom and its pictures on HiDPI surfaces: the keys and the menu step through the
// zoom, the layout follows the zoomed size, the mouse finds what is drawn under it, the zoom
// comes back after a restart, printing keeps the editor's own size, and at every zoom and device
// pixel ratio each box's frame lies on exactly the device pixels the display model gives it, and
// its text on whole device pixels.
#include <QPainter>
#include <QToolBar>
#include <cstring>
#include <map>
#include <string>

#include "AppFixture.h"
#include "app/Printing.h"
#include "editor/DisplayModel.h"
#include "editor/EditorLayout.h"

namespace tarvel::testing {
namespace {

class ViewZoomTest : public AppTest {
  public:
    void ResizeView(QSize size) {
        frame().resize(frame().size() + size - view().size());
        Settle();
    }
    DisplayModel Model() {
        DisplayModel model;
        auto doc = Locked();
        BuildDisplayModel(doc->songEditor, model);
        return model;
    }
    void FillSong() {
        auto doc = Locked();
        for (int line = 0; line < 64; ++line)
            for (int track = 0; track < 16; ++track)
                doc->song.patterns[0].cells[line][track] =
                    PatternCell{static_cast<std::uint8_t>(40 + line % 50), 0x64, 0x07, 0x40};
        for (int row = 0; row < 200; ++row)
            for (int track = 0; track < 16; ++track)
                doc->song.sequence[row][track] = SequenceSlot{0, 0, 0};
    }
};

QColor Colour(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// Where a later item (with the text it may carry past its right edge) or any inverted rectangle
// may cover a box, its frame is not the box's own to check.
bool CoveredLater(const DisplayModel& model, std::size_t index) {
    const DisplayItem& box = model.items[index];
    const QRect mine(box.x, box.y, box.width, box.height);
    for (std::size_t i = index + 1; i < model.items.size(); ++i) {
        const DisplayItem& other = model.items[i];
        const int reach = 2 + 6 * static_cast<int>(model.TextOf(other).size());
        if (QRect(other.x, other.y, std::max<int>(other.width, reach), other.height)
                .intersects(mine))
            return true;
    }
    return false;
}

// Counts the boxes whose frame lines are not on their pixels: the first and last device pixel of
// the left frame line in the box's light colour with the fill's first pixel right after it, and
// the same for the right frame line in the dark colour; the top line's first row light, the
// bottom line's last row dark. A blurred or shifted edge shows another colour there.
int EdgesOffTheirPixels(const DisplayModel& model, const QImage& image, double scale,
                        int* checked) {
    const auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    const auto edge = [scale](int v) { return DeviceEdge(v, scale); };
    int off = 0;
    *checked = 0;
    for (std::size_t i = 0; i < model.items.size(); ++i) {
        const DisplayItem& box = model.items[i];
        if (box.kind != DisplayItem::Kind::Box || box.width < 4 || box.height < 4 ||
            edge(box.x + box.width) > image.width() || edge(box.y + box.height) > image.height() ||
            box.x < 0 || box.y < 0 || CoveredLater(model, i))
            continue;
        ++*checked;
        const int row = edge(box.y + 1);  // above the text, below the top line
        const int column = edge(box.x + 1);
        const QColor light = Colour(box.light), dark = Colour(box.dark), fill = Colour(box.fill);
        const bool good =
            at(edge(box.x), row) == light && at(edge(box.x + 1) - 1, row) == light &&
            at(edge(box.x + 1), row) == fill && at(edge(box.x + box.width - 1) - 1, row) == fill &&
            at(edge(box.x + box.width - 1), row) == dark &&
            at(edge(box.x + box.width) - 1, row) == dark && at(column, edge(box.y)) == light &&
            at(column, edge(box.y + box.height) - 1) == dark;
        if (!good && off++ < 3)
            ADD_FAILURE() << "box at " << box.x << "," << box.y << " " << box.width << "x"
                          << box.height << " '" << model.TextOf(box) << "'";
    }
    return off;
}

// Counts the boxes whose first character is not drawn pixel for pixel as in the first box of
// the same colours that starts with the same two characters: text on whole device pixels looks
// the same wherever the box lies, text at a fraction of a pixel takes another antialiasing.
int CharactersOffTheirPixels(const DisplayModel& model, const QImage& image, double scale,
                             int* compared) {
    const auto edge = [scale](int v) { return DeviceEdge(v, scale); };
    std::map<std::string, QImage> first;
    int off = 0;
    *compared = 0;
    for (std::size_t i = 0; i < model.items.size(); ++i) {
        const DisplayItem& box = model.items[i];
        const std::string_view text = model.TextOf(box);
        if (box.kind != DisplayItem::Kind::Box || box.height != 12 || box.width < 20 ||
            text.size() < 2 || text[0] <= ' ' || box.font != DisplayFont::Large || box.x < 0 ||
            edge(box.x + box.width) > image.width() || edge(box.y + box.height) > image.height() ||
            CoveredLater(model, i))
            continue;
        const QRect block(edge(box.x + 2), edge(box.y + 2), static_cast<int>(6 * scale),
                          static_cast<int>(8 * scale));
        const QImage glyph = image.copy(block);
        const std::string key = std::string(text.substr(0, 2)) + std::to_string(box.textColour) +
                                "/" + std::to_string(box.fill);
        const auto [seen, isNew] = first.emplace(key, glyph);
        if (isNew) continue;
        ++*compared;
        if (seen->second != glyph && off++ < 3)
            ADD_FAILURE() << "text '" << text << "' at " << box.x << "," << box.y;
    }
    return off;
}

TEST_F(ViewZoomTest, AtEveryZoomAndRatioEachFrameLineLiesOnItsDevicePixels) {
    FillSong();
    struct Case {
        const char* name;
        QSize size;
        qreal ratio;
        int zoom;
    };
    const Case cases[] = {
        {.name = "200 % on a ratio-2 screen", .size = {1000, 600}, .ratio = 2, .zoom = 200},
        {.name = "actual size at ratio 1.25", .size = {1000, 600}, .ratio = 1.25, .zoom = 100},
        {.name = "125 % at ratio 1.5", .size = {1100, 500}, .ratio = 1.5, .zoom = 125},
        {.name = "150 % at ratio 2", .size = {1300, 600}, .ratio = 2, .zoom = 150},
        {.name = "150 % at ratio 1.25", .size = {1300, 600}, .ratio = 1.25, .zoom = 150},
        {.name = "300 % at ratio 1", .size = {2406, 972}, .ratio = 1, .zoom = 300},
        {.name = "125 % at ratio 1", .size = {1100, 500}, .ratio = 1, .zoom = 125},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResizeView(c.size);
        view().SetZoom(c.zoom);
        Settle();
        const DisplayModel model = Model();
        QImage shown((QSizeF(c.size) * c.ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        shown.setDevicePixelRatio(c.ratio);
        view().render(&shown);
        int checked = 0;
        EXPECT_EQ(EdgesOffTheirPixels(model, shown, c.ratio * c.zoom / 100, &checked), 0);
        EXPECT_GT(checked, 200);  // the cells, slots, line numbers and headers
        EXPECT_EQ(CharactersOffTheirPixels(model, shown, c.ratio * c.zoom / 100, &checked), 0);
        EXPECT_GT(checked, 100);
    }
}

// The view's layered paint gives the pixels of painting the model item after item at a
// fractional scale too, where neither copies nor the painter's transform place the boxes.
TEST_F(ViewZoomTest, TheLayeredPaintAtAFractionalScaleIsThePaintItemAfterItem) {
    FillSong();
    ResizeView({1100, 500});
    view().SetZoom(125);
    Settle();
    const DisplayModel model = Model();
    for (const qreal ratio : {1.0, 1.5}) {
        SCOPED_TRACE(::testing::Message() << "ratio " << ratio);
        ViewPainter painter;
        QImage layered(QSize(1375, 625) * ratio, QImage::Format_RGB32);
        layered.setDevicePixelRatio(ratio);
        layered.fill(Qt::magenta);
        QImage oneByOne = layered;
        {
            QPainter on(&layered);
            painter.Paint(on, model, 125);
        }
        {
            QPainter on(&oneByOne);
            painter.PaintOneByOne(on, model, 125);
        }
        EXPECT_TRUE(layered == oneByOne);
    }
}

TEST_F(ViewZoomTest, TheKeysAndTheMenuStepTheZoomAndTheLayoutFollowsTheZoomedSize) {
    ResizeView({1920, 1000});
    const auto shown = [this] {
        auto doc = Locked();
        return std::vector{doc->songEditor.layout.visibleTracks,
                           doc->songEditor.layout.visibleRows};
    };
    EXPECT_EQ(shown(), (std::vector{16, 81}));
    struct Step {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int zoom;
        std::vector<int> tracksAndRows;
    };
    const Step steps[] = {
        {.name = "Ctrl++",
         .key = Qt::Key_Plus,
         .modifiers = Qt::ControlModifier | Qt::ShiftModifier,
         .zoom = 125,
         .tracksAndRows = {14, 64}},
        {.name = "Ctrl+=",
         .key = Qt::Key_Equal,
         .modifiers = Qt::ControlModifier,
         .zoom = 150,
         .tracksAndRows = {10, 53}},
        {.name = "Ctrl++ again",
         .key = Qt::Key_Plus,
         .modifiers = Qt::ControlModifier,
         .zoom = 200,
         .tracksAndRows = {6, 39}},
        {.name = "to the last step",
         .key = Qt::Key_Plus,
         .modifiers = Qt::ControlModifier,
         .zoom = 300,
         .tracksAndRows = {4, 25}},
        {.name = "no step past it",
         .key = Qt::Key_Plus,
         .modifiers = Qt::ControlModifier,
         .zoom = 300,
         .tracksAndRows = {4, 25}},
        {.name = "Ctrl+-",
         .key = Qt::Key_Minus,
         .modifiers = Qt::ControlModifier,
         .zoom = 200,
         .tracksAndRows = {6, 39}},
        {.name = "Ctrl+0",
         .key = Qt::Key_0,
         .modifiers = Qt::ControlModifier,
         .zoom = 100,
         .tracksAndRows = {16, 81}},
        {.name = "no step below actual size",
         .key = Qt::Key_Minus,
         .modifiers = Qt::ControlModifier,
         .zoom = 100,
         .tracksAndRows = {16, 81}},
    };
    for (const Step& step : steps) {
        QTest::keyClick(&view(), step.key, step.modifiers);
        Settle();
        EXPECT_EQ(view().zoom(), step.zoom) << step.name;
        EXPECT_EQ(shown(), step.tracksAndRows) << step.name;
    }
    // The keypad's Ctrl and + still transposes, and the menu names the keys.
    QTest::keyClick(&view(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(view().zoom(), 100);
    EXPECT_EQ(frame().action(cmd::kZoomIn)->text(), "Zoom in\tCtrl++");
    EXPECT_EQ(frame().action(cmd::kZoomOut)->text(), "Zoom out\tCtrl+-");
    EXPECT_EQ(frame().action(cmd::kActualSize)->text(), "Actual size\tCtrl+0");
    frame().UpdateCommandStates();
    EXPECT_FALSE(frame().action(cmd::kZoomOut)->isEnabled());
    frame().action(cmd::kZoomIn)->trigger();
    EXPECT_EQ(view().zoom(), 125);
}

TEST_F(ViewZoomTest, AClickFindsTheCellDrawnUnderTheMouse) {
    Locked()->song.patterns[0].lineCount = 64;
    view().SetZoom(200);
    Settle();
    // Track 2's box starts at editor x 164, line 3's row at y 60: at 200 %, pixel 328, 120. The
    // first pixel of the box is the track's; the one before it the track before.
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(2 * (24 + 70 * 2), 2 * (24 + 12 * 3)));
    EXPECT_EQ(Locked()->editor.cursorTrack, 2);
    EXPECT_EQ(Locked()->editor.cursorLine, 3);
    QTest::mouseClick(&view(), Qt::LeftButton, {},
                      QPoint(2 * (24 + 70 * 2) - 1, 2 * (24 + 12 * 3) - 1));
    EXPECT_EQ(Locked()->editor.cursorTrack, 1);
    EXPECT_EQ(Locked()->editor.cursorLine, 2);
}

TEST_F(ViewZoomTest, TheZoomComesBackAfterARestartAndAStrangeValueShowsTheActualSize) {
    frame().Execute(cmd::kZoomIn);
    frame().Execute(cmd::kZoomIn);
    EXPECT_EQ(Setting("Window/Zoom").toInt(), 150);
    EXPECT_TRUE(frame().close());
    ASSERT_TRUE(Start());
    EXPECT_EQ(view().zoom(), 150);
    EXPECT_EQ(Locked()->songEditor.layout.width,
              LayoutForZoomedView(view().width(), view().height(), 150).width);
    EXPECT_TRUE(frame().close());
    QSettings(SettingsFile(), QSettings::IniFormat).setValue("Window/Zoom", 170);
    ASSERT_TRUE(Start());
    EXPECT_EQ(view().zoom(), 100);
}

// The printout shows the editor as it is laid out, at its own size, whatever the zoom.
TEST_F(ViewZoomTest, PrintingShowsTheEditorAtItsOwnSize) {
    ResizeView({1604, 648});
    view().SetZoom(200);
    Settle();
    EXPECT_EQ(view().EditorSize(), QSize(802, 324));
    QImage page(802, 324, QImage::Format_RGB32);
    page.fill(Qt::magenta);
    PaintScaled(page, page.rect(),
                {view().EditorSize(), [this](QPainter& painter) { view().Render(painter); }});
    QImage unzoomed(802, 324, QImage::Format_RGB32);
    unzoomed.fill(Qt::magenta);
    {
        QPainter painter(&unzoomed);
        ViewPainter().PaintOneByOne(painter, Model());
    }
    EXPECT_TRUE(page == unzoomed);
}

// On a ratio-2 screen a toolbar button shows an image painted at that ratio: as many pixels as
// the screen has, each wholly painted or wholly clear, none smeared by scaling.
TEST_F(ViewZoomTest, ToolbarImagesAreSharpAtRatioTwo) {
    for (QAction* button : frame().toolBar().actions()) {
        if (button->isSeparator()) continue;
        const QImage image = button->icon().pixmap(QSize(26, 18), 2.0).toImage();
        ASSERT_EQ(image.size(), QSize(52, 36)) << button->text().toStdString();
        int blended = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = image.pixelColor(x, y).alpha();
                blended += alpha != 0 && alpha != 255;
            }
        EXPECT_EQ(blended, 0) << button->text().toStdString();
    }
}

}  // namespace
}  // namespace tarvel::testing
