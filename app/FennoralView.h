// The editor view: paints the editor core's display model and hands keys and mouse
// events to the core's handlers. It holds no song data, only the model it last built, its
// painter and the mouse-drag flags. Window thread.
#pragma once

#include <QWidget>

#include "app/ViewPainter.h"
#include "editor/DisplayModel.h"
#include "editor/MouseEditing.h"

namespace tarvel {

class CFennoralDoc;
class CMainFrame;

class CFennoralView final : public QWidget {
    Q_OBJECT

  public:
    // The classic size, the default and the least: two heading rows and 25 editor rows.
    static constexpr int kWidth = kMinimumViewWidth;
    static constexpr int kHeight = kMinimumViewHeight;

    CFennoralView(CFennoralDoc& doc, CMainFrame& frame);

    // Builds the display model from the document (under its lock) and paints it unzoomed, on
    // EditorSize(); printing uses it as it is.
    void Render(QPainter& painter);

    // The zoom, in percent (one of kZoomSteps): the editor's pixels, its text and the mouse
    // scale as one, and the editor is laid out for the view's size divided by it.
    int zoom() const { return zoom_; }
    void SetZoom(int percent);  // other values are taken as 100
    // The view's size in the editor's own pixels.
    QSize EditorSize() const;

    // The document changed: asks for a repaint of the places where the picture changes with it
    // (at a new play line, the row played before and the one played now), or of the whole view.
    void Invalidate();

    QSize sizeHint() const override { return {kWidth, kHeight}; }

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab belongs to the editor

  private:
    void BuildModelInShortHolds();         // takes the lock
    QPoint EditorPoint(QPointF at) const;  // a mouse position, in editor pixels
    // Editor pixels to the view's, and back, each rectangle grown to every pixel it touches.
    QRegion ViewRegion(const QRegion& editor) const;
    QRegion EditorRegion(const QRegion& view) const;

    CFennoralDoc& doc_;
    CMainFrame& frame_;
    ViewPainter painter_;
    DisplayModel model_;  // as last built
    // Built by Invalidate for the repaint it asked for, for that layout.
    bool builtAhead_ = false;
    EditorLayout builtLayout_{};
    // What the window shows, but where a repaint is on its way: the model of the last paint on
    // the screen, its layout and zoom; shownZoom_ 0 before the first.
    DisplayModel shown_;
    EditorLayout shownLayout_{};
    int shownZoom_ = 0;
    EditorMouse mouse_;
    int zoom_ = 100;
    int wheelEighths_ = 0;  // a fine-grained wheel's turn not yet a whole notch
};

}  // namespace tarvel
