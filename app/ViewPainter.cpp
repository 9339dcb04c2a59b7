#include "app/ViewPainter.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace tarvel {

namespace {

// Tiles 64 pixels wide and 16 high: a row of boxes of the editor's height shares each with few.
constexpr int kTileShiftX = 6, kTileShiftY = 4;
constexpr int kTilesAcross = 64, kTilesDown = 256;
// Layers at most before what is gathered is drawn and gathering starts again at the bottom; a
// busy view needs a handful.
constexpr int kMaxLayers = 32;
// The atlas of boxes, in the surface's logical pixels: some thousands of boxes of the editor's
// sizes. Larger boxes (rows, the bar) are painted as ever.
constexpr int kAtlasWidth = 2048, kAtlasHeight = 1024;
constexpr int kLargestTileWidth = 256, kLargestTileHeight = 64;

QColor FromColorRef(std::uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QFont MonospaceFont(int pixelSize) {
    QFont font("DejaVu Sans Mono");
    if (!QFontInfo(font).fixedPitch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

int TileOfX(int x) {
    return std::clamp(x >> kTileShiftX, 0, kTilesAcross - 1);
}

int TileOfY(int y) {
    return std::clamp(y >> kTileShiftY, 0, kTilesDown - 1);
}

// The four frame lines and the fill of a box, as the view has always drawn them.
std::array<QRect, 5> BoxRects(const DisplayItem& item) {
    const int x = item.x, y = item.y, w = item.width, h = item.height;
    return {QRect(x, y, w - 1, 1), QRect(x, y, 1, h - 1), QRect(x + w - 1, y, 1, h),
            QRect(x, y + h - 1, w, 1), QRect(x + 1, y + 1, w - 2, h - 2)};
}

}  // namespace

GridFont::GridFont(int pixelSize, int advance, bool wholeAscent) : advance(advance) {
    raw = QRawFont::fromFont(MonospaceFont(pixelSize));
    ascent = wholeAscent ? std::round(raw.ascent()) : raw.ascent();
    for (int code = 0; code < 256; ++code) {
        const QList<quint32> indexes =
            raw.glyphIndexesForString(QString(QChar(code < 32 ? ' ' : code)));
        glyphs[code] = indexes.isEmpty() ? 0 : indexes.front();
        const QRectF outline = raw.boundingRect(glyphs[code]);
        if (!outline.isEmpty())
            ink[code] = outline.translated(0, ascent).toAlignedRect().adjusted(-1, -1, 1, 1);
    }
}

ViewPainter::ViewPainter()
    : unscaledLarge_(9, 6),
      unscaledSmall_(6, 4),
      layers_(kMaxLayers),
      tiles_(kTilesAcross * kTilesDown) {
    for (const GridFont* font : {&unscaledLarge_, &unscaledSmall_}) {
        QRect& any = anyInk_[font == &unscaledSmall_];
        for (const QRect& ink : font->ink) any |= ink;
    }
}

QRect ViewPainter::Reach(const DisplayItem& item, std::string_view text) const {
    int left = std::min<int>(item.x, item.x + item.width);
    int right = std::max<int>(item.x, item.x + item.width);
    int top = std::min<int>(item.y, item.y + item.height);
    int bottom = std::max<int>(item.y, item.y + item.height);
    if (item.kind == DisplayItem::Kind::Box && !text.empty()) {
        const QRect& any = anyInk_[item.font == DisplayFont::Small];
        const int advance = item.font == DisplayFont::Small ? 4 : 6;
        left = std::min(left, item.x + 2 + any.left());
        right =
            std::max(right, item.x + 2 + advance * static_cast<int>(text.size() - 1) + any.right());
        top = std::min(top, item.y + 2 + any.top());
        bottom = std::max(bottom, item.y + 2 + any.bottom());
    }
    // Two pixels around: a turned-round rectangle's edges, and a font made for another scale
    // that rounds its size and baseline.
    return QRect(QPoint(left - 2, top - 2), QPoint(right + 2, bottom + 2));
}

std::optional<QRegion> ViewPainter::ChangedRegion(const DisplayModel& before,
                                                  const DisplayModel& after) const {
    if (before.items.size() != after.items.size()) return std::nullopt;
    QRegion changed;
    for (std::size_t i = 0; i < after.items.size(); ++i) {
        const DisplayItem& a = before.items[i];
        const DisplayItem& b = after.items[i];
        const std::string_view textA = before.TextOf(a), textB = after.TextOf(b);
        if (a.kind != b.kind || a.x != b.x || a.y != b.y || a.width != b.width ||
            a.height != b.height || a.light != b.light || a.dark != b.dark ||
            a.textColour != b.textColour || a.fill != b.fill || a.font != b.font || textA != textB)
            changed |= Reach(a, textA) | Reach(b, textB);
    }
    return changed;
}

QRect ViewPainter::Mapped(const QRect& rect) const {
    if (grid_ == 1) return rect;
    const int left = Map(rect.x()), top = Map(rect.y());
    return QRect(left, top, Map(rect.x() + rect.width()) - left,
                 Map(rect.y() + rect.height()) - top);
}

qreal ViewPainter::SetUp(QPainter& painter, int zoomPercent) {
    grid_ = 1;
    large_ = &unscaledLarge_;
    small_ = &unscaledSmall_;
    const double zoom = IsZoomStep(zoomPercent) ? zoomPercent / 100.0 : 1.0;
    const QTransform device = painter.deviceTransform();
    // A printer's page or a caller's own transform is scaled as asked, whatever the pixels.
    const bool plain = painter.worldTransform().isIdentity() &&
                       device.type() <= QTransform::TxScale && device.m11() == device.m22() &&
                       device.m11() > 0;
    const double scale = device.m11() * zoom;
    if (plain && scale != std::floor(scale)) {
        // Device pixels one to one, counted from a whole device pixel at the surface's origin.
        const QTransform origin =
            QTransform::fromTranslate(std::round(device.dx()), std::round(device.dy()));
        painter.setWorldTransform(origin * device.inverted());
        grid_ = scale;
        auto found = std::find_if(scaledFonts_.begin(), scaledFonts_.end(),
                                  [scale](const auto& fonts) { return fonts->scale == scale; });
        if (found == scaledFonts_.end()) {
            if (scaledFonts_.size() >= 8) scaledFonts_.erase(scaledFonts_.begin());
            scaledFonts_.push_back(std::make_unique<ScaledFonts>(
                ScaledFonts{scale, GridFont(static_cast<int>(std::lround(9 * scale)), 6, true),
                            GridFont(static_cast<int>(std::lround(6 * scale)), 4, true)}));
            found = scaledFonts_.end() - 1;
        }
        large_ = &(*found)->large;
        small_ = &(*found)->small;
        paintWorld_ = blitWorld_ = painter.worldTransform();
        return scale;
    }
    if (zoom != 1) painter.scale(zoom, zoom);
    paintWorld_ = painter.worldTransform();
    blitWorld_ = QTransform::fromScale(1 / device.m11(), 1 / device.m11());
    return plain ? scale : 0;
}

void ViewPainter::FillEditorRects(QPainter& painter, const QList<QRect>& rects, const QBrush& brush,
                                  int zoomPercent) {
    painter.save();
    SetUp(painter, zoomPercent);
    for (const QRect& rect : rects) painter.fillRect(Mapped(rect), brush);
    painter.restore();
}

QRect ViewPainter::TextInk(const GridFont& font, int x, int y, std::string_view text) const {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int i = 0; i < static_cast<int>(text.size()); ++i) {
        if (text[i] == ' ') continue;
        const QRect& glyph = font.ink[static_cast<unsigned char>(text[i])];
        if (glyph.isEmpty()) continue;
        const int at = Map(x + font.advance * i);
        left = std::min(left, at + glyph.left());
        right = std::max(right, at + glyph.right());
        top = std::min(top, glyph.top());
        bottom = std::max(bottom, glyph.bottom());
    }
    if (left > right) return {};
    return QRect(QPoint(left, Map(y) + top), QPoint(right, Map(y) + bottom));
}

int ViewPainter::LayerAbove(const QRect& footprint) const {
    int layer = 0;
    for (int ty = TileOfY(footprint.top()); ty <= TileOfY(footprint.bottom()); ++ty)
        for (int tx = TileOfX(footprint.left()); tx <= TileOfX(footprint.right()); ++tx)
            for (const int index : tiles_[ty * kTilesAcross + tx]) {
                const Placed& placed = placed_[index];
                const QRect& other = placed.footprint;  // both have pixels
                if (placed.layer >= layer && other.left() <= footprint.right() &&
                    footprint.left() <= other.right() && other.top() <= footprint.bottom() &&
                    footprint.top() <= other.bottom())
                    layer = placed.layer + 1;
            }
    return layer;
}

void ViewPainter::Place(const QRect& footprint, int layer) {
    const int index = static_cast<int>(placed_.size());
    placed_.push_back({footprint, layer});
    for (int ty = TileOfY(footprint.top()); ty <= TileOfY(footprint.bottom()); ++ty)
        for (int tx = TileOfX(footprint.left()); tx <= TileOfX(footprint.right()); ++tx) {
            std::vector<int>& tile = tiles_[ty * kTilesAcross + tx];
            if (tile.empty()) touchedTiles_.push_back(ty * kTilesAcross + tx);
            tile.push_back(index);
        }
    layersUsed_ = std::max(layersUsed_, layer + 1);
    layers_[layer].empty = false;
}

void ViewPainter::AddFill(int layer, std::uint32_t colour, const QRect& rect) {
    std::vector<ColourRects>& fills = layers_[layer].fills;
    for (ColourRects& fill : fills)
        if (fill.colour == colour) {
            fill.rects.append(rect);
            return;
        }
    fills.push_back({colour, {}});
    fills.back().rects.append(rect);
}

ViewPainter::GlyphRun& ViewPainter::RunOf(int layer, std::uint32_t colour, const GridFont& font) {
    std::vector<GlyphRun>& texts = layers_[layer].texts;
    for (GlyphRun& run : texts)
        if (run.colour == colour && run.font == &font) return run;
    texts.push_back({colour, &font, {}, {}});
    return texts.back();
}

bool ViewPainter::Gather(const DisplayItem& item, std::string_view text, std::size_t index) {
    const QRect rect = Mapped(QRect(item.x, item.y, item.width, item.height));
    if (item.kind == DisplayItem::Kind::Invert) {
        const int layer = LayerAbove(rect);
        if (layer >= kMaxLayers) return false;
        Place(rect, layer);
        layers_[layer].inverts.append(rect);
        return true;
    }
    const GridFont& font = FontOf(item);
    if (const QRect* tile = CachedBox(item, text, index)) {
        const int layer = LayerAbove(rect);
        if (layer >= kMaxLayers) return false;
        Place(rect, layer);
        layers_[layer].blits.push_back({rect.topLeft() * atlasRatio_, *tile});
        return true;
    }
    const QRect ink = TextInk(font, item.x + 2, item.y + 2, text);
    const int fillLayer = LayerAbove(rect);
    // The text goes above its own box, and above whatever else it may touch.
    const int textLayer = ink.isEmpty() ? fillLayer : std::max(fillLayer + 1, LayerAbove(ink));
    if (textLayer >= kMaxLayers) return false;
    Place(rect, fillLayer);
    const std::array<QRect, 5> rects = BoxRects(item);
    AddFill(fillLayer, item.light, Mapped(rects[0]));
    AddFill(fillLayer, item.light, Mapped(rects[1]));
    AddFill(fillLayer, item.dark, Mapped(rects[2]));
    AddFill(fillLayer, item.dark, Mapped(rects[3]));
    AddFill(fillLayer, item.fill, Mapped(rects[4]));
    if (ink.isEmpty()) return true;
    Place(ink, textLayer);
    GlyphRun& run = RunOf(textLayer, item.textColour, font);
    const qreal baseline = Map(item.y + 2) + font.ascent;
    for (int i = 0; i < static_cast<int>(text.size()); ++i) {
        if (text[i] == ' ') continue;  // a space draws nothing; a large view has thousands
        run.glyphs.append(font.glyphs[static_cast<unsigned char>(text[i])]);
        run.positions.append(QPointF(Map(item.x + 2 + font.advance * i), baseline));
    }
    return true;
}

std::optional<ViewPainter::DirectTarget> ViewPainter::DirectTargetOf(QPainter& painter) const {
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice() ||
        engine->paintDevice()->devType() != QInternal::Image)
        return std::nullopt;
    auto* image = static_cast<QImage*>(engine->paintDevice());
    // The atlas's opaque boxes drawn over the same format, one to one onto whole pixels, are
    // their rows copied. A shared image would be copied by bits(), away from the painter's.
    const QTransform world = painter.deviceTransform();  // the widget's place in its window too
    if (image->format() != atlas_.format() || !image->isDetached() || painter.hasClipping() ||
        painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
        world.type() > QTransform::TxTranslate || world.dx() != std::floor(world.dx()) ||
        world.dy() != std::floor(world.dy()))
        return std::nullopt;
    DirectTarget target;
    target.origin = QPoint(static_cast<int>(world.dx()), static_cast<int>(world.dy()));
    target.clip = QRegion(image->rect());
    if (const QRegion system = engine->systemClip(); !system.isEmpty()) target.clip &= system;
    target.bits = image->bits();
    target.stride = image->bytesPerLine();
    return target;
}

void ViewPainter::CopyBlits(const DirectTarget& target, const std::vector<Blit>& blits) {
    const QRect bounds = target.clip.boundingRect();
    spans_.clear();
    for (const Blit& blit : blits) {
        const QRect to(blit.at + target.origin, blit.source.size());
        if (!to.intersects(bounds)) continue;
        for (const QRect& clip : target.clip)
            if (const QRect part = to & clip; !part.isEmpty())
                spans_.push_back({part, blit.source.topLeft() + part.topLeft() - to.topLeft()});
    }
    // A row of boxes side by side is copied an image row at a time: the surface is written front
    // to back rather than in as many places at once as each box has rows.
    const uchar* atlas = atlas_.constBits();
    const qsizetype atlasStride = atlas_.bytesPerLine();
    const int pixelBytes = atlas_.depth() / 8;  // the surface's too: the formats are the same
    for (std::size_t first = 0, end = 0; first < spans_.size(); first = end) {
        const int top = spans_[first].to.top(), height = spans_[first].to.height();
        end = first + 1;
        while (end < spans_.size() && spans_[end].to.top() == top &&
               spans_[end].to.height() == height)
            ++end;
        for (int row = 0; row < height; ++row) {
            uchar* line = target.bits + (top + row) * target.stride;
            for (std::size_t i = first; i < end; ++i) {
                const Span& span = spans_[i];
                std::memcpy(
                    line + span.to.x() * pixelBytes,
                    atlas + (span.from.y() + row) * atlasStride + span.from.x() * pixelBytes,
                    static_cast<std::size_t>(span.to.width()) * pixelBytes);
            }
        }
    }
}

void ViewPainter::DrawGathered(QPainter& painter) {
    atlasPainter_.reset();  // the boxes added are in the atlas now
    std::optional<DirectTarget> direct;
    bool directKnown = false;
    for (int l = 0; l < layersUsed_; ++l) {
        Layer& layer = layers_[l];
        if (layer.empty) continue;
        if (!layer.blits.empty()) {
            // Device pixels one to one: a plain copy of each box.
            painter.setWorldTransform(blitWorld_);
            if (!directKnown) {
                direct = DirectTargetOf(painter);
                directKnown = true;
            }
            if (direct)
                CopyBlits(*direct, layer.blits);
            else
                for (const Blit& blit : layer.blits)
                    painter.drawImage(blit.at, atlas_, blit.source);
            painter.setWorldTransform(paintWorld_);
            layer.blits.clear();
        }
        painter.setPen(Qt::NoPen);
        for (ColourRects& fill : layer.fills) {
            if (fill.rects.isEmpty()) continue;
            painter.setBrush(FromColorRef(fill.colour));
            painter.drawRects(fill.rects.constData(), static_cast<int>(fill.rects.size()));
            fill.rects.clear();
        }
        for (GlyphRun& text : layer.texts) {
            if (text.glyphs.isEmpty()) continue;
            painter.setPen(FromColorRef(text.colour));
            {
                QGlyphRun run;
                run.setRawFont(text.font->raw);
                run.setGlyphIndexes(text.glyphs);
                run.setPositions(text.positions);
                painter.drawGlyphRun(QPointF(0, 0), run);
            }  // the run lets go of the lists, which then keep their storage
            text.glyphs.clear();
            text.positions.clear();
        }
        if (!layer.inverts.isEmpty()) {
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            for (const QRect& rect : layer.inverts) painter.fillRect(rect, Qt::white);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            layer.inverts.clear();
        }
        layer.empty = true;
    }
    layersUsed_ = 0;
    for (const int tile : touchedTiles_) tiles_[tile].clear();
    touchedTiles_.clear();
    placed_.clear();
}

// One item in the painter's own calls. Also what a box too small for its frame or a rectangle of
// negative size needs: Qt draws their turned-round rectangles, which only these calls repeat.
void ViewPainter::DrawSingly(QPainter& painter, const DisplayItem& item, std::string_view text) {
    if (item.kind == DisplayItem::Kind::Invert) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(Mapped(QRect(item.x, item.y, item.width, item.height)), Qt::white);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    const std::array<QRect, 5> rects = BoxRects(item);
    const std::uint32_t colours[] = {item.light, item.light, item.dark, item.dark, item.fill};
    for (int i = 0; i < 5; ++i) painter.fillRect(Mapped(rects[i]), FromColorRef(colours[i]));
    const GridFont& font = FontOf(item);
    QList<quint32> glyphs;
    QList<QPointF> positions;
    const qreal baseline = Map(item.y + 2) + font.ascent;
    for (int i = 0; i < static_cast<int>(text.size()); ++i) {
        if (text[i] == ' ') continue;
        glyphs.append(font.glyphs[static_cast<unsigned char>(text[i])]);
        positions.append(QPointF(Map(item.x + 2 + font.advance * i), baseline));
    }
    if (glyphs.isEmpty()) return;
    painter.setPen(FromColorRef(item.textColour));
    QGlyphRun run;
    run.setRawFont(font.raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

bool ViewPainter::StartAtlas(QPainter& painter, qreal scale) {
    atlasRatio_ = 0;
    const QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice() ||
        engine->paintDevice()->devType() != QInternal::Image)
        return false;  // a printer, a picture: painted as ever
    const QImage::Format format = static_cast<const QImage*>(engine->paintDevice())->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied)
        return false;
    if (painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    // The copies are exact only on whole device pixels; past scale 2 the atlas would take more
    // memory than its copies are worth.
    int period = 1;
    if (grid_ == 1) {
        // The painter's transform scales: at ratio 1 or 2, scaled back without rounding.
        const QTransform device = painter.deviceTransform();
        if ((scale != 1 && scale != 2) || device.dx() != std::floor(device.dx()) ||
            device.dy() != std::floor(device.dy()))
            return false;
    } else {
        // Edges placed by DeviceEdge: a box looks the same wherever it lies at the same place
        // within the period after which editor pixels again fall on the same device pixel
        // fractions (4 at 125 %). Scales of no short period are painted as ever.
        while (period <= 16 && period * scale != std::floor(period * scale)) ++period;
        if (period > 16 || scale > 2) return false;
    }
    const QSize size(static_cast<int>(std::ceil(kAtlasWidth * scale)),
                     static_cast<int>(std::ceil(kAtlasHeight * scale)));
    if (atlas_.format() != format || atlas_.size() != size || atlasScale_ != scale ||
        painter.renderHints() != atlasHints_ || atlasFull_) {
        if (atlas_.format() != format || atlas_.size() != size) atlas_ = QImage(size, format);
        atlasScale_ = scale;
        atlasHints_ = painter.renderHints();
        cached_.clear();
        for (Remembered& remembered : remembered_) remembered.tile = nullptr;
        shelf_ = {0, 0};
        shelfHeight_ = 0;
        atlasFull_ = false;
    }
    atlasRatio_ = grid_ == 1 ? static_cast<int>(scale) : 1;
    period_ = period;
    return true;
}

const QRect* ViewPainter::CachedBox(const DisplayItem& item, std::string_view text,
                                    std::size_t index) {
    if (!atlasRatio_ || item.width > kLargestTileWidth || item.height > kLargestTileHeight)
        return nullptr;
    // The box's place within the period: its edges' fractions of a device pixel.
    const auto phase = [this](int v) {
        return static_cast<char>((v % period_ + period_) % period_);
    };
    char head[2 * sizeof(std::int16_t) + 4 * sizeof(std::uint32_t) + 3];
    char* at = head;
    for (const std::int16_t size : {item.width, item.height}) {
        std::memcpy(at, &size, sizeof size);
        at += sizeof size;
    }
    for (const std::uint32_t colour : {item.light, item.dark, item.textColour, item.fill}) {
        std::memcpy(at, &colour, sizeof colour);
        at += sizeof colour;
    }
    *at++ = static_cast<char>(item.font);
    *at++ = phase(item.x);
    *at = phase(item.y);
    key_.assign(head, sizeof head);
    key_.append(text);
    // A repaint mostly finds at each place of the model the box it found there the last time.
    if (index >= remembered_.size()) remembered_.resize(index + 1);
    Remembered& remembered = remembered_[index];
    if (remembered.tile && remembered.key == key_) return remembered.tile;
    if (const auto found = cached_.find(key_); found != cached_.end()) {
        remembered.key.assign(key_);
        return remembered.tile = &found->second;
    }

    // The key holds all that places the text in its box, so whatever is found stays inside.
    const GridFont& font = FontOf(item);
    const QRect box = Mapped(QRect(item.x, item.y, item.width, item.height));
    const QRect ink = TextInk(font, item.x + 2, item.y + 2, text);
    if (!ink.isEmpty() && !box.contains(ink))
        return nullptr;  // text that may reach past its box is drawn in its place
    if (atlasFull_) return nullptr;
    const int tileWidth = box.width() * atlasRatio_, tileHeight = box.height() * atlasRatio_;
    if (shelf_.x() + tileWidth > atlas_.width()) shelf_ = {0, shelf_.y() + shelfHeight_};
    if (shelf_.x() == 0) shelfHeight_ = 0;
    if (shelf_.y() + tileHeight > atlas_.height()) {
        atlasFull_ = true;  // emptied on the next paint
        return nullptr;
    }
    shelfHeight_ = std::max(shelfHeight_, tileHeight);
    if (!atlasPainter_) {
        atlasPainter_ = std::make_unique<QPainter>(&atlas_);
        atlasPainter_->setRenderHints(atlasHints_);
    }
    // The box drawn as on the surface, moved by whole device pixels onto its place in the atlas.
    const QPoint device = box.topLeft() * atlasRatio_;
    atlasPainter_->setTransform(QTransform(atlasRatio_, 0, 0, atlasRatio_, shelf_.x() - device.x(),
                                           shelf_.y() - device.y()));
    DrawSingly(*atlasPainter_, item, text);
    const QRect tile(shelf_, QSize(tileWidth, tileHeight));
    shelf_.rx() += tileWidth;
    remembered.key.assign(key_);
    return remembered.tile = &cached_.emplace(key_, tile).first->second;
}

void ViewPainter::Paint(QPainter& painter, const DisplayModel& model, int zoomPercent,
                        const QRegion* only) {
    painter.save();
    const qreal atlasScale = SetUp(painter, zoomPercent);
    atlasRatio_ = 0;
    if (atlasScale > 0) StartAtlas(painter, atlasScale);
    const QRect onlyBounds = only ? only->boundingRect() : QRect();
    for (std::size_t index = 0; index < model.items.size(); ++index) {
        const DisplayItem& item = model.items[index];
        const std::string_view text = model.TextOf(item);
        if (only) {
            const QRect reach = Reach(item, text);
            if (!reach.intersects(onlyBounds) || !only->intersects(reach)) continue;
        }
        const bool box = item.kind == DisplayItem::Kind::Box;
        if (item.width < (box ? 2 : 1) || item.height < (box ? 2 : 1)) {
            DrawGathered(painter);
            DrawSingly(painter, item, text);
            continue;
        }
        if (!Gather(item, text, index)) {
            DrawGathered(painter);
            Gather(item, text, index);  // the lowest layer has room for anything
        }
    }
    DrawGathered(painter);
    painter.restore();
}

void ViewPainter::PaintOneByOne(QPainter& painter, const DisplayModel& model, int zoomPercent) {
    painter.save();
    SetUp(painter, zoomPercent);
    for (const DisplayItem& item : model.items) DrawSingly(painter, item, model.TextOf(item));
    painter.restore();
}

}  // namespace tarvel
