// The view's zoom and its pictures on HiDPI surfaces: the plus keys zoom in, the layout follows
// the zoomed size, the mouse finds what is drawn under it, the zoom comes back after a restart,
// printing keeps the editor's own size, and at every zoom and device pixel ratio each box's frame
// lies on exactly the device pixels the display model gives it, and its text on whole device
// pixels.
#include <QPainter>
#include <QToolBar>

#include "AppFixture.h"
#include "app/Printing.h"
#include "editor/EditorLayout.h"

namespace tarvel::testing {
namespace {

using ViewZoomTest = AppTest;

QColor Colour(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// Where a later item (with the text it may carry past its right edge) or any inverted rectangle
// may cover a box, its pixels are not the box's own to check.
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

// Counts the boxes off their device pixels. A frame: the first and last device pixel of the left
// frame line in the box's light colour with the fill's first pixel right after it, the same for
// the right line in the dark colour, the top line's first row light, the bottom line's last row
// dark; a blurred or shifted edge shows another colour there. A text: its first character drawn
// pixel for pixel as in the first box of the same colours that starts with the same two
// characters; text at a fraction of a pixel takes another antialiasing.
struct OffPixels {
    int frames = 0, framesChecked = 0, texts = 0, textsCompared = 0;
};
OffPixels OffTheirPixels(const DisplayModel& model, const QImage& image, double scale) {
    const auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    const auto edge = [scale](int v) { return DeviceEdge(v, scale); };
    std::map<std::string, QImage> firstGlyphs;
    OffPixels off;
    for (std::size_t i = 0; i < model.items.size(); ++i) {
        const DisplayItem& box = model.items[i];
        const std::string_view text = model.TextOf(box);
        if (box.kind != DisplayItem::Kind::Box || box.width < 4 || box.height < 4 || box.x < 0 ||
            box.y < 0 || edge(box.x + box.width) > image.width() ||
            edge(box.y + box.height) > image.height() || CoveredLater(model, i))
            continue;
        ++off.framesChecked;
        const int row = edge(box.y + 1);  // above the text, below the top line
        const int column = edge(box.x + 1);
        const QColor light = Colour(box.light), dark = Colour(box.dark), fill = Colour(box.fill);
        const bool good =
            at(edge(box.x), row) == light && at(edge(box.x + 1) - 1, row) == light &&
            at(edge(box.x + 1), row) == fill && at(edge(box.x + box.width - 1) - 1, row) == fill &&
            at(edge(box.x + box.width - 1), row) == dark &&
            at(edge(box.x + box.width) - 1, row) == dark && at(column, edge(box.y)) == light &&
            at(column, edge(box.y + box.height) - 1) == dark;
        if (!good && off.frames++ < 3)
            ADD_FAILURE() << "frame at " << box.x << "," << box.y << " '" << text << "'";
        if (box.height != 12 || box.width < 20 || text.size() < 2 || text[0] <= ' ' ||
            box.font != DisplayFont::Large)
            continue;
        const QImage glyph = image.copy(edge(box.x + 2), edge(box.y + 2),
                                        static_cast<int>(6 * scale), static_cast<int>(8 * scale));
        const std::string key = std::string(text.substr(0, 2)) + std::to_string(box.textColour) +
                                "/" + std::to_string(box.fill);
        const auto [seen, isNew] = firstGlyphs.emplace(key, glyph);
        if (isNew) continue;
        ++off.textsCompared;
        if (seen->second != glyph && off.texts++ < 3)
            ADD_FAILURE() << "text '" << text << "' at " << box.x << "," << box.y;
    }
    return off;
}

TEST_F(ViewZoomTest, AtEveryZoomAndRatioEachFrameLineAndTextLiesOnItsDevicePixels) {
    FillBusySong();
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResizeView(c.size);
        view().SetZoom(c.zoom);
        Settle();
        QImage shown((QSizeF(c.size) * c.ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        shown.setDevicePixelRatio(c.ratio);
        view().render(&shown);
        const OffPixels off = OffTheirPixels(Model(), shown, c.ratio * c.zoom / 100);
        EXPECT_EQ(off.frames, 0);
        EXPECT_GT(off.framesChecked, 200);  // the cells, slots, line numbers and headers
        EXPECT_EQ(off.texts, 0);
        EXPECT_GT(off.textsCompared, 80);
    }
}

// The steps themselves, their ends and their keys are the core's and the command table's; here
// the other keys a keyboard sends for plus, the layout for the view's own size, and the menu.
TEST_F(ViewZoomTest, EveryPlusKeyZoomsInAndTheLayoutFollowsTheZoomedSize) {
    ResizeView({1920, 1000});
    struct Step {
        const char* name;
        QKeyCombination key;
        int zoom;
        std::vector<int> tracksAndRows;
    };
    const Step steps[] = {
        {.name = "actual size", .key = {}, .zoom = 100, .tracksAndRows = {16, 81}},
        {.name = "Ctrl+Shift++, a US plus",
         .key = Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Plus,
         .zoom = 125,
         .tracksAndRows = {14, 64}},
        {.name = "Ctrl+=",
         .key = Qt::ControlModifier | Qt::Key_Equal,
         .zoom = 150,
         .tracksAndRows = {10, 53}},
    };
    for (const Step& step : steps) {
        if (step.key.key() != Qt::Key_unknown)
            QTest::keyClick(&view(), step.key.key(), step.key.keyboardModifiers());
        Settle();
        auto doc = Locked();
        EXPECT_EQ(view().zoom(), step.zoom) << step.name;
        EXPECT_EQ(
            (std::vector{doc->songEditor.layout.visibleTracks, doc->songEditor.layout.visibleRows}),
            step.tracksAndRows)
            << step.name;
    }
    EXPECT_EQ(frame().action(cmd::kZoomIn)->text(), "Zoom in\tCtrl++");
    EXPECT_EQ(frame().action(cmd::kZoomOut)->text(), "Zoom out\tCtrl+-");
    EXPECT_EQ(frame().action(cmd::kActualSize)->text(), "Actual size\tCtrl+0");
    view().SetZoom(100);
    frame().UpdateCommandStates();
    EXPECT_FALSE(frame().action(cmd::kZoomOut)->isEnabled());
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
