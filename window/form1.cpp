#include "window/form1.hpp"

#include <QButtonGroup>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPalette>
#include <QRadioButton>
#include <string>

#include "analysis/input_word.hpp"
#include "analysis/word_analysis.hpp"

namespace coincidenze {

namespace {

[[nodiscard]] QString qt_text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

[[nodiscard]] QRect pixels(const TwipsBox& box) {
    return {twips_to_pixels(box.left), twips_to_pixels(box.top), twips_to_pixels(box.width),
            twips_to_pixels(box.height)};
}

// An auto-sized label keeps its top-left corner and takes the size of its
// one line of text; empty, it takes the box the layout gives for that state.
void fit_auto_size(QLabel* label, const TwipsBox& empty_box) {
    const QRect empty = pixels(empty_box);
    const QSize size = label->text().isEmpty() ? empty.size() : label->sizeHint();
    label->setGeometry(QRect(empty.topLeft(), size));
}

[[nodiscard]] QWidget* create_control(const ControlRow& item, QWidget* parent) {
    QWidget* widget = nullptr;
    switch (item.kind) {
        case ControlKind::OptionButton:
            widget = new QRadioButton(qt_text(item.text), parent);
            break;
        case ControlKind::TextBox:
            widget = new QLineEdit(qt_text(item.text), parent);
            break;
        case ControlKind::Label: {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setText(qt_text(item.text));
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(item.auto_size == AutoSize::Fixed);
            label->setFocusPolicy(Qt::NoFocus);
            widget = label;
            break;
        }
    }
    widget->setObjectName(qt_text(item.name));
    if (!item.accessible_description.empty()) {
        widget->setAccessibleDescription(qt_text(item.accessible_description));
    }
    // A click on any control belongs to it: Qt would otherwise hand a press
    // that a label (or a button's blank margin) ignores on to the window,
    // where it would count as a click on a blank area.
    widget->setAttribute(Qt::WA_NoMousePropagation);

    if (item.colour) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgb(*item.colour));
        widget->setPalette(palette);
    }
    if (item.font) {
        QFont font = widget->font();
        font.setFamily(qt_text(label_font_family));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(item.font->points);
        font.setBold(item.font->bold);
        widget->setFont(font);
    }
    widget->setGeometry(pixels(item.box));
    return widget;
}

template <class Widget>
[[nodiscard]] Widget* control(const std::array<QWidget*, form1_controls.size()>& controls,
                              std::size_t index) {
    auto* widget = qobject_cast<Widget*>(controls.at(index));
    Q_ASSERT(widget != nullptr);
    return widget;
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    setWindowTitle(qt_text(form1_title));
    resize(pixels(form1_restored_client).size());

    // Qt's focus chain follows creation order, so the controls are created
    // in tab-index order (QWidget::setTabOrder cannot move a widget ahead in
    // the chain in Qt 6.4); raising them afterwards in table order restores
    // the table's stacking.
    std::array<std::size_t, form1_controls.size()> by_tab_index{};
    for (std::size_t i = 0; i < form1_controls.size(); ++i) {
        by_tab_index.at(static_cast<std::size_t>(form1_controls[i].tab_index)) = i;
    }
    for (const std::size_t i : by_tab_index) {
        m_controls.at(i) = create_control(form1_controls[i], this);
    }
    for (QWidget* widget : m_controls) {
        widget->raise();
    }
    m_option1 = control<QRadioButton>(m_controls, form1_control_index("Option1"));
    m_option2 = control<QRadioButton>(m_controls, form1_control_index("Option2"));
    m_text1 = control<QLineEdit>(m_controls, form1_control_index("Text1"));

    // The option group is one tab stop, its selected button; arrow keys move
    // inside it. Qt only arranges that once a button of the group has had the
    // focus, so the window keeps it up itself from the start.
    m_mode_group = new QButtonGroup(this);
    for (QRadioButton* option : {m_option1, m_option2}) {
        option->setFocusPolicy(Qt::ClickFocus);
        m_mode_group->addButton(option);
    }
    connect(m_mode_group, &QButtonGroup::buttonToggled, this,
            [](QAbstractButton* option, bool checked) {
                option->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
            });

    // Screen readers name the text box after the caption above it.
    auto* caption = control<QLabel>(m_controls, form1_control_index("Label15"));
    caption->setBuddy(m_text1);
    m_text1->setAccessibleName(caption->text());

    for (std::size_t i = 0; i < form1_controls.size(); ++i) {
        if (form1_controls[i].auto_size == AutoSize::FitsText) {
            fit_auto_size(qobject_cast<QLabel*>(m_controls[i]), form1_controls[i].box);
        }
    }

    form_load();
}

void Form1::form_load() {
    m_option1->setChecked(true);
    set_caption(label4_row, qt_text(input_prefix));
}

void Form1::form_Click() {
    const InputMode mode = m_option2->isChecked() ? InputMode::Manual : InputMode::Random;
    const std::string entry = m_text1->text().toStdString();
    const double y = choose_input_word(mode, entry);
    if (mode == InputMode::Manual && !is_acceptable_manual_word(y)) {
        refuse_manual_entry();
        return;
    }
    const WordAnalysis analysis = analyse_word(y);
    set_caption(label21_row, qt_text(analysis.count_text));
    set_caption(label1_row, qt_text(analysis.row_text));
    set_caption(label4_row, qt_text(analysis.input_text));
}

void Form1::set_caption(std::size_t row, const QString& text) {
    auto* label = control<QLabel>(m_controls, row);
    label->setText(text);
    if (form1_controls.at(row).auto_size == AutoSize::FitsText) {
        fit_auto_size(label, form1_controls.at(row).box);
    }
}

void Form1::refuse_manual_entry() {
    if (m_refusal != nullptr) {
        return;
    }
    // Window-modal and shown without a nested event loop: the click handler
    // returns at once, and the window takes no clicks until the box closes.
    m_refusal =
        new QMessageBox(QMessageBox::Warning, tr("Valore non accettato"),
                        tr("Y deve essere un numero intero da 0 a 65535."), QMessageBox::Ok, this);
    m_refusal->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_refusal, &QMessageBox::finished, this, [this] {
        m_refusal = nullptr;
        // Hand the window back explicitly: not every platform reactivates the
        // parent of a closed modal box, and focus only shows in an active window.
        activateWindow();
        m_text1->setFocus(Qt::OtherFocusReason);
        m_text1->selectAll();
    });
    m_refusal->open();
}

void Form1::mousePressEvent(QMouseEvent* event) {
    m_left_pressed_on_blank =
        event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton;
    event->accept();
}

void Form1::mouseReleaseEvent(QMouseEvent* event) {
    const bool was_pressed = m_left_pressed_on_blank;
    m_left_pressed_on_blank = false;
    event->accept();
    // The release must come back over a blank point of the window, as a
    // button's click requires the release over the button.
    const QPoint at = event->position().toPoint();
    if (was_pressed && event->button() == Qt::LeftButton && rect().contains(at) &&
        childAt(at) == nullptr) {
        form_Click();
    }
}

}  // namespace coincidenze
