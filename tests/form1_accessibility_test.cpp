// What a screen reader finds in the window, read in-process through Qt's
// accessibility interfaces. The offscreen platform has no accessibility
// bridge, so QAccessible never becomes active and no change events can be
// observed here; the interfaces themselves are live views of the widgets.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "window/app_setup.hpp"
#include "window/form1.hpp"
#include "window/form1_layout.hpp"

using coincidenze::Form1;

namespace {

// A point of the window that no control covers.
constexpr QPoint blank_point{400, 40};

QString name_of(const coincidenze::ControlRow& item) {
    return QString::fromLatin1(item.name.data(), static_cast<qsizetype>(item.name.size()));
}

QString describe(QAccessibleInterface* iface) {
    if (iface == nullptr) {
        return QStringLiteral("nothing");
    }
    return QStringLiteral("%1 \"%2\"")
        .arg(
            QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(iface->role())),
            iface->text(QAccessible::Name));
}

}  // namespace

class Form1AccessibilityTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void controls_are_named_data();
    void controls_are_named();
    void text_box_is_labelled_by_its_caption();
    void window_holds_every_control();
    void captions_read_after_a_click_data();
    void captions_read_after_a_click();
    void random_caption_reads_like_the_label();
    void tab_order_data();
    void tab_order();
    void refusal_is_read_and_focus_returns();

  private:
    template <class Widget>
    Widget* find(const QString& name) const {
        auto* widget = m_form->findChild<Widget*>(name);
        if (widget == nullptr) {
            qFatal("no control named %s", qPrintable(name));
        }
        return widget;
    }
    QAccessibleInterface* iface(const QString& name) const {
        return QAccessible::queryAccessibleInterface(find<QWidget>(name));
    }
    void click_at(QWidget* widget, QPoint at = {}) {
        m_clicking = true;
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
                          at.isNull() ? widget->rect().center() : at);
        m_clicking = false;
    }
    void enter_manually(const QString& entry) {
        click_at(find<QRadioButton>(QStringLiteral("Option2")));
        auto* text1 = find<QLineEdit>(QStringLiteral("Text1"));
        click_at(text1);
        QTest::keyClick(text1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(text1, entry);
    }
    QAccessibleInterface* focused() const {
        return QAccessible::queryAccessibleInterface(m_form.data())->focusChild();
    }

    QPointer<Form1> m_form;
    // A click returns at once; a modal window up while one is still running
    // has a nested event loop, which would stall the test. The watchdog
    // closes it and the test fails.
    QTimer m_watchdog;
    bool m_clicking = false;
    QString m_modal_during_click;
};

void Form1AccessibilityTest::init() {
    m_form = new Form1;
    m_form->resize(1100, 520);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_modal_during_click.clear();
    m_watchdog.setInterval(100);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && m_clicking) {
            m_modal_during_click = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    m_watchdog.start();
}

void Form1AccessibilityTest::cleanup() {
    m_watchdog.stop();
    m_watchdog.disconnect(this);
    delete m_form;
    QVERIFY2(m_modal_during_click.isEmpty(),
             qPrintable(m_modal_during_click + " ran a nested event loop inside a click"));
}

void Form1AccessibilityTest::controls_are_named_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QAccessible::Role>("role");
    // Empty: the label's own text, whatever it shows.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    QTest::newRow("Option1") << "Option1" << QAccessible::RadioButton << "Cas."
                             << QString::fromUtf8(
                                    "Modalit\u00e0 casuale: ogni clic estrae una parola "
                                    "pseudocasuale");
    QTest::newRow("Option2") << "Option2" << QAccessible::RadioButton << "Man."
                             << QString::fromUtf8(
                                    "Modalit\u00e0 manuale: ogni clic usa il numero scritto in Y "
                                    "(manuale)");
    QTest::newRow("Text1") << "Text1" << QAccessible::EditableText << "Y (manuale)"
                           << QString::fromUtf8(
                                  "Numero intero da 0 a 65535 per la modalit\u00e0 manuale");
    for (const coincidenze::ControlRow& item : coincidenze::form1_controls) {
        if (item.kind == coincidenze::ControlKind::Label) {
            QTest::addRow("%s", qPrintable(name_of(item)))
                << name_of(item) << QAccessible::StaticText << QString() << QString();
        }
    }
}

void Form1AccessibilityTest::controls_are_named() {
    QFETCH(QString, control);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, description);

    QAccessibleInterface* control_iface = iface(control);
    QVERIFY(control_iface != nullptr && control_iface->isValid());
    QCOMPARE(control_iface->role(), role);
    if (auto* label = qobject_cast<QLabel*>(control_iface->object())) {
        QCOMPARE(control_iface->text(QAccessible::Name), label->text());
        QVERIFY(!control_iface->state().focusable);
    } else {
        QCOMPARE(control_iface->text(QAccessible::Name), name);
        QVERIFY(control_iface->state().focusable);
    }
    QCOMPARE(control_iface->text(QAccessible::Description), description);
    QVERIFY(!control_iface->state().invisible);
    QVERIFY(!control_iface->state().disabled);
    if (role == QAccessible::RadioButton) {
        QVERIFY(control_iface->state().checkable);
    }
    if (role == QAccessible::EditableText) {
        QVERIFY(control_iface->state().editable);
        QVERIFY(control_iface->textInterface() != nullptr);
    }
}

// Screen readers announce Text1 with the caption above it.
void Form1AccessibilityTest::text_box_is_labelled_by_its_caption() {
    QAccessibleInterface* text1 = iface(QStringLiteral("Text1"));
    QAccessibleInterface* label15 = iface(QStringLiteral("Label15"));
    const auto labels = text1->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.front().first->object(), label15->object());
    const auto labelled = label15->relations(QAccessible::Labelled);
    QCOMPARE(labelled.size(), 1);
    QCOMPARE(labelled.front().first->object(), text1->object());
}

void Form1AccessibilityTest::window_holds_every_control() {
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(m_form.data());
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Form1"));

    QStringList children;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* child = window->child(i);
        QVERIFY(child != nullptr);
        QCOMPARE(child->parent()->object(), m_form.data());
        QCOMPARE(window->indexOfChild(child), i);
        children << child->object()->objectName();
    }
    QStringList controls;
    for (const coincidenze::ControlRow& item : coincidenze::form1_controls) {
        controls << name_of(item);
    }
    children.sort();
    controls.sort();
    QCOMPARE(children, controls);

    // Pointer-driven readers and magnifiers find a control where it is
    // drawn. An option's box is its clickable part, indicator and text.
    for (const QString& name : controls) {
        QWidget* control = find<QWidget>(name);
        const QRect box = iface(name)->rect();
        QVERIFY2(!box.isEmpty(), qPrintable(name));
        QVERIFY2(QRect(control->mapToGlobal(QPoint(0, 0)), control->size()).contains(box),
                 qPrintable(name));
        QAccessibleInterface* hit = window->childAt(box.center().x(), box.center().y());
        QVERIFY2(hit != nullptr, qPrintable(name));
        QCOMPARE(hit->object(), m_form->childAt(m_form->mapFromGlobal(box.center())));
    }
}

void Form1AccessibilityTest::captions_read_after_a_click_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("label21");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("label4");
    const QString count = QString::fromUtf8("n\u00b0 coincidenze = ");
    const QString input = QStringLiteral("Numero all'ingresso del calcolatore:  Y =  ");
    QTest::newRow("alternating digits, no pair equal")
        << "43690" << count + "0"
        << "1  0  1  0  1  0  1  0 | 1  0  1  0  1  0  1  0" << input + "43690";
    QTest::newRow("outer digits set, every pair equal")
        << "32769" << count + "8"
        << "1  0  0  0  0  0  0  0 | 0  0  0  0  0  0  0  1" << input + "32769";
    QTest::newRow("leading blanks, low byte set")
        << "   255" << count + "0"
        << "0  0  0  0  0  0  0  0 | 1  1  1  1  1  1  1  1" << input + "255";
    QTest::newRow("largest word") << "65535" << count + "8"
                                  << "1  1  1  1  1  1  1  1 | 1  1  1  1  1  1  1  1"
                                  << input + "65535";
}

// The caption labels keep no name of their own: the interface a reader
// fetched before the click reads the new caption after it.
void Form1AccessibilityTest::captions_read_after_a_click() {
    QFETCH(QString, entry);
    QFETCH(QString, label21);
    QFETCH(QString, label1);
    QFETCH(QString, label4);

    QAccessibleInterface* count = iface(QStringLiteral("Label21"));
    QAccessibleInterface* row = iface(QStringLiteral("Label1"));
    QAccessibleInterface* input = iface(QStringLiteral("Label4"));
    enter_manually(entry);
    click_at(m_form, blank_point);

    QCOMPARE(count->text(QAccessible::Name), label21);
    QCOMPARE(row->text(QAccessible::Name), label1);
    QCOMPARE(input->text(QAccessible::Name), label4);
    // Auto-sized captions grow with their text; a reader's highlight follows.
    QCOMPARE(input->rect().size(), find<QLabel>(QStringLiteral("Label4"))->size());
}

void Form1AccessibilityTest::random_caption_reads_like_the_label() {
    QAccessibleInterface* input = iface(QStringLiteral("Label4"));
    const QString before = input->text(QAccessible::Name);
    click_at(m_form, blank_point);
    const QString after = input->text(QAccessible::Name);
    QVERIFY(after != before);
    QCOMPARE(after, find<QLabel>(QStringLiteral("Label4"))->text());
    QCOMPARE(iface(QStringLiteral("Label1"))->text(QAccessible::Name),
             find<QLabel>(QStringLiteral("Label1"))->text());
}

void Form1AccessibilityTest::tab_order_data() {
    QTest::addColumn<QString>("mode");  // how the mode is chosen before tabbing
    QTest::addColumn<int>("key");
    // Who a reader announces after each key, starting from Text1.
    QTest::addColumn<QStringList>("announced");

    const QStringList random_stops{"Cas.", "Y (manuale)", "Cas."};
    const QStringList manual_stops{"Man.", "Y (manuale)", "Man."};
    for (const auto& [key, key_name] :
         {std::pair{Qt::Key_Tab, "Tab"}, std::pair{Qt::Key_Backtab, "Backtab"}}) {
        QTest::addRow("random, window just opened, %s", key_name)
            << "start" << static_cast<int>(key) << random_stops;
        QTest::addRow("random chosen by mouse, %s", key_name)
            << "click Option1" << static_cast<int>(key) << random_stops;
        QTest::addRow("manual chosen by mouse, %s", key_name)
            << "click Option2" << static_cast<int>(key) << manual_stops;
        QTest::addRow("manual chosen by arrow key, %s", key_name)
            << "arrow to Option2" << static_cast<int>(key) << manual_stops;
    }
}

// Text1 (tab index 1) and the option group (8 and 9) take the focus in
// turn; the labels never do. The group is one stop, its selected option, as
// arrow keys move inside it.
void Form1AccessibilityTest::tab_order() {
    QFETCH(QString, mode);
    QFETCH(int, key);
    QFETCH(QStringList, announced);

    auto* option1 = find<QRadioButton>(QStringLiteral("Option1"));
    if (mode == QLatin1String("click Option1")) {
        click_at(option1);
    } else if (mode == QLatin1String("click Option2")) {
        click_at(find<QRadioButton>(QStringLiteral("Option2")));
    } else if (mode == QLatin1String("arrow to Option2")) {
        click_at(option1);
        QTest::keyClick(option1, Qt::Key_Up);
        QVERIFY(find<QRadioButton>(QStringLiteral("Option2"))->isChecked());
    }
    click_at(find<QLineEdit>(QStringLiteral("Text1")));
    QCOMPARE(describe(focused()), QStringLiteral("EditableText \"Y (manuale)\""));

    for (int i = 0; i < announced.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
        QAccessibleInterface* now = focused();
        QVERIFY(now != nullptr);
        QVERIFY(now->state().focused);
        QCOMPARE(now->text(QAccessible::Name), announced.at(i));
        if (now->role() == QAccessible::RadioButton) {
            QVERIFY2(now->state().checked, "the group's stop is not its selected option");
        }
    }
}

// The refusal is an alert whose name and text a reader speaks, with OK in
// focus; closing it puts the reader back on Text1 with the entry selected.
void Form1AccessibilityTest::refusal_is_read_and_focus_returns() {
    enter_manually(QStringLiteral("65536"));
    click_at(m_form, blank_point);
    QMessageBox* box = m_form->refusal_message();
    QVERIFY(box != nullptr);

    QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(box);
    QCOMPARE(alert->role(), QAccessible::AlertMessage);
    QCOMPARE(alert->text(QAccessible::Name), QStringLiteral("Valore non accettato"));
    const QString message = QStringLiteral("Y deve essere un numero intero da 0 a 65535.");
    QCOMPARE(alert->text(QAccessible::Value), message);
    bool message_is_a_child = false;
    for (int i = 0; i < alert->childCount(); ++i) {
        message_is_a_child |= alert->child(i)->role() == QAccessible::StaticText &&
                              alert->child(i)->text(QAccessible::Name) == message;
    }
    QVERIFY(message_is_a_child);
    // The box takes the focus once the platform activates it.
    QTRY_VERIFY(alert->focusChild() != nullptr);
    QAccessibleInterface* in_box = alert->focusChild();
    while (in_box->focusChild() != nullptr && in_box->focusChild() != in_box) {
        in_box = in_box->focusChild();
    }
    QCOMPARE(in_box->role(), QAccessible::Button);
    QCOMPARE(in_box->text(QAccessible::Name), box->button(QMessageBox::Ok)->text());

    QTest::keyClick(box, Qt::Key_Escape);
    QTRY_COMPARE(describe(focused()), QStringLiteral("EditableText \"Y (manuale)\""));
    QAccessibleTextInterface* text = focused()->textInterface();
    QVERIFY(text != nullptr);
    QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("65536"));
    QCOMPARE(text->selectionCount(), 1);
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    QCOMPARE(start, 0);
    QCOMPARE(end, text->characterCount());
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    coincidenze::setup_application(app);
    Form1AccessibilityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "form1_accessibility_test.moc"
