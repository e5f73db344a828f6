#pragma once

#include <optional>

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QWidget>

namespace tavorin::shell {

// A picture of one line and sample per pixel of the run's image, with its overview.
struct RasterLayer {
    QImage overview;  // one pixel per `overviewStep` by `overviewStep` block
    int overviewStep = 1;
    QImage full;  // null while only the overview is known
};

// The selected map drawn over the input in false colour, the map with an opacity of its own.
// The wheel zooms about the cursor, dragging pans, Fit shows the whole image; the pixel under
// the cursor is reported. Only the part in view is drawn, from the overview while it has as
// many pixels as the screen shows, so a scene of any size keeps the window responsive.
class MapView : public QWidget {
    Q_OBJECT

  public:
    explicit MapView(QWidget* parent = nullptr);

    // The size of the run's image; the view fits it to the window.
    void SetImageSize(int lines, int samples);
    void SetInput(const RasterLayer& input);
    void SetMap(const RasterLayer& map);
    // Clears the map and shows `text` instead (an empty text: nothing).
    void ClearMap(const QString& text = {});
    void Clear();
    void SetOpacity(double opacity);  // 0 (input only) .. 1 (map only)
    double opacity() const { return opacity_; }
    void FitToWindow();
    // Multiplies the zoom by `factor`, keeping the image point under `anchor` in place.
    void ZoomBy(double factor, QPointF anchor);
    double zoom() const { return scale_; }
    const QString& message() const { return message_; }

    // The pixel (x = sample, y = line, from 0) under a point of the widget; none outside.
    std::optional<QPoint> PixelAt(QPointF point) const;
    // The centre of a pixel in widget coordinates.
    QPointF WidgetPointOf(int line, int sample) const;

  signals:
    void pixelHovered(int line, int sample);
    void pixelLeft();
    void stepRequested(int step);  // up -1, down +1

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void DrawLayer(QPainter& painter, const RasterLayer& layer) const;

    int lines_ = 0;
    int samples_ = 0;
    RasterLayer input_;
    RasterLayer map_;
    QString message_;
    double opacity_ = 0.6;
    double scale_ = 1.0;  // widget pixels per image pixel
    QPointF offset_;      // where the image's top left corner lies in the widget
    bool fitted_ = true;  // refits when the window is resized until zoomed or panned
    std::optional<QPointF> dragStart_;
    std::optional<QPoint> hovered_;  // outlined once a pixel is large enough to see
};

}  // namespace tavorin::shell
