// Makes the program's data files into the folder given as the only argument: the icon pack
// "Icons/Web Icons.icp" and the templates "Templates/Blue Sky.tpl" and "Templates/Green Field.tpl".
// Every picture is drawn here; nothing is copied from anywhere. The output is the same on every run.
#include "ContainerWriter.h"

#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

namespace {

QPen Outline(QColor c, qreal w = 1.0)
{
    QPen pen(c, w);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QPolygonF Poly(std::initializer_list<QPointF> points)
{
    return QPolygonF(QList<QPointF>(points));
}

// A filled shape with a darker edge, the look every icon of the pack shares.
void Shape(QPainter& p, const QPainterPath& path, QColor fill)
{
    QLinearGradient g(0, 0, 0, 16);
    g.setColorAt(0, fill.lighter(135));
    g.setColorAt(1, fill);
    p.setBrush(g);
    p.setPen(Outline(fill.darker(160)));
    p.drawPath(path);
}

QPainterPath PolyPath(const QPolygonF& poly)
{
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

QPainterPath Ellipse(qreal x, qreal y, qreal w, qreal h)
{
    QPainterPath path;
    path.addEllipse(QRectF(x, y, w, h));
    return path;
}

QPainterPath Rect(qreal x, qreal y, qreal w, qreal h, qreal r = 0)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

QPainterPath Star(qreal cx, qreal cy, qreal outer, qreal inner, int points)
{
    QPolygonF poly;
    for (int i = 0; i < points * 2; ++i) {
        const qreal a = -M_PI / 2 + i * M_PI / points;
        const qreal r = (i % 2) ? inner : outer;
        poly << QPointF(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    return PolyPath(poly);
}

const QColor Blue(52, 101, 164), Green(78, 154, 6), Red(204, 0, 0), Orange(245, 121, 0), Yellow(237, 212, 0),
    Purple(117, 80, 123), Brown(143, 89, 2), Grey(136, 138, 133), White(250, 250, 248);

QList<TDrawnIcon> Icons()
{
    QList<TDrawnIcon> icons;
    auto arrow = [](qreal angle) {
        return [angle](QPainter& p) {
            p.translate(8, 8);
            p.rotate(angle);
            Shape(p, PolyPath(Poly({{-6.5, 0}, {-1, -5.5}, {-1, -2.5}, {6.5, -2.5}, {6.5, 2.5}, {-1, 2.5}, {-1, 5.5}})), Blue);
        };
    };
    icons << TDrawnIcon{"arrow-left.png", arrow(0)} << TDrawnIcon{"arrow-up.png", arrow(90)}
          << TDrawnIcon{"arrow-right.png", arrow(180)} << TDrawnIcon{"arrow-down.png", arrow(270)};
    icons << TDrawnIcon{"home.png", [](QPainter& p) {
        Shape(p, PolyPath(Poly({{3, 8}, {3, 14.5}, {13, 14.5}, {13, 8}})), White);
        Shape(p, PolyPath(Poly({{1, 8.5}, {8, 1.5}, {15, 8.5}})), Red);
        Shape(p, Rect(6.5, 10, 3, 4.5), Brown);
    }};
    icons << TDrawnIcon{"star.png", [](QPainter& p) { Shape(p, Star(8, 8.5, 7.5, 3.2, 5), Yellow); }};
    icons << TDrawnIcon{"heart.png", [](QPainter& p) {
        QPainterPath path;
        path.moveTo(8, 14.5);
        path.cubicTo(-3, 6, 4, -1, 8, 4.5);
        path.cubicTo(12, -1, 19, 6, 8, 14.5);
        Shape(p, path, Red);
    }};
    icons << TDrawnIcon{"check.png", [](QPainter& p) {
        p.setPen(Outline(Green.darker(130), 3.2));
        p.drawPolyline(Poly({{2.5, 8.5}, {6.5, 12.5}, {13.5, 3.5}}));
    }};
    icons << TDrawnIcon{"cross.png", [](QPainter& p) {
        p.setPen(Outline(Red, 3));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    }};
    icons << TDrawnIcon{"plus.png", [](QPainter& p) {
        Shape(p, PolyPath(Poly({{6, 1.5}, {10, 1.5}, {10, 6}, {14.5, 6}, {14.5, 10}, {10, 10}, {10, 14.5}, {6, 14.5},
                                {6, 10}, {1.5, 10}, {1.5, 6}, {6, 6}})), Green);
    }};
    icons << TDrawnIcon{"minus.png", [](QPainter& p) { Shape(p, Rect(1.5, 6, 13, 4), Red); }};
    icons << TDrawnIcon{"info.png", [](QPainter& p) {
        Shape(p, Ellipse(1, 1, 14, 14), Blue);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(7, 3.5, 2.2, 2.2));
        p.drawRect(QRectF(7, 6.8, 2.2, 5.8));
    }};
    icons << TDrawnIcon{"warning.png", [](QPainter& p) {
        Shape(p, PolyPath(Poly({{8, 1}, {15.5, 14.5}, {0.5, 14.5}})), Yellow);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(7.1, 5, 1.8, 5.2));
        p.drawRect(QRectF(7.1, 11.2, 1.8, 1.8));
    }};
    icons << TDrawnIcon{"stop.png", [](QPainter& p) {
        QPolygonF poly;
        for (int i = 0; i < 8; ++i) {
            const qreal a = M_PI / 8 + i * M_PI / 4;
            poly << QPointF(8 + 7.2 * std::cos(a), 8 + 7.2 * std::sin(a));
        }
        Shape(p, PolyPath(poly), Red);
        p.setPen(Outline(Qt::white, 2));
        p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
    }};
    icons << TDrawnIcon{"mail.png", [](QPainter& p) {
        Shape(p, Rect(1, 3.5, 14, 9.5), White);
        p.setPen(Outline(Grey.darker(130)));
        p.drawPolyline(Poly({{1.5, 4}, {8, 9}, {14.5, 4}}));
    }};
    icons << TDrawnIcon{"document.png", [](QPainter& p) {
        Shape(p, PolyPath(Poly({{3, 1}, {10, 1}, {13.5, 4.5}, {13.5, 15}, {3, 15}})), White);
        p.setPen(Outline(Grey));
        for (qreal y : {6.0, 8.5, 11.0})
            p.drawLine(QPointF(5, y), QPointF(11.5, y));
    }};
    icons << TDrawnIcon{"folder.png", [](QPainter& p) {
        Shape(p, PolyPath(Poly({{1, 3}, {6, 3}, {7.5, 4.5}, {15, 4.5}, {15, 14}, {1, 14}})), Orange.lighter(115));
        Shape(p, PolyPath(Poly({{1, 6.5}, {15, 6.5}, {15, 14}, {1, 14}})), Orange);
    }};
    icons << TDrawnIcon{"search.png", [](QPainter& p) {
        p.setPen(Outline(Grey.darker(150), 3));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        Shape(p, Ellipse(1.5, 1.5, 9.5, 9.5), QColor(190, 215, 240));
    }};
    icons << TDrawnIcon{"lock.png", [](QPainter& p) {
        p.setPen(Outline(Grey.darker(130), 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
        p.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
        p.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
        Shape(p, Rect(2.5, 7.5, 11, 7.5, 1), Yellow.darker(110));
    }};
    icons << TDrawnIcon{"key.png", [](QPainter& p) {
        p.setPen(Outline(Yellow.darker(170), 2.2));
        p.drawPolyline(Poly({{6.5, 9.5}, {14, 2}, {14, 5}}));
        p.drawLine(QPointF(11.5, 4.5), QPointF(12.5, 5.5));
        Shape(p, Ellipse(1, 7.5, 7.5, 7.5), Yellow.darker(110));
    }};
    icons << TDrawnIcon{"clock.png", [](QPainter& p) {
        Shape(p, Ellipse(1, 1, 14, 14), White);
        p.setPen(Outline(Qt::black, 1.4));
        p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
        p.drawLine(QPointF(8, 8), QPointF(11.5, 9.5));
    }};
    icons << TDrawnIcon{"calendar.png", [](QPainter& p) {
        Shape(p, Rect(1.5, 2.5, 13, 12.5, 1), White);
        Shape(p, Rect(1.5, 2.5, 13, 3.5), Red);
        p.setPen(Qt::NoPen);
        p.setBrush(Grey);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                p.drawRect(QRectF(3 + c * 2.8, 7.5 + r * 2.4, 1.6, 1.4));
    }};
    icons << TDrawnIcon{"user.png", [](QPainter& p) {
        QPainterPath body;
        body.moveTo(1.5, 15);
        body.cubicTo(1.5, 8.5, 14.5, 8.5, 14.5, 15);
        body.closeSubpath();
        Shape(p, body, Blue);
        Shape(p, Ellipse(4.5, 1, 7, 7), QColor(233, 185, 110));
    }};
    icons << TDrawnIcon{"bell.png", [](QPainter& p) {
        QPainterPath path;
        path.moveTo(2, 12.5);
        path.cubicTo(4, 11, 3, 2, 8, 2);
        path.cubicTo(13, 2, 12, 11, 14, 12.5);
        path.closeSubpath();
        Shape(p, path, Yellow);
        Shape(p, Ellipse(6.5, 12, 3, 3), Yellow.darker(130));
    }};
    icons << TDrawnIcon{"flag.png", [](QPainter& p) {
        p.setPen(Outline(Grey.darker(150), 1.5));
        p.drawLine(QPointF(3, 1.5), QPointF(3, 15));
        QPainterPath path;
        path.moveTo(3.5, 2);
        path.cubicTo(7, 0, 9, 4, 14.5, 2);
        path.lineTo(14.5, 9);
        path.cubicTo(9, 11, 7, 7, 3.5, 9);
        path.closeSubpath();
        Shape(p, path, Green);
    }};
    icons << TDrawnIcon{"globe.png", [](QPainter& p) {
        Shape(p, Ellipse(1, 1, 14, 14), Blue.lighter(130));
        p.setBrush(Qt::NoBrush);
        p.setPen(Outline(Blue.darker(130), 0.8));
        p.drawEllipse(QRectF(4.5, 1, 7, 14));
        p.drawLine(QPointF(1, 8), QPointF(15, 8));
        p.drawLine(QPointF(8, 1), QPointF(8, 15));
    }};
    icons << TDrawnIcon{"music.png", [](QPainter& p) {
        p.setPen(Outline(Qt::black, 1.6));
        p.drawPolyline(Poly({{5.5, 12}, {5.5, 2.5}, {13.5, 1}, {13.5, 10.5}}));
        Shape(p, Ellipse(1.5, 10, 4.5, 3.5), Purple);
        Shape(p, Ellipse(9.5, 8.5, 4.5, 3.5), Purple);
    }};
    icons << TDrawnIcon{"camera.png", [](QPainter& p) {
        Shape(p, Rect(1, 4.5, 14, 10, 1.5), Grey.darker(120));
        Shape(p, Rect(5, 2.5, 6, 2.5), Grey);
        Shape(p, Ellipse(5, 6.5, 6, 6), QColor(40, 40, 40));
    }};
    icons << TDrawnIcon{"printer.png", [](QPainter& p) {
        Shape(p, Rect(4, 1, 8, 6), White);
        Shape(p, Rect(1, 6, 14, 6.5, 1), Grey);
        Shape(p, Rect(4, 10, 8, 5), White);
    }};
    icons << TDrawnIcon{"sun.png", [](QPainter& p) {
        p.setPen(Outline(Orange, 1.5));
        for (int i = 0; i < 8; ++i) {
            const qreal a = i * M_PI / 4;
            p.drawLine(QPointF(8 + 5.5 * std::cos(a), 8 + 5.5 * std::sin(a)),
                       QPointF(8 + 7.5 * std::cos(a), 8 + 7.5 * std::sin(a)));
        }
        Shape(p, Ellipse(4, 4, 8, 8), Yellow);
    }};
    icons << TDrawnIcon{"moon.png", [](QPainter& p) {
        QPainterPath moon = Ellipse(1.5, 1.5, 13, 13).subtracted(Ellipse(5.5, -0.5, 11, 11));
        Shape(p, moon, Yellow.darker(105));
    }};
    icons << TDrawnIcon{"cloud.png", [](QPainter& p) {
        QPainterPath cloud = Ellipse(1, 7, 7, 7).united(Ellipse(4, 3, 8, 8)).united(Ellipse(8.5, 6, 6.5, 7.5))
                                 .united(Rect(4.5, 9, 7, 5));
        Shape(p, cloud, QColor(211, 215, 207));
    }};
    icons << TDrawnIcon{"lightning.png", [](QPainter& p) {
        Shape(p, PolyPath(Poly({{9.5, 0.5}, {3, 9}, {7.5, 9}, {5.5, 15.5}, {13, 6}, {8.5, 6}, {11, 0.5}})), Yellow);
    }};
    icons << TDrawnIcon{"leaf.png", [](QPainter& p) {
        QPainterPath leaf;
        leaf.moveTo(2, 14);
        leaf.cubicTo(0, 4, 8, 1, 14.5, 1.5);
        leaf.cubicTo(15, 9, 10, 15, 2, 14);
        leaf.closeSubpath();
        Shape(p, leaf, Green);
        p.setPen(Outline(Green.darker(170)));
        p.drawLine(QPointF(2, 14), QPointF(11, 5));
    }};
    struct TBullet
    {
        const char* Name;
        QColor Color;
    };
    for (const TBullet& b : {TBullet{"bullet-red.png", Red}, TBullet{"bullet-green.png", Green},
                             TBullet{"bullet-blue.png", Blue}, TBullet{"bullet-orange.png", Orange},
                             TBullet{"bullet-purple.png", Purple}}) {
        const QColor color = b.Color;
        icons << TDrawnIcon{b.Name, [color](QPainter& p) {
            QRadialGradient g(QPointF(6.5, 6), 6);
            g.setColorAt(0, color.lighter(180));
            g.setColorAt(1, color);
            p.setBrush(g);
            p.setPen(Outline(color.darker(150)));
            p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
        }};
    }
    icons << TDrawnIcon{"square-grey.png", [](QPainter& p) { Shape(p, Rect(3.5, 3.5, 9, 9, 1.5), Grey); }};
    icons << TDrawnIcon{"new.png", [](QPainter& p) {
        Shape(p, Star(8, 8, 7.5, 5, 12), Red);
        Shape(p, Ellipse(5.5, 5.5, 5, 5), Yellow);
    }};
    return icons;
}

// ---------------------------------------------------------------------------------------------------
// Templates

struct TTheme
{
    const char* Name;      // the template's caption and file name
    const char* Key;       // prefix of its files
    QColor Top, Bottom;    // the header's gradient
    QColor Accent, Page, Text;
};

QImage DrawHeader(const TTheme& t, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, t.Top);
    g.setColorAt(1, t.Bottom);
    p.fillRect(image.rect(), g);
    p.setPen(Qt::NoPen);
    if (QByteArray(t.Key) == "bluesky") {
        // A few clouds drifting across.
        p.setBrush(QColor(255, 255, 255, 200));
        for (int i = 0; i < 6; ++i) {
            const qreal x = (i * 137) % w, y = h * (0.25 + 0.1 * (i % 3));
            p.drawEllipse(QRectF(x, y, h * 0.9, h * 0.35));
            p.drawEllipse(QRectF(x + h * 0.3, y - h * 0.15, h * 0.6, h * 0.4));
        }
    } else {
        // Rolling hills.
        for (int i = 0; i < 3; ++i) {
            p.setBrush(t.Accent.darker(100 + 25 * i));
            p.drawEllipse(QRectF(i * w / 3.0 - w * 0.15, h * (0.55 + 0.1 * i), w * 0.7, h));
        }
    }
    return image;
}

QImage DrawPreview(const TTheme& t)
{
    const int w = 150, h = 112;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(t.Page);
    QPainter p(&image);
    p.drawImage(QRect(8, 6, w - 16, 22), DrawHeader(t, (w - 16) * 4, 22 * 4));
    p.fillRect(QRect(8, 29, w - 16, 6), t.Accent);
    p.fillRect(QRect(8, 36, w - 16, 64), Qt::white);
    for (int y = 42; y < 92; y += 6)
        p.fillRect(QRect(14, y, (y % 18 == 0) ? 80 : w - 28, 2), QColor(170, 170, 170));
    p.fillRect(QRect(8, 101, w - 16, 5), t.Accent.darker(130));
    return image;
}

QByteArray Css(const TTheme& t)
{
    auto hex = [](QColor c) { return c.name().toLatin1(); };
    return "body { margin: 0; padding: 16px 0; background: " + hex(t.Page) +
           "; font-family: Verdana, Arial, sans-serif; font-size: 13px; color: " + hex(t.Text) +
           "; }\r\n"
           "table.page { background: #ffffff; border: 1px solid " + hex(t.Accent.darker(130)) + "; }\r\n"
           "td.header { padding: 0; }\r\n"
           "td.menu { background: " + hex(t.Accent) + "; padding: 6px 12px; }\r\n"
           "td.menu a { color: #ffffff; font-weight: bold; text-decoration: none; }\r\n"
           "td.content { padding: 16px 20px; line-height: 1.5; }\r\n"
           "td.footer { background: " + hex(t.Accent.darker(130)) + "; color: #ffffff; padding: 6px 12px; font-size: 11px; }\r\n";
}

QByteArray Page(const TTheme& t)
{
    const QByteArray key(t.Key), name(t.Name);
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
           "<html>\r\n<head>\r\n<title>" + name + "</title>\r\n"
           "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + key + ".css\">\r\n"
           "</head>\r\n<body>\r\n"
           "<table class=\"page\" width=\"760\" cellspacing=\"0\" cellpadding=\"0\" align=\"center\">\r\n"
           "<tr><td class=\"header\"><img src=\"images/" + key + "_header.png\" width=\"760\" height=\"110\" alt=\"" +
           name + "\"></td></tr>\r\n"
           "<tr><td class=\"menu\"><a href=\"index.html\">Home</a> &nbsp;|&nbsp; <a href=\"about.html\">About</a>"
           " &nbsp;|&nbsp; <a href=\"contact.html\">Contact</a></td></tr>\r\n"
           "<tr><td class=\"content\">\r\n{CONTENT}\r\n</td></tr>\r\n"
           "<tr><td class=\"footer\">&copy; Your name here</td></tr>\r\n"
           "</table>\r\n</body>\r\n</html>\r\n";
}

QByteArray MakeTemplate(const TTheme& t)
{
    const QByteArray key(t.Key);
    return WriteTemplate(JpegFileBytes(DrawPreview(t), 90), Page(t),
                         {{key + ".css", Css(t)}, {"images\\" + key + "_header.png", PngFileBytes(DrawHeader(t, 760, 110))}});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeDataFiles OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    const QByteArray pack = DrawnIconPack(Icons(), 96);

    const TTheme themes[] = {
        {"Blue Sky", "bluesky", QColor(70, 130, 200), QColor(180, 215, 245), QColor(52, 101, 164),
         QColor(222, 234, 246), QColor(40, 40, 60)},
        {"Green Field", "greenfield", QColor(150, 200, 235), QColor(230, 240, 220), QColor(78, 140, 40),
         QColor(232, 240, 224), QColor(40, 50, 30)},
    };
    bool ok = SaveDataFile(out.filePath(QStringLiteral("Icons/Web Icons.icp")), pack);
    for (const TTheme& t : themes)
        ok = SaveDataFile(out.filePath(QStringLiteral("Templates/%1.tpl").arg(QLatin1String(t.Name))), MakeTemplate(t)) && ok;
    return ok ? 0 : 1;
}
