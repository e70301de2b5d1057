// The window and control layer: windows, sheets and the menu bar built from interface definitions, found by
// number, and their controls read and written by control ID. Features never name a widget class.
#pragma once

#include "core/records.h"
#include "platform/fourcc.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class QUndoStack;
class QWidget;

// ---------------------------------------------------------------------------------------------------------
// Index
//   Event sinks ............... where control, window, command and application events go
//   Windows ................... create from a definition, identify, find, show, close
//   Controls .................. find by ID; text, value, enabled state, font style, properties
//   Menu bar and tray ......... the shared menus of every document window
// ---------------------------------------------------------------------------------------------------------

// Event kinds, numbered as the handlers know them.
enum ControlEventKind : int {
    ControlHit = 1,         // a button, check box, radio group or pop-up menu was used
    ControlTextChanged = 3, // the user changed a text field or text view
    ControlFocusSet = 7,    // a text field received the focus
    ControlContextClick = 12,
    ControlClick = 13, // a mouse press on a clickable label
    ControlTrackEnter = 23,
    ControlTrackExit = 24,
    ControlArrowKey = 25,         // an arrow key on a grid cell; EventArrowStep says which way
    ControlSelectionChanged = 26, // the rows selected in a list changed
    ControlDoubleClick = 27,      // a row of a list was double-clicked (or Enter pressed on it)
};
enum WindowEventKind : int { WindowActivated = 5, WindowClose = 72 };
enum AppEventKind : int { AppActivated = 1, AppDeactivated = 2 };

// Keyboard modifiers of an event. Ctrl plays the role of the Option key: window managers take Alt-click.
enum Modifier : unsigned { ModCommand = 0x0100, ModShift = 0x0200, ModOption = 0x0800 };

constexpr int EventHandled = 0;
constexpr int EventNotHandled = -9874;

struct EventSinks {
    std::function<int(int kind, int controlId, unsigned modifiers)>      control;
    std::function<int(int controlId, QWidget* window, QPoint globalPos)> contextClick;
    std::function<int(int kind, int windowId)>                           window;
    std::function<int(FourCC command)>                                   command;
    std::function<void(int kind)>                                        application;
    std::function<void()>                                                focusChanged;
    // An item without a command code in a menu of the menu bar: the menu's name and the item's position.
    std::function<void(const QString& menuName, int item)> menuItem;
};
void SetEventSinks(EventSinks sinks);
// Interface definitions are compiled in; a folder added here is searched after them (tests bring their own).
void AddDefinitionFolder(const QString& folder);

// Windows -------------------------------------------------------------------------------------------------

// A document window from resources/ui/<name>.ui, hidden, with its controls routed and the menu bar attached.
QWidget* CreateWindowFromDefinition(const QString& name);
// A window-modal sheet on the parent window, hidden.
QWidget* CreateSheetFromDefinition(const QString& name, QWidget* parent);
// A drawer: a panel from resources/ui/<name>.ui that slides out at the right side of the parent window and
// lives inside it, so it moves, hides and closes with the window under every window manager, X11 and
// Wayland alike. It is made shut, and is found by its identifier as a window is.
QWidget* CreateDrawerFromDefinition(const QString& name, QWidget* parent);
void     OpenDrawer(QWidget* drawer);  // the parent window widens to make room
void     CloseDrawer(QWidget* drawer); // and narrows again
bool     IsDrawerOpen(const QWidget* drawer);
// A sheet that outlives the windows it is shown on, so that its fields keep their contents: it belongs to a
// window only from ShowSheetOn until it is hidden again.
QWidget* CreateLooseSheetFromDefinition(const QString& name);
void     ShowSheetOn(QWidget* sheet, QWidget* window);
void     SetWindowId(QWidget* window, int id);
int      GetWindowId(const QWidget* window); // 0 when it has none
QWidget* FindWindowById(int id);
bool     IsWindowVisible(const QWidget* window);
bool     IsSheet(const QWidget* window);
void     ShowWindow(QWidget* window); // shows (a minimised one too), raises and activates
void     HideWindow(QWidget* window);
void     SelectWindow(QWidget* window); // brings it forward
// Runs the window's close action through the window event sink, as the close box does.
void CloseWindow(QWidget* window);
// Removes the window without running its close action.
void DisposeWindow(QWidget* window);
// The height of the title bar the window manager gives the window (the style's guess until it is shown).
int WindowTitleBarHeight(const QWidget* window);
// Visible windows with an identifier, front (active) first.
QList<QWidget*> DocumentWindows();
QWidget*        FrontWindow();
QWidget*        FrontSheet();
QWidget*        GetSheetOwner(const QWidget* sheet);   // the window a sheet belongs to
QWidget*        ControlWindow(const QWidget* control); // the window (or sheet) holding a control
void            SetWindowPosition(QWidget* window, QPoint topLeft);
QPoint          GetWindowPosition(const QWidget* window); // the visible sheet most recently active
QWidget*        ActiveWindow(); // the window with the keyboard focus, if the program has it
// The title as shown, without the modified mark.
QString GetWindowTitle(const QWidget* window);
void    SetWindowTitleText(QWidget* window, const QString& title);
// A window that shows a file: the file's name as title, the file as the desktop's proxy for the window.
void    SetWindowFile(QWidget* window, const QString& path);
QString GetWindowFile(const QWidget* window); // empty for a window without one
// The mark of unsaved changes in the title of a window that shows a file.
void SetWindowModifiedMark(QWidget* window, bool modified);
bool IsWindowModifiedMark(const QWidget* window);
// The identifier after `last` in first..lastInRange that no open window carries, wrapping round, so a number
// is not handed out again while others are free; 0 when every one is in use.
int NextFreeWindowId(int last, int first, int lastInRange);
// One title bar lower and to the right of the front window, back to the top left of the screen when the
// cascade would run off it.
void  CascadeWindow(QWidget* window, const QWidget* front);
QRect GetWindowContentBounds(const QWidget* window);
// Changing only the size leaves the window where the window manager put it.
void SetWindowContentBounds(QWidget* window, const QRect& bounds);
// Moves the window (its content) to a saved place and says whether it did. A place is used only where the
// user can reach the window: some screen shows its top edge, with room above for the title bar, across at
// least half its width. An all-zero place (never saved) or one off every screen leaves the placing to the
// window manager. The window keeps its own size.
bool RestoreWindowPlace(QWidget* window, const QRect& saved);
// The content bounds to remember for a window; false for one that has never been on screen.
bool GetWindowPlace(const QWidget* window, QRect* bounds);
// A picture of the window as it shows on the screen; a null image for one that is not shown.
QImage CaptureWindowImage(QWidget* window);
// Shrinks or grows the window to what its controls need.
void  FitWindowToContent(QWidget* window);
void  SetWindowSizeLimits(QWidget* window, QSize minimum, QSize maximum);
QRect MainScreenVisibleFrame();

// Keeps the window at least as wide as its menu bar needs to show every menu (none hidden behind "»").
void KeepMenuBarWhole(QWidget* window);
// Hides (minimises) every window of the program.
void HideApplication();
// Brings every window of the program back (those minimised too) and forward, the front one last.
void BringAllWindowsToFront();

// Controls ------------------------------------------------------------------------------------------------

QWidget* FindControl(QWidget* window, int controlId);
int      GetControlId(const QWidget* control);
QString  GetControlText(const QWidget* control);
void     SetControlText(QWidget* control, const QString& text); // raises no text-changed event
// Check box 0/1, radio group 1..n (0 none), pop-up menu 1..n, spin box or slider its number.
int     GetControlValue(const QWidget* control);
void    SetControlValue(QWidget* control, int value);
bool    IsControlEnabled(const QWidget* control);
void    SetControlEnabled(QWidget* control, bool enabled);
QString GetControlTitle(const QWidget* control);
void    SetControlTitle(QWidget* control, const QString& title); // a button's or box's caption
// The caption of one button of a radio group, numbered from 1 as its value counts them.
QString GetRadioButtonTitle(const QWidget* group, int value);
void    SetRadioButtonTitle(QWidget* group, int value, const QString& title);
void    SetControlVisible(QWidget* control, bool visible);
bool    IsControlVisible(const QWidget* control); // shown within its window
int     GetControlHeight(const QWidget* control); // the height its layout wants for it
// A frame in the desktop's highlight colour around a control (today's cell in the calendar).
void          SetControlEmphasis(QWidget* control, bool emphasised);
void          SetControlFontStyle(QWidget* control, const NoteFontStyle& style);
NoteFontStyle GetControlFontStyle(const QWidget* control);

// Whether SetControlEmphasis framed the control.
bool IsControlEmphasised(const QWidget* control);
// What assistive technology announces for a control, when its visible text does not say it.
void SetControlAccessibleName(QWidget* control, const QString& name);
void SetControlAccessibleDescription(QWidget* control, const QString& description);
// Whether Tab stops at the control; one that is not is still reached by a click or SetFocusToControl.
void SetControlTabStop(QWidget* control, bool tabStop);
// Shows the image file (a resource path too) in an image view; false, leaving it empty, when unreadable.
bool SetControlImage(QWidget* control, const QString& imageFile);

// Family names behind font numbers; -1 is the desktop's font.
// The family drawn for a stored font number: the first installed of the candidates, else the desktop's font.
void SetFontFamilyForNumber(int number, const QStringList& candidates);
// The family chosen for a font number, else the desktop's font.
QString FontFamilyForNumber(int number);
// Date and time pickers, in the local time of the system.
void SetControlDateTime(QWidget* control, int year, int month, int day, int hour, int minute);
bool GetControlDateTime(const QWidget* control, int* year, int* month, int* day, int* hour, int* minute);
// A date picker in the locale's long form with a four-digit year; a time picker with hours and minutes on the
// 12- or 24-hour clock, as the hour field of a clock pattern counts them ("h:mm a" or "HH:mm").
void UseLongDateForm(QWidget* datePicker);
void UseClockForm(QWidget* timePicker, const QString& clockPattern);
void SetControlProperty(QWidget* control, FourCC creator, FourCC tag, const QByteArray& bytes);
bool GetControlProperty(const QWidget* control, FourCC creator, FourCC tag, QByteArray* bytes);
void SetFocusToControl(QWidget* control);
// Pointing hand over clickable controls, I-beam over text.
enum class CursorShape { Arrow, PointingHand, IBeam };
void     SetControlCursor(QWidget* control, CursorShape shape);
unsigned CurrentModifiers();
// The control whose event is being handled, for handlers that need more than its ID.
QWidget* EventControl();

// The arrow key of the ControlArrowKey event being handled, as a step across a grid: x -1 left, +1 right;
// y -1 up, +1 down.
QPoint EventArrowStep();

// Pickers and pop-up menus, each through a replaceable presenter so tests can answer them
// --------------------

// False when the user cancelled; the chosen colour otherwise.
using ColourPresenter = std::function<bool(const QString& prompt, const QColor& start, QColor* chosen)>;
ColourPresenter SetColourPresenter(ColourPresenter presenter);
bool            PickColour(const QString& prompt, const QColor& start, QColor* chosen);

// A contextual menu: item texts, an empty text is a separator, a leading '!' marks a disabled header.
// Returns the 1-based item chosen, or 0.
using MenuPresenter = std::function<int(const QStringList& items, QPoint globalPos)>;
MenuPresenter SetMenuPresenter(MenuPresenter presenter);
int           PopUpContextMenu(const QStringList& items, QPoint globalPos);

// Menu bar and tray ----------------------------------------------------------------------------------------

// Loads the shared menus from resources/ui/<name>.ui; every document window created afterwards shows them.
bool LoadMenuBar(const QString& name);
// Every command code the menu bar carries, in menu order.
QList<FourCC> MenuCommands();
// Triggers a menu item as a click on it would; false if no item has that code.
bool TriggerMenuCommand(FourCC command);
// Hands the command to the command sink as its menu item would, whether or not a menu shows it: how a button
// of one window asks for another window without knowing it.
int SendCommand(FourCC command);
// The items of a menu of the menu bar, named as in its definition; a separator is an empty text.
QStringList GetMenuItemTexts(const QString& menuName);
// Removes every item of the menu but the last `keep`.
void DeleteMenuItemsExceptLast(const QString& menuName, int keep);
// A new first item; choosing it reports its position to the menu-item sink.
void InsertMenuItemAtTop(const QString& menuName, const QString& text);
// Chooses the item at the 1-based position as a click on it would; false when there is no such item.
bool TriggerMenuItem(const QString& menuName, int item);
// The Edit items (undo, redo, cut, copy, paste, delete, select all) follow the focused text control on their
// own: each is enabled only while it has something to act on.
void SetCommandEnabled(FourCC command, bool enabled);
bool IsCommandEnabled(FourCC command);
// A hidden command is neither shown in the menus nor run by its shortcut.
void SetCommandVisible(FourCC command, bool visible);
bool IsCommandVisible(FourCC command);
// The program's own undo steps: Undo and Redo act on the focused text while it has something to undo or
// redo, and on the stack after that, their items then naming its step ("Undo Add Holidays for 2027").
void SetApplicationUndoStack(QUndoStack* stack);
// The standard work of a command the program leaves alone: editing the focused text, closing, hiding.
void RunStandardCommand(FourCC command);
// A tray icon with the same menus where the desktop has a tray; false where it has none.
bool ShowTrayIcon(std::function<void()> activated);
bool TrayAvailable();
bool HasTrayIcon();
