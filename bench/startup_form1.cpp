// Start-up of the real window up to its first painted frame: the same steps
// as window/main.cpp, then the event loop ends after the first paint.
#include <QApplication>

#include "bench/first_paint_quit.hpp"
#include "window/app_setup.hpp"
#include "window/form1.hpp"

int main(int argc, char* argv[]) {
    coincidenze::DisplayGuard display_guard;
    QApplication app(argc, argv);
    display_guard.release();
    coincidenze::setup_application(app);

    coincidenze::Form1 form;
    const coincidenze::bench::QuitAfterFirstPaint quit(
        form, coincidenze::bench::wants_print_size(argc, argv));
    form.showMaximized();
    return QApplication::exec();
}
