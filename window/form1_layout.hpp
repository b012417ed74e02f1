#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace coincidenze {

// Window geometry is designed in twips; 15 twips are one pixel at 96 dpi.
inline constexpr int twips_per_pixel_at_96_dpi = 15;

// Twips to device-independent pixels, rounded to the nearest pixel. Qt's
// high-DPI scaling maps those to device pixels, so this is the only place
// that knows about twips.
[[nodiscard]] constexpr int twips_to_pixels(int twips) {
    return (twips + twips_per_pixel_at_96_dpi / 2) / twips_per_pixel_at_96_dpi;
}

enum class ControlKind { OptionButton, TextBox, Label };

// Auto-size applies to labels only: an auto-sized label fits its one line of
// text, a fixed one keeps its box and wraps at blanks.
enum class AutoSize { NotALabel, Fixed, FitsText };

struct TwipsBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// An RGB text colour, 0xRRGGBB.
using Rgb = std::uint32_t;

struct LabelFont {
    double points = 0.0;
    bool bold = false;
};

// Every label font asks for this family; where it is missing the sans-serif
// style hint lets the font matcher pick the nearest sans-serif.
inline constexpr std::string_view label_font_family = "MS Sans Serif";

struct ControlRow {
    std::string_view name;  // also the widget's object name
    ControlKind kind;
    std::string_view text;          // UTF-8 text at start
    TwipsBox box;                   // for auto-sized labels, the box of the empty label
    std::optional<Rgb> colour;      // nullopt: the platform's window-text colour
    std::optional<LabelFont> font;  // nullopt: the window's default font
    AutoSize auto_size;
    int tab_index;
    // What a screen reader adds to the name, for abbreviated captions.
    std::string_view accessible_description;
};

inline constexpr Rgb orange = 0xFF8000;
inline constexpr Rgb blue = 0x0000FF;
inline constexpr Rgb cyan = 0x00FFFF;

// The window's client area when it is not maximised.
inline constexpr TwipsBox form1_restored_client{0, 0, 4740, 3195};

inline constexpr std::string_view form1_title = "Form1";

// The controls in the order the window holds them; later rows stack above
// earlier ones where boxes touch.
inline constexpr std::array form1_controls{
    ControlRow{"Option1",
               ControlKind::OptionButton,
               "Cas.",
               {9840, 6600, 735, 375},
               {},
               {},
               AutoSize::NotALabel,
               9,
               "Modalit\u00e0 casuale: ogni clic estrae una parola pseudocasuale"},
    ControlRow{"Option2",
               ControlKind::OptionButton,
               "Man.",
               {9840, 6120, 735, 375},
               {},
               {},
               AutoSize::NotALabel,
               8,
               "Modalit\u00e0 manuale: ogni clic usa il numero scritto in Y (manuale)"},
    ControlRow{"Text1",
               ControlKind::TextBox,
               "",
               {9840, 5520, 855, 375},
               {},
               {},
               AutoSize::NotALabel,
               1,
               "Numero intero da 0 a 65535 per la modalit\u00e0 manuale"},
    ControlRow{"Label21",
               ControlKind::Label,
               "n\u00b0 coincidenze =",
               {1560, 3360, 3465, 360},
               {},
               LabelFont{13.5, true},
               AutoSize::Fixed,
               10,
               ""},
    ControlRow{"Label15",
               ControlKind::Label,
               "Y (manuale)",
               {9720, 5160, 1215, 375},
               orange,
               LabelFont{8.25, true},
               AutoSize::Fixed,
               7,
               ""},
    ControlRow{"Label14",
               ControlKind::Label,
               "CORRELAZIONE DI MATRICE          Relazione tra segnali d'ingresso e numero delle "
               "coincidenze",
               {10200, 240, 5055, 1320},
               blue,
               LabelFont{13.5, true},
               AutoSize::Fixed,
               6,
               ""},
    ControlRow{"Label5",
               ControlKind::Label,
               "",
               {720, 4320, 105, 360},
               cyan,
               LabelFont{13.5, true},
               AutoSize::FitsText,
               5,
               ""},
    ControlRow{"Label4",
               ControlKind::Label,
               "",
               {720, 4680, 105, 360},
               orange,
               LabelFont{13.5, true},
               AutoSize::FitsText,
               4,
               ""},
    ControlRow{"Label3",
               ControlKind::Label,
               "",
               {720, 1560, 75, 360},
               blue,
               LabelFont{13.5, false},
               AutoSize::FitsText,
               3,
               ""},
    ControlRow{"Label2",
               ControlKind::Label,
               "Sequenza casuale d'uscita lim. idrofonici",
               {840, 1560, 4890, 300},
               {},
               LabelFont{12.0, true},
               AutoSize::FitsText,
               2,
               ""},
    ControlRow{"Label1",
               ControlKind::Label,
               "",
               {720, 2160, 105, 360},
               {},
               LabelFont{13.5, true},
               AutoSize::FitsText,
               0,
               ""},
};

// The row of `name` in form1_controls; a name not in the table fails to
// compile where it is used in a constant expression.
[[nodiscard]] consteval std::size_t form1_control_index(std::string_view name) {
    for (std::size_t i = 0; i < form1_controls.size(); ++i) {
        if (form1_controls[i].name == name) {
            return i;
        }
    }
    throw "no such control";
}

// The window creates its controls in tab-index order, so the indices must
// number the rows 0 ... n-1, each once.
[[nodiscard]] consteval bool tab_indices_are_a_permutation() {
    std::array<bool, form1_controls.size()> seen{};
    for (const ControlRow& item : form1_controls) {
        if (item.tab_index < 0 || static_cast<std::size_t>(item.tab_index) >= seen.size() ||
            seen.at(static_cast<std::size_t>(item.tab_index))) {
            return false;
        }
        seen.at(static_cast<std::size_t>(item.tab_index)) = true;
    }
    return true;
}
static_assert(tab_indices_are_a_permutation());

}  // namespace coincidenze
