#pragma once

#include <QRect>
#include <QSize>

class QFont;

namespace tavorin::shell {

// Converts dialog units, the font-relative coordinates of the original dialog layouts, into
// pixels: one horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const;

  private:
    int baseWidth_;
    int baseHeight_;
};

}  // namespace tavorin::shell
