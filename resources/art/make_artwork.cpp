// SPDX-License-Identifier: MIT
// Draws the toolbar glyphs and the program icon as PNG files. The PNGs are
// committed; run this only to change the artwork:
//   g++ -std=c++20 -fPIC make_artwork.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_artwork
//   QT_QPA_PLATFORM=offscreen /tmp/make_artwork ..
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

namespace {

const QColor kInk(40, 40, 48);

QImage Canvas(int n) {
    QImage img(n, n, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void Save(const QString& dir, const QString& name, const std::function<void(QPainter&)>& draw,
          int n = 16) {
    QImage img = Canvas(n);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(n / 16.0, n / 16.0);
    draw(p);
    p.end();
    img.save(dir + QLatin1Char('/') + name);
}

// A small photograph: sky, a hill and a sun.
void Photo(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(150, 200, 240));
    p.drawRect(r);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left() + r.width() * 0.45, r.top() + r.height() * 0.45);
    hill.lineTo(r.right(), r.bottom());
    hill.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 150, 70));
    p.drawPath(hill);
    p.setBrush(QColor(250, 200, 40));
    p.drawEllipse(QPointF(r.right() - r.width() * 0.25, r.top() + r.height() * 0.3),
                  r.width() * 0.12, r.width() * 0.12);
}

void Folder(QPainter& p) {
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
    p.setBrush(QColor(255, 225, 120));
    QPolygonF front({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}});
    p.drawPolygon(front);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString tb = root + QStringLiteral("/toolbar");
    const QString icons = root + QStringLiteral("/icons");

    Save(tb, "open_folder.png", [](QPainter& p) { Folder(p); });
    Save(tb, "delete.png", [](QPainter& p) {
        Photo(p, QRectF(1.5, 2.5, 10, 8));
        p.setPen(QPen(QColor(210, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(14.5, 14.5));
        p.drawLine(QPointF(14.5, 8), QPointF(8, 14.5));
    });
    Save(tb, "move.png", [](QPainter& p) {
        Photo(p, QRectF(0.5, 1.5, 9, 7));
        p.setPen(QPen(QColor(30, 90, 200), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(4, 12.5), QPointF(14, 12.5));
        p.drawLine(QPointF(11, 9.5), QPointF(14, 12.5));
        p.drawLine(QPointF(11, 15.5), QPointF(14, 12.5));
    });
    Save(tb, "make_thumbs.png", [](QPainter& p) {
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 2; ++col) Photo(p, QRectF(1.5 + col * 7, 1.5 + row * 7, 6, 6));
    });
    Save(tb, "make_page.png", [](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({{2.5, 0.5}, {10.5, 0.5}, {13.5, 3.5}, {13.5, 15.5}, {2.5, 15.5}}));
        Photo(p, QRectF(4.5, 4.5, 3, 3));
        Photo(p, QRectF(8.5, 4.5, 3, 3));
        Photo(p, QRectF(4.5, 9.5, 3, 3));
        Photo(p, QRectF(8.5, 9.5, 3, 3));
    });
    Save(tb, "preferences.png", [](QPainter& p) {
        p.setPen(QPen(kInk, 1.2));
        for (int i = 0; i < 3; ++i) {
            const double y = 3.5 + i * 4.5;
            p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
        }
        p.setBrush(QColor(60, 120, 220));
        p.drawRect(QRectF(4, 1.5, 3, 4));
        p.drawRect(QRectF(9.5, 6, 3, 4));
        p.drawRect(QRectF(6, 10.5, 3, 4));
    });
    Save(tb, "refresh.png", [](QPainter& p) {
        p.setPen(QPen(QColor(30, 140, 60), 2, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 140, 60));
        p.drawPolygon(QPolygonF({{9, 0.5}, {14.5, 3.5}, {9.5, 7}}));
    });
    Save(tb, "details.png", [](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 0.5, 11, 15));
        p.setPen(QPen(QColor(90, 90, 90), 1));
        for (int i = 0; i < 5; ++i) {
            const double y = 3.5 + i * 2.5;
            p.drawLine(QPointF(4.5, y), QPointF(i % 2 ? 9.5 : 11.5, y));
        }
    });
    Save(tb, "slide_show.png", [](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(40, 40, 60));
        p.drawRect(QRectF(0.5, 2.5, 15, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 230, 120));
        p.drawPolygon(QPolygonF({{6, 5}, {11.5, 8}, {6, 11}}));
    });
    Save(tb, "about.png", [](QPainter& p) {
        p.setPen(QPen(QColor(20, 70, 170), 1));
        p.setBrush(QColor(50, 110, 220));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(7, 3.2, 2, 2));
        p.drawRect(QRectF(7, 6.5, 2, 6));
    });

    // The program icon: a framed photograph before a second one.
    const auto programIcon = [](QPainter& p) {
        p.setPen(QPen(kInk, 0.6));
        p.setBrush(QColor(245, 245, 245));
        p.drawRect(QRectF(4.5, 1.5, 11, 9));
        p.drawRect(QRectF(0.5, 5.5, 11, 9));
        Photo(p, QRectF(1.5, 6.5, 9, 7));
    };
    for (int n : {16, 32, 48, 64, 128})
        Save(icons, QStringLiteral("galerio-%1.png").arg(n), programIcon, n);
    Save(icons, "galerio.png", programIcon, 64);
    return 0;
}
