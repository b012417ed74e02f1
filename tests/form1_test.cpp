#include "window/form1.hpp"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <cstdint>
#include <string>

#include "analysis/word_analysis.hpp"
#include "window/form1_layout.hpp"

using namespace coincidenze;

namespace {

const QString input_prefix_text = QString::fromUtf8("Numero all'ingresso del calcolatore:  Y =  ");
const QString count_prefix_text = QString::fromUtf8("n\u00b0 coincidenze = ");

// The row of a sixteen-digit word written out from its bits, most
// significant first.
QString row_of(std::uint32_t word) {
    QString row;
    for (int k = 15; k >= 0; --k) {
        if (k != 15) {
            row += (k == 7) ? QStringLiteral(" | ") : QStringLiteral("  ");
        }
        row += ((word >> static_cast<unsigned>(k)) & 1U) != 0 ? QLatin1Char('1') : QLatin1Char('0');
    }
    return row;
}

int coincidences_of(std::uint32_t word) {
    int equal = 0;
    for (unsigned k = 0; k < 8; ++k) {
        equal += ((word >> k) & 1U) == ((word >> (15U - k)) & 1U) ? 1 : 0;
    }
    return equal;
}

QString name_of(const ControlRow& item) {
    return QString::fromLatin1(item.name.data(), static_cast<qsizetype>(item.name.size()));
}

QRect box_in_pixels(const ControlRow& item) {
    return {item.box.left / 15, item.box.top / 15, item.box.width / 15, item.box.height / 15};
}

struct Captions {
    QString label21;
    QString label1;
    QString label4;
    friend bool operator==(const Captions&, const Captions&) = default;
};

char* toString(const Captions& c) {
    return QTest::toString(QStringLiteral("{%1 | %2 | %3}").arg(c.label21, c.label1, c.label4));
}

// Points inside the window that belong to no control, in the layout's
// pixels: corners, gaps between the columns, just past a control's edge.
const QList<QPoint> blank_points{{400, 40},  {2, 2},     {600, 300}, {47, 300},
                                 {300, 140}, {655, 380}, {714, 380}, {1050, 500}};

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void start_state();
    void random_click_shows_a_consistent_word();
    void manual_entries_data();
    void manual_entries();
    void refused_entry_after_a_cycle_keeps_previous_captions();
    void clicks_on_controls_start_nothing_data();
    void clicks_on_controls_start_nothing();
    void clicks_on_blank_points_start_a_cycle_data();
    void clicks_on_blank_points_start_a_cycle();
    void press_and_release_must_both_be_blank();
    void only_the_left_button_clicks();
    void layout_matches_the_table_data();
    void layout_matches_the_table();
    void auto_size_labels_grow_and_shrink();
    void focus_and_tab_order();
    void option_buttons_exclude_each_other();
    void typing_and_switching_change_nothing_until_a_click();

  private:
    template <class Widget>
    Widget* find(const char* name) const {
        auto* widget = m_form->findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            qFatal("no control named %s", name);
        }
        return widget;
    }
    [[nodiscard]] Captions captions() const {
        return {find<QLabel>("Label21")->text(), find<QLabel>("Label1")->text(),
                find<QLabel>("Label4")->text()};
    }
    // A real press and release at `at` (window coordinates), delivered
    // through the window so Qt picks the widget under the point.
    void click_at(QPoint at, Qt::MouseButton button = Qt::LeftButton) const {
        QTest::mouseClick(m_form->windowHandle(), button, {}, at);
    }
    void click_blank() const { click_at(blank_points.front()); }
    void click_control(const char* name) const {
        QWidget* widget = find<QWidget>(name);
        click_at(widget->geometry().center());
    }
    void choose_manual_with(const QString& text) const {
        click_control("Option2");
        QLineEdit* text1 = find<QLineEdit>("Text1");
        text1->setFocus();
        text1->selectAll();
        QTest::keyClick(text1, Qt::Key_Delete);
        type_into(text1, text);
    }
    // keyClicks takes Latin-1 only; other characters go in as key events
    // carrying their text, as an input method delivers them.
    static void type_into(QWidget* widget, const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(widget, c.toLatin1());
            } else {
                QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), {});
                QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), {});
            }
        }
    }
    void close_refusal() {
        QMessageBox* box = m_form->refusal_message();
        QVERIFY(box != nullptr);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(m_form->refusal_message() == nullptr);
    }

    QPointer<Form1> m_form;
    QTimer m_dialog_watchdog;
    QString m_unexpected_dialog;
};

void Form1Test::init() {
    m_form = new Form1;
    // Larger than the layout (it reaches 1017 x 465 px), without relying on
    // a window manager to maximise.
    m_form->resize(1100, 520);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));

    // A modal dialog that no test expects must fail the test, not stall it
    // in a nested event loop: close it and remember what it was.
    m_unexpected_dialog.clear();
    m_dialog_watchdog.setInterval(50);
    connect(&m_dialog_watchdog, &QTimer::timeout, this, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != m_form->refusal_message()) {
            m_unexpected_dialog = modal->metaObject()->className();
            modal->close();
        }
    });
    m_dialog_watchdog.start();
}

void Form1Test::cleanup() {
    m_dialog_watchdog.stop();
    m_dialog_watchdog.disconnect(this);
    const bool refusal_left_open = m_form && m_form->refusal_message() != nullptr;
    delete m_form;
    QVERIFY2(m_unexpected_dialog.isEmpty(),
             qPrintable("unexpected dialog: " + m_unexpected_dialog));
    QVERIFY2(!refusal_left_open, "a refusal message was left open");
}

void Form1Test::start_state() {
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Form1"));
    QVERIFY(find<QRadioButton>("Option1")->isChecked());
    QVERIFY(!find<QRadioButton>("Option2")->isChecked());
    QCOMPARE(find<QLineEdit>("Text1")->text(), QString());
    for (const char* empty : {"Label1", "Label3", "Label5"}) {
        QCOMPARE(find<QLabel>(empty)->text(), QString());
    }
    QCOMPARE(find<QLabel>("Label21")->text(), QString::fromUtf8("n\u00b0 coincidenze ="));
    QCOMPARE(find<QLabel>("Label4")->text(), input_prefix_text);
    QCOMPARE(find<QLabel>("Label15")->text(), QStringLiteral("Y (manuale)"));
    QCOMPARE(find<QLabel>("Label14")->text(),
             QStringLiteral("CORRELAZIONE DI MATRICE          Relazione tra segnali d'ingresso e "
                            "numero delle coincidenze"));
    QCOMPARE(find<QLabel>("Label2")->text(),
             QStringLiteral("Sequenza casuale d'uscita lim. idrofonici"));
    QCOMPARE(find<QRadioButton>("Option1")->text(), QStringLiteral("Cas."));
    QCOMPARE(find<QRadioButton>("Option2")->text(), QStringLiteral("Man."));
    // The restored client area, before any maximising.
    Form1 restored;
    QCOMPARE(restored.size(), QSize(316, 213));
}

void Form1Test::random_click_shows_a_consistent_word() {
    // Several clicks, each checked against the word its own input line names.
    for (int i = 0; i < 20; ++i) {
        click_blank();
        const Captions now = captions();
        QVERIFY(now.label4.startsWith(input_prefix_text));
        bool whole = false;
        const uint word = now.label4.mid(input_prefix_text.size()).toUInt(&whole);
        QVERIFY2(whole, qPrintable(now.label4));
        QVERIFY(word <= 65534);
        QCOMPARE(now.label1, row_of(word));
        QCOMPARE(now.label21, count_prefix_text + QString::number(coincidences_of(word)));
    }
    QVERIFY(find<QRadioButton>("Option1")->isChecked());
}

void Form1Test::manual_entries_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("word");

    QTest::newRow("empty-is-zero") << QString() << true << 0;
    QTest::newRow("whole") << QStringLiteral("255") << true << 255;
    QTest::newRow("leading-blanks") << QStringLiteral("  255") << true << 255;
    QTest::newRow("letters-are-zero") << QStringLiteral("abc") << true << 0;
    QTest::newRow("trailing-letters") << QStringLiteral("12abc") << true << 12;
    QTest::newRow("largest-word") << QStringLiteral("65535") << true << 65535;
    QTest::newRow("top-and-bottom") << QStringLiteral("32769") << true << 32769;
    QTest::newRow("exponent") << QStringLiteral("1e3") << true << 1000;
    QTest::newRow("plus-sign") << QStringLiteral("+7") << true << 7;
    QTest::newRow("negative-zero") << QStringLiteral("-0") << true << 0;
    QTest::newRow("whole-written-as-fraction") << QStringLiteral("8.0") << true << 8;
    QTest::newRow("non-ascii-after-number") << QString::fromUtf8("42\u00e8") << true << 42;
    QTest::newRow("negative") << QStringLiteral("-1") << false << 0;
    QTest::newRow("above-word") << QStringLiteral("65536") << false << 0;
    QTest::newRow("fraction") << QStringLiteral("255.5") << false << 0;
    QTest::newRow("small-fraction") << QStringLiteral("0.5") << false << 0;
    QTest::newRow("overflow") << QStringLiteral("1e999") << false << 0;
    QTest::newRow("negative-overflow") << QStringLiteral("-1e999") << false << 0;
    QTest::newRow("huge") << QStringLiteral("1e300") << false << 0;
}

void Form1Test::manual_entries() {
    QFETCH(QString, entry);
    QFETCH(bool, accepted);
    QFETCH(int, word);

    choose_manual_with(entry);
    const Captions before = captions();
    click_blank();
    if (accepted) {
        QVERIFY(m_form->refusal_message() == nullptr);
        const auto w = static_cast<std::uint32_t>(word);
        const Captions expected{count_prefix_text + QString::number(coincidences_of(w)), row_of(w),
                                input_prefix_text + QString::number(word)};
        QCOMPARE(captions(), expected);
        QCOMPARE(find<QLineEdit>("Text1")->text(), entry);
        return;
    }
    QCOMPARE(captions(), before);
    QMessageBox* box = m_form->refusal_message();
    QVERIFY(box != nullptr);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QVERIFY(box->text().contains(QStringLiteral("numero intero da 0 a 65535")));
    QVERIFY(box->isModal());
    // While the box is open the window takes no click.
    click_blank();
    QCOMPARE(captions(), before);
    close_refusal();
    QLineEdit* text1 = find<QLineEdit>("Text1");
    QTRY_VERIFY(text1->hasFocus());
    QCOMPARE(text1->selectedText(), entry);
    QCOMPARE(text1->text(), entry);
    QVERIFY(find<QRadioButton>("Option2")->isChecked());
}

void Form1Test::refused_entry_after_a_cycle_keeps_previous_captions() {
    choose_manual_with(QStringLiteral("255"));
    click_blank();
    const Captions shown = captions();
    QCOMPARE(shown.label1, row_of(255));

    choose_manual_with(QStringLiteral("70000"));
    click_blank();
    QCOMPARE(captions(), shown);
    close_refusal();

    // Corrected in place, the entry is taken by the next click.
    QTest::keyClicks(find<QLineEdit>("Text1"), QStringLiteral("1"));
    click_blank();
    QCOMPARE(captions().label4, input_prefix_text + QStringLiteral("1"));
}

void Form1Test::clicks_on_controls_start_nothing_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QPoint>("offset");  // from the control's top-left corner
    for (const ControlRow& item : form1_controls) {
        const QString name = name_of(item);
        QTest::addRow("%s-centre", qPrintable(name)) << name << QPoint(-1, -1);
    }
    // Empty auto-size labels are tiny; their whole box belongs to them.
    for (const char* empty : {"Label3", "Label5", "Label1"}) {
        QTest::addRow("%s-corner", empty) << QString::fromLatin1(empty) << QPoint(0, 0);
        QTest::addRow("%s-far-corner", empty) << QString::fromLatin1(empty) << QPoint(4, 23);
    }
    // Margins of controls that ignore presses there themselves.
    QTest::newRow("Option1-right-margin") << QStringLiteral("Option1") << QPoint(47, 2);
    QTest::newRow("Label14-blank-end") << QStringLiteral("Label14") << QPoint(330, 80);
}

void Form1Test::clicks_on_controls_start_nothing() {
    QFETCH(QString, control);
    QFETCH(QPoint, offset);
    if (control == QStringLiteral("Label1")) {
        // Label1 is empty only before the first cycle; keep it that way.
        QCOMPARE(find<QLabel>("Label1")->text(), QString());
    }
    auto* widget = m_form->findChild<QWidget*>(control);
    QVERIFY(widget != nullptr);
    const QRect box = widget->geometry();
    const QPoint at = offset == QPoint(-1, -1) ? box.center() : box.topLeft() + offset;
    QVERIFY2(box.contains(at), "the point must lie on the control");
    QCOMPARE(m_form->childAt(at), widget);

    const Captions before = captions();
    const bool option1 = find<QRadioButton>("Option1")->isChecked();
    click_at(at);
    QCOMPARE(captions(), before);
    QVERIFY(m_form->refusal_message() == nullptr);
    // Clicking an option button selects it; nothing else changes state.
    if (control == QStringLiteral("Option2")) {
        QVERIFY(find<QRadioButton>("Option2")->isChecked());
    } else if (control != QStringLiteral("Option1")) {
        QCOMPARE(find<QRadioButton>("Option1")->isChecked(), option1);
    }
}

void Form1Test::clicks_on_blank_points_start_a_cycle_data() {
    QTest::addColumn<QPoint>("at");
    for (const QPoint& p : blank_points) {
        QTest::addRow("blank-%d-%d", p.x(), p.y()) << p;
    }
}

void Form1Test::clicks_on_blank_points_start_a_cycle() {
    QFETCH(QPoint, at);
    QCOMPARE(m_form->childAt(at), nullptr);
    choose_manual_with(QStringLiteral("255"));
    QCOMPARE(find<QLabel>("Label1")->text(), QString());
    click_at(at);
    QCOMPARE(find<QLabel>("Label1")->text(), row_of(255));
}

void Form1Test::press_and_release_must_both_be_blank() {
    choose_manual_with(QStringLiteral("3"));
    QWindow* window = m_form->windowHandle();
    const QPoint blank = blank_points.front();
    const QPoint on_label = find<QLabel>("Label14")->geometry().center();

    // Pressed on blank, released on a label: no click.
    QTest::mousePress(window, Qt::LeftButton, {}, blank);
    QTest::mouseRelease(window, Qt::LeftButton, {}, on_label);
    QCOMPARE(find<QLabel>("Label1")->text(), QString());

    // Pressed on a label, released on blank: no click.
    QTest::mousePress(window, Qt::LeftButton, {}, on_label);
    QTest::mouseRelease(window, Qt::LeftButton, {}, blank);
    QCOMPARE(find<QLabel>("Label1")->text(), QString());

    // Pressed and released on two blank points: one click.
    QTest::mousePress(window, Qt::LeftButton, {}, blank);
    QTest::mouseRelease(window, Qt::LeftButton, {}, blank_points.at(2));
    QCOMPARE(find<QLabel>("Label1")->text(), row_of(3));
}

void Form1Test::only_the_left_button_clicks() {
    choose_manual_with(QStringLiteral("9"));
    click_at(blank_points.front(), Qt::RightButton);
    click_at(blank_points.front(), Qt::MiddleButton);
    QCOMPARE(find<QLabel>("Label1")->text(), QString());
    click_at(blank_points.front(), Qt::LeftButton);
    QCOMPARE(find<QLabel>("Label1")->text(), row_of(9));
}

void Form1Test::layout_matches_the_table_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < form1_controls.size(); ++i) {
        QTest::addRow("%s", qPrintable(name_of(form1_controls[i]))) << static_cast<int>(i);
    }
}

void Form1Test::layout_matches_the_table() {
    QFETCH(int, row);
    const ControlRow& item = form1_controls.at(static_cast<std::size_t>(row));
    const QString name = name_of(item);
    auto* widget = m_form->findChild<QWidget*>(name);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->parentWidget(), m_form.data());
    QCOMPARE(widget->logicalDpiY(), 96);

    const QRect box = box_in_pixels(item);
    auto* label = qobject_cast<QLabel*>(widget);
    if (item.auto_size == AutoSize::FitsText) {
        QVERIFY(label != nullptr);
        QCOMPARE(widget->pos(), box.topLeft());
        if (label->text().isEmpty()) {
            QCOMPARE(widget->size(), box.size());
        } else {
            const QFontMetrics metrics(label->font());
            QVERIFY(widget->width() >= metrics.horizontalAdvance(label->text()));
            QVERIFY(widget->height() >= metrics.height());
            QVERIFY(!label->wordWrap());
        }
    } else {
        QCOMPARE(widget->geometry(), box);
    }

    const QColor expected_colour = item.colour
                                       ? QColor::fromRgb(*item.colour)
                                       : QApplication::palette(widget).color(QPalette::WindowText);
    QCOMPARE(widget->palette().color(QPalette::WindowText), expected_colour);

    if (item.kind == ControlKind::Label) {
        QVERIFY(label != nullptr);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QCOMPARE(label->wordWrap(), item.auto_size == AutoSize::Fixed);
        QVERIFY(label->alignment().testFlag(Qt::AlignTop));
        QVERIFY(label->alignment().testFlag(Qt::AlignLeft));
        QVERIFY(item.font.has_value());
        const QFont font = label->font();
        QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(font.styleHint(), QFont::SansSerif);
        QCOMPARE(font.pointSizeF(), item.font->points);
        QCOMPARE(font.bold(), item.font->bold);
        // At 96 dpi a point is 4/3 of a pixel: 13.5 pt is 18 px.
        const QFontInfo resolved(font);
        QCOMPARE(resolved.pixelSize(), qRound(item.font->points * 96.0 / 72.0));
        QVERIFY(!resolved.fixedPitch());
    } else {
        QCOMPARE(widget->font(), QApplication::font(widget));
        QVERIFY(widget->focusPolicy() != Qt::NoFocus);
    }
}

void Form1Test::auto_size_labels_grow_and_shrink() {
    QLabel* label4 = find<QLabel>("Label4");
    QLabel* label1 = find<QLabel>("Label1");
    const QPoint corner4 = label4->pos();
    const QPoint corner1 = label1->pos();
    const int prefix_width = label4->width();

    choose_manual_with(QStringLiteral("65535"));
    click_blank();
    const int long_width = label4->width();
    QVERIFY(long_width > prefix_width);
    QVERIFY(label1->width() >= QFontMetrics(label1->font()).horizontalAdvance(label1->text()));
    QVERIFY(label1->width() > box_in_pixels(form1_controls[form1_control_index("Label1")]).width());

    choose_manual_with(QStringLiteral("1"));
    click_blank();
    QVERIFY(label4->width() < long_width);
    QVERIFY(label4->width() > prefix_width);
    QCOMPARE(label4->pos(), corner4);
    QCOMPARE(label1->pos(), corner1);
}

void Form1Test::focus_and_tab_order() {
    QLineEdit* text1 = find<QLineEdit>("Text1");
    auto* option1 = find<QRadioButton>("Option1");
    auto* option2 = find<QRadioButton>("Option2");
    // Text1 has the lowest tab index of the controls that take focus.
    QTRY_COMPARE(QApplication::focusWidget(), text1);

    // The focus chain holds Text1, then the option group in tab-index order,
    // and no label.
    QList<QWidget*> chain;
    for (QWidget* w = text1->nextInFocusChain(); w != text1; w = w->nextInFocusChain()) {
        if (w->focusPolicy() != Qt::NoFocus) {
            chain << w;
        }
    }
    QCOMPARE(chain, (QList<QWidget*>{option2, option1}));

    // The group is one tab stop, its selected option, from the first Tab on.
    QTest::keyClick(text1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), option1);
    QTest::keyClick(option1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), text1);
    QTest::keyClick(text1, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), option1);

    // Selecting the other option moves the stop with it.
    click_control("Option2");
    text1->setFocus();
    QTest::keyClick(text1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), option2);
    QTest::keyClick(option2, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), text1);

    // A click on a blank area moves no focus.
    text1->setFocus();
    click_blank();
    QCOMPARE(QApplication::focusWidget(), text1);
}

void Form1Test::option_buttons_exclude_each_other() {
    auto* option1 = find<QRadioButton>("Option1");
    auto* option2 = find<QRadioButton>("Option2");
    click_control("Option2");
    QVERIFY(option2->isChecked());
    QVERIFY(!option1->isChecked());
    click_control("Option1");
    QVERIFY(option1->isChecked());
    QVERIFY(!option2->isChecked());
    // A second click on the selected one keeps it selected.
    click_control("Option1");
    QVERIFY(option1->isChecked());
}

void Form1Test::typing_and_switching_change_nothing_until_a_click() {
    const Captions at_start = captions();
    QLineEdit* text1 = find<QLineEdit>("Text1");
    text1->setFocus();
    QTest::keyClicks(text1, QStringLiteral("255"));
    QCOMPARE(captions(), at_start);
    click_control("Option2");
    QCOMPARE(captions(), at_start);
    QTest::keyClicks(text1, QStringLiteral("99999"));  // now refused, but not yet read
    QCOMPARE(captions(), at_start);
    text1->clear();
    QTest::keyClicks(text1, QStringLiteral("255"));
    click_control("Option1");
    click_control("Option2");
    QCOMPARE(captions(), at_start);
    QVERIFY(m_form->refusal_message() == nullptr);

    click_blank();
    QCOMPARE(captions().label1, row_of(255));
    QCOMPARE(captions().label21, count_prefix_text + QStringLiteral("0"));
    QCOMPARE(text1->text(), QStringLiteral("255"));
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
