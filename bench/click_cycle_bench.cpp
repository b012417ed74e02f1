// Time of one click cycle on the real window: a left press and release on a
// blank point, which analyses a word and writes the three captions, then a
// synchronous repaint of the whole window. Measured in random mode and in
// manual mode with 255 typed; prints the median and 99th percentile per mode.
// The whole window is repainted, not just the captions a click changes, so a
// paint happens even when manual mode writes the same captions again; the
// figures are an upper bound on what a click costs in the event loop.
//
// Usage: click_cycle_bench [--cycles N] [--warmup N]
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/word_analysis.hpp"
#include "window/app_setup.hpp"
#include "window/form1.hpp"

namespace {

using coincidenze::Form1;

// Counts the paint events the window itself receives; a cycle that did not
// repaint the window would time less than a real click costs.
class PaintCounter final : public QObject {
  public:
    explicit PaintCounter(QWidget& window) : m_window(window) { window.installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_window && event->type() == QEvent::Paint) {
            ++m_paints;
        }
        return false;
    }

    [[nodiscard]] long paints() const { return m_paints; }

  private:
    QWidget& m_window;
    long m_paints = 0;
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "click_cycle_bench: %s\n", what);
    std::exit(1);
}

[[nodiscard]] QString qt_text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

template <class Widget>
[[nodiscard]] Widget* find_control(const Form1& form, const char* name) {
    auto* widget = form.findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        fail("a control of the window is missing");
    }
    return widget;
}

struct Captions {
    QLabel* count;  // Label21
    QLabel* row;    // Label1
    QLabel* input;  // Label4
};

// Whether the captions show an analysis: the count and input lines carry
// their prefixes followed by a number, and the row of digits is written.
[[nodiscard]] bool shows_an_analysis(const Captions& captions, const QString& expected_input) {
    const QString count_prefix = qt_text(coincidenze::count_prefix);
    const QString input_prefix = qt_text(coincidenze::input_prefix);
    const QString count = captions.count->text();
    const QString input = captions.input->text();
    if (!count.startsWith(count_prefix) || count.size() == count_prefix.size()) {
        return false;
    }
    if (!input.startsWith(input_prefix) || input.size() == input_prefix.size()) {
        return false;
    }
    if (!expected_input.isEmpty() && input.mid(input_prefix.size()) != expected_input) {
        return false;
    }
    return !captions.row->text().isEmpty();
}

// Runs `count` click cycles, appending each one's time in nanoseconds to
// `times` unless it is null. Every cycle must repaint the window and leave the
// captions showing an analysis.
void run_cycles(Form1& form, const PaintCounter& counter, const Captions& captions, QPoint blank,
                int count, const QString& expected_input, std::vector<qint64>* times) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const long paints_before = counter.paints();
        const qint64 start = timer.nsecsElapsed();
        QTest::mousePress(&form, Qt::LeftButton, Qt::NoModifier, blank);
        QTest::mouseRelease(&form, Qt::LeftButton, Qt::NoModifier, blank);
        form.repaint();
        const qint64 end = timer.nsecsElapsed();

        if (counter.paints() == paints_before) {
            fail("a click cycle ended without repainting the window");
        }
        if (form.refusal_message() != nullptr || !shows_an_analysis(captions, expected_input)) {
            fail("a click did not write the three captions");
        }
        if (times != nullptr) {
            times->push_back(end - start);
        }
        // Whatever the click posted is handled outside the timed span, as the
        // event loop would between two clicks.
        QCoreApplication::processEvents();
    }
}

// The value at quantile q of the non-empty, sorted `sorted`, nearest rank.
[[nodiscard]] double quantile_us(const std::vector<qint64>& sorted, double q) {
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(sorted.size())));
    const std::size_t index = std::clamp<std::size_t>(rank, 1, sorted.size()) - 1;
    return static_cast<double>(sorted[index]) / 1000.0;
}

[[nodiscard]] double median_us(const std::vector<qint64>& sorted) {
    const std::size_t n = sorted.size();
    const auto middle = static_cast<double>(sorted[(n - 1) / 2] + sorted[n / 2]);
    return middle / 2000.0;
}

void report(const char* mode, std::vector<qint64> times, const Form1& form) {
    std::sort(times.begin(), times.end());
    std::printf(
        "click_cycle mode=%s platform=%s window=%dx%d cycles=%zu median_us=%.1f p99_us=%.1f "
        "max_us=%.1f\n",
        mode, qPrintable(QGuiApplication::platformName()), form.width(), form.height(),
        times.size(), median_us(times), quantile_us(times, 0.99),
        static_cast<double>(times.back()) / 1000.0);
    std::fflush(stdout);
}

[[nodiscard]] int int_option(int argc, char** argv, std::string_view name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) == name) {
            const int value = std::atoi(argv[i + 1]);
            if (value < 0) {
                fail("counts must not be negative");
            }
            return value;
        }
    }
    return fallback;
}

}  // namespace

int main(int argc, char* argv[]) {
    coincidenze::DisplayGuard display_guard;
    QApplication app(argc, argv);
    display_guard.release();
    coincidenze::setup_application(app);

    const int cycles = std::max(1, int_option(argc, argv, "--cycles", 5000));
    const int warmup = int_option(argc, argv, "--warmup", 200);

    Form1 form;
    const PaintCounter counter(form);
    form.showMaximized();
    if (!QTest::qWaitForWindowExposed(&form)) {
        fail("the window was never shown");
    }
    // (400, 40) lies on no control; it is inside the window once maximised.
    const QPoint blank(400, 40);
    if (!QTest::qWaitFor([&] { return form.isMaximized() && form.rect().contains(blank); })) {
        fail("the window did not open maximised");
    }
    if (form.childAt(blank) != nullptr) {
        fail("the click point is not blank");
    }
    QCoreApplication::processEvents();

    const Captions captions{find_control<QLabel>(form, "Label21"),
                            find_control<QLabel>(form, "Label1"),
                            find_control<QLabel>(form, "Label4")};
    auto* option1 = find_control<QRadioButton>(form, "Option1");
    auto* option2 = find_control<QRadioButton>(form, "Option2");
    // Random mode ignores Text1, so it can hold the manual entry throughout.
    find_control<QLineEdit>(form, "Text1")->setText(QStringLiteral("255"));

    struct Mode {
        const char* name;
        QRadioButton* option;
        QString expected_input;  // empty: any number
        std::vector<qint64> times;
    };
    std::array modes{Mode{"random", option1, QString(), {}},
                     Mode{"manual", option2, QStringLiteral("255"), {}}};
    const auto select = [](const Mode& mode) {
        mode.option->setChecked(true);
        QCoreApplication::processEvents();
    };

    for (Mode& mode : modes) {
        select(mode);
        run_cycles(form, counter, captions, blank, warmup, mode.expected_input, nullptr);
        mode.times.reserve(static_cast<std::size_t>(cycles));
    }
    // The modes take turns in blocks, so a change in the machine's load over
    // the run falls on both alike. Within a block manual mode writes the same
    // captions again, as repeated clicks on one entry do.
    constexpr int block = 250;
    for (int done = 0; done < cycles; done += block) {
        for (Mode& mode : modes) {
            select(mode);
            run_cycles(form, counter, captions, blank, std::min(block, cycles - done),
                       mode.expected_input, &mode.times);
        }
    }
    for (Mode& mode : modes) {
        report(mode.name, std::move(mode.times), form);
    }
    return 0;
}
