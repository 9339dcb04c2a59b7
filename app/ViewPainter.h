// Paints the editor core's display model in few painter calls and with the very pixels of
// painting it item by item. Each item is split into its framed fill, its text and its inverted
// rectangle; each part goes into the first layer above every earlier part its pixels may touch.
// Parts of one layer touch no pixel in common, so a layer is drawn as one set of rectangles per
// colour, one glyph run per font and colour and then its inverted rectangles, and the layers
// one after the other. On a raster image at a scale up to 2 (the window's backing store) a box
// whose text stays inside it is painted once into an atlas and copied from there while it looks
// the same; at a fractional scale, once for each place it may take within the device pixels.
//
// The zoom and the surface's device pixel ratio scale the whole picture as one. Where their
// product is a whole number the painter's transform scales it; otherwise every edge is placed on
// the device pixel DeviceEdge gives and the text is drawn in fonts made for that scale, at whole
// device pixels, so nothing is blurred. Window thread.
#pragma once

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QRawFont>
#include <QRect>
#include <QRegion>
#include <QTransform>
#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "editor/DisplayModel.h"
#include "editor/EditorLayout.h"

namespace tarvel {

// A monospace font drawn on a fixed pixel grid, whatever its own advance.
struct GridFont {
    // wholeAscent: the baseline a whole number of pixels below the top, for fonts drawn at device
    // scale.
    GridFont(int pixelSize, int advance, bool wholeAscent = false);
    QRawFont raw;
    std::array<quint32, 256> glyphs{};
    // Where each character may leave pixels, from the top left of its place; empty: nowhere. Its
    // outline's bounds and a pixel around them for the antialiasing and the hinting at any scale.
    std::array<QRect, 256> ink{};
    qreal ascent = 0;
    int advance;  // in editor pixels
};

class ViewPainter {
  public:
    ViewPainter();

    // At `zoomPercent`, the model's editor pixels scaled by zoomPercent / 100 on the surface.
    // With `only` (editor pixels), the items that may touch none of its pixels are left out: the
    // same picture there, for a painter clipped to it.
    void Paint(QPainter& painter, const DisplayModel& model, int zoomPercent = 100,
               const QRegion* only = nullptr);
    // Fills rectangles given in editor pixels, with their edges where Paint puts a box's.
    void FillEditorRects(QPainter& painter, const QList<QRect>& rects, const QBrush& brush,
                         int zoomPercent);

    // The editor pixels where `after` may be painted otherwise than `before`: the places of the
    // items that differ, text and all. None when the two differ in their number of items.
    std::optional<QRegion> ChangedRegion(const DisplayModel& before,
                                         const DisplayModel& after) const;

    // The same picture, item after item in the painter's plain calls: the meaning of the
    // model, as the view painted it from the start.
    void PaintOneByOne(QPainter& painter, const DisplayModel& model, int zoomPercent = 100);

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
    // The surface's own pixels, where the painter's copy of a box is a copy of its rows.
    struct DirectTarget {
        uchar* bits = nullptr;
        qsizetype stride = 0;
        QPoint origin;  // where a blit's device pixels lie in the image
        QRegion clip;   // the image's pixels the painter may change
    };
    struct Span {
        QRect to;     // in the image
        QPoint from;  // in the atlas
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

    struct ScaledFonts {
        double scale;
        GridFont large, small;
    };

    // Sets the painter up for the zoom: returns the device pixels per editor pixel where the atlas
    // may serve.
    qreal SetUp(QPainter& painter, int zoomPercent);
    int Map(int v) const { return grid_ == 1 ? v : DeviceEdge(v, grid_); }
    QRect Mapped(const QRect& rect) const;
    const GridFont& FontOf(const DisplayItem& item) const {
        return item.font == DisplayFont::Large ? *large_ : *small_;
    }
    // Every editor pixel the item may touch, whatever the scale.
    QRect Reach(const DisplayItem& item, std::string_view text) const;
    int LayerAbove(const QRect& footprint) const;
    void Place(const QRect& footprint, int layer);
    // false: the layers are full. index: the item's place in the model.
    bool Gather(const DisplayItem& item, std::string_view text, std::size_t index);
    bool StartAtlas(QPainter& painter, qreal deviceRatio);  // false: no boxes kept for it
    const QRect* CachedBox(const DisplayItem& item, std::string_view text,
                           std::size_t index);  // null: in place
    void AddFill(int layer, std::uint32_t colour, const QRect& rect);
    GlyphRun& RunOf(int layer, std::uint32_t colour, const GridFont& font);
    void DrawGathered(QPainter& painter);
    // Null: the painter copies the boxes, for a clip, a transform or a surface it alone knows.
    std::optional<DirectTarget> DirectTargetOf(QPainter& painter) const;
    void CopyBlits(const DirectTarget& target, const std::vector<Blit>& blits);
    void DrawSingly(QPainter& painter, const DisplayItem& item, std::string_view text);
    QRect TextInk(const GridFont& font, int x, int y, std::string_view text) const;

    GridFont unscaledLarge_;
    GridFont unscaledSmall_;
    std::array<QRect, 2> anyInk_;  // of any character of the large and small font, unscaled
    std::vector<std::unique_ptr<ScaledFonts>> scaledFonts_;  // a few: one per scale met
    // Device pixels per editor pixel when edges are placed by DeviceEdge; 1 while the painter's
    // transform scales the picture.
    double grid_ = 1;
    const GridFont* large_ = &unscaledLarge_;
    const GridFont* small_ = &unscaledSmall_;
    QTransform paintWorld_;  // the painter's world transform while gathered parts are drawn
    QTransform blitWorld_;   // and while boxes are copied, device pixels one to one
    std::vector<Layer> layers_;
    int layersUsed_ = 0;
    std::vector<Placed> placed_;
    std::vector<std::vector<int>> tiles_;  // indexes into placed_, by tile
    std::vector<int> touchedTiles_;

    // Whole boxes, frame and text, as painted before on a surface of this pixel format and
    // ratio: one copy each then. The atlas is emptied when it is full.
    QImage atlas_;
    std::unique_ptr<QPainter> atlasPainter_;  // open while boxes are added
    std::unordered_map<std::string, QRect> cached_;
    std::vector<Span> spans_;  // of one layer's copies, reused
    std::string key_;          // reused between boxes
    struct Remembered {
        std::string key;
        const QRect* tile = nullptr;  // into cached_; null: nothing found there
    };
    std::vector<Remembered> remembered_;  // the box last found at each place in the model
    // Atlas pixels per unit of the painter's world: the surface's ratio while the painter's
    // transform scales, 1 while DeviceEdge places the edges; 0: no atlas for this paint.
    int atlasRatio_ = 0;
    int period_ = 1;         // editor pixels after which the edges fall on the same fractions
    double atlasScale_ = 0;  // device pixels per editor pixel of the boxes kept
    QPoint shelf_;           // where the next box goes in the atlas, in its row of boxes
    int shelfHeight_ = 0;
    bool atlasFull_ = false;
    QPainter::RenderHints atlasHints_;
};

}  // namespace tarvel
