// Draws the small glyphs of the button wizard and writes them as the icon pack "Tango Small.icp": each
// icon a 16-pixel PNG file, and a strip of 32-pixel thumbnails with the glyph in the middle of each tile
// on magenta. Run by the build; the only argument is the pack file to write.
#include "ContainerWriter.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

namespace {

const QColor Ink(0x20, 0x4A, 0x87);
const QColor Green(0x2E, 0x8B, 0x2E);
const QColor Red(0xCC, 0x22, 0x22);
const QColor Gold(0xE8, 0xA8, 0x10);

QList<TDrawnIcon> Glyphs()
{
    return {
        {"arrow_right.png", [](QPainter& P) { FillOutlined(P, Ink, Poly({{2, 6}, {8, 6}, {8, 2}, {14, 8}, {8, 14}, {8, 10}, {2, 10}})); }},
        {"arrow_left.png", [](QPainter& P) { FillOutlined(P, Ink, Poly({{14, 6}, {8, 6}, {8, 2}, {2, 8}, {8, 14}, {8, 10}, {14, 10}})); }},
        {"arrow_up.png", [](QPainter& P) { FillOutlined(P, Ink, Poly({{6, 14}, {6, 8}, {2, 8}, {8, 2}, {14, 8}, {10, 8}, {10, 14}})); }},
        {"arrow_down.png", [](QPainter& P) { FillOutlined(P, Ink, Poly({{6, 2}, {6, 8}, {2, 8}, {8, 14}, {14, 8}, {10, 8}, {10, 2}})); }},
        {"next.png", [](QPainter& P) {
             FillOutlined(P, Ink, Poly({{2, 3}, {8, 8}, {2, 13}}));
             FillOutlined(P, Ink, Poly({{8, 3}, {14, 8}, {8, 13}}));
         }},
        {"previous.png", [](QPainter& P) {
             FillOutlined(P, Ink, Poly({{14, 3}, {8, 8}, {14, 13}}));
             FillOutlined(P, Ink, Poly({{8, 3}, {2, 8}, {8, 13}}));
         }},
        {"play.png", [](QPainter& P) { FillOutlined(P, Green, Poly({{4, 2}, {14, 8}, {4, 14}})); }},
        {"stop.png", [](QPainter& P) { FillOutlined(P, Red, Poly({{3, 3}, {13, 3}, {13, 13}, {3, 13}})); }},
        {"home.png", [](QPainter& P) {
             FillOutlined(P, Red, Poly({{1, 8}, {8, 1.5}, {15, 8}}));
             FillOutlined(P, QColor(0xF0, 0xE6, 0xC8), Poly({{3.5, 8}, {12.5, 8}, {12.5, 14.5}, {3.5, 14.5}}));
             FillOutlined(P, QColor(0x8B, 0x5A, 0x2B), Poly({{7, 10}, {9.5, 10}, {9.5, 14.5}, {7, 14.5}}));
         }},
        {"check.png", [](QPainter& P) { FillOutlined(P, Green, Poly({{1.5, 8}, {4, 5.5}, {6.5, 8.5}, {12.5, 2}, {15, 4.5}, {6.5, 13.5}})); }},
        {"cross.png", [](QPainter& P) {
             FillOutlined(P, Red, Poly({{2, 4}, {4, 2}, {8, 6}, {12, 2}, {14, 4}, {10, 8}, {14, 12}, {12, 14}, {8, 10}, {4, 14}, {2, 12}, {6, 8}}));
         }},
        {"plus.png", [](QPainter& P) {
             FillOutlined(P, Green, Poly({{6, 2}, {10, 2}, {10, 6}, {14, 6}, {14, 10}, {10, 10}, {10, 14}, {6, 14}, {6, 10}, {2, 10}, {2, 6}, {6, 6}}));
         }},
        {"minus.png", [](QPainter& P) { FillOutlined(P, Red, Poly({{2, 6}, {14, 6}, {14, 10}, {2, 10}})); }},
        {"star.png", [](QPainter& P) {
             QPolygonF Star;
             for (int i = 0; i < 10; ++i) {
                 const double A = -M_PI / 2 + i * M_PI / 5, R = i % 2 ? 3.2 : 7.2;
                 Star << QPointF(8 + R * std::cos(A), 8.5 + R * std::sin(A));
             }
             FillOutlined(P, Gold, Star);
         }},
        {"heart.png", [](QPainter& P) {
             QPainterPath Heart;
             Heart.moveTo(8, 14);
             Heart.cubicTo(1, 9, 0.5, 3, 4.5, 2.5);
             Heart.cubicTo(6.5, 2.2, 8, 4, 8, 5);
             Heart.cubicTo(8, 4, 9.5, 2.2, 11.5, 2.5);
             Heart.cubicTo(15.5, 3, 15, 9, 8, 14);
             P.setPen(QPen(Red.darker(140), 1));
             P.setBrush(Red);
             P.drawPath(Heart);
         }},
        {"mail.png", [](QPainter& P) {
             FillOutlined(P, QColor(0xF4, 0xF4, 0xF4), Poly({{1.5, 3.5}, {14.5, 3.5}, {14.5, 12.5}, {1.5, 12.5}}));
             P.setPen(QPen(Ink, 1));
             P.drawPolyline(Poly({{1.5, 3.5}, {8, 9}, {14.5, 3.5}}));
         }},
        {"search.png", [](QPainter& P) {
             P.setPen(QPen(QColor(0x55, 0x55, 0x55), 2.2));
             P.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
             P.setPen(QPen(Ink, 1.6));
             P.setBrush(QColor(0xCC, 0xE0, 0xF5));
             P.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
         }},
        {"folder.png", [](QPainter& P) {
             FillOutlined(P, Gold, Poly({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {14.5, 5}, {14.5, 13.5}, {1.5, 13.5}}));
         }},
        {"document.png", [](QPainter& P) {
             FillOutlined(P, QColor(0xFA, 0xFA, 0xFA), Poly({{3.5, 1.5}, {10, 1.5}, {13.5, 5}, {13.5, 14.5}, {3.5, 14.5}}));
             P.setPen(QPen(QColor(0x99, 0x99, 0x99), 1));
             for (double Y : {7.5, 9.5, 11.5})
                 P.drawLine(QPointF(5.5, Y), QPointF(11.5, Y));
         }},
        {"save.png", [](QPainter& P) {
             FillOutlined(P, Ink, Poly({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}));
             FillOutlined(P, QColor(0xEE, 0xEE, 0xEE), Poly({{4, 1.5}, {11, 1.5}, {11, 6}, {4, 6}}));
             FillOutlined(P, QColor(0xDD, 0xDD, 0xDD), Poly({{3.5, 9}, {12.5, 9}, {12.5, 14.5}, {3.5, 14.5}}));
         }},
        {"lock.png", [](QPainter& P) {
             P.setPen(QPen(QColor(0x77, 0x77, 0x77), 1.8));
             P.setBrush(Qt::NoBrush);
             P.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
             P.drawLine(QPointF(4.5, 6), QPointF(4.5, 8));
             P.drawLine(QPointF(11.5, 6), QPointF(11.5, 8));
             FillOutlined(P, Gold, Poly({{2.5, 7.5}, {13.5, 7.5}, {13.5, 14.5}, {2.5, 14.5}}));
         }},
        {"user.png", [](QPainter& P) {
             P.setPen(QPen(Ink.darker(140), 1));
             P.setBrush(QColor(0x6A, 0x9B, 0xD8));
             P.drawEllipse(QPointF(8, 5), 3, 3);
             QPainterPath Body;
             Body.moveTo(2, 15);
             Body.cubicTo(2, 9, 14, 9, 14, 15);
             Body.closeSubpath();
             P.drawPath(Body);
         }},
        {"cart.png", [](QPainter& P) {
             P.setPen(QPen(QColor(0x44, 0x44, 0x44), 1.4));
             P.setBrush(Qt::NoBrush);
             P.drawPolyline(Poly({{1, 2.5}, {3.5, 2.5}, {5.5, 10.5}, {13, 10.5}, {14.5, 4.5}, {4.2, 4.5}}));
             P.setBrush(QColor(0x44, 0x44, 0x44));
             P.drawEllipse(QPointF(6.5, 13.5), 1.3, 1.3);
             P.drawEllipse(QPointF(12, 13.5), 1.3, 1.3);
         }},
        {"bullet.png", [](QPainter& P) {
             P.setPen(QPen(Ink.darker(140), 1));
             P.setBrush(QColor(0x4F, 0x8F, 0xDF));
             P.drawEllipse(QPointF(8, 8), 5, 5);
         }},
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeGlyphPack PACK_FILE\n");
        return 2;
    }
    // Opaque where mostly covered, magenta elsewhere: thumbnails keep a hard mask.
    return SaveDataFile(QString::fromLocal8Bit(argv[1]), DrawnIconPack(Glyphs(), 128)) ? 0 : 1;
}
