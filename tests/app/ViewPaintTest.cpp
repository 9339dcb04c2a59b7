// The view's pictures: layered painting against painting its model item after item (the same
// pixels for random piles of boxes, text and inverted rectangles, odd sizes and boxes alike but
// for one thing, boxes copied from the atlas); the whole view of a busy song at each size, zoom
// and device pixel ratio, each box's frame and text on the device pixels the display model gives
// it; repaints at a new play line; printing at the editor's own size and the mouse at a zoom,
// sharp toolbar images.
#include <QPainter>
#include <QToolBar>
#include <random>

#include "AppFixture.h"
#include "app/Printing.h"
#include "app/ViewPainter.h"
#include "editor/DisplayBoxes.h"

namespace tarvel::testing {
namespace {

// A surface of `size` logical pixels at `ratio`, filled with a colour no box has.
QImage Surface(QSize size, qreal ratio, QImage::Format format = QImage::Format_RGB32) {
    QImage image((QSizeF(size) * ratio).toSize(), format);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(255, 0, 255));
    return image;
}

// Layered painting, twice (the first paint fills the atlas, the second copies from it), gives
// the picture of painting item after item, at each of `ratios`.
void ExpectSamePicture(const DisplayModel& model, QSize size,
                       std::initializer_list<qreal> ratios = {1.0, 2.0, 3.0, 1.25, 1.5},
                       QImage::Format format = QImage::Format_RGB32, int zoom = 100) {
    for (const qreal ratio : ratios) {
        SCOPED_TRACE(::testing::Message() << "ratio " << ratio);
        ViewPainter painter;
        const auto painted = [&](bool layered) {
            QImage image = Surface(size, ratio, format);
            QPainter on(&image);
            layered ? painter.Paint(on, model, zoom) : painter.PaintOneByOne(on, model, zoom);
            return image;
        };
        const QImage oneByOne = painted(false);
        for (const char* paint : {"the atlas filled", "the atlas copied from"})
            EXPECT_TRUE(painted(true) == oneByOne) << paint;
    }
}

// Any boxes and inverts at all, piled on one another: the picture depends on their order only.
// Some boxes are an earlier one changed in one thing and moved, each painted as itself and none
// copied from the atlas as the other.
TEST(ViewPainterTest, RandomPilesOfBoxesAndInvertsPaintAsItemAfterItem) {
    std::mt19937 random(27);
    const char* texts[] = {"",   " ",         "C-4 64 0740",          "... .. ....",     "00016",
                           "+2", "Track 003", "WWWWWWWWWWWWWWWWWWWW", "\x7f\x80\xe9\xff"};
    const std::uint32_t colours[] = {0x000000, 0xFFFFFF, 0xAABB88, 0x44FFFF, 0xB0C0DF};
    const auto in = [&random](int low, int high) {
        return std::uniform_int_distribution(low, high)(random);
    };
    const auto colour = [&] { return colours[random() % std::size(colours)]; };
    for (int pile = 0; pile < 60; ++pile) {
        DisplayModel model;
        for (int count = in(1, 40); count > 0; --count) {
            const int x = in(-10, 150), y = in(-5, 70);
            // Sizes up to 3 often: too small for a frame, or barely large enough.
            const int w = in(-2, random() % 4 ? 90 : 3), h = in(-2, random() % 4 ? 20 : 3);
            if (random() % 5 == 0) {  // colours and font are unused by an inverted rectangle
                AddInvert(model, x, y, w, h);
                continue;
            }
            if (random() % 2 && !model.items.empty()) {
                DisplayItem box = model.items[random() % model.items.size()];
                std::string text(model.TextOf(box));
                const int change = in(0, 7);
                std::uint32_t* colourOf[] = {&box.light, &box.dark, &box.textColour, &box.fill};
                if (change < 4) *colourOf[change] ^= 1;
                if (change == 4) ++box.width;
                if (change == 5) ++box.height;
                if (change == 6) text = text.empty() ? "C" : text.substr(1);
                if (change == 7) box.font = DisplayFont(1 - int(box.font));
                // Anywhere, or against the right edge of the one it copies: touching it or
                // sharing its last column.
                box.x = static_cast<std::int16_t>(random() % 2 ? x : box.x + box.width - in(0, 1));
                box.y = static_cast<std::int16_t>(random() % 2 ? y : box.y + in(-3, 3));
                model.items.push_back(box);
                SetText(model, model.items.back(), text.c_str());
                continue;
            }
            AddBox(model, x, y, w, h, {colour(), 0x889966, colour(), colour(), false},
                   random() % 2 ? DisplayFont::Large : DisplayFont::Small,
                   texts[random() % std::size(texts)]);
        }
        SCOPED_TRACE(::testing::Message() << "pile " << pile);
        ExpectSamePicture(model, QSize(160, 80));
    }
}

// Hundreds of large boxes, each unlike the others, fill the atlas: those past its room are painted
// in place, and the next paint starts the atlas again.
TEST(ViewPainterTest, MoreBoxesThanTheAtlasHoldsPaintTheSame) {
    DisplayModel model;
    for (int i = 0; i < 400; ++i)
        AddBox(model, i % 7, i % 5, 250, 60, {0xCCDDAA, 0x889966, 0, 0x10000u * i, false},
               DisplayFont::Large, std::to_string(i).c_str());
    ExpectSamePicture(model, QSize(260, 70));
}

// Expects the boxes on their device pixels, enough of them checked. A frame: the first and last
// device pixel of the left frame line in the box's light colour with the fill's first pixel right
// after it, the same for the right line in the dark colour, the top line's first row light, the
// bottom line's last row dark; a blurred or shifted edge shows another colour there. A text: its
// first character drawn pixel for pixel as in the first box of the same colours that starts with
// the same two characters; text at a fraction of a pixel takes another antialiasing.
void ExpectOnTheirPixels(const DisplayModel& model, const QImage& image, double scale) {
    const auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    const auto edge = [scale](int v) { return DeviceEdge(v, scale); };
    const auto colour = [](std::uint32_t bgr) {
        return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    };
    std::map<std::string, QImage> firstGlyphs;
    int framesOff = 0, framesChecked = 0, textsOff = 0, textsCompared = 0;
    for (std::size_t i = 0; i < model.items.size(); ++i) {
        const DisplayItem& box = model.items[i];
        const std::string_view text = model.TextOf(box);
        // Where a later item (with the text it may carry past its right edge) or any inverted
        // rectangle may cover the box, its pixels are not its own to check.
        const QRect mine(box.x, box.y, box.width, box.height);
        const auto covers = [&](const DisplayItem& other) {
            const int reach = 2 + 6 * static_cast<int>(model.TextOf(other).size());
            return QRect(other.x, other.y, std::max<int>(other.width, reach), other.height)
                .intersects(mine);
        };
        if (box.kind != DisplayItem::Kind::Box || box.width < 4 || box.height < 4 || box.x < 0 ||
            box.y < 0 || edge(box.x + box.width) > image.width() ||
            edge(box.y + box.height) > image.height() ||
            std::any_of(model.items.begin() + i + 1, model.items.end(), covers))
            continue;
        ++framesChecked;
        const int row = edge(box.y + 1);  // above the text, below the top line
        const int column = edge(box.x + 1);
        const QColor light = colour(box.light), dark = colour(box.dark), fill = colour(box.fill);
        const bool good =
            at(edge(box.x), row) == light && at(edge(box.x + 1) - 1, row) == light &&
            at(edge(box.x + 1), row) == fill && at(edge(box.x + box.width - 1) - 1, row) == fill &&
            at(edge(box.x + box.width - 1), row) == dark &&
            at(edge(box.x + box.width) - 1, row) == dark && at(column, edge(box.y)) == light &&
            at(column, edge(box.y + box.height) - 1) == dark;
        if (!good && framesOff++ < 3)
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
        ++textsCompared;
        if (seen->second != glyph && textsOff++ < 3)
            ADD_FAILURE() << "text '" << text << "' at " << box.x << "," << box.y;
    }
    EXPECT_GT(framesChecked, 200);  // the cells, slots, line numbers and headers
    EXPECT_GT(textsCompared, 80);
}

using ViewPaintTest = AppTest;

// The busy view at each size, ratio and zoom: layered painting gives the pixels of painting item
// after item, with boxes copied straight into the surface's pixels at whole and fractional
// scales and on the window's premultiplied pixels, and the view's own paint shows the model
// with every frame line and text on its device pixels; a region painted by the view, also away
// from the surface's origin, gets the whole picture there and nothing elsewhere.
TEST_F(ViewPaintTest, TheBusyViewIsPaintedAsItemAfterItemOnItsDevicePixelsAndInARegion) {
    FillBusySong();
    constexpr QImage::Format kArgb = QImage::Format_ARGB32_Premultiplied;  // the window's pixels
    struct Case {
        const char* name;
        QSize size = {1000, 500};
        qreal ratio = 1;
        int zoom = 100;
        QImage::Format format = QImage::Format_RGB32;
        QRegion region = {};  // in view pixels, painted by the view itself; empty: the model
        QPoint at = {};       // where the view's origin lies on the surface
    };
    const Case cases[] = {
        {.name = "the classic size", .size = {802, 324}},
        {.name = "a 4K screen", .size = {1920, 1080}, .ratio = 2},
        {.name = "a fractional ratio at actual size", .ratio = 1.25},
        // At 1.875 a box is kept for each of its places within the period of device pixels.
        {.name = "125 % at 1.5", .size = {1100, 500}, .ratio = 1.5, .zoom = 125, .format = kArgb},
        // 150 % at ratio 2: a whole scale past the atlas, as a ratio of 3 gives.
        {.name = "150 % at 2", .size = {1300, 600}, .ratio = 2, .zoom = 150, .format = kArgb},
        {.name = "200 % at 2", .size = {1000, 600}, .ratio = 2, .zoom = 200, .format = kArgb},
        // A region rendered into an image is the view's own paint under Qt's clip, which the
        // painter heeds only where it copies boxes into the pixels, at scales up to 2.
        {.name = "two rectangles", .region = QRegion(13, 7, 400, 101) | QRegion(300, 250, 517, 90)},
        // The view 7, 3 pixels into the surface.
        {.name = "moved, at 2", .ratio = 2, .region = QRect(0, 0, 1000, 500), .at = {7, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResizeView(c.size);
        view().SetZoom(c.zoom);
        Settle();
        ASSERT_EQ(view().size(), c.size);
        QImage shown = Surface(c.size, c.ratio, c.format);
        view().render(&shown);
        if (c.region.isEmpty()) {
            const DisplayModel model = Model();
            ExpectSamePicture(model, c.size, {c.ratio}, c.format, c.zoom);
            ExpectOnTheirPixels(model, shown, c.ratio * c.zoom / 100);
            continue;
        }
        QImage part = Surface(c.size, c.ratio, c.format), expected = part;
        view().render(&part, c.at + c.region.boundingRect().topLeft(), c.region);
        {
            QPainter on(&expected);
            on.setClipRegion(c.region.translated(c.at));
            on.drawImage(c.at, shown);
        }
        EXPECT_TRUE(part == expected);
    }
}

// What the document changes, the view repaints: at a new play line the rows played before and
// now, and the whole pattern pane when it follows the play line. The window then shows what a
// full repaint gives.
TEST_F(ViewPaintTest, ANewPlayLineRepaintsTheRowsItChanges) {
    FillBusySong();
    Locked()->songEditor.editor.seqStep = 1;  // a sequencer row for each displayed line
    ResizeView({1200, 600});
    struct Case {
        const char* name;
        std::function<void(CFennoralDoc&)> change;
        QRect within;  // in the view's pixels
    };
    const Case cases[] = {
        {.name = "the sequencer's next row",
         .change = [](CFennoralDoc& doc) { doc.player.playRow = 6; },
         .within = QRect(0, RowY(5) - 6, 1200, 2 * kRowHeight + 12)},
        {.name = "a played line of the shown pattern, followed",
         .change =
             [](CFennoralDoc& doc) {
                 doc.player.isPlaying = 1;
                 doc.player.playMode = kPatternMode;
                 doc.player.patternLine = 30;
                 doc.songEditor.followPlay = true;
             },
         .within = QRect(0, 0, 1200, 600)},
    };
    struct Recorder final : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted |= static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } recorder;
    view().installEventFilter(&recorder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view().repaint();
        recorder.painted = {};
        c.change(*Locked().doc);
        doc().RaiseUiSignal(kRepaintView);
        Settle();
        EXPECT_TRUE((recorder.painted - c.within).isEmpty());
        const QRect at(view().mapTo(&frame(), QPoint()), view().size());
        const QImage shown = frame().screen()->grabWindow(frame().winId()).toImage().copy(at);
        EXPECT_TRUE(shown.convertToFormat(QImage::Format_RGB32) ==
                    view().grab().toImage().convertToFormat(QImage::Format_RGB32));
    }
}

// At 200 %, the printout shows the editor as it is laid out, at its own size, and a click finds
// the cell drawn under the mouse.
TEST_F(ViewPaintTest, AtTwiceTheSizeThePrintoutIsTheEditorsOwnSizeAndAClickFindsTheCell) {
    ResizeView({1604, 648});
    view().SetZoom(200);
    Settle();
    QImage page = Surface({802, 324}, 1), unzoomed = page;
    PaintScaled(page, page.rect(),
                {view().EditorSize(), [this](QPainter& painter) { view().Render(painter); }});
    {
        QPainter painter(&unzoomed);
        ViewPainter().PaintOneByOne(painter, Model());
    }
    EXPECT_TRUE(page == unzoomed);
    // Track 2's box starts at editor x 164, line 3's row at y 60: at 200 %, pixel 328, 120. The
    // first pixel of the box is the track's; the one before it the track before.
    for (const auto& [at, track, line] :
         {std::tuple(QPoint(328, 120), 2, 3), std::tuple(QPoint(327, 119), 1, 2)}) {
        QTest::mouseClick(&view(), Qt::LeftButton, {}, at);
        const auto doc = Locked();
        EXPECT_EQ(std::pair(doc->editor.cursorTrack, doc->editor.cursorLine),
                  std::pair(track, line));
    }
}

// On a ratio-2 screen a toolbar button shows an image painted at that ratio: as many pixels as
// the screen has, each wholly painted or wholly clear, none smeared by scaling.
TEST_F(ViewPaintTest, ToolbarImagesAreSharpAtRatioTwo) {
    for (QAction* button : frame().toolBar().actions()) {
        if (button->isSeparator()) continue;
        const QImage image = button->icon().pixmap(QSize(26, 18), 2.0).toImage();
        ASSERT_EQ(image.size(), QSize(52, 36)) << button->text().toStdString();
        const QImage alpha = image.convertToFormat(QImage::Format_Alpha8);  // rows of 52 bytes
        const auto blended =
            std::count_if(alpha.constBits(), alpha.constBits() + alpha.sizeInBytes(),
                          [](uchar a) { return a != 0 && a != 255; });
        EXPECT_EQ(blended, 0) << button->text().toStdString();
    }
}

}  // namespace
}  // namespace tarvel::testing
