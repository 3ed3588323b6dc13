// SPDX-License-Identifier: MIT
// Paints the sample folder that `make run` opens: a dozen photo-like scenes of
// varied sizes and shapes, written as JPEG and BMP files. Nothing is copied
// from elsewhere, so the samples are ours to ship. Existing files are kept.
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "codec/jpeg_file.h"

namespace {

using Painter = std::function<void(QPainter&, int w, int h, QRandomGenerator& rng)>;

void Sky(QPainter& p, int w, int h, QColor top, QColor bottom) {
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(0, 0, w, h, g);
}

void Sunset(QPainter& p, int w, int h, QRandomGenerator& rng) {
    Sky(p, w, h * 6 / 10, QColor(70, 40, 110), QColor(250, 150, 60));
    QRadialGradient sun(w * 0.6, h * 0.55, h * 0.12);
    sun.setColorAt(0, QColor(255, 240, 180));
    sun.setColorAt(1, QColor(255, 160, 60, 0));
    p.setBrush(sun);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(w * 0.6, h * 0.55), h * 0.12, h * 0.12);
    QLinearGradient sea(0, h * 6 / 10, 0, h);
    sea.setColorAt(0, QColor(120, 70, 90));
    sea.setColorAt(1, QColor(20, 20, 50));
    p.fillRect(0, h * 6 / 10, w, h - h * 6 / 10, sea);
    for (int i = 0; i < 120; ++i) {
        const int y = h * 6 / 10 + static_cast<int>(rng.bounded(h * 4 / 10));
        const int x = static_cast<int>(w * 0.6 + (rng.generateDouble() - 0.5) * w * 0.3);
        p.fillRect(x, y, 10 + static_cast<int>(rng.bounded(w / 12)), 2, QColor(255, 200, 120, 120));
    }
}

void Mountains(QPainter& p, int w, int h, QRandomGenerator& rng) {
    Sky(p, w, h, QColor(60, 120, 200), QColor(200, 225, 245));
    const QColor layers[] = {QColor(110, 120, 150), QColor(80, 95, 120), QColor(50, 70, 60)};
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath path;
        const double base = h * (0.45 + 0.15 * layer);
        path.moveTo(0, h);
        for (int x = 0; x <= w; x += w / 16) {
            path.lineTo(x, base - rng.generateDouble() * h * 0.25);
        }
        path.lineTo(w, h);
        path.closeSubpath();
        p.fillPath(path, layers[layer]);
    }
}

void Forest(QPainter& p, int w, int h, QRandomGenerator& rng) {
    Sky(p, w, h / 2, QColor(150, 190, 230), QColor(230, 240, 250));
    p.fillRect(0, h / 2, w, h - h / 2, QColor(70, 120, 50));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        const double x = rng.generateDouble() * w;
        const double y = h / 2 + rng.generateDouble() * h / 2;
        const double s = (y - h / 2 + 20) * 0.4;
        QPolygonF tree;
        tree << QPointF(x, y - s * 2) << QPointF(x - s / 2, y) << QPointF(x + s / 2, y);
        p.setBrush(QColor(20 + static_cast<int>(rng.bounded(30)), 70 + static_cast<int>(rng.bounded(60)), 30));
        p.drawPolygon(tree);
    }
}

void NightCity(QPainter& p, int w, int h, QRandomGenerator& rng) {
    Sky(p, w, h, QColor(5, 5, 25), QColor(40, 30, 70));
    for (int i = 0; i < 200; ++i)
        p.fillRect(static_cast<int>(rng.bounded(w)), static_cast<int>(rng.bounded(h / 2)), 2, 2, Qt::white);
    for (int x = 0; x < w;) {
        const int bw = w / 20 + static_cast<int>(rng.bounded(w / 10));
        const int bh = h / 5 + static_cast<int>(rng.bounded(h / 2));
        p.fillRect(x, h - bh, bw, bh, QColor(25, 25, 35));
        for (int wy = h - bh + 8; wy < h - 8; wy += 14)
            for (int wx = x + 6; wx < x + bw - 8; wx += 12)
                if (rng.bounded(3) == 0) p.fillRect(wx, wy, 5, 7, QColor(250, 220, 120));
        x += bw + 4;
    }
}

void Flowers(QPainter& p, int w, int h, QRandomGenerator& rng) {
    Sky(p, w, h / 3, QColor(120, 180, 240), QColor(220, 235, 250));
    p.fillRect(0, h / 3, w, h - h / 3, QColor(60, 140, 60));
    p.setPen(Qt::NoPen);
    const QColor colours[] = {Qt::red, Qt::yellow, QColor(200, 80, 200), Qt::white, QColor(255, 140, 0)};
    for (int i = 0; i < 900; ++i) {
        const double y = h / 3 + rng.generateDouble() * h * 2 / 3;
        const double r = 1 + (y - h / 3) / h * 12;
        p.setBrush(colours[rng.bounded(5)]);
        p.drawEllipse(QPointF(rng.generateDouble() * w, y), r, r * 0.8);
    }
}

void Dunes(QPainter& p, int w, int h, QRandomGenerator& rng) {
    Sky(p, w, h, QColor(90, 160, 230), QColor(240, 220, 180));
    for (int layer = 0; layer < 4; ++layer) {
        QPainterPath path;
        const double base = h * (0.5 + 0.12 * layer);
        path.moveTo(0, h);
        path.lineTo(0, base);
        path.cubicTo(w * 0.3, base - h * 0.1 * rng.generateDouble(), w * 0.6,
                     base + h * 0.08, w, base - h * 0.05);
        path.lineTo(w, h);
        path.closeSubpath();
        p.fillPath(path, QColor(220 - layer * 20, 170 - layer * 20, 100 - layer * 15));
    }
}

void Lighthouse(QPainter& p, int w, int h, QRandomGenerator& rng) {
    Sky(p, w, h * 7 / 10, QColor(100, 150, 210), QColor(230, 230, 240));
    p.fillRect(0, h * 7 / 10, w, h - h * 7 / 10, QColor(40, 90, 140));
    const int tw = w / 6;
    for (int i = 0; i < 6; ++i)
        p.fillRect(w / 2 - tw / 2, h / 4 + i * h / 13, tw, h / 13, i % 2 ? Qt::white : QColor(200, 30, 30));
    p.fillRect(w / 2 - tw / 3, h / 4 - h / 20, tw * 2 / 3, h / 20, QColor(250, 240, 150));
    for (int i = 0; i < 40; ++i)
        p.fillRect(static_cast<int>(rng.bounded(w)), h * 7 / 10 + static_cast<int>(rng.bounded(h * 3 / 10)),
                   20, 2, QColor(220, 230, 250, 140));
}

void Leaves(QPainter& p, int w, int h, QRandomGenerator& rng) {
    p.fillRect(0, 0, w, h, QColor(90, 60, 40));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 400; ++i) {
        p.save();
        p.translate(rng.generateDouble() * w, rng.generateDouble() * h);
        p.rotate(rng.generateDouble() * 360);
        p.setBrush(QColor(180 + static_cast<int>(rng.bounded(70)), 60 + static_cast<int>(rng.bounded(120)), 20));
        p.drawEllipse(QPointF(0, 0), 18.0, 8.0);
        p.restore();
    }
}

void Aurora(QPainter& p, int w, int h, QRandomGenerator& rng) {
    Sky(p, w, h, QColor(5, 10, 30), QColor(10, 40, 50));
    for (int band = 0; band < 5; ++band) {
        QLinearGradient g(0, h * 0.1, 0, h * 0.6);
        g.setColorAt(0, QColor(40, 255, 140, 0));
        g.setColorAt(0.5, QColor(40, 255, 160, 90));
        g.setColorAt(1, QColor(40, 120, 255, 0));
        QPainterPath path;
        path.moveTo(0, h * (0.2 + 0.05 * band));
        path.cubicTo(w * 0.3, h * 0.1 * rng.generateDouble(), w * 0.7, h * 0.5, w, h * 0.25);
        path.lineTo(w, h * 0.6);
        path.lineTo(0, h * 0.6);
        p.fillPath(path, g);
    }
    p.fillRect(0, h * 8 / 10, w, h - h * 8 / 10, QColor(230, 235, 245));
}

// Rows of a QImage may be padded; the encoder takes packed rows.
bool WriteJpeg(const QImage& image, const std::string& path) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(rgb.width()) * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y)
        std::copy_n(rgb.constScanLine(y), rgb.width() * 3, packed.data() + std::size_t(y) * rgb.width() * 3);
    return WriteJpegFile(path, packed.data(), static_cast<std::uint32_t>(rgb.width()),
                         static_cast<std::uint32_t>(rgb.height()), 90);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "make_samples: cannot create %s\n", argv[1]);
        return 1;
    }
    struct Sample {
        const char* name;
        int w, h;
        Painter paint;
        QImage::Format bmpFormat;  // Invalid: write a JPEG
    };
    const std::vector<Sample> samples = {
        {"Sunset over the bay.jpg", 1600, 1200, Sunset, QImage::Format_Invalid},
        {"mountains.jpg", 2048, 1365, Mountains, QImage::Format_Invalid},
        {"forest_path.JPG", 1200, 900, Forest, QImage::Format_Invalid},
        {"night city.jpeg", 1920, 1080, NightCity, QImage::Format_Invalid},
        {"meadow.jpg", 1024, 768, Flowers, QImage::Format_Invalid},
        {"dunes-panorama.jpg", 2400, 800, Dunes, QImage::Format_Invalid},
        {"lighthouse.jpg", 900, 1350, Lighthouse, QImage::Format_Invalid},
        {"autumn leaves.jpg", 800, 800, Leaves, QImage::Format_Invalid},
        {"aurora.bmp", 640, 480, Aurora, QImage::Format_RGB888},
        {"harbour_lights.bmp", 480, 640, NightCity, QImage::Format_Indexed8},
        {"small_meadow.bmp", 90, 60, Flowers, QImage::Format_RGB32},
        {"Beach \"Cove\".jpg", 1280, 853, Sunset, QImage::Format_Invalid},
    };
    int nWritten = 0;
    quint32 seed = 2026;
    for (const Sample& s : samples) {
        const QString path = folder + QLatin1Char('/') + QString::fromUtf8(s.name);
        ++seed;
        if (QFileInfo::exists(path)) continue;
        QImage image(s.w, s.h, QImage::Format_RGB32);
        QRandomGenerator rng(seed);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            s.paint(painter, s.w, s.h, rng);
        }
        bool bOk = false;
        if (s.bmpFormat == QImage::Format_Invalid)
            bOk = WriteJpeg(image, QFile::encodeName(path).toStdString());
        else
            bOk = image.convertToFormat(s.bmpFormat).save(path, "BMP");
        if (!bOk) {
            std::fprintf(stderr, "make_samples: cannot write %s\n", QFile::encodeName(path).constData());
            return 1;
        }
        ++nWritten;
    }
    std::printf("Sample folder %s ready (%d new files)\n", argv[1], nWritten);
    return 0;
}
