#include "window/app_setup.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace coincidenze {

namespace {

struct HeldMessage {
    QtMsgType type;
    QString file;
    QString function;
    QString category;
    int line;
    QString text;
};

// Only one guard exists at a time (it wraps the application's construction),
// and Qt calls handlers without any context pointer, hence file-scope state.
std::vector<HeldMessage>& held_messages() {
    static std::vector<HeldMessage> messages;
    return messages;
}

[[noreturn]] void exit_without_display() {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(no_display_message.size()),
                 no_display_message.data());
    std::fflush(stderr);
    // Qt is half-way through building the application object; running its
    // destructors or atexit handlers from here is not safe.
    std::_Exit(1);
}

void holding_handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        exit_without_display();
    }
    held_messages().push_back(HeldMessage{type, QString::fromUtf8(context.file),
                                          QString::fromUtf8(context.function),
                                          QString::fromUtf8(context.category), context.line, text});
}

[[nodiscard]] bool is_set(const char* value) {
    return value != nullptr && *value != '\0';
}

}  // namespace

bool environment_names_a_display(const char* qpa_platform, const char* display,
                                 const char* wayland_display) {
    return is_set(qpa_platform) || is_set(display) || is_set(wayland_display);
}

DisplayGuard::DisplayGuard() {
    if (!environment_names_a_display(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                     std::getenv("WAYLAND_DISPLAY"))) {
        exit_without_display();
    }
    held_messages().clear();
    m_previous = qInstallMessageHandler(holding_handler);
    m_active = true;
}

DisplayGuard::~DisplayGuard() {
    release();
}

void DisplayGuard::release() {
    if (!m_active) {
        return;
    }
    m_active = false;
    qInstallMessageHandler(m_previous);
    std::vector<HeldMessage> messages = std::exchange(held_messages(), {});
    for (const HeldMessage& held : messages) {
        const QByteArray file = held.file.toUtf8();
        const QByteArray function = held.function.toUtf8();
        const QByteArray category = held.category.toUtf8();
        const QMessageLogContext context(file.constData(), held.line, function.constData(),
                                         category.constData());
        qt_message_output(held.type, context, held.text);
    }
}

void setup_application(QApplication& app) {
    QGuiApplication::setDesktopFileName(
        QString::fromUtf8(desktop_file_id.data(), static_cast<qsizetype>(desktop_file_id.size())));

    // The interface is Italian whatever the user's locale, so Qt's own texts
    // (the text box's context menu, the message box's button) are too.
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    QLocale::setDefault(italian);
    auto* translator = new QTranslator(&app);
    if (translator->load(italian, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

}  // namespace coincidenze
