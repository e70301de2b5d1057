// The colours of the daynote types and the colour menus.
#include "calendar/colours.h"

#include "core/dates.h"
#include "core/font_presets.h"
#include "core/preference_changes.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/contrast.h"
#include "platform/windows.h"
#include "tools/user_notes.h"

#include <QPalette>
#include <QWidget>

namespace {

RGBColour* StoredTypeColour(int type) {
    Preferences& p = Prefs();
    switch (type) {
    case NoteStandard:
        return &p.stdColour;
    case NoteHoliday:
        return &p.holidayColour;
    case NoteEvent:
        return &p.eventColour;
    case NoteKeeper:
        return &p.keeperColour;
    default:
        return nullptr;
    }
}

QColor FromRGB(const RGBColour& c) {
    return QColor::fromRgba64(c.red, c.green, c.blue);
}

} // namespace

QColor TypeColour(int type) {
    const RGBColour* stored = StoredTypeColour(type);
    return stored ? FromRGB(*stored) : QColor(Qt::black);
}

QColor DisplayColour(const QColor& colour, const QWidget* control) {
    const QColor background = control ? control->palette().color(QPalette::Window) : QColor(Qt::white);
    // Black is the plain text colour: on a dark theme that is the theme's own text colour.
    if (colour == QColor(Qt::black) && IsDarkColour(background) && control)
        return control->palette().color(QPalette::WindowText);
    return ReadableOn(colour, background);
}

void ShowCalendarColourMenu(QPoint globalPos) {
    const int item =
        PopUpContextMenu({QStringLiteral("!Pick Option Below to Set Calendar Date Colors for Daynote Types"),
                          QString(), QStringLiteral("Set color on calendar for standard Daynote"),
                          QStringLiteral("Set color on calendar for holiday Daynote"),
                          QStringLiteral("Set color on calendar for event Daynote"),
                          QStringLiteral("Set color on calendar for keeper Daynote")},
                         globalPos);
    if (item) ContextualChoice(CalendarColourMenu, item, CalendarWindowId);
}

void ContextualChoice(int menuId, int item, int windowId) {
    if (menuId == CalendarColourMenu && item >= 3 && item <= 6) {
        if (ChooseColour(item - 2, 0)) AnnouncePreferenceChange(PrefAspect::TypeColours);
    } else if (menuId == NoteColourMenu && item == 3) {
        PickNoteTextColour(FindWindowById(windowId));
    } else if (menuId == DaynoteColourMenu && item == 3) {
        ChooseColour(5, windowId);
    }
}

bool ChooseColour(int kind, int windowId) {
    const QString prompt = QStringLiteral("Select a color...");
    if (kind >= 1 && kind <= 4) {
        RGBColour* stored = StoredTypeColour(kind);
        QColor     chosen;
        if (!PickColour(prompt, FromRGB(*stored), &chosen)) return false;
        const QRgba64 rgb = chosen.rgba64();
        *stored = {rgb.red(), rgb.green(), rgb.blue()};
        return true;
    }
    if (kind == 5) {
        QWidget* text = FindControl(FindWindowById(windowId), DaynoteTextControl);
        if (!text) return false;
        NoteFontStyle style = GetControlFontStyle(text);
        QColor        chosen;
        const bool    ok = PickColour(
               prompt, FromRGB({uint16_t(style.fgRed), uint16_t(style.fgGreen), uint16_t(style.fgBlue)}),
               &chosen);
        if (ok) {
            const QRgba64 rgb = chosen.rgba64();
            style.fgRed = int16_t(rgb.red());
            style.fgGreen = int16_t(rgb.green());
            style.fgBlue = int16_t(rgb.blue());
            style.bgRed = style.bgGreen = style.bgBlue = 0;
        }
        SetControlFontStyle(text, style);
        return ok;
    }
    return false;
}

int CalendarCellContextClick(int, QWidget*, QPoint globalPos) {
    ShowCalendarColourMenu(globalPos);
    return EventHandled;
}

namespace {

// The colour item of a text's menu, followed by the text's own editing commands: a text area without them
// feels broken.
void ShowTextColourMenu(int menuId, const QString& header, const QString& colourItem, int windowId,
                        int textControlId, QPoint globalPos) {
    QWidget*  text = FindControl(FindWindowById(windowId), textControlId);
    const int item = PopUpContextMenu({QStringLiteral("!") + header, QString(), colourItem, QString(),
                                       QStringLiteral("Cut"), QStringLiteral("Copy"), QStringLiteral("Paste"),
                                       QStringLiteral("Select All")},
                                      globalPos);
    if (item == 3) ContextualChoice(menuId, item, windowId);
    if (item < 5) return;
    static const FourCC editing[] = {MakeFourCC("cut "), MakeFourCC("copy"), MakeFourCC("past"),
                                     MakeFourCC("sall")};
    SetFocusToControl(text);
    RunStandardCommand(editing[item - 5]);
}

} // namespace

void ShowDaynoteColourMenu(int windowId, QPoint globalPos) {
    ShowTextColourMenu(DaynoteColourMenu, QStringLiteral("For the Text in the Daynote Window"),
                       QStringLiteral("Pick Daynote Text Color"), windowId, DaynoteTextControl, globalPos);
}

void ShowNoteColourMenu(int windowId, QPoint globalPos) {
    ShowTextColourMenu(NoteColourMenu, QStringLiteral("For the Text in the Note Window"),
                       QStringLiteral("Pick Note Text Color"), windowId, UserNoteTextControl, globalPos);
}

bool PickNoteTextColour(QWidget* noteWindow) {
    if (!IsUserNoteWindowId(GetWindowId(noteWindow))) return false;
    QColor chosen;
    if (!PickColour(QStringLiteral("Select a color..."), QColor(Qt::black), &chosen)) return false;
    NoteFontStyle style = GetUserNoteStyle(noteWindow);
    const QRgba64 rgb = chosen.rgba64();
    style.fgRed = int16_t(rgb.red());
    style.fgGreen = int16_t(rgb.green());
    style.fgBlue = int16_t(rgb.blue());
    // The font part follows the note's font menu; the preset keeps the colours.
    style = FontPreset(GetControlValue(FindControl(noteWindow, UserNoteFontPopUp)), style);
    SetUserNoteStyle(noteWindow, style);
    return true;
}

int DaynoteTextContextClick(int, QWidget* window, QPoint globalPos) {
    ShowDaynoteColourMenu(GetWindowId(window), globalPos);
    return EventHandled;
}

int NoteTextContextClick(int, QWidget* window, QPoint globalPos) {
    ShowNoteColourMenu(GetWindowId(window), globalPos);
    return EventHandled;
}
