// The view's layered painting against painting its model item after item: the same pixels for
// random piles of boxes, text and inverted rectangles, odd sizes and boxes alike but for one
// colour or the font, boxes copied from the atlas, at device pixel ratios 1, 2 and 3; and the
// whole view of a busy song.
#include <QPainter>
#include <random>

#include "AppFixture.h"
#include "app/ViewPainter.h"
#include "editor/DisplayBoxes.h"

namespace tarvel::testing {
namespace {

// An item and its text, for a model made of them.
struct Piece {
    DisplayItem item;
    std::string text;
};

DisplayModel ModelOf(const std::vector<Piece>& pieces) {
    DisplayModel model;
    for (const Piece& piece : pieces) {
        model.items.push_back(piece.item);
        SetText(model, model.items.back(), piece.text.c_str());
    }
    return model;
}

Piece Box(int x, int y, int width, int height, std::string text, std::uint32_t fill = 0xAABB88,
          std::uint32_t textColour = 0x000000, DisplayFont font = DisplayFont::Large,
          DisplayItem::Kind kind = DisplayItem::Kind::Box) {
    DisplayItem item{};
    item.kind = kind;
    item.x = static_cast<std::int16_t>(x);
    item.y = static_cast<std::int16_t>(y);
    item.width = static_cast<std::int16_t>(width);
    item.height = static_cast<std::int16_t>(height);
    item.light = 0xCCDDAA;
    item.dark = 0x889966;
    item.textColour = textColour;
    item.fill = fill;
    item.font = font;
    return {item, std::move(text)};
}

// Colours and font are unused by an inverted rectangle.
Piece Invert(int x, int y, int width, int height) {
    return Box(x, y, width, height, "", 0, 0, DisplayFont::Large, DisplayItem::Kind::Invert);
}

// A surface of `size` logical pixels at `ratio`, filled with a colour no box has.
QImage Surface(QSize size, qreal ratio, QImage::Format format = QImage::Format_RGB32) {
    QImage image((QSizeF(size) * ratio).toSize(), format);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(255, 0, 255));
    return image;
}

// Layered painting, twice (the first paint fills the atlas, the second copies from it), gives
// the picture of painting item after item, which is returned.
QImage ExpectLayeredAsOneByOne(const DisplayModel& model, QSize size, qreal ratio,
                               QImage::Format format = QImage::Format_RGB32, int zoom = 100) {
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
    return oneByOne;
}

void ExpectSamePicture(const DisplayModel& model, QSize size) {
    for (const qreal ratio : {1.0, 2.0, 3.0, 1.25, 1.5}) {
        SCOPED_TRACE(::testing::Message() << "ratio " << ratio);
        ExpectLayeredAsOneByOne(model, size, ratio);
    }
}

// Boxes alike but for one colour or the font: each is painted as itself.
TEST(ViewPainterTest, BoxesAlikeButForOneColourOrTheFontPaintAsItemAfterItem) {
    ExpectSamePicture(ModelOf({Box(10, 10, 70, 12, "C-4"), Box(10, 22, 70, 12, "C-4", 0xAABB89),
                               Box(10, 34, 70, 12, "C-4", 0xAABB88, 0xFFFFFF),
                               Box(10, 46, 70, 12, "C-4", 0xAABB88, 0, DisplayFont::Small)}),
                      QSize(120, 60));
}

// Any boxes and inverts at all, piled on one another: the picture depends on their order only.
TEST(ViewPainterTest, RandomPilesOfBoxesAndInvertsPaintAsItemAfterItem) {
    std::mt19937 random(27);
    const char* texts[] = {"",   " ",         "C-4 64 0740",          "... .. ....",     "00016",
                           "+2", "Track 003", "WWWWWWWWWWWWWWWWWWWW", "\x7f\x80\xe9\xff"};
    const std::uint32_t colours[] = {0x000000, 0xFFFFFF, 0xAABB88, 0x44FFFF, 0xB0C0DF};
    for (int pile = 0; pile < 60; ++pile) {
        std::vector<Piece> pieces;
        const int count = std::uniform_int_distribution(1, 40)(random);
        for (int i = 0; i < count; ++i) {
            const int x = std::uniform_int_distribution(-10, 150)(random);
            const int y = std::uniform_int_distribution(-5, 70)(random);
            const int w = std::uniform_int_distribution(-2, 90)(random);
            const int h = std::uniform_int_distribution(-2, 20)(random);
            if (random() % 5 == 0) {
                pieces.push_back(Invert(x, y, w, h));
                continue;
            }
            Piece box =
                Box(x, y, w, h, texts[random() % std::size(texts)],
                    colours[random() % std::size(colours)], colours[random() % std::size(colours)],
                    random() % 2 ? DisplayFont::Large : DisplayFont::Small);
            box.item.light = colours[random() % std::size(colours)];
            pieces.push_back(box);
        }
        SCOPED_TRACE(::testing::Message() << "pile " << pile);
        ExpectSamePicture(ModelOf(pieces), QSize(160, 80));
    }
}

// Hundreds of large boxes, each unlike the others, fill the atlas: those past its room are painted
// in place, and the next paint starts the atlas again.
TEST(ViewPainterTest, MoreBoxesThanTheAtlasHoldsPaintTheSame) {
    std::vector<Piece> pieces;
    for (int i = 0; i < 400; ++i)
        pieces.push_back(Box(i % 7, i % 5, 250, 60, std::to_string(i), 0x10000 * i));
    for (const int ratio : {1, 2}) {
        SCOPED_TRACE(::testing::Message() << "ratio " << ratio);
        ExpectLayeredAsOneByOne(ModelOf(pieces), QSize(260, 70), ratio);
    }
}

using ViewPaintTest = AppTest;

// The busy view at each size, ratio and zoom: layered painting gives the pixels of painting item
// after item, with boxes copied straight into the surface's pixels at whole and fractional
// scales and on the window's premultiplied pixels, and the view's own paint shows that picture;
// a region painted by the view, also away from the surface's origin, gets the whole picture
// there and nothing elsewhere.
TEST_F(ViewPaintTest, TheBusyViewIsPaintedAsItemAfterItemAtEachSizeAndInARegion) {
    FillBusySong();
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
        {.name = "a ratio the atlas leaves alone", .ratio = 3},
        {.name = "125 %, boxes kept for each of 4 places", .size = {1100, 500}, .zoom = 125},
        {.name = "125 % at ratio 1.5", .size = {1100, 500}, .ratio = 1.5, .zoom = 125},
        {.name = "150 % at ratio 2, a whole scale past the atlas", .ratio = 2, .zoom = 150},
        {.name = "the window's pixels at ratio 2",
         .ratio = 2,
         .format = QImage::Format_ARGB32_Premultiplied},
        {.name = "a region of two rectangles",
         .region = QRegion(13, 7, 400, 101) | QRegion(300, 250, 517, 90)},
        {.name = "a region at ratio 2 and 125 %",
         .ratio = 2,
         .zoom = 125,
         .region = QRegion(101, 33, 250, 150) | QRegion(0, 300, 1000, 1)},
        {.name = "the view 7, 3 pixels into the surface at ratio 2",
         .ratio = 2,
         .region = QRegion(0, 0, 1000, 500),
         .at = {7, 3}},
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
            const QImage oneByOne =
                ExpectLayeredAsOneByOne(Model(), c.size, c.ratio, c.format, c.zoom);
            const QPoint cell = (QPointF(30, 40) * c.ratio).toPoint();
            EXPECT_EQ(shown.pixel(cell), oneByOne.pixel(cell));
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
    QRegion painted;
    struct Recorder final : QObject {
        QRegion* painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                *painted |= static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } recorder;
    recorder.painted = &painted;
    view().installEventFilter(&recorder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view().repaint();
        painted = {};
        {
            auto doc = Locked();
            c.change(*doc.doc);
        }
        doc().RaiseUiSignal(kRepaintView);
        Settle();
        EXPECT_FALSE(painted.isEmpty());
        EXPECT_TRUE((painted - c.within).isEmpty());
        const QImage shown =
            view()
                .screen()
                ->grabWindow(frame().winId(), view().mapTo(&frame(), QPoint()).x(),
                             view().mapTo(&frame(), QPoint()).y(), view().width(), view().height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(shown == view().grab().toImage().convertToFormat(QImage::Format_RGB32));
    }
    EXPECT_GT(painted.boundingRect().height(), 400);  // the scrolled pattern pane
}

}  // namespace
}  // namespace tarvel::testing
