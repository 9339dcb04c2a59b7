// Paints the editor core's display model in few painter calls and with the very pixels of
// painting it item by item. Each item is split into its framed fill, its text and its inverted
// rectangle; each part goes into the first layer above every earlier part its pixels may touch.
// Parts of one layer touch no pixel in common, so a layer is drawn as one set of rectangles per
// colour, one glyph run per font and colour and then its inverted rectangles, and the layers
// one after the other. On a raster image at ratio 1 or 2 (the window's backing store) a box whose
// text stays inside it is painted once into an atlas and copied from there while it looks the
// same. Window thread.
#pragma once

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QRawFont>
#include <QRect>
#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "editor/DisplayModel.h"

namespace tarvel {

// A monospace font drawn on a fixed pixel grid, whatever its own advance.
struct GridFont {
    GridFont(int pixelSize, int advance);
    QRawFont raw;
    std::array<quint32, 256> glyphs{};
    // Where each character may leave pixels, from the top left of its place; empty: nowhere. Its
    // outline's bounds and a pixel around them for the antialiasing and the hinting at any scale.
    std::array<QRect, 256> ink{};
    qreal ascent = 0;
    int advance;
};

class ViewPainter {
  public:
    ViewPainter();

    void Paint(QPainter& painter, const DisplayModel& model);

    // The same picture, item after item in the painter's plain calls: the meaning of the
    // model, as the view painted it from the start.
    void PaintOneByOne(QPainter& painter, const DisplayModel& model);

  private:
    struct ColourRects {
        std::uint32_t colour;
        QList<QRect> rects;
    };
    struct GlyphRun {
        std::uint32_t colour;
        const GridFont* font;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    struct Blit {
        QPoint at;     // device pixels, from the surface's origin
        QRect source;  // in the atlas
    };
    struct Layer {
        std::vector<Blit> blits;
        std::vector<ColourRects> fills;
        std::vector<GlyphRun> texts;
        QList<QRect> inverts;
        bool empty = true;
    };
    struct Placed {
        QRect footprint;
        int layer;
    };

    int LayerAbove(const QRect& footprint) const;
    void Place(const QRect& footprint, int layer);
    bool Gather(const DisplayItem& item);             // false: the layers are full
    bool StartAtlas(QPainter& painter);               // false: boxes are not kept on this surface
    const QRect* CachedBox(const DisplayItem& item);  // null: to be painted in place
    void AddFill(int layer, std::uint32_t colour, const QRect& rect);
    GlyphRun& RunOf(int layer, std::uint32_t colour, const GridFont& font);
    void DrawGathered(QPainter& painter);
    void DrawSingly(QPainter& painter, const DisplayItem& item);
    QRect TextInk(const GridFont& font, int x, int y, const char* text) const;

    GridFont large_;
    GridFont small_;
    std::vector<Layer> layers_;
    int layersUsed_ = 0;
    std::vector<Placed> placed_;
    std::vector<std::vector<int>> tiles_;  // indexes into placed_, by 64-pixel square
    std::vector<int> touchedTiles_;

    // Whole boxes, frame and text, as painted before on a surface of this pixel format and
    // ratio: one copy each then. The atlas is emptied when it is full.
    QImage atlas_;
    std::unique_ptr<QPainter> atlasPainter_;  // open while boxes are added
    std::unordered_map<std::string, QRect> cached_;
    std::string key_;  // reused between boxes
    int ratio_ = 0;    // of the surface being painted; 0: no atlas for it
    QPoint shelf_;     // where the next box goes in the atlas, in its row of boxes
    int shelfHeight_ = 0;
    bool atlasFull_ = false;
    QPainter::RenderHints atlasHints_;
};

}  // namespace tarvel
