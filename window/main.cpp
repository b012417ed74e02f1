#include <QApplication>

#include "window/app_setup.hpp"
#include "window/form1.hpp"

int main(int argc, char* argv[]) {
    coincidenze::DisplayGuard display_guard;
    QApplication app(argc, argv);
    display_guard.release();
    coincidenze::setup_application(app);

    coincidenze::Form1 form;
    form.showMaximized();
    return QApplication::exec();
}
