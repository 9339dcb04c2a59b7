#include "app/FennoralView.h"

#include <QBackingStore>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>
#include <mutex>

#include "app/ControlPanel.h"
#include "app/MainFrame.h"
#include "app/VirtualKeyMapping.h"
#include "document/FennoralDoc.h"
#include "document/UndoableEdits.h"

#include "editor/HelperTexts.h"
#include "editor/KeyEditing.h"
#include "editor/ViewPlacement.h"

namespace tarvel {

namespace {

// The key's XKB keycode, as X11 and Wayland report it; other systems number their keys in
// other ways, and there the note keys follow the characters.
unsigned XkbKeycodeOf(const QKeyEvent& event) {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    Q_UNUSED(event);
    return 0;
#else
    return event.nativeScanCode();
#endif
}

}  // namespace

CFennoralView::CFennoralView(CFennoralDoc& doc, CMainFrame& frame)
    : QWidget(&frame), doc_(doc), frame_(frame) {
    // Every box is filled opaquely, so nothing is erased before a paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMinimumSize(kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void CFennoralView::Render(QPainter& painter) {
    BuildModelInShortHolds();
    painter_.Paint(painter, model_);
}

void CFennoralView::SetZoom(int percent) {
    zoom_ = IsZoomStep(percent) ? percent : 100;
    SetZoomedViewSize(doc_.songEditor, width(), height(), zoom_);
    update();
}

QSize CFennoralView::EditorSize() const {
    return {width() * 100 / zoom_, height() * 100 / zoom_};
}

QPoint CFennoralView::EditorPoint(QPointF at) const {
    // The device pixel under the mouse, then the editor pixel the painter put there.
    const qreal ratio = devicePixelRatioF();
    const double scale = ratio * zoom_ / 100;
    return {EditorPixelAt(static_cast<int>(std::floor(at.x() * ratio)), scale),
            EditorPixelAt(static_cast<int>(std::floor(at.y() * ratio)), scale)};
}

void CFennoralView::BuildModelInShortHolds() {
    builtAhead_ = false;  // newer than any region asked for
    // A part per hold: a model of a large view built at once would keep the clock waiting.
    for (int part = 0, parts = 1; part < parts; ++part) {
        std::lock_guard lock(doc_.mutex);
        parts = DisplayModelParts(doc_.songEditor);
        BuildDisplayModelPart(doc_.songEditor, model_, part);
    }
}

QRegion CFennoralView::ViewRegion(const QRegion& editor) const {
    QRegion view;
    for (const QRect& rect : editor) {
        const int left = rect.left() * zoom_ / 100 - 1, top = rect.top() * zoom_ / 100 - 1;
        const int right = (rect.right() + 1) * zoom_ / 100 + 1;
        const int bottom = (rect.bottom() + 1) * zoom_ / 100 + 1;
        view |= QRect(QPoint(left, top), QPoint(right, bottom));
    }
    return view;
}

QRegion CFennoralView::EditorRegion(const QRegion& view) const {
    QRegion editor;
    for (const QRect& rect : view) {
        const int left = rect.left() * 100 / zoom_ - 1, top = rect.top() * 100 / zoom_ - 1;
        const int right = (rect.right() + 1) * 100 / zoom_ + 1;
        const int bottom = (rect.bottom() + 1) * 100 / zoom_ + 1;
        editor |= QRect(QPoint(left, top), QPoint(right, bottom));
    }
    return editor;
}

void CFennoralView::Invalidate() {
    // Hidden, the view builds nothing: it is painted whole when it shows again.
    if (!shownZoom_ || shownZoom_ != zoom_ || !isVisible() || window()->isMinimized()) {
        update();
        return;
    }
    EditorLayout layout;
    {
        std::lock_guard lock(doc_.mutex);
        FollowPlayedLine(doc_.songEditor);  // as the paint will: a scroll changes every row
        layout = doc_.songEditor.layout;
    }
    BuildModelInShortHolds();
    builtAhead_ = true;
    builtLayout_ = layout;
    const std::optional<QRegion> changed = painter_.ChangedRegion(shown_, model_);
    if (!changed || layout != shownLayout_)
        update();
    else if (!changed->isEmpty())
        update(ViewRegion(*changed));
}

void CFennoralView::paintEvent(QPaintEvent* event) {
    HelperTexts helpers;
    EditorLayout layout;
    {
        std::lock_guard lock(doc_.mutex);
        // From now on every line start of the player asks for a repaint.
        doc_.player.editorWindowKnown = true;
        FollowPlayedLine(doc_.songEditor);
        helpers = UpdateHelperTexts(doc_.songEditor);
        layout = doc_.songEditor.layout;
    }
    QPainter painter(this);
    // A paint into the window's backing store changes what the window shows; one that
    // QWidget::render sends elsewhere (a picture, a test's image) does not.
    QBackingStore* store = window()->backingStore();
    const bool onScreen = store && painter.paintEngine() &&
                          painter.paintEngine()->paintDevice() == store->paintDevice();
    const bool whole = (QRegion(rect()) - event->region()).isEmpty();
    // The model built for the region asked for serves its paint: whatever changed since asks
    // for its own repaint, and a whole one (a mouse edit, a resize) builds the model anew.
    const bool builtFor = builtAhead_ && !whole && onScreen && layout == builtLayout_;
    if (!builtFor) BuildModelInShortHolds();
    QRegion only;
    if (onScreen && !whole) {
        if (builtFor) {
            // Its changes are in the region already: Invalidate asked for them.
        } else if (shownZoom_ != zoom_ || layout != shownLayout_) {
            update();  // the part asked for now, and all of it next
        } else if (const std::optional<QRegion> changed = painter_.ChangedRegion(shown_, model_)) {
            // What changed since the region was asked for and lies outside it comes next, so
            // the window shows the model of this paint wherever no repaint is on its way.
            const QRegion later = ViewRegion(*changed) - event->region();
            if (!later.isEmpty()) update(later);
        } else {
            update();
        }
        only = EditorRegion(event->region());
    }
    // Three strips belong to no box: right of the sequencer's last column, the row labels of
    // blank rows past the end of the grid (their box starts 56 pixels into the pane), and what
    // is left below the last row. Qt double-buffers the widget, so filling them first shows no
    // flicker.
    // In editor pixels, to the largest view's edge: the painter clips them to the widget.
    const int paneRight = layout.sequencerX + layout.sequencerWidth;
    const int rowsBottom = 24 + 12 * layout.visibleRows;
    const int far = kMaximumViewWidth + kMaximumViewHeight;
    painter_.FillEditorRects(
        painter,
        {QRect(paneRight, 0, far, far), QRect(layout.sequencerX, 24, 56, rowsBottom - 24),
         QRect(0, rowsBottom, far, far)},
        palette().window(), zoom_);
    painter_.Paint(painter, model_, zoom_, onScreen && !whole ? &only : nullptr);
    if (onScreen) {
        builtAhead_ = false;
        std::swap(shown_, model_);
        shownLayout_ = layout;
        shownZoom_ = zoom_;
    }
    frame_.panel().SetHelperTexts(helpers.row, helpers.value, helpers.status);
}

bool CFennoralView::event(QEvent* event) {
    // Tab and Shift+Tab move the edit cursor instead of the keyboard focus.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void CFennoralView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SetZoomedViewSize(doc_.songEditor, width(), height(), zoom_);
}

void CFennoralView::keyPressEvent(QKeyEvent* event) {
    const EditorKey key = ReadEditorKey(XkbKeycodeOf(*event), VirtualKeyOf(*event));
    if (key.virtualKey || key.noteKey) {
        const bool shiftHeld =
            event->modifiers() & Qt::ShiftModifier || event->key() == Qt::Key_Backtab;
        KeyDownAsEdit(doc_, key, shiftHeld);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CFennoralView::keyReleaseEvent(QKeyEvent* event) {
    // Held keys repeat their press only: a repeated release must not stop the note.
    if (event->isAutoRepeat()) return;
    const EditorKey key = ReadEditorKey(XkbKeycodeOf(*event), VirtualKeyOf(*event));
    if (key.virtualKey || key.noteKey) {
        EditorKeyUp(doc_.songEditor, key);
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void CFennoralView::wheelEvent(QWheelEvent* event) {
    // A notch is 120 eighths of a degree; touchpads send less at a time.
    wheelEighths_ += event->angleDelta().y();
    const int notches = wheelEighths_ / 120;
    wheelEighths_ %= 120;
    if (notches != 0) {
        const QPoint at = EditorPoint(event->position());
        EditorWheel(doc_.songEditor, at.x(), at.y(), notches);
        update();
    }
    event->accept();
}

void CFennoralView::mousePressEvent(QMouseEvent* event) {
    setFocus();
    const QPoint at = EditorPoint(event->position());
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->button() == Qt::LeftButton && ctrl &&
        EditorLaunchClick(doc_.songEditor, at.x(), at.y())) {
        // a launch in live mode, which writes nothing
    } else if (event->button() == Qt::LeftButton) {
        MouseDownAsEdit(doc_, mouse_, true, at.x(), at.y());
    } else if (event->button() == Qt::RightButton) {
        if (MouseDownAsEdit(doc_, mouse_, false, at.x(), at.y()) == MouseAction::OpenEditMenu) {
            update();
            frame_.editMenu().exec(event->globalPosition().toPoint());
        }
    }
    update();
}

void CFennoralView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) MouseUpAsEdit(doc_, mouse_, true);
    if (event->button() == Qt::RightButton) MouseUpAsEdit(doc_, mouse_, false);
}

void CFennoralView::mouseMoveEvent(QMouseEvent* event) {
    // A release can be lost (a box that came up took it): a button no longer down ends its drag
    // here, before hovering could paint on into a step that never closes.
    if (mouse_.leftDragging && !(event->buttons() & Qt::LeftButton))
        MouseUpAsEdit(doc_, mouse_, true);
    if (mouse_.rightDragging && !(event->buttons() & Qt::RightButton))
        MouseUpAsEdit(doc_, mouse_, false);
    const QPoint at = EditorPoint(event->position());
    EditorMouseMove(doc_.songEditor, mouse_, at.x(), at.y());
}

void CFennoralView::focusOutEvent(QFocusEvent* event) {
    // Another window or a modal box has the mouse now: the drag ends where it was.
    if (mouse_.leftDragging) MouseUpAsEdit(doc_, mouse_, true);
    if (mouse_.rightDragging) MouseUpAsEdit(doc_, mouse_, false);
    QWidget::focusOutEvent(event);
}

}  // namespace tarvel
