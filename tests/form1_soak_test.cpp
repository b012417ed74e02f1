// A long seeded run of random mouse and keyboard events against one window.
// After every event the captions must still tell one consistent story: the
// row is Y's bits, the count is the row's coincidences, and in manual mode Y
// is what Text1 reads to. Replay a failure with the seed it prints.

#include <malloc.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <deque>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <type_traits>
#include <vector>

#include "analysis/input_word.hpp"
#include "window/app_setup.hpp"
#include "window/form1.hpp"
#include "window/form1_layout.hpp"

// Under AddressSanitizer the resident size counts shadow memory and the
// quarantine of freed blocks, so a growth bound on it says nothing; there
// LeakSanitizer checks for leaks at exit instead.
#if defined(__SANITIZE_ADDRESS__)
#define COINCIDENZE_SOAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define COINCIDENZE_SOAK_UNDER_ASAN 1
#endif
#endif
#ifdef COINCIDENZE_SOAK_UNDER_ASAN
constexpr bool rss_is_meaningful = false;
#else
constexpr bool rss_is_meaningful = true;
#endif

using coincidenze::Form1;

namespace {

constexpr std::uint64_t default_seed = 0x636f696e63696465ULL;
constexpr int default_event_count = 10'000;
constexpr int warm_up_events = 1'000;
constexpr long rss_growth_limit = 1L << 20;
// Runs shorter than this are for replaying a failure, too short for the
// coverage and variety checks at the end.
constexpr int full_run_events = 2'000;

const QString count_prefix = QString::fromUtf8("n\u00b0 coincidenze = ");
const QString input_prefix = QString::fromUtf8("Numero all'ingresso del calcolatore:  Y =  ");

// Resident size once the allocator has handed its free pages back, so that
// the figure follows live memory rather than where freed blocks happen to lie.
long resident_bytes() {
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long pages_total = 0;
    long pages_resident = 0;
    statm >> pages_total >> pages_resident;
    return pages_resident * sysconf(_SC_PAGESIZE);
}

// ---- The oracle: integer bit operations only, nothing from the analysis.

using Digits = std::array<int, 16>;  // d15 first, as the row shows them

Digits digits_of(std::uint32_t word) {
    Digits digits{};
    for (std::size_t i = 0; i < digits.size(); ++i) {
        digits.at(i) = static_cast<int>((word >> (15U - i)) & 1U);
    }
    return digits;
}

QString row_of(const Digits& digits) {
    QString row;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0) {
            row += (i == 8) ? QStringLiteral(" | ") : QStringLiteral("  ");
        }
        row += QChar(u'0' + digits.at(i));
    }
    return row;
}

// The digits a row caption shows, or nullopt if it is not sixteen 0/1
// digits with two blanks inside each byte and " | " between the bytes.
std::optional<Digits> digits_shown(const QString& row) {
    Digits digits{};
    qsizetype at = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0) {
            const QString separator = (i == 8) ? QStringLiteral(" | ") : QStringLiteral("  ");
            if (row.mid(at, separator.size()) != separator) {
                return std::nullopt;
            }
            at += separator.size();
        }
        if (at >= row.size() || (row.at(at) != u'0' && row.at(at) != u'1')) {
            return std::nullopt;
        }
        digits.at(i) = row.at(at) == u'1' ? 1 : 0;
        ++at;
    }
    return at == row.size() ? std::optional<Digits>(digits) : std::nullopt;
}

int mirror_coincidences(const Digits& digits) {
    int equal = 0;
    for (std::size_t i = 0; i < digits.size() / 2; ++i) {
        equal += digits.at(i) == digits.at(15 - i) ? 1 : 0;
    }
    return equal;
}

// Y as Label4 shows it: the prefix, then a word written as plain digits.
std::optional<std::uint32_t> y_shown(const QString& caption) {
    if (!caption.startsWith(input_prefix)) {
        return std::nullopt;
    }
    const QString digits = caption.mid(input_prefix.size());
    if (digits.isEmpty() || digits.size() > 5 || (digits.size() > 1 && digits.front() == u'0')) {
        return std::nullopt;
    }
    std::uint32_t y = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        y = y * 10U + static_cast<std::uint32_t>(c.unicode() - u'0');
    }
    return y <= 65535U ? std::optional<std::uint32_t>(y) : std::nullopt;
}

// The value of an entry of the form "ASCII blanks, then decimal digits",
// worked out without the reader; nullopt for every other form. Values past
// 10^9 stop there, which is enough to know them refused.
std::optional<double> plain_decimal_value(const QString& text) {
    qsizetype at = 0;
    while (at < text.size() && QStringView(u" \t\n\v\f\r").contains(text.at(at))) {
        ++at;
    }
    if (at == text.size()) {
        return std::nullopt;
    }
    double value = 0.0;
    for (; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = std::min(value * 10.0 + (c.unicode() - u'0'), 1e9);
    }
    return value;
}

bool is_whole_word(double y) {
    return std::isfinite(y) && y >= 0.0 && y <= 65535.0 && std::floor(y) == y;
}

// ---- Inputs.

// Entries that must come up in every run, whatever the seed: the edges of
// the accepted range, forms the lenient reading stops early on, and
// characters outside ASCII (also so that their fonts are loaded before the
// first memory sample).
const QStringList listed_entries{
    QStringLiteral("0"),
    QStringLiteral("65535"),
    QStringLiteral("65536"),
    QStringLiteral("65534"),
    QStringLiteral("-1"),
    QStringLiteral("-0"),
    QStringLiteral("+0"),
    QStringLiteral("255.5"),
    QStringLiteral("65535.0"),
    QStringLiteral("65535.5"),
    QStringLiteral("6.5535e4"),
    QStringLiteral("6.5536E4"),
    QStringLiteral("1e308"),
    QStringLiteral("-1e308"),
    QStringLiteral("1e309"),
    QStringLiteral("1.7976931348623157e308"),
    QStringLiteral("1e-308"),
    QStringLiteral("4.9e-324"),
    QStringLiteral("1e-400"),
    QStringLiteral("-1e-400"),
    QStringLiteral("0.1"),
    QStringLiteral(".5"),
    QStringLiteral("5."),
    QStringLiteral("1e"),
    QStringLiteral("1e+"),
    QStringLiteral("e5"),
    QStringLiteral("--1"),
    QStringLiteral("0x10"),
    QStringLiteral("inf"),
    QStringLiteral("nan"),
    QStringLiteral("1,5"),
    QStringLiteral("1 000"),
    QStringLiteral("12abc"),
    QStringLiteral("   42"),
    QStringLiteral("  4.2e1  "),
    QStringLiteral("000000065535"),
    QStringLiteral(""),
    QStringLiteral(" "),
    QString::fromUtf8("\u00a042"),            // no-break space is not a blank
    QString::fromUtf8("\u0661\u0662"),        // Arabic-Indic digits
    QString::fromUtf8("\uff11\uff12"),        // fullwidth digits
    QString::fromUtf8("\u22125"),             // minus sign
    QString::fromUtf8("5\u00b0"),             // degree sign
    QString::fromUtf8("\u00bd"),              // vulgar fraction one half
    QString::fromUtf8("\u00b2"),              // superscript two
    QString::fromUtf8("\u2168"),              // Roman numeral nine
    QString::fromUtf8("3\u0301"),             // combining acute accent
    QString::fromUtf8("7\u200b"),             // zero-width space
    QString::fromUtf8("\u202e123"),           // right-to-left override
    QString::fromUtf8("citt\u00e0"),          // Latin-1 letter
    QString::fromUtf8("\u4e00\u4e8c\u4e09"),  // CJK numerals
    QString::fromUtf8("\xf0\x9f\x98\x80"
                      "12"),                // emoji, a surrogate pair
    QString::fromUtf8("\xf0\x9d\x9f\x8f"),  // mathematical bold digit one
    QString::fromUtf8("\u0394\u03a5 = 1"),  // Greek
};

// Characters random non-ASCII entries are built from; a small set, so the
// glyph caches stop growing during the warm-up.
const QString non_ascii_pool = QString::fromUtf8(
    "\u00a0\u00b0\u00b2\u00bd\u00e0\u00e8\u00e9\u00f9\u0301\u0394\u03a5\u0661\u0662\u200b"
    "\u202e\u2168\u2212\u4e00\u4e8c\u4e09\uff11\uff12");

struct Captions {
    QString label21;
    QString label1;
    QString label4;
    friend bool operator==(const Captions&, const Captions&) = default;
};

QString show(const Captions& c) {
    return QStringLiteral("[%1] [%2] [%3]").arg(c.label21, c.label1, c.label4);
}

QString abbreviated(const QString& text) {
    constexpr qsizetype shown = 40;
    return text.size() <= shown
               ? text
               : text.left(shown) + QStringLiteral("... (%1 chars)").arg(text.size());
}

QRect pixels(const coincidenze::TwipsBox& box) {
    return {coincidenze::twips_to_pixels(box.left), coincidenze::twips_to_pixels(box.top),
            coincidenze::twips_to_pixels(box.width), coincidenze::twips_to_pixels(box.height)};
}

QString name_of(const coincidenze::ControlRow& item) {
    return QString::fromLatin1(item.name.data(), static_cast<qsizetype>(item.name.size()));
}

enum class Action {
    PointClick,
    ControlClick,
    EdgeClick,
    OtherButtonClick,
    DraggedClick,
    DoubleClick,
    ModeByMouse,
    ModeByKeyboard,
    Typing,
    EditingKey,
};

// Roughly a quarter of all events end up as clicks on a blank point.
constexpr std::array action_weights{30.0, 18.0, 5.0, 3.0, 3.0, 2.0, 6.0, 6.0, 17.0, 10.0};

class Soak {
  public:
    Soak(Form1& form, std::uint64_t seed);
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;
    ~Soak() { m_watchdog.stop(); }

    // One event and its checks; false once something is wrong.
    bool random_event();
    // Manual mode, `entry` typed into Text1, then a click on a blank point.
    bool enter_and_click(const QString& entry);
    // What must hold at the end of a run long enough to mean something.
    bool check_run_covered_everything();

    void begin_event(int index) { m_index = index; }
    [[nodiscard]] const QString& failure() const { return m_failure; }
    [[nodiscard]] QString recent_events() const;
    [[nodiscard]] QString summary() const;
    // Qt keeps an undo record for every character typed into a line edit
    // (about 20 bytes each) until its text is set; that is the typist's
    // memory, not the window's, and the long entries would swamp the growth
    // bound with it. Setting the same text forgets the history.
    void forget_typing_history() { m_text1->setText(m_text1->text()); }

  private:
    template <class Widget>
    Widget* find(const char* name) const;
    [[nodiscard]] Captions captions() const;
    [[nodiscard]] QStringList all_label_texts() const;
    [[nodiscard]] bool is_blank(QPoint at) const;
    [[nodiscard]] QWidget* target_at(QPoint at) const;
    [[nodiscard]] QPoint point_in(const QRect& rect);
    [[nodiscard]] QPoint point_in_window();
    [[nodiscard]] QString random_entry();
    template <class T>
    T uniform(T low, T high) {
        if constexpr (std::is_floating_point_v<T>) {
            return std::uniform_real_distribution<T>(low, high)(m_rng);
        } else {
            return std::uniform_int_distribution<T>(low, high)(m_rng);
        }
    }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_rng); }

    void note(const QString& what);
    bool fail(const QString& why);

    bool click(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, bool twice);
    bool dragged_click(QPoint from, QPoint to);
    bool mode_by_mouse();
    bool mode_by_keyboard();
    bool typing();
    bool editing_key();
    bool key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& what);
    bool focus_text1();
    void type(const QString& text);

    bool check_always();
    bool check_nothing_started(const QStringList& labels_before);
    bool check_click_cycle(const QStringList& labels_before, bool manual, const QString& entry);
    bool check_captions_agree(std::optional<std::uint32_t> expected_y);
    bool handle_refusal(const QStringList& labels_before, const QString& entry);
    bool check_no_stray_window();

    Form1& m_form;
    QRadioButton* m_option1;
    QRadioButton* m_option2;
    QLineEdit* m_text1;
    std::vector<QWidget*> m_controls;
    std::vector<QLabel*> m_labels;
    std::mt19937_64 m_rng;
    std::discrete_distribution<int> m_actions{action_weights.begin(), action_weights.end()};

    QTimer m_watchdog;
    QPointer<QWidget> m_expected_box;
    QStringList m_stray_windows;

    int m_index = 0;
    QString m_failure;
    std::deque<QString> m_recent;

    std::map<QString, int> m_clicks_on;  // by control name
    // Fixed size, so that the soak's own bookkeeping does not grow with the run.
    std::bitset<65536> m_random_words;
    int m_random_cycles = 0;
    int m_random_unchanged = 0;
    int m_manual_cycles = 0;
    int m_refusals = 0;
    int m_keyboard_mode_changes = 0;
    int m_long_entries = 0;
    int m_non_ascii_entries = 0;
};

Soak::Soak(Form1& form, std::uint64_t seed)
    : m_form(form),
      m_option1(find<QRadioButton>("Option1")),
      m_option2(find<QRadioButton>("Option2")),
      m_text1(find<QLineEdit>("Text1")),
      m_rng(seed) {
    for (const coincidenze::ControlRow& item : coincidenze::form1_controls) {
        QWidget* control = m_form.findChild<QWidget*>(name_of(item));
        m_controls.push_back(control);
        if (auto* label = qobject_cast<QLabel*>(control)) {
            m_labels.push_back(label);
        }
    }
    // A modal dialog nobody expects must fail the run, not stall it: the
    // timer also fires inside the nested event loop of an exec()'d dialog.
    m_watchdog.setInterval(100);
    QObject::connect(&m_watchdog, &QTimer::timeout, &m_watchdog, [this] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == &m_form || window == m_expected_box || !window->isVisible()) {
                continue;
            }
            m_stray_windows << QStringLiteral("%1 \"%2\"")
                                   .arg(QString::fromLatin1(window->metaObject()->className()),
                                        window->windowTitle());
            if (auto* dialog = qobject_cast<QDialog*>(window)) {
                dialog->reject();
            } else {
                window->close();
            }
        }
    });
    m_watchdog.start();
}

template <class Widget>
Widget* Soak::find(const char* name) const {
    auto* widget = m_form.findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        qFatal("the window has no control %s", name);
    }
    return widget;
}

Captions Soak::captions() const {
    return {find<QLabel>("Label21")->text(), find<QLabel>("Label1")->text(),
            find<QLabel>("Label4")->text()};
}

QStringList Soak::all_label_texts() const {
    QStringList texts;
    for (const QLabel* label : m_labels) {
        texts << label->text();
    }
    return texts;
}

// Blank by the controls' boxes, not by Qt's hit testing, so a control that
// stopped taking the mouse shows up as a click that should not have counted.
bool Soak::is_blank(QPoint at) const {
    if (!m_form.rect().contains(at)) {
        return false;
    }
    for (const QWidget* control : m_controls) {
        if (control->geometry().contains(at)) {
            return false;
        }
    }
    return true;
}

QWidget* Soak::target_at(QPoint at) const {
    QWidget* child = m_form.childAt(at);
    return child != nullptr ? child : &m_form;
}

QPoint Soak::point_in(const QRect& rect) {
    return {uniform(rect.left(), rect.right()), uniform(rect.top(), rect.bottom())};
}

QPoint Soak::point_in_window() {
    return point_in(m_form.rect());
}

QString Soak::random_entry() {
    enum Kind {
        Whole,
        NearTop,
        Listed,
        LeadingBlanks,
        Exponent,
        AsciiNoise,
        NonAscii,
        Decimal,
        Long
    };
    // Entries of thousands of characters are rare: every one re-lays out
    // Text1 on each keystroke.
    static constexpr std::array weights{2.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.1};
    switch (
        static_cast<Kind>(std::discrete_distribution<int>(weights.begin(), weights.end())(m_rng))) {
        case Whole:
            return QString::number(uniform(0, 70'000));
        case NearTop:
            return QString::number(65'535 + uniform(-3, 3));
        case Listed:
            return listed_entries.at(uniform<qsizetype>(0, listed_entries.size() - 1));
        case LeadingBlanks:
            return QString(uniform(1, 6), u' ') + QString::number(uniform(0, 70'000));
        case Exponent:
            return QStringLiteral("%1%2e%3")
                .arg(uniform(-9, 9))
                .arg(chance(0.5) ? QStringLiteral(".") + QString::number(uniform(0, 999))
                                 : QString())
                .arg(uniform(-330, 330));
        case AsciiNoise: {
            const QString alphabet = QStringLiteral("0123456789 .eE+-xabc,");
            QString text;
            for (int n = uniform(0, 24); n > 0; --n) {
                text += alphabet.at(uniform<qsizetype>(0, alphabet.size() - 1));
            }
            return text;
        }
        case NonAscii: {
            ++m_non_ascii_entries;
            QString text;
            for (int n = uniform(1, 12); n > 0; --n) {
                text += chance(0.5)
                            ? QChar(u'0' + uniform(0, 9))
                            : non_ascii_pool.at(uniform<qsizetype>(0, non_ascii_pool.size() - 1));
            }
            return text;
        }
        case Decimal:
            return QString::number(uniform(0.0, 70'000.0), 'f', uniform(0, 3));
        case Long:
            break;
    }
    // Thousands of characters: long runs of zeros before a small number, of
    // blanks, of nines, or digits with a far exponent.
    ++m_long_entries;
    const qsizetype length = uniform<qsizetype>(1'000, 6'000);
    switch (uniform(0, 4)) {
        case 0:
            return QString(length, u'0') + QString::number(uniform(0, 65'535));
        case 1:
            return QString(length, u' ') + QString::number(uniform(0, 65'535));
        case 2:
            return QString(length, u'9');
        case 3:
            return QStringLiteral("1") + QString(length, u'0') + QStringLiteral("e-%1").arg(length);
        default: {
            QString digits;
            digits.reserve(length);
            for (qsizetype i = 0; i < length; ++i) {
                digits += QChar(u'0' + uniform(0, 9));
            }
            return digits;
        }
    }
}

void Soak::note(const QString& what) {
    m_recent.push_back(QStringLiteral("#%1 %2").arg(m_index).arg(what));
    if (m_recent.size() > 24) {
        m_recent.pop_front();
    }
}

bool Soak::fail(const QString& why) {
    if (m_failure.isEmpty()) {
        // A window closed by the watchdog explains whatever went wrong next.
        m_failure = m_stray_windows.isEmpty()
                        ? QStringLiteral("event %1: %2").arg(m_index).arg(why)
                        : QStringLiteral(
                              "event %1: unexpected window(s) %2, closed by the "
                              "watchdog; then: %3")
                              .arg(m_index)
                              .arg(m_stray_windows.join(u", "), why);
    }
    return false;
}

QString Soak::recent_events() const {
    QString text;
    for (const QString& line : m_recent) {
        text += QStringLiteral("  ") + line + u'\n';
    }
    return text;
}

QString Soak::summary() const {
    QString clicks;
    for (const auto& [name, count] : m_clicks_on) {
        clicks += QStringLiteral(" %1:%2").arg(name).arg(count);
    }
    return QStringLiteral(
               "click cycles: %1 random (%2 distinct words), %3 manual, %4 refused; "
               "keyboard mode changes %5; long entries %6; non-ASCII entries %7; clicks on "
               "controls:%8")
        .arg(m_random_cycles)
        .arg(m_random_words.count())
        .arg(m_manual_cycles)
        .arg(m_refusals)
        .arg(m_keyboard_mode_changes)
        .arg(m_long_entries)
        .arg(m_non_ascii_entries)
        .arg(clicks);
}

bool Soak::random_event() {
    bool ok = false;
    switch (static_cast<Action>(m_actions(m_rng))) {
        case Action::PointClick: {
            const Qt::KeyboardModifiers modifiers =
                chance(0.05) ? Qt::KeyboardModifiers(Qt::ShiftModifier) : Qt::NoModifier;
            ok = click(point_in_window(), Qt::LeftButton, modifiers, false);
            break;
        }
        case Action::ControlClick: {
            const std::size_t i = uniform<std::size_t>(0, m_controls.size() - 1);
            // Either where the control is now or the box the layout gives
            // it; the two differ for auto-sized labels that hold text.
            const QRect box = chance(0.7) ? m_controls[i]->geometry()
                                          : pixels(coincidenze::form1_controls.at(i).box);
            ok = click(point_in(box), Qt::LeftButton, Qt::NoModifier, false);
            break;
        }
        case Action::EdgeClick: {
            // On a control's outermost pixels or just past them.
            const QRect box =
                m_controls[uniform<std::size_t>(0, m_controls.size() - 1)]->geometry();
            const int x = chance(0.5) ? box.left() + uniform(-1, 0) : box.right() + uniform(0, 1);
            const int y = chance(0.5) ? box.top() + uniform(-1, 0) : box.bottom() + uniform(0, 1);
            const QPoint at = chance(0.5) ? QPoint(x, uniform(box.top(), box.bottom()))
                                          : QPoint(uniform(box.left(), box.right()), y);
            ok = click(at, Qt::LeftButton, Qt::NoModifier, false);
            break;
        }
        case Action::OtherButtonClick:
            ok = click(point_in_window(), chance(0.5) ? Qt::RightButton : Qt::MiddleButton,
                       Qt::NoModifier, false);
            break;
        case Action::DraggedClick: {
            const QPoint from = point_in_window();
            const QPoint to =
                chance(0.2) ? QPoint(uniform(-40, m_form.width() + 40), -3) : point_in_window();
            ok = dragged_click(from, to);
            break;
        }
        case Action::DoubleClick:
            ok = click(point_in_window(), Qt::LeftButton, Qt::NoModifier, true);
            break;
        case Action::ModeByMouse:
            ok = mode_by_mouse();
            break;
        case Action::ModeByKeyboard:
            ok = mode_by_keyboard();
            break;
        case Action::Typing:
            ok = typing();
            break;
        case Action::EditingKey:
            ok = editing_key();
            break;
    }
    return ok && check_always();
}

bool Soak::click(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, bool twice) {
    QWidget* target = target_at(at);
    const bool blank = button == Qt::LeftButton && is_blank(at);
    note(QStringLiteral("%1%2 click at (%3, %4) on %5")
             .arg(twice ? QStringLiteral("double ") : QString(),
                  button == Qt::LeftButton    ? QStringLiteral("left")
                  : button == Qt::RightButton ? QStringLiteral("right")
                                              : QStringLiteral("middle"))
             .arg(at.x())
             .arg(at.y())
             .arg(target == &m_form ? QStringLiteral("the window") : target->objectName()));
    if (target != &m_form) {
        ++m_clicks_on[target->objectName()];
    }
    const QStringList labels_before = all_label_texts();
    const bool manual = m_option2->isChecked();
    const QString entry = m_text1->text();
    const QPoint local = target->mapFrom(&m_form, at);
    QTest::mouseClick(target, button, modifiers, local);
    if (twice) {
        // Qt delivers a double click as a second press, the double-click
        // event and a second release; QTest::mouseDClick sends only the
        // middle one and leaves the button down.
        QTest::mousePress(target, button, modifiers, local);
        QTest::mouseDClick(target, button, modifiers, local);
        QTest::mouseRelease(target, button, modifiers, local);
    }
    return blank ? check_click_cycle(labels_before, manual, entry)
                 : check_nothing_started(labels_before);
}

// A press and its release at another point go to the widget that took the
// press, as Qt's implicit grab delivers them.
bool Soak::dragged_click(QPoint from, QPoint to) {
    QWidget* target = target_at(from);
    const bool blank = is_blank(from) && is_blank(to);
    note(QStringLiteral("press at (%1, %2) on %3, release at (%4, %5)")
             .arg(from.x())
             .arg(from.y())
             .arg(target == &m_form ? QStringLiteral("the window") : target->objectName())
             .arg(to.x())
             .arg(to.y()));
    const QStringList labels_before = all_label_texts();
    const bool manual = m_option2->isChecked();
    const QString entry = m_text1->text();
    QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(&m_form, from));
    QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(&m_form, to));
    return blank ? check_click_cycle(labels_before, manual, entry)
                 : check_nothing_started(labels_before);
}

bool Soak::mode_by_mouse() {
    QRadioButton* option = chance(0.5) ? m_option1 : m_option2;
    if (!click(option->geometry().center(), Qt::LeftButton, Qt::NoModifier, false)) {
        return false;
    }
    if (!option->isChecked()) {
        return fail(QStringLiteral("a click on the middle of %1 did not select it")
                        .arg(option->objectName()));
    }
    return true;
}

bool Soak::key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& what) {
    note(QStringLiteral("key %1 to %2")
             .arg(what,
                  to->objectName().isEmpty() ? QStringLiteral("the window") : to->objectName()));
    const QStringList labels_before = all_label_texts();
    QTest::keyClick(to, key, modifiers);
    return check_nothing_started(labels_before);
}

// Arrows move the selection inside the option group (Option2 sits above
// Option1); space selects the focused option.
bool Soak::mode_by_keyboard() {
    QWidget* focus = QApplication::focusWidget();
    auto* focused = qobject_cast<QRadioButton*>(focus);
    if (focused == nullptr) {
        // Reach the group first, as a keyboard user does.
        const bool forward = chance(0.5);
        return key(focus != nullptr ? focus : &m_form, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                   Qt::NoModifier, forward ? QStringLiteral("Tab") : QStringLiteral("Backtab"));
    }
    QRadioButton* other = focused == m_option1 ? m_option2 : m_option1;
    const bool was_checked = focused->isChecked();
    const bool option2_before = m_option2->isChecked();
    switch (uniform(0, 4)) {
        case 0:
            if (!key(focused, Qt::Key_Space, Qt::NoModifier, QStringLiteral("Space"))) {
                return false;
            }
            if (!focused->isChecked()) {
                return fail(QStringLiteral("Space did not select the focused %1")
                                .arg(focused->objectName()));
            }
            break;
        case 1:
        case 2: {
            const bool up = uniform(1, 2) == 1;
            if (!key(focused, up ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier,
                     up ? QStringLiteral("Up") : QStringLiteral("Down"))) {
                return false;
            }
            const bool other_lies_there = up == (focused == m_option1);
            if (other_lies_there && was_checked &&
                (!other->isChecked() || QApplication::focusWidget() != other)) {
                return fail(QStringLiteral("an arrow key from the selected %1 did not select %2")
                                .arg(focused->objectName(), other->objectName()));
            }
            if ((!other_lies_there || !was_checked) && m_option2->isChecked() != option2_before) {
                return fail(QStringLiteral("an arrow key changed the mode unexpectedly"));
            }
            break;
        }
        default: {
            const bool left = chance(0.5);
            if (!key(focused, left ? Qt::Key_Left : Qt::Key_Right, Qt::NoModifier,
                     left ? QStringLiteral("Left") : QStringLiteral("Right"))) {
                return false;
            }
            if (m_option2->isChecked() != option2_before) {
                return fail(QStringLiteral("a sideways arrow changed the mode"));
            }
            break;
        }
    }
    if (m_option2->isChecked() != option2_before) {
        ++m_keyboard_mode_changes;
    }
    return true;
}

bool Soak::focus_text1() {
    if (QApplication::focusWidget() == m_text1) {
        return true;
    }
    // A click inside Text1, away from where the caption above overlaps it.
    QPoint at = point_in(m_text1->geometry().adjusted(2, 2, -2, -2));
    if (target_at(at) != m_text1) {
        at = m_text1->geometry().center();
    }
    if (!click(at, Qt::LeftButton, Qt::NoModifier, false)) {
        return false;
    }
    if (QApplication::focusWidget() != m_text1) {
        return fail(QStringLiteral("a click on Text1 did not give it the focus"));
    }
    return true;
}

// ASCII goes through keyClicks, one key per character; other characters
// arrive as key events carrying their text, as from an input method. Now
// and then, and always past two thousand characters (each keystroke lays
// the whole entry out again), the entry comes in pieces of up to a thousand
// characters, as an input method commits composed text.
void Soak::type(const QString& text) {
    constexpr qsizetype longest_typed = 2'000;
    constexpr qsizetype piece = 1'000;
    if (text.size() > longest_typed || chance(0.05)) {
        qsizetype start = 0;
        while (start < text.size()) {
            qsizetype length = std::min(piece, text.size() - start);
            if (text.at(start + length - 1).isHighSurrogate() && start + length < text.size()) {
                ++length;  // keep a surrogate pair together
            }
            const QString composed = text.mid(start, length);
            QTest::sendKeyEvent(QTest::Press, m_text1, Qt::Key_unknown, composed, Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, m_text1, Qt::Key_unknown, composed, Qt::NoModifier);
            start += length;
        }
        return;
    }
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end).unicode() < 0x80) {
            ++end;
        }
        if (end > start) {
            QTest::keyClicks(m_text1, text.mid(start, end - start));
            start = end;
            continue;
        }
        const qsizetype length = text.at(start).isHighSurrogate() ? 2 : 1;
        const QString character = text.mid(start, length);
        QTest::sendKeyEvent(QTest::Press, m_text1, Qt::Key_unknown, character, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, m_text1, Qt::Key_unknown, character, Qt::NoModifier);
        start += length;
    }
}

bool Soak::typing() {
    if (!focus_text1()) {
        return false;
    }
    const bool replace = chance(0.6);
    const QString entry = random_entry();
    note(QStringLiteral("%1 \"%2\" into Text1")
             .arg(replace ? QStringLiteral("select all and type") : QStringLiteral("type"),
                  abbreviated(entry)));
    const QStringList labels_before = all_label_texts();
    if (replace) {
        QTest::keyClick(m_text1, Qt::Key_A, Qt::ControlModifier);
    }
    type(entry);
    return check_nothing_started(labels_before);
}

bool Soak::editing_key() {
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* name;
    };
    static const std::array keys{
        Key{Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
        Key{Qt::Key_Delete, Qt::NoModifier, "Delete"},
        Key{Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
        Key{Qt::Key_Home, Qt::NoModifier, "Home"},
        Key{Qt::Key_End, Qt::ShiftModifier, "Shift+End"},
        Key{Qt::Key_Left, Qt::NoModifier, "Left"},
        Key{Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
        Key{Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+Z"},
        Key{Qt::Key_Return, Qt::NoModifier, "Return"},
        Key{Qt::Key_Enter, Qt::KeypadModifier, "Enter"},
        Key{Qt::Key_Escape, Qt::NoModifier, "Escape"},
        Key{Qt::Key_Tab, Qt::NoModifier, "Tab"},
        Key{Qt::Key_Space, Qt::NoModifier, "Space"},
    };
    QWidget* focus = QApplication::focusWidget();
    QWidget* to = focus != nullptr ? focus : &m_form;
    if (chance(0.15)) {
        // Clearing: select all, then delete.
        return key(to, Qt::Key_A, Qt::ControlModifier, QStringLiteral("Ctrl+A")) &&
               key(to, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("Delete"));
    }
    const Key& chosen = keys.at(uniform<std::size_t>(0, keys.size() - 1));
    return key(to, chosen.key, chosen.modifiers, QString::fromLatin1(chosen.name));
}

bool Soak::enter_and_click(const QString& entry) {
    if (!m_option2->isChecked() &&
        !click(m_option2->geometry().center(), Qt::LeftButton, Qt::NoModifier, false)) {
        return false;
    }
    if (!focus_text1()) {
        return false;
    }
    note(QStringLiteral("select all and type \"%1\" into Text1").arg(abbreviated(entry)));
    const QStringList labels_before = all_label_texts();
    QTest::keyClick(m_text1, Qt::Key_A, Qt::ControlModifier);
    type(entry);
    if (!check_nothing_started(labels_before)) {
        return false;
    }
    QPoint at = point_in_window();
    while (!is_blank(at)) {
        at = point_in_window();
    }
    return click(at, Qt::LeftButton, Qt::NoModifier, false) && check_always();
}

bool Soak::check_always() {
    if (m_option1->isChecked() == m_option2->isChecked()) {
        return fail(QStringLiteral("Option1 and Option2 are both %1")
                        .arg(m_option1->isChecked() ? QStringLiteral("selected")
                                                    : QStringLiteral("clear")));
    }
    if (m_form.refusal_message() != nullptr) {
        return fail(QStringLiteral("a refusal message is open after the event"));
    }
    return check_no_stray_window();
}

bool Soak::check_no_stray_window() {
    // Let queued work run (paints, deferred deletes, the watchdog).
    QCoreApplication::processEvents();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != &m_form && window != m_expected_box && window->isVisible()) {
            m_stray_windows << QStringLiteral("%1 \"%2\"")
                                   .arg(QString::fromLatin1(window->metaObject()->className()),
                                        window->windowTitle());
            window->close();
        }
    }
    if (!m_stray_windows.isEmpty()) {
        return fail(QStringLiteral("nothing else went wrong"));
    }
    return true;
}

bool Soak::check_nothing_started(const QStringList& labels_before) {
    if (m_form.refusal_message() != nullptr) {
        return fail(QStringLiteral("a refusal message opened without a click on a blank point"));
    }
    if (all_label_texts() != labels_before) {
        return fail(QStringLiteral("a caption changed without a click on a blank point: %1")
                        .arg(show(captions())));
    }
    return check_no_stray_window();
}

bool Soak::check_click_cycle(const QStringList& labels_before, bool manual, const QString& entry) {
    if (!manual) {
        ++m_random_cycles;
        if (m_form.refusal_message() != nullptr) {
            return fail(QStringLiteral("random mode refused a click"));
        }
        if (!check_captions_agree(std::nullopt)) {
            return false;
        }
        // The same word twice in a row is possible but rare; the end of the
        // run checks that it stayed rare, which a click that started no
        // cycle would not.
        const bool unchanged = all_label_texts() == labels_before;
        m_random_unchanged += unchanged ? 1 : 0;
        const std::uint32_t y = *y_shown(captions().label4);
        if (y > 65534U) {
            return fail(
                QStringLiteral("random mode shows Y = %1%2; random words stop at 65534")
                    .arg(y)
                    .arg(unchanged ? QStringLiteral(" (the caption did not change)") : QString()));
        }
        m_random_words.set(y);
        return true;
    }
    ++m_manual_cycles;
    const double reading = coincidenze::read_manual_word(entry.toStdString());
    if (const std::optional<double> plain = plain_decimal_value(entry);
        plain && !(*plain == reading || (!is_whole_word(*plain) && !is_whole_word(reading)))) {
        return fail(QStringLiteral("the entry \"%1\" reads to %2, not %3")
                        .arg(abbreviated(entry))
                        .arg(reading)
                        .arg(*plain));
    }
    if (!is_whole_word(reading)) {
        return handle_refusal(labels_before, entry);
    }
    if (m_form.refusal_message() != nullptr) {
        return fail(QStringLiteral("the entry \"%1\" (%2) was refused")
                        .arg(abbreviated(entry))
                        .arg(reading));
    }
    return check_captions_agree(static_cast<std::uint32_t>(reading));
}

bool Soak::check_captions_agree(std::optional<std::uint32_t> expected_y) {
    const Captions now = captions();
    const std::optional<std::uint32_t> y = y_shown(now.label4);
    if (!y) {
        return fail(QStringLiteral("Label4 does not show a word: %1").arg(show(now)));
    }
    if (expected_y && *y != *expected_y) {
        return fail(QStringLiteral("Label4 shows Y = %1, Text1 reads to %2: %3")
                        .arg(*y)
                        .arg(*expected_y)
                        .arg(show(now)));
    }
    const std::optional<Digits> digits = digits_shown(now.label1);
    if (!digits) {
        return fail(QStringLiteral("Label1 is not a row of sixteen digits: %1").arg(show(now)));
    }
    if (*digits != digits_of(*y)) {
        return fail(QStringLiteral("Label1 is not the row of Y = %1 (%2): %3")
                        .arg(*y)
                        .arg(row_of(digits_of(*y)), show(now)));
    }
    const QString count = count_prefix + QString::number(mirror_coincidences(*digits));
    if (now.label21 != count) {
        return fail(QStringLiteral("Label21 does not count the row's coincidences (%1): %2")
                        .arg(count, show(now)));
    }
    return true;
}

bool Soak::handle_refusal(const QStringList& labels_before, const QString& entry) {
    ++m_refusals;
    QMessageBox* box = m_form.refusal_message();
    if (box == nullptr) {
        return fail(QStringLiteral("the entry \"%1\" was not refused").arg(abbreviated(entry)));
    }
    if (!box->isVisible() || box->windowModality() != Qt::WindowModal ||
        QApplication::activeModalWidget() != box) {
        return fail(QStringLiteral("the refusal message is not a shown, window-modal box"));
    }
    if (all_label_texts() != labels_before) {
        return fail(QStringLiteral("a refused entry changed a caption: %1").arg(show(captions())));
    }
    m_expected_box = box;
    QPointer<QMessageBox> watched(box);
    // The box takes the focus once it is shown, before anyone can answer it.
    QCoreApplication::processEvents();
    switch (uniform(0, 3)) {
        case 0:
            note(QStringLiteral("close the refusal with Escape"));
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        case 1:
            note(QStringLiteral("close the refusal with Return"));
            QTest::keyClick(box, Qt::Key_Return);
            break;
        case 2:
            note(QStringLiteral("close the refusal with a click on OK"));
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            break;
        default:
            note(QStringLiteral("close the refusal with reject()"));
            box->reject();
            break;
    }
    m_expected_box = nullptr;
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (m_form.refusal_message() != nullptr || (watched && watched->isVisible())) {
        return fail(QStringLiteral("the refusal message did not close"));
    }
    if (watched) {
        return fail(QStringLiteral("the closed refusal message was not deleted"));
    }
    if (QApplication::activeModalWidget() != nullptr) {
        return fail(QStringLiteral("a modal window is still up after the refusal closed"));
    }
    if (QApplication::focusWidget() != m_text1) {
        return fail(QStringLiteral("after the refusal the focus is on %1, not Text1")
                        .arg(QApplication::focusWidget() != nullptr
                                 ? QApplication::focusWidget()->objectName()
                                 : QStringLiteral("nothing")));
    }
    if (m_text1->text() != entry) {
        return fail(QStringLiteral("the refusal changed the entry"));
    }
    if (!m_text1->hasSelectedText() || m_text1->selectedText() != entry) {
        return fail(QStringLiteral("after the refusal the entry is not all selected"));
    }
    if (all_label_texts() != labels_before) {
        return fail(QStringLiteral("closing the refusal changed a caption"));
    }
    return true;
}

bool Soak::check_run_covered_everything() {
    for (QWidget* control : m_controls) {
        if (m_clicks_on[control->objectName()] == 0) {
            return fail(QStringLiteral("no click landed on %1").arg(control->objectName()));
        }
    }
    if (m_random_cycles == 0 || m_manual_cycles == 0 || m_refusals == 0 ||
        m_keyboard_mode_changes == 0 || m_long_entries == 0 || m_non_ascii_entries == 0) {
        return fail(QStringLiteral("the run missed a kind of event: ") + summary());
    }
    if (m_random_unchanged > std::max(3, m_random_cycles / 100)) {
        return fail(QStringLiteral("%1 of %2 random-mode clicks left the captions as they were")
                        .arg(m_random_unchanged)
                        .arg(m_random_cycles));
    }
    // A generator stuck on one word would still pass every per-click check.
    if (m_random_words.count() < 10) {
        return fail(QStringLiteral("random mode drew only %1 distinct words in %2 clicks")
                        .arg(m_random_words.count())
                        .arg(m_random_cycles));
    }
    return true;
}

}  // namespace

// The offscreen platform warns about every message box it shows; hundreds of
// refusals would use up QtTest's message allowance and hide the summary.
QtMessageHandler qtest_message_handler = nullptr;

void drop_offscreen_size_hint_warning(QtMsgType type, const QMessageLogContext& context,
                                      const QString& message) {
    if (type == QtWarningMsg &&
        message == QLatin1String("This plugin does not support propagateSizeHints()")) {
        return;
    }
    qtest_message_handler(type, context, message);
}

class Form1SoakTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void oracle_writes_rows_by_hand_data();
    void oracle_writes_rows_by_hand();
    void random_events_keep_the_captions_consistent();

  private:
    std::uint64_t m_seed = default_seed;
    int m_event_count = default_event_count;
};

void Form1SoakTest::initTestCase() {
    qtest_message_handler = qInstallMessageHandler(drop_offscreen_size_hint_warning);
    if (qEnvironmentVariableIsSet("COINCIDENZE_SOAK_SEED")) {
        bool ok = false;
        m_seed = qgetenv("COINCIDENZE_SOAK_SEED").toULongLong(&ok, 0);
        QVERIFY2(ok, "COINCIDENZE_SOAK_SEED is not a number");
    }
    if (qEnvironmentVariableIsSet("COINCIDENZE_SOAK_EVENTS")) {
        bool ok = false;
        m_event_count = qEnvironmentVariableIntValue("COINCIDENZE_SOAK_EVENTS", &ok);
        QVERIFY2(ok && m_event_count > 0, "COINCIDENZE_SOAK_EVENTS is not a positive number");
    }
    qInfo("soak seed 0x%016llx, %d events (COINCIDENZE_SOAK_SEED / COINCIDENZE_SOAK_EVENTS)",
          static_cast<unsigned long long>(m_seed), m_event_count);
}

void Form1SoakTest::cleanupTestCase() {
    qInstallMessageHandler(qtest_message_handler);
}

// The soak compares the window with its own oracle; these rows, written out
// by hand, make sure the oracle reads the digits in the window's order.
void Form1SoakTest::oracle_writes_rows_by_hand_data() {
    QTest::addColumn<std::uint32_t>("word");
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("coincidences");
    QTest::newRow("zero") << 0U << "0  0  0  0  0  0  0  0 | 0  0  0  0  0  0  0  0" << 8;
    QTest::newRow("only d0") << 1U << "0  0  0  0  0  0  0  0 | 0  0  0  0  0  0  0  1" << 7;
    QTest::newRow("only d15") << 32768U << "1  0  0  0  0  0  0  0 | 0  0  0  0  0  0  0  0" << 7;
    QTest::newRow("d15 and d0") << 32769U << "1  0  0  0  0  0  0  0 | 0  0  0  0  0  0  0  1" << 8;
    QTest::newRow("low byte") << 255U << "0  0  0  0  0  0  0  0 | 1  1  1  1  1  1  1  1" << 0;
    QTest::newRow("alternating") << 43690U << "1  0  1  0  1  0  1  0 | 1  0  1  0  1  0  1  0"
                                 << 0;
    QTest::newRow("d14 and d6") << 16448U << "0  1  0  0  0  0  0  0 | 0  1  0  0  0  0  0  0" << 6;
}

void Form1SoakTest::oracle_writes_rows_by_hand() {
    QFETCH(std::uint32_t, word);
    QFETCH(QString, row);
    QFETCH(int, coincidences);
    QCOMPARE(row_of(digits_of(word)), row);
    QVERIFY(digits_shown(row) == digits_of(word));
    QCOMPARE(mirror_coincidences(digits_of(word)), coincidences);
    QVERIFY(y_shown(input_prefix + QString::number(word)) == word);
}

void Form1SoakTest::random_events_keep_the_captions_consistent() {
    Form1 form;
    // Large enough for every control, without a window manager to maximise.
    int right = 0;
    int bottom = 0;
    for (const coincidenze::ControlRow& item : coincidenze::form1_controls) {
        right = std::max(right, coincidenze::twips_to_pixels(item.box.left + item.box.width));
        bottom = std::max(bottom, coincidenze::twips_to_pixels(item.box.top + item.box.height));
    }
    form.resize(right + 48, bottom + 48);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    Soak soak(form, m_seed);
    long rss_after_warm_up = 0;
    int index = 0;
    const auto stop = [&] {
        return QStringLiteral("%1\nseed 0x%2; the last events:\n%3")
            .arg(soak.failure())
            .arg(m_seed, 16, 16, QLatin1Char('0'))
            .arg(soak.recent_events());
    };

    // The warm-up starts with every listed entry and one longer than Text1
    // holds, so that the largest text layout and undo record of the run
    // exist before the first memory sample.
    QStringList warm_up_entries = listed_entries;
    warm_up_entries.insert(1, QString(40'000, u'0') + QStringLiteral("12345"));
    for (const QString& entry : warm_up_entries) {
        soak.begin_event(index++);
        QVERIFY2(soak.enter_and_click(entry), qPrintable(stop()));
    }
    for (; index < m_event_count; ++index) {
        if (index == warm_up_events) {
            soak.forget_typing_history();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            rss_after_warm_up = resident_bytes();
        } else if (index % 250 == 0) {
            soak.forget_typing_history();
        }
        soak.begin_event(index);
        if (!soak.random_event()) {
            QFAIL(qPrintable(stop()));
        }
    }
    qInfo("%s", qPrintable(soak.summary()));

    if (m_event_count >= full_run_events) {
        QVERIFY2(soak.check_run_covered_everything(), qPrintable(soak.failure()));
    }
    if (m_event_count > warm_up_events) {
        soak.forget_typing_history();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const long growth = resident_bytes() - rss_after_warm_up;
        qInfo("resident size grew by %ld KiB after the warm-up", growth / 1024);
        if constexpr (rss_is_meaningful) {
            QVERIFY2(growth <= rss_growth_limit,
                     qPrintable(QStringLiteral("resident size grew by %1 KiB").arg(growth / 1024)));
        }
    }
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    coincidenze::setup_application(app);
    Form1SoakTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "form1_soak_test.moc"
