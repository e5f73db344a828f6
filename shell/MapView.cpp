#include "shell/MapView.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

namespace tavorin::shell {
namespace {

constexpr double kSmallestZoom = 1e-4;
constexpr double kLargestZoom = 256.0;
constexpr double kWheelStep = 1.25;   // per notch of the wheel
constexpr double kOutlineZoom = 4.0;  // the pixel under the cursor is outlined from this zoom

}  // namespace

MapView::MapView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
}

void MapView::SetImageSize(int lines, int samples) {
    lines_ = lines;
    samples_ = samples;
    FitToWindow();
}

void MapView::SetInput(const RasterLayer& input) {
    input_ = input;
    update();
}

void MapView::SetMap(const RasterLayer& map) {
    map_ = map;
    message_.clear();
    update();
}

void MapView::ClearMap(const QString& text) {
    map_ = {};
    message_ = text;
    update();
}

void MapView::Clear() {
    input_ = {};
    map_ = {};
    message_.clear();
    lines_ = samples_ = 0;
    update();
}

void MapView::SetOpacity(double opacity) {
    opacity_ = std::clamp(opacity, 0.0, 1.0);
    update();
}

void MapView::FitToWindow() {
    fitted_ = true;
    if (lines_ < 1 || samples_ < 1 || width() < 1 || height() < 1) return;
    scale_ =
        std::min(width() / static_cast<double>(samples_), height() / static_cast<double>(lines_));
    scale_ = std::clamp(scale_, kSmallestZoom, kLargestZoom);
    offset_ = QPointF((width() - samples_ * scale_) / 2.0, (height() - lines_ * scale_) / 2.0);
    update();
}

void MapView::ZoomBy(double factor, QPointF anchor) {
    const double scale = std::clamp(scale_ * factor, kSmallestZoom, kLargestZoom);
    const QPointF imagePoint = (anchor - offset_) / scale_;
    scale_ = scale;
    offset_ = anchor - imagePoint * scale_;
    fitted_ = false;
    update();
}

std::optional<QPoint> MapView::PixelAt(QPointF point) const {
    if (lines_ < 1 || samples_ < 1) return std::nullopt;
    const QPointF image = (point - offset_) / scale_;
    const double sample = std::floor(image.x());
    const double line = std::floor(image.y());
    if (sample < 0 || line < 0 || sample >= samples_ || line >= lines_) return std::nullopt;
    return QPoint(static_cast<int>(sample), static_cast<int>(line));
}

QPointF MapView::WidgetPointOf(int line, int sample) const {
    return offset_ + QPointF(sample + 0.5, line + 0.5) * scale_;
}

void MapView::DrawLayer(QPainter& painter, const RasterLayer& layer) const {
    // The full picture once the overview has fewer pixels than the screen shows.
    const bool useFull =
        !layer.full.isNull() && (layer.overview.isNull() || scale_ * layer.overviewStep > 1.0);
    const QImage& image = useFull ? layer.full : layer.overview;
    if (image.isNull()) return;
    const int step = useFull ? 1 : layer.overviewStep;
    // The image pixels in view, whole pixels of the picture drawn.
    const QRectF visible = QRectF(-offset_ / scale_, QSizeF(width(), height()) / scale_);
    const double left = std::max(0.0, std::floor(visible.left() / step));
    const double top = std::max(0.0, std::floor(visible.top() / step));
    const double right = std::min<double>(image.width(), std::ceil(visible.right() / step));
    const double bottom = std::min<double>(image.height(), std::ceil(visible.bottom() / step));
    if (right <= left || bottom <= top) return;
    const QRectF source(left, top, right - left, bottom - top);
    const QRectF target(offset_ + QPointF(left, top) * (step * scale_),
                        offset_ + QPointF(right, bottom) * (step * scale_));
    // The last overview pixel of a line or column may stand for less than a whole step.
    painter.save();
    painter.setClipRect(QRectF(offset_, QSizeF(samples_, lines_) * scale_));
    painter.drawImage(target, image, source);
    painter.restore();
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(224, 224, 224));
    if (lines_ < 1 || samples_ < 1) return;
    const bool hasInput = !input_.overview.isNull() || !input_.full.isNull();
    if (hasInput) DrawLayer(painter, input_);
    painter.setOpacity(hasInput ? opacity_ : 1.0);
    DrawLayer(painter, map_);
    painter.setOpacity(1.0);
    if (hovered_ && scale_ >= kOutlineZoom) {
        const QRectF pixel(offset_ + QPointF(hovered_->x(), hovered_->y()) * scale_,
                           QSizeF(scale_, scale_));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(pixel.adjusted(-1, -1, 0, 0));
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(pixel.adjusted(-2, -2, 1, 1));
    }
    if (!message_.isEmpty()) {
        // On a pale panel of its own, readable over any input.
        const QRect room = rect().adjusted(24, 24, -24, -24);
        const int flags = Qt::AlignCenter | Qt::TextWordWrap;
        const QRect text = painter.fontMetrics().boundingRect(room, flags, message_);
        painter.setPen(QColor(120, 120, 120));
        painter.setBrush(QColor(255, 255, 255, 230));
        painter.drawRect(text.adjusted(-10, -6, 10, 6));
        painter.setPen(Qt::black);
        painter.drawText(room, flags, message_);
    }
}

void MapView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitted_) FitToWindow();
}

void MapView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0.0) ZoomBy(std::pow(kWheelStep, notches), event->position());
    event->accept();
}

void MapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragStart_ = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
    setFocus();
    event->accept();
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    if (dragStart_) {
        offset_ += event->position() - *dragStart_;
        dragStart_ = event->position();
        fitted_ = false;
        update();
    }
    const std::optional<QPoint> pixel = PixelAt(event->position());
    if (pixel != hovered_) {
        hovered_ = pixel;
        // Only an outline needs a repaint; at smaller zooms the cursor moves over many pixels.
        if (scale_ >= kOutlineZoom) update();
    }
    if (pixel)
        emit pixelHovered(pixel->y(), pixel->x());
    else
        emit pixelLeft();
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragStart_.reset();
        unsetCursor();
    }
}

void MapView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hovered_.reset();
    if (scale_ >= kOutlineZoom) update();
    emit pixelLeft();
}

void MapView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        emit stepRequested(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace tavorin::shell
