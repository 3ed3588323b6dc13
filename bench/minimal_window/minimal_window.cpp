// SPDX-License-Identifier: MIT
// The start-up benchmark's baseline: the least a Qt Widgets program does to
// put a window on the screen. It shows one window, prints "window painted"
// once its first paint is done and quits, as galerio does for its grid with
// GALERIO_EXIT_AFTER_GRID.
#include <QApplication>
#include <QWidget>
#include <cstdio>

namespace {

class PaintedWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent* e) override {
        QWidget::paintEvent(e);
        if (m_bPainted) return;
        m_bPainted = true;
        // Queued, so the paint reaches the screen first.
        QMetaObject::invokeMethod(
            qApp,
            [] {
                std::puts("window painted");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            },
            Qt::QueuedConnection);
    }

private:
    bool m_bPainted = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PaintedWindow window;
    window.resize(800, 600);
    window.show();
    return app.exec();
}
