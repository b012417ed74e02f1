#pragma once

#include <QByteArrayView>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace coincidenze::bench {

// Ends the event loop once `window` has handled its first paint event, so a
// start-up probe measures the time to the first painted frame and no more.
// The quit is queued: the paint that triggers it, the children painted with
// it and the flush to the screen all finish before the loop returns.
class QuitAfterFirstPaint final : public QObject {
  public:
    // With `print_size`, the size of the first painted frame goes to standard
    // error, so a caller can check that the frame measured is the maximised one.
    explicit QuitAfterFirstPaint(QWidget& window, bool print_size)
        : m_window(window), m_print_size(print_size) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && watched == &m_window && event->type() == QEvent::Paint) {
            m_seen = true;
            if (m_print_size) {
                std::fprintf(stderr, "first paint: %dx%d\n", m_window.width(), m_window.height());
            }
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

  private:
    QWidget& m_window;
    bool m_print_size;
    bool m_seen = false;
};

// Whether the probe was asked to report the size of its first frame.
[[nodiscard]] inline bool wants_print_size(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (QByteArrayView(argv[i]) == "--print-size") {
            return true;
        }
    }
    return false;
}

}  // namespace coincidenze::bench
