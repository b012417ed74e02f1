#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <string_view>

class QApplication;

namespace coincidenze {

// The line printed when no window can be opened, for a terminal user.
inline constexpr std::string_view no_display_message =
    "coincidenze: serve un display grafico (X11 o Wayland) e non se ne trova uno "
    "raggiungibile; senza schermo si pu\u00f2 avviare con: xvfb-run -a coincidenze";

// Turns Qt's abort when no display can be reached into one clear line on
// standard error and exit status 1. Create it before the QApplication and
// release it once the application exists; messages Qt logs meanwhile are
// held back and passed on at release, so a normal start loses none.
class DisplayGuard {
  public:
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;

    void release();

  private:
    QtMessageHandler m_previous = nullptr;
    bool m_active = false;
};

// Whether the environment names any display platform to try. Without one
// the program stops before Qt looks for a plugin.
[[nodiscard]] bool environment_names_a_display(const char* qpa_platform, const char* display,
                                               const char* wayland_display);

// Desktop integration and language: the desktop file name (so desktops show
// the program's name and icon) and Qt's own texts in Italian.
void setup_application(QApplication& app);

// The desktop entry and AppStream id of the program.
inline constexpr std::string_view desktop_file_id = "io.github.coincidenze.Coincidenze";

}  // namespace coincidenze
