#pragma once

#include <QWidget>
#include <array>

#include "window/form1_layout.hpp"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QMessageBox;
class QRadioButton;

namespace coincidenze {

// The program's only window. All of its state lives in its controls: the
// selected option button is the input mode, Text1 holds the manual entry and
// the three result labels show the last analysis.
class Form1 final : public QWidget {
    Q_OBJECT

  public:
    explicit Form1(QWidget* parent = nullptr);

    // Start-up: selects random mode and writes the input line without a
    // number. Runs once, from the constructor, before the window first shows.
    void form_load();

    // One click cycle: choose Y, analyse it, write Label21, Label1 and Label4
    // in that order. A manual entry that is not a whole number from 0 to 65535
    // changes no caption; a warning says so and hands Text1 back, selected.
    void form_Click();

    // The warning about a refused manual entry while it is shown, else null.
    [[nodiscard]] QMessageBox* refusal_message() const { return m_refusal; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // The rows of the captions a click writes.
    static constexpr std::size_t label21_row = form1_control_index("Label21");
    static constexpr std::size_t label1_row = form1_control_index("Label1");
    static constexpr std::size_t label4_row = form1_control_index("Label4");

    // Sets a label's text and, for an auto-sized label, fits its box to it.
    void set_caption(std::size_t row, const QString& text);
    void refuse_manual_entry();

    std::array<QWidget*, form1_controls.size()> m_controls{};
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QButtonGroup* m_mode_group = nullptr;
    QMessageBox* m_refusal = nullptr;
    // A click is a left press and release both on a blank area; a press that
    // started elsewhere (or with another button) makes the release no click.
    bool m_left_pressed_on_blank = false;
};

}  // namespace coincidenze
