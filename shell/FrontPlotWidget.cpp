#include "shell/FrontPlotWidget.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include "platform/NumberText.h"
#include "report/FrontPlotSvg.h"

namespace tavorin::shell {
namespace {

constexpr double kMarginLeft = 78;
constexpr double kMarginRight = 18;
constexpr double kMarginTop = 16;
constexpr double kMarginBottom = 46;
constexpr double kPointRadius = 4.5;
constexpr double kSelectedRadius = kPointRadius + 2;
constexpr double kMarkRadius = kPointRadius + 5;  // the ring of the recommended member
constexpr double kHitDistance = 8.0;
constexpr double kLabelMergeDistance = 4.0;

QString Text(const std::string& text) { return QString::fromStdString(text); }

struct Scales {
    AxisScale x;
    AxisScale y;
};

Scales ScalesOf(const std::vector<FrontPoint>& front) {
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (const FrontPoint& point : front) {
        if (!IsPlottable(point)) continue;
        minX = std::min(minX, point.jm);
        maxX = std::max(maxX, point.jm);
        minY = std::min(minY, point.xbIndex);
        maxY = std::max(maxY, point.xbIndex);
    }
    if (!(minX <= maxX)) return {NiceAxisScale(0.0, 1.0), NiceAxisScale(0.0, 1.0)};
    return {NiceAxisScale(minX, maxX), NiceAxisScale(minY, maxY)};
}

double Position(double value, const AxisScale& scale, double from, double to) {
    const double position = from + (value - scale.low) / (scale.high - scale.low) * (to - from);
    return std::isfinite(position) ? position : from;
}

}  // namespace

bool IsPlottable(const FrontPoint& point) {
    return std::isfinite(point.xbIndex) && std::isfinite(point.jm);
}

QString NotPlottedText(int member, const FrontPoint& point) {
    return QStringLiteral(
               "Not plotted (an objective is not a finite number): image %1: xbIndex %2, jm %3")
        .arg(member)
        .arg(Text(platform::formatFixed(point.xbIndex)), Text(platform::formatFixed(point.jm)));
}

FrontPlotWidget::FrontPlotWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
}

void FrontPlotWidget::SetFront(std::vector<FrontPoint> front) {
    front_ = std::move(front);
    selected_ = -1;
    marked_ = -1;
    update();
}

void FrontPlotWidget::SetMarked(int member) {
    marked_ = member;
    update();
}

void FrontPlotWidget::SetSelected(int member) {
    selected_ = member;
    update();
}

QRectF FrontPlotWidget::PlotArea() const {
    return QRectF(kMarginLeft, kMarginTop, std::max(10.0, width() - kMarginLeft - kMarginRight),
                  std::max(10.0, height() - kMarginTop - kMarginBottom));
}

std::optional<QPointF> FrontPlotWidget::PointPosition(int member) const {
    if (member < 0 || static_cast<std::size_t>(member) >= front_.size()) return std::nullopt;
    const FrontPoint& point = front_[static_cast<std::size_t>(member)];
    if (!IsPlottable(point)) return std::nullopt;
    const Scales scales = ScalesOf(front_);
    const QRectF area = PlotArea();
    return QPointF(Position(point.jm, scales.x, area.left(), area.right()),
                   Position(point.xbIndex, scales.y, area.bottom(), area.top()));
}

int FrontPlotWidget::MemberAt(QPointF position) const {
    int nearest = -1;
    double nearestDistance = kHitDistance;
    for (int member = 0; member < static_cast<int>(front_.size()); ++member) {
        const std::optional<QPointF> point = PointPosition(member);
        if (!point) continue;
        const double distance = std::hypot(point->x() - position.x(), point->y() - position.y());
        // Of points on one spot, the selected one, else the first.
        if (distance < nearestDistance || (distance == nearestDistance && member == selected_)) {
            nearest = member;
            nearestDistance = distance;
        }
    }
    return nearest;
}

QString FrontPlotWidget::Description(int member) const {
    const FrontPoint& point = front_[static_cast<std::size_t>(member)];
    return QStringLiteral("image %1: %2\nxbIndex %3\njm %4")
        .arg(member)
        .arg(point.file, Text(platform::formatFixed(point.xbIndex)),
             Text(platform::formatFixed(point.jm)));
}

bool FrontPlotWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int member = MemberAt(help->pos());
        if (member >= 0)
            QToolTip::showText(help->globalPos(), Description(member), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void FrontPlotWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = PlotArea();
    const Scales scales = ScalesOf(front_);
    const QFontMetrics metrics(font());

    painter.setPen(QColor(221, 221, 221));
    for (const double tick : scales.x.ticks) {
        const double x = Position(tick, scales.x, area.left(), area.right());
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    for (const double tick : scales.y.ticks) {
        const double y = Position(tick, scales.y, area.bottom(), area.top());
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    painter.setPen(QColor(51, 51, 51));
    painter.drawRect(area);
    for (const double tick : scales.x.ticks) {
        const double x = Position(tick, scales.x, area.left(), area.right());
        const QString text = Text(platform::formatGeneral(tick, 6));
        // Centred under its tick, moved in where it would leave the widget.
        const double textWidth = metrics.horizontalAdvance(text) + 2.0;
        const double left =
            std::clamp(x - textWidth / 2.0, 0.0, std::max(0.0, width() - textWidth));
        painter.drawText(QRectF(left, area.bottom() + 3, textWidth, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, text);
    }
    for (const double tick : scales.y.ticks) {
        const double y = Position(tick, scales.y, area.bottom(), area.top());
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, area.left() - 5, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, Text(platform::formatGeneral(tick, 6)));
    }
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(
        QRectF(area.left(), height() - metrics.height() - 4, area.width(), metrics.height() + 2),
        Qt::AlignHCenter, QStringLiteral("Jm"));
    painter.save();
    painter.translate(12, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-area.height() / 2, -8, area.height(), metrics.height() + 4),
                     Qt::AlignHCenter, QString::fromUtf8("Xie\u2013Beni index"));
    painter.restore();
    painter.setFont(font());

    // Numbers of points on one spot are drawn once, as one label "1, 2".
    struct Label {
        QPointF point;
        QString text;
        double gap;  // from the point to the label: clear of the point, its ring or its dot
    };
    const auto gapOf = [this](int member) {
        if (member == marked_) return kMarkRadius + 1.5;
        if (member == selected_) return kSelectedRadius + 1.5;
        return kPointRadius + 1.0;
    };
    std::vector<Label> labels;
    for (int member = 0; member < static_cast<int>(front_.size()); ++member) {
        const std::optional<QPointF> point = PointPosition(member);
        if (!point) continue;
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(QColor(31, 95, 191));
        painter.drawEllipse(*point, kPointRadius, kPointRadius);
        auto nearby = std::find_if(labels.begin(), labels.end(), [&](const Label& label) {
            return std::fabs(label.point.x() - point->x()) <= kLabelMergeDistance &&
                   std::fabs(label.point.y() - point->y()) <= kLabelMergeDistance;
        });
        if (nearby == labels.end()) {
            labels.push_back({*point, QString::number(member), gapOf(member)});
        } else {
            nearby->text += QStringLiteral(", ") + QString::number(member);
            nearby->gap = std::max(nearby->gap, gapOf(member));
        }
    }
    // Each label beside its point where it covers no earlier label and stays in the widget:
    // above right, below right, above left or below left, else above right all the same.
    painter.setPen(QColor(16, 32, 64));
    std::vector<QRectF> placed;
    for (const Label& label : labels) {
        const QSizeF size(metrics.horizontalAdvance(label.text), metrics.height());
        const double gap = label.gap;
        const QPointF point = label.point;
        const std::array<QRectF, 4> choices{
            QRectF(point + QPointF(gap, -gap - size.height()), size),
            QRectF(point + QPointF(gap, gap), size),
            QRectF(point + QPointF(-gap - size.width(), -gap - size.height()), size),
            QRectF(point + QPointF(-gap - size.width(), gap), size)};
        QRectF chosen = choices[0];
        for (const QRectF& choice : choices) {
            const bool free = QRectF(rect()).contains(choice) &&
                              std::none_of(placed.begin(), placed.end(), [&](const QRectF& other) {
                                  return other.intersects(choice);
                              });
            if (free) {
                chosen = choice;
                break;
            }
        }
        placed.push_back(chosen);
        painter.drawText(chosen, Qt::AlignLeft | Qt::AlignVCenter, label.text);
    }

    if (const std::optional<QPointF> point = PointPosition(marked_)) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0, 140, 60), 2));
        painter.drawEllipse(*point, kMarkRadius, kMarkRadius);
    }
    if (const std::optional<QPointF> point = PointPosition(selected_)) {
        painter.setBrush(QColor(230, 40, 40));
        painter.setPen(QPen(QColor(120, 0, 0), 2));
        painter.drawEllipse(*point, kSelectedRadius, kSelectedRadius);
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void FrontPlotWidget::mousePressEvent(QMouseEvent* event) {
    setFocus();
    const int member = MemberAt(event->position());
    if (member >= 0) emit memberClicked(member);
}

void FrontPlotWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        emit stepRequested(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace tavorin::shell
