// What Qt itself costs: a bare window holding one label, started, shown and
// ended after its first paint exactly as startup_form1 is. The difference
// between the two is what the program adds to Qt's own start-up.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "bench/first_paint_quit.hpp"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Baseline"));
    auto* label = new QLabel(QStringLiteral("Baseline"), &window);
    label->move(10, 10);
    const coincidenze::bench::QuitAfterFirstPaint quit(
        window, coincidenze::bench::wants_print_size(argc, argv));
    window.showMaximized();
    return QApplication::exec();
}
