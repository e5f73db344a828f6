#include "shell/ToolbarIcons.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QPoint>
#include <QPolygon>
#include <QRect>

namespace tavorin::shell {
namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 15;

void DrawPage(QPainter& painter, int left, int top, int width, int height) {
    const int fold = 3;
    QPolygon page;
    page << QPoint(left, top) << QPoint(left + width - fold, top)
         << QPoint(left + width, top + fold) << QPoint(left + width, top + height)
         << QPoint(left, top + height);
    painter.setBrush(Qt::white);
    painter.drawPolygon(page);
    painter.drawLine(left + width - fold, top, left + width - fold, top + fold);
    painter.drawLine(left + width - fold, top + fold, left + width, top + fold);
}

void DrawNew(QPainter& painter) { DrawPage(painter, 3, 1, 9, 12); }

void DrawOpen(QPainter& painter) {
    painter.setBrush(QColor(255, 255, 128));
    painter.drawRect(1, 4, 11, 9);
    painter.setBrush(QColor(192, 192, 0));
    QPolygon flap;
    flap << QPoint(1, 13) << QPoint(4, 7) << QPoint(15, 7) << QPoint(12, 13);
    painter.drawPolygon(flap);
}

void DrawSave(QPainter& painter) {
    painter.setBrush(QColor(0, 0, 128));
    painter.drawRect(1, 1, 13, 13);
    painter.setBrush(Qt::white);
    painter.drawRect(3, 1, 9, 6);
    painter.setBrush(QColor(192, 192, 192));
    painter.drawRect(4, 9, 7, 5);
}

void DrawCut(QPainter& painter) {
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(5, 1, 9, 9);
    painter.drawLine(10, 1, 6, 9);
    painter.drawEllipse(2, 9, 4, 4);
    painter.drawEllipse(9, 9, 4, 4);
}

void DrawCopy(QPainter& painter) {
    DrawPage(painter, 1, 1, 8, 9);
    DrawPage(painter, 6, 4, 8, 10);
}

void DrawPaste(QPainter& painter) {
    painter.setBrush(QColor(160, 100, 40));
    painter.drawRect(1, 2, 10, 12);
    painter.setBrush(QColor(192, 192, 192));
    painter.drawRect(4, 1, 4, 2);
    DrawPage(painter, 6, 5, 8, 9);
}

void DrawPrint(QPainter& painter) {
    DrawPage(painter, 4, 1, 8, 6);
    painter.setBrush(QColor(192, 192, 192));
    painter.drawRect(1, 6, 14, 6);
    painter.setBrush(Qt::white);
    painter.drawRect(4, 10, 8, 4);
}

void DrawAbout(QPainter& painter) {
    painter.setBrush(QColor(255, 255, 192));
    painter.drawEllipse(1, 0, 13, 13);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 160));
    painter.drawText(QRect(1, 0, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
}

}  // namespace

QIcon ToolbarIcon(ToolbarPicture picture) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 1));
    switch (picture) {
        case ToolbarPicture::New:
            DrawNew(painter);
            break;
        case ToolbarPicture::Open:
            DrawOpen(painter);
            break;
        case ToolbarPicture::Save:
            DrawSave(painter);
            break;
        case ToolbarPicture::Cut:
            DrawCut(painter);
            break;
        case ToolbarPicture::Copy:
            DrawCopy(painter);
            break;
        case ToolbarPicture::Paste:
            DrawPaste(painter);
            break;
        case ToolbarPicture::Print:
            DrawPrint(painter);
            break;
        case ToolbarPicture::About:
            DrawAbout(painter);
            break;
    }
    painter.end();
    return QIcon(pixmap);
}

QIcon ApplicationIcon() {
    // A small false-colour classification map: four class colours in a grid.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor colours[] = {QColor(255, 0, 0), QColor(0, 160, 0), QColor(0, 0, 255),
                              QColor(255, 255, 0)};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            painter.fillRect(column * 8, row * 8, 8, 8, colours[(row * 3 + column) % 4]);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, 31, 31);
    painter.end();
    return QIcon(pixmap);
}

}  // namespace tavorin::shell
