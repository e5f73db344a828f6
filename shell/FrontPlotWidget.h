#pragma once

#include <optional>
#include <vector>

#include <QPointF>
#include <QString>
#include <QWidget>

namespace tavorin::shell {

// One member of the front as the plot shows it.
struct FrontPoint {
    double jm = 0.0;
    double xbIndex = 0.0;
    QString file;
};

// The final front: Jm across, the Xie–Beni index up, every point numbered with its image
// number as in the front picture of the report (points on the same spot share one label).
// Hovering a point shows its file and objectives, clicking selects it; points with an
// objective that is not finite cannot be placed and are left to the list beside the plot.
class FrontPlotWidget : public QWidget {
    Q_OBJECT

  public:
    explicit FrontPlotWidget(QWidget* parent = nullptr);

    void SetFront(std::vector<FrontPoint> front);
    void SetSelected(int member);  // -1: none
    int selected() const { return selected_; }
    // Rings the point of the member the run recommends (-1: none).
    void SetMarked(int member);
    int marked() const { return marked_; }

    // Where member `member`'s point is drawn; none for a point that cannot be placed.
    std::optional<QPointF> PointPosition(int member) const;
    // The member whose point lies nearest `position` within a few pixels; -1: none.
    int MemberAt(QPointF position) const;
    // The text shown when hovering member `member`.
    QString Description(int member) const;

    QSize sizeHint() const override { return {420, 300}; }
    QSize minimumSizeHint() const override { return {240, 180}; }

  signals:
    void memberClicked(int member);
    void stepRequested(int step);  // up -1, down +1

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QRectF PlotArea() const;

    std::vector<FrontPoint> front_;
    int selected_ = -1;
    int marked_ = -1;
};

// The text that says why a member is not in the plot.
QString NotPlottedText(int member, const FrontPoint& point);

// Whether both objectives of a member are finite, so that it can be placed.
bool IsPlottable(const FrontPoint& point);

}  // namespace tavorin::shell
