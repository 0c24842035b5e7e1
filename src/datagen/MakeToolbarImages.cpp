// Draws the pictures of the main window's tool bar buttons and writes them as one BMP strip of 16-pixel
// tiles on magenta, the program's image-list resource "1000". Run by the build; the only argument is the
// file to write. The tile order is the image index each button takes.
#include "ContainerWriter.h"

#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor Ink(0x20, 0x4A, 0x87);
const QColor Paper(0xFA, 0xFA, 0xFA);
const QColor Rule(0x80, 0x80, 0x80);
const QColor Gold(0xE8, 0xA8, 0x10);
const QColor Board(0x9A, 0x66, 0x30);
const QColor Steel(0x60, 0x60, 0x60);
const QColor Brick(0xA0, 0x20, 0x20);

// Whole pixels from rows of text, '#' set: letters and digits stay crisp at this size.
void Pixels(QPainter& P, int X, int Y, std::initializer_list<const char*> Rows, const QColor& C)
{
    int Row = 0;
    for (const char* Line : Rows) {
        for (int Column = 0; Line[Column]; ++Column)
            if (Line[Column] == '#')
                P.fillRect(X + Column, Y + Row, 1, 1, C);
        ++Row;
    }
}

// A sheet of paper with a folded top-right corner.
void Sheet(QPainter& P, double Left, double Top, double Right, double Bottom, bool Lines)
{
    FillOutlined(P, Paper, Poly({{Left, Top}, {Right - 3, Top}, {Right, Top + 3}, {Right, Bottom}, {Left, Bottom}}));
    if (!Lines)
        return;
    for (int Y = int(Top) + 4; Y < int(Bottom) - 1; Y += 2)
        P.fillRect(int(Left) + 2, Y, int(Right - Left) - 3, 1, Rule);
}

// Four text lines 1 pixel high; Align -1 left, 0 centred, 1 right.
void TextLines(QPainter& P, int Align)
{
    const int Widths[] = {12, 8, 12, 8};
    for (int I = 0; I < 4; ++I) {
        const int W = Widths[I];
        const int X = Align < 0 ? 2 : Align > 0 ? 14 - W : 8 - W / 2;
        P.fillRect(X, 2 + I * 4, W, 2, Ink);
    }
}

// Lines beside an arrow at the left, for indent and outdent.
void IndentLines(QPainter& P, bool Right)
{
    P.fillRect(1, 2, 14, 1, Ink);
    for (int Y = 5; Y <= 11; Y += 3)
        P.fillRect(8, Y, 7, 1, Ink);
    P.fillRect(1, 14, 14, 1, Ink);
    FillOutlined(P, Brick, Right ? Poly({{1.5, 5.5}, {5.5, 8.5}, {1.5, 11.5}}) : Poly({{5.5, 5.5}, {1.5, 8.5}, {5.5, 11.5}}));
}

// A turned arrow, pointing left for undo and right for redo.
void TurnArrow(QPainter& P, bool Left)
{
    auto X = [Left](double V) { return Left ? V : 16 - V; };
    QPainterPath Path;
    Path.moveTo(X(13.5), 13.5);
    Path.cubicTo(X(14), 7, X(10), 6.5, X(6), 6.5);
    P.setBrush(Qt::NoBrush);
    P.setPen(QPen(Ink, 2.2));
    P.drawPath(Path);
    FillOutlined(P, Ink, Poly({{X(1), 6.5}, {X(6.5), 1.5}, {X(6.5), 11.5}}));
}

QList<TDrawnIcon> Pictures()
{
    return {
        {"New Document", [](QPainter& P) { Sheet(P, 2.5, 1.5, 13.5, 14.5, false); }},
        {"Open Document", [](QPainter& P) {
             FillOutlined(P, Gold.darker(115), Poly({{1.5, 2.5}, {6, 2.5}, {7.5, 4}, {13.5, 4}, {13.5, 13.5}, {1.5, 13.5}}));
             FillOutlined(P, Gold, Poly({{1.5, 13.5}, {4.5, 7.5}, {15.5, 7.5}, {12.5, 13.5}}));
         }},
        {"Save Document", [](QPainter& P) {
             FillOutlined(P, Ink, Poly({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}));
             FillOutlined(P, QColor(0xEE, 0xEE, 0xEE), Poly({{4, 1.5}, {11, 1.5}, {11, 6}, {4, 6}}));
             FillOutlined(P, QColor(0xDD, 0xDD, 0xDD), Poly({{3.5, 9}, {12.5, 9}, {12.5, 14.5}, {3.5, 14.5}}));
         }},
        {"Cut", [](QPainter& P) {
             P.setPen(QPen(Steel, 1.4));
             P.drawLine(QPointF(6, 10), QPointF(11.5, 1));
             P.drawLine(QPointF(10, 10), QPointF(4.5, 1));
             P.setPen(QPen(Brick, 1.6));
             P.setBrush(Qt::NoBrush);
             P.drawEllipse(QPointF(4.5, 12), 2.3, 2.3);
             P.drawEllipse(QPointF(11.5, 12), 2.3, 2.3);
         }},
        {"Copy", [](QPainter& P) {
             Sheet(P, 1.5, 1.5, 9.5, 11.5, true);
             Sheet(P, 6.5, 4.5, 14.5, 14.5, true);
         }},
        {"Paste", [](QPainter& P) {
             FillOutlined(P, Board, Poly({{1.5, 2.5}, {11.5, 2.5}, {11.5, 14.5}, {1.5, 14.5}}));
             FillOutlined(P, QColor(0xC8, 0xC8, 0xC8), Poly({{4.5, 1}, {8.5, 1}, {8.5, 4.5}, {4.5, 4.5}}));
             Sheet(P, 6.5, 6.5, 14.5, 15, true);
         }},
        {"Undo", [](QPainter& P) { TurnArrow(P, true); }},
        {"Redo", [](QPainter& P) { TurnArrow(P, false); }},
        {"Find", [](QPainter& P) {
             P.setPen(QPen(Steel, 2.2));
             P.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
             P.setPen(QPen(Ink, 1.6));
             P.setBrush(QColor(0xCC, 0xE0, 0xF5));
             P.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
         }},
        {"Show or hide tag glyphs", [](QPainter& P) {
             FillOutlined(P, QColor(0xFF, 0xF0, 0xA0), Poly({{0.5, 3.5}, {15.5, 3.5}, {15.5, 12.5}, {0.5, 12.5}}));
             P.setBrush(Qt::NoBrush);
             P.setPen(QPen(Brick, 1.3));
             P.drawPolyline(Poly({{5, 5}, {2.5, 8}, {5, 11}}));
             P.drawPolyline(Poly({{11, 5}, {13.5, 8}, {11, 11}}));
             P.drawLine(QPointF(9, 5), QPointF(7, 11));
         }},
        {"Font Color", [](QPainter& P) {
             Pixels(P, 3, 1,
                    {"....#....", "...###...", "...#.##..", "..##.##..", "..#...##.", ".#######.", ".##...##.",
                     "##.....##", "##.....##"},
                    Qt::black);
         }},
        {"Background Color", [](QPainter& P) {
             FillOutlined(P, QColor(0xE8, 0xE8, 0xE8), Poly({{2, 6}, {8, 1}, {14, 7}, {8, 12}}));
             P.setPen(QPen(Steel, 1));
             P.drawLine(QPointF(5, 6), QPointF(11, 6));
             P.setBrush(Steel);
             P.drawEllipse(QPointF(14, 10), 1.2, 1.6);
         }},
        {"Bold", [](QPainter& P) {
             Pixels(P, 4, 3,
                    {"######..", "##...##.", "##...##.", "######..", "##....##", "##....##", "##....##", "#######."},
                    Qt::black);
         }},
        {"Italic", [](QPainter& P) {
             Pixels(P, 4, 3,
                    {"..#####", "....##.", "...##..", "...##..", "..##...", "..##...", ".##....", "#####.."},
                    Qt::black);
         }},
        {"Underline", [](QPainter& P) {
             Pixels(P, 4, 2,
                    {"##...##", "##...##", "##...##", "##...##", "##...##", "##...##", ".#####.", ".......",
                     "#######"},
                    Qt::black);
         }},
        {"Justify left", [](QPainter& P) { TextLines(P, -1); }},
        {"Justify center", [](QPainter& P) { TextLines(P, 0); }},
        {"Justify right", [](QPainter& P) { TextLines(P, 1); }},
        {"Order list", [](QPainter& P) {
             Pixels(P, 1, 0, {".#.", "##.", ".#.", ".#.", "###"}, Brick);
             Pixels(P, 1, 5, {"##.", "..#", ".#.", "#..", "###"}, Brick);
             Pixels(P, 1, 10, {"##.", "..#", ".#.", "..#", "##."}, Brick);
             for (int Y = 2; Y <= 12; Y += 5)
                 P.fillRect(6, Y, 9, 2, Ink);
         }},
        {"Unorder list", [](QPainter& P) {
             for (int Y = 2; Y <= 12; Y += 5) {
                 P.fillRect(1, Y - 1, 3, 3, Brick);
                 P.fillRect(6, Y, 9, 2, Ink);
             }
         }},
        {"Indent block", [](QPainter& P) { IndentLines(P, true); }},
        {"Outdent block", [](QPainter& P) { IndentLines(P, false); }},
        {"Link", [](QPainter& P) {
             P.setBrush(Qt::NoBrush);
             P.setPen(QPen(Ink, 1.6));
             for (const QPointF& Centre : {QPointF(4.8, 11.2), QPointF(11.2, 4.8)}) {
                 P.save();
                 P.translate(Centre);
                 P.rotate(-45);
                 P.drawRoundedRect(QRectF(-5, -2.4, 10, 4.8), 2.2, 2.2);
                 P.restore();
             }
         }},
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeToolbarImages STRIP_FILE\n");
        return 2;
    }
    return SaveDataFile(QString::fromLocal8Bit(argv[1]), DrawnTileStrip(Pictures(), 128)) ? 0 : 1;
}
