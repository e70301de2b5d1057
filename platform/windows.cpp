// The window and control layer over Qt Widgets. Windows carry their identifier and controls their ID as
// dynamic properties; one event filter turns Qt's signals and events into the program's numbered events.
#include "platform/windows.h"

#include "platform/contrast.h"
#include "platform/day_cell.h"
#include "platform/list_view.h"
#include "platform/year_text.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QUiLoader>
#include <QUndoStack>
#include <QVariantAnimation>
#include <QWindow>
#include <algorithm>
#include <iterator>
#include <utility>

// ---------------------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------------------

namespace {

const char* const WindowIdProperty = "windowId";
const char* const ControlIdProperty = "controlId";
const char* const CommandCodeProperty = "commandCode";
const char* const FontStyleProperty = "vrdxFontStyle";
const char* const InkGroundProperty = "vrdxInkGround"; // the background the text colour was fitted to
const char* const DisposingProperty = "vrdxDisposing";
const char* const ShownProperty = "vrdxShown"; // the window has been on screen
const char* const LooseSheetProperty = "vrdxLooseSheet";
// Set in a definition on the button that Escape presses.
const char* const EscapeButtonProperty = "escapeButton";

EventSinks                sinks;
QList<QPointer<QWidget>>  windows;      // every window made here, most recently active first
QPointer<QMainWindow>     menuHolder;   // owns the shared menus; never shown
QList<QPointer<QMenu>>    sharedMenus;  // the menu bar's top-level menus
QHash<int, QString>       fontFamilies; // font number -> family
QPointer<QSystemTrayIcon> trayIcon;
int                       suppressTextEvents = 0; // what the program sets is no user's change
QPointer<QWidget>         eventControl;           // the control whose event is being handled
ColourPresenter           colourPresenter;
MenuPresenter             menuPresenter;
// Controls by ID per window, filled when the window is made: the tick looks controls up twice a second.
QHash<const QWidget*, QHash<int, QPointer<QWidget>>> controlIndex;

// The program's own widget classes, by the class names the definitions use.
class ProgramLoader : public QUiLoader {
  public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        QWidget* made = nullptr;
        if (className == QLatin1String("DayCell"))
            made = new DayCell(parent);
        else if (className == QLatin1String("YearText"))
            made = new YearText(parent);
        else
            return QUiLoader::createWidget(className, parent, name);
        made->setObjectName(name);
        return made;
    }
};

QUiLoader& Loader() {
    static ProgramLoader loader;
    return loader;
}

QStringList definitionFolders{QStringLiteral(":/resources/ui")};

QWidget* LoadDefinition(const QString& name, QWidget* parent) {
    for (const QString& folder : definitionFolders) {
        QFile file(QStringLiteral("%1/%2.ui").arg(folder, name));
        if (file.open(QIODevice::ReadOnly)) return Loader().load(&file, parent);
    }
    return nullptr;
}

int PropertyId(const QObject* o) {
    const QVariant v = o->property(ControlIdProperty);
    return v.isValid() ? v.toInt() : 0;
}

// The control a widget belongs to: itself, or the nearest ancestor with an ID (a text view's viewport, a
// radio button inside its group), stopping at the window.
QWidget* OwningControl(QWidget* w) {
    for (; w; w = w->parentWidget()) {
        if (PropertyId(w)) return w;
        if (w->isWindow()) break;
    }
    return nullptr;
}

QList<QRadioButton*> GroupRadios(const QWidget* group) {
    QList<QRadioButton*> radios;
    for (QRadioButton* r : group->findChildren<QRadioButton*>())
        if (!PropertyId(r)) radios << r;
    return radios;
}

unsigned ModifiersOf(Qt::KeyboardModifiers mods) {
    unsigned result = 0;
    if (mods & Qt::ControlModifier) result |= ModOption;
    if (mods & Qt::ShiftModifier) result |= ModShift;
    if (mods & Qt::MetaModifier) result |= ModCommand;
    return result;
}

void RaiseControlEvent(int kind, QWidget* control, unsigned modifiers) {
    if (!sinks.control) return;
    QPointer<QWidget> outer = eventControl;
    eventControl = control;
    sinks.control(kind, PropertyId(control), modifiers);
    eventControl = outer;
}

void RaiseControlEvent(int kind, QWidget* control) {
    RaiseControlEvent(kind, control, CurrentModifiers());
}

QPoint arrowStep; // the arrow key of the ControlArrowKey event being handled

// A day cell is pressed by Return, Enter or Space (Ctrl as the Option key) and hands the arrow keys to its
// grid's owner, which knows where a step lands.
bool DayCellKey(QWidget* cell, QKeyEvent* key) {
    static const QHash<int, QPoint> arrows{
        {Qt::Key_Left, {-1, 0}}, {Qt::Key_Right, {1, 0}}, {Qt::Key_Up, {0, -1}}, {Qt::Key_Down, {0, 1}}};
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!key->isAutoRepeat()) RaiseControlEvent(ControlClick, cell, ModifiersOf(key->modifiers()));
        return true;
    default:
        break;
    }
    if (!arrows.contains(key->key())) return false;
    const QPoint outer = std::exchange(arrowStep, arrows[key->key()]);
    RaiseControlEvent(ControlArrowKey, cell, ModifiersOf(key->modifiers()));
    arrowStep = outer;
    return true;
}

void MoveToFront(QWidget* window) {
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i] == window) {
            windows.move(i, 0);
            return;
        }
    }
}

// Ctrl+Tab and Ctrl+Shift+Tab take the focus out of a text view where Tab types a tab, as on other desktops.
bool LeavesTextView(QWidget* control, const QKeyEvent* key) {
    if (!qobject_cast<QTextEdit*>(control) && !qobject_cast<QPlainTextEdit*>(control)) return false;
    if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) return false;
    if (!(key->modifiers() & Qt::ControlModifier)) return false;
    const bool backward = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
    // The window moves the focus on as for a Tab that no control took.
    QKeyEvent tab(QEvent::KeyPress, backward ? Qt::Key_Backtab : Qt::Key_Tab,
                  backward ? Qt::ShiftModifier : Qt::NoModifier);
    QCoreApplication::sendEvent(control->window(), &tab);
    return true;
}

QColor TextGround(const QWidget* control);
void   PaintFontStyleColours(QWidget* control, const NoteFontStyle& style);

class EventRouter : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (!widget) return false;
        if (widget->isWindow() && widget->property(WindowIdProperty).isValid() && !PropertyId(widget))
            return WindowEvent(widget, event);
        QWidget* control = OwningControl(widget);
        if (!control) return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            // Labels and frames have no click signal of their own.
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                (qobject_cast<QLabel*>(control) || qobject_cast<DayCell*>(control) ||
                 control->metaObject() == &QFrame::staticMetaObject ||
                 control->metaObject() == &QWidget::staticMetaObject)) {
                if (control->isEnabled()) RaiseControlEvent(ControlClick, control);
                return true;
            }
            break;
        case QEvent::KeyPress:
            if (widget == control && qobject_cast<DayCell*>(control) && control->isEnabled())
                return DayCellKey(control, static_cast<QKeyEvent*>(event));
            if (widget == control && LeavesTextView(control, static_cast<QKeyEvent*>(event))) return true;
            break;
        case QEvent::ContextMenu:
            if (sinks.contextClick) {
                const QPoint pos = static_cast<QContextMenuEvent*>(event)->globalPos();
                if (sinks.contextClick(PropertyId(control), control->window(), pos) == EventHandled)
                    return true;
            }
            break;
        case QEvent::Enter:
            if (widget == control) RaiseControlEvent(ControlTrackEnter, control);
            break;
        case QEvent::Leave:
            if (widget == control) RaiseControlEvent(ControlTrackExit, control);
            break;
        case QEvent::FocusIn:
            if (widget == control) RaiseControlEvent(ControlFocusSet, control);
            break;
        case QEvent::PaletteChange:
            // The desktop changed its colours (a dark scheme): the text colour is fitted to the new
            // background (which sends one more change, with the background it was fitted to).
            if (widget == control && control->property(InkGroundProperty).isValid() &&
                control->property(InkGroundProperty).value<QColor>() != TextGround(control))
                PaintFontStyleColours(control, GetControlFontStyle(control));
            break;
        default:
            break;
        }
        return false;
    }

  private:
    bool WindowEvent(QWidget* window, QEvent* event) {
        const int id = GetWindowId(window);
        if (event->type() == QEvent::Show) {
            window->setProperty(ShownProperty, true);
        } else if (event->type() == QEvent::Hide && window->property(LooseSheetProperty).toBool()) {
            // Let go of the window once the hiding is over, so that closing that window spares the sheet.
            QTimer::singleShot(0, window, [window] {
                if (!window->isVisible() && window->parentWidget())
                    window->setParent(nullptr, window->windowFlags());
            });
        } else if (event->type() == QEvent::WindowActivate) {
            MoveToFront(window);
            if (sinks.window) sinks.window(WindowActivated, id);
        } else if (event->type() == QEvent::Close) {
            if (window->property(DisposingProperty).toBool()) return false;
            const int status = sinks.window ? sinks.window(WindowClose, id) : EventNotHandled;
            if (status == EventHandled) {
                // The close action kept the window (a sheet hides itself).
                event->ignore();
                return true;
            }
            window->setAttribute(Qt::WA_DeleteOnClose);
        }
        return false;
    }
};

EventRouter& Router() {
    static EventRouter* router = new EventRouter; // lives as long as the program
    return *router;
}

void RouteControl(QWidget* control) {
    control->installEventFilter(&Router());
    for (QWidget* child : control->findChildren<QWidget*>())
        if (!PropertyId(child)) child->installEventFilter(&Router()); // viewports, inner editors
    if (auto* cell = qobject_cast<DayCell*>(control)) {
        // Only assistive technology clicks a cell this way (mouse and keys are taken by the router), and its
        // press is a plain one whatever keys happen to be held.
        QObject::connect(cell, &QAbstractButton::clicked, cell,
                         [cell] { RaiseControlEvent(ControlClick, cell, 0); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        // A check box reports its new state, whoever changed it: a screen reader's Toggle sends no click.
        if (button->isCheckable())
            QObject::connect(button, &QAbstractButton::toggled, button, [button] {
                if (!suppressTextEvents) RaiseControlEvent(ControlHit, button);
            });
        else
            QObject::connect(button, &QAbstractButton::clicked, button,
                             [button] { RaiseControlEvent(ControlHit, button); });
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo] {
            if (!suppressTextEvents) RaiseControlEvent(ControlHit, combo);
        });
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        // Typing, pasting and a text set through the accessibility interface alike.
        QObject::connect(line, &QLineEdit::textChanged, line, [line] {
            if (!suppressTextEvents) RaiseControlEvent(ControlTextChanged, line);
        });
    } else if (auto* text = qobject_cast<QTextEdit*>(control)) {
        QObject::connect(text, &QTextEdit::textChanged, text, [text] {
            if (!suppressTextEvents) RaiseControlEvent(ControlTextChanged, text);
        });
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        QObject::connect(plain, &QPlainTextEdit::textChanged, plain, [plain] {
            if (!suppressTextEvents) RaiseControlEvent(ControlTextChanged, plain);
        });
    } else if (auto* list = qobject_cast<QTreeView*>(control)) {
        AttachListModel(list);
        QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, list,
                         [list] { RaiseControlEvent(ControlSelectionChanged, list); });
        QObject::connect(list, &QAbstractItemView::activated, list,
                         [list] { RaiseControlEvent(ControlDoubleClick, list); });
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        QObject::connect(spin, &QSpinBox::valueChanged, spin, [spin] {
            if (!suppressTextEvents) RaiseControlEvent(ControlHit, spin);
        });
    } else {
        // A radio group: its buttons report as the group, once per choice (the button turned on).
        for (QRadioButton* radio : GroupRadios(control))
            QObject::connect(radio, &QAbstractButton::toggled, control, [control](bool on) {
                if (on && !suppressTextEvents) RaiseControlEvent(ControlHit, control);
            });
    }
}

void RouteWindow(QWidget* window) {
    window->installEventFilter(&Router());
    for (QWidget* w : window->findChildren<QWidget*>())
        if (PropertyId(w)) RouteControl(w);
    windows.prepend(window);
    QObject::connect(window, &QObject::destroyed,
                     [] { windows.removeIf([](const QPointer<QWidget>& p) { return p.isNull(); }); });
}

void AttachMenuBar(QWidget* window) {
    if (sharedMenus.isEmpty()) return;
    auto* bar = new QMenuBar(window);
    for (const QPointer<QMenu>& menu : sharedMenus)
        if (menu) bar->addMenu(menu);
    if (auto* main = qobject_cast<QMainWindow*>(window))
        main->setMenuBar(bar);
    else if (window->layout())
        window->layout()->setMenuBar(bar);
}

QList<QAction*> CommandActions() {
    QList<QAction*> actions;
    if (!menuHolder) return actions;
    for (QAction* a : menuHolder->findChildren<QAction*>())
        if (a->property(CommandCodeProperty).isValid()) actions << a;
    return actions;
}

QColor ColourOf(int16_t r, int16_t g, int16_t b) {
    return QColor::fromRgba64(uint16_t(r), uint16_t(g), uint16_t(b));
}

// Text views and fields draw their text on the Base colour, every other control on the window's.
QPalette::ColorRole TextGroundRole(const QWidget* control) {
    return qobject_cast<const QTextEdit*>(control) || qobject_cast<const QPlainTextEdit*>(control) ||
                   qobject_cast<const QLineEdit*>(control)
               ? QPalette::Base
               : QPalette::Window;
}

QColor TextGround(const QWidget* control) {
    return control->palette().color(TextGroundRole(control));
}

// What parts of a font style apply.
enum FontStyleFlag : int {
    UseFont = 0x01,
    UseFace = 0x02,
    UseSize = 0x04,
    UseForeColour = 0x08,
    UseBackColour = 0x10,
    UseJust = 0x40
};

// The style's colours on the control. The stored colour stays as it is; what is drawn reads on the desktop's
// colours, light or dark, black being the desktop's own text colour.
void PaintFontStyleColours(QWidget* control, const NoteFontStyle& style) {
    QPalette palette = control->palette();
    if (style.flags & UseBackColour)
        palette.setColor(QPalette::Base, ColourOf(style.bgRed, style.bgGreen, style.bgBlue));
    if (style.flags & UseForeColour) {
        const QPalette::ColorRole ground = TextGroundRole(control);
        const QColor              background = palette.color(ground);
        control->setProperty(InkGroundProperty, background);
        QColor fg = ColourOf(style.fgRed, style.fgGreen, style.fgBlue);
        if (fg == QColor(Qt::black) && IsDarkColour(background))
            fg = QApplication::palette(control).color(ground == QPalette::Base ? QPalette::Text
                                                                               : QPalette::WindowText);
        fg = ReadableOn(fg, background);
        palette.setColor(QPalette::Text, fg);
        palette.setColor(QPalette::WindowText, fg);
        palette.setColor(QPalette::ButtonText, fg);
    }
    control->setPalette(palette);
}

// Back from the taskbar, keeping a maximised window maximised.
void Unminimise(QWidget* window) {
    if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
}

// Room kept above a restored window's content for its title bar, so the user can grab it.
constexpr int TitleBarRoom = 16;

bool IsPlaceOnScreen(const QRect& bounds) {
    if (bounds.isEmpty()) return false;
    const QRect titleBar(bounds.left(), bounds.top() - TitleBarRoom, bounds.width(), TitleBarRoom);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shown = titleBar & screen->availableGeometry();
        if (shown.height() == TitleBarRoom && shown.width() * 2 >= bounds.width()) return true;
    }
    return false;
}

} // namespace

void AddDefinitionFolder(const QString& folder) {
    definitionFolders << folder;
}

void SetEventSinks(EventSinks next) {
    sinks = std::move(next);
    static bool connected = false;
    if (connected || !qApp) return;
    connected = true;
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp, [](Qt::ApplicationState state) {
        if (!sinks.application) return;
        if (state == Qt::ApplicationActive)
            sinks.application(AppActivated);
        else if (state == Qt::ApplicationInactive)
            sinks.application(AppDeactivated);
    });
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [] {
        if (sinks.focusChanged) sinks.focusChanged();
    });
}

// ---------------------------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------------------------

QWidget* CreateWindowFromDefinition(const QString& name) {
    QWidget* window = LoadDefinition(name, nullptr);
    if (!window) return nullptr;
    window->setWindowFlag(Qt::Window);
    // A place in a definition is the designer's, not the user's: the window manager places a new window.
    window->setAttribute(Qt::WA_Moved, false);
    window->setProperty(WindowIdProperty, 0);
    AttachMenuBar(window);
    RouteWindow(window);
    return window;
}

QWidget* CreateSheetFromDefinition(const QString& name, QWidget* parent) {
    QWidget* sheet = LoadDefinition(name, parent);
    if (!sheet) return nullptr;
    sheet->setWindowFlags(Qt::Sheet | Qt::Dialog);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setProperty(WindowIdProperty, 0);
    RouteWindow(sheet);
    if (auto* dialog = qobject_cast<QDialog*>(sheet)) {
        // Escape hides a dialog behind the program's back: it cancels as the sheet's escape button does, or
        // else as the close box does.
        QObject::connect(dialog, &QDialog::rejected, dialog, [dialog] {
            if (dialog->property(DisposingProperty).toBool()) return;
            for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
                if (button->property(EscapeButtonProperty).toBool() && button->isEnabled()) {
                    button->click();
                    return;
                }
            }
            if (sinks.window) sinks.window(WindowClose, GetWindowId(dialog));
        });
    }
    return sheet;
}

namespace {

constexpr int     DrawerGap = 6; // between the window's own content and its drawer
constexpr int     DrawerSlideMs = 150;
const char* const DrawerSlideName = "vrdxDrawerSlide";
const char* const DrawerRoomProperty = "vrdxDrawerRoom"; // how much the window was widened for the drawer

// Moves everything the window's box layout holds into a column and puts the drawer beside it. The menu bar
// stays with the window's layout, above both.
bool DockBeside(QWidget* window, QWidget* drawer) {
    auto* outer = qobject_cast<QBoxLayout*>(window->layout());
    if (!outer) return false;
    auto* column = new QBoxLayout(outer->direction());
    column->setSpacing(outer->spacing());
    QList<int> stretches;
    for (int i = 0; i < outer->count(); ++i) stretches << outer->stretch(i);
    for (int i = 0; QLayoutItem* item = outer->takeAt(0); ++i) {
        const int stretch = stretches.value(i);
        if (QLayout* inner = item->layout()) {
            column->addLayout(inner, stretch);
        } else if (QWidget* w = item->widget()) {
            column->addWidget(w, stretch, item->alignment());
            delete item;
        } else {
            column->addItem(item);
            column->setStretch(column->count() - 1, stretch);
        }
    }
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(DrawerGap);
    row->addLayout(column, 1);
    row->addWidget(drawer);
    outer->addLayout(row, 1);
    return true;
}

bool KeepsItsSize(const QWidget* window) {
    return !window->isVisible() || (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
}

} // namespace

QWidget* CreateDrawerFromDefinition(const QString& name, QWidget* parent) {
    if (!parent) return nullptr;
    QWidget* drawer = LoadDefinition(name, parent->window());
    if (!drawer) return nullptr;
    drawer->setWindowFlags(Qt::Widget);
    drawer->hide();
    if (!DockBeside(parent->window(), drawer)) {
        delete drawer;
        return nullptr;
    }
    drawer->setProperty(WindowIdProperty, 0);
    RouteWindow(drawer);
    return drawer;
}

void OpenDrawer(QWidget* drawer) {
    if (!drawer || IsDrawerOpen(drawer)) return;
    QWidget*   window = drawer->window();
    const bool grow = !KeepsItsSize(window);
    const int  base = window->width();
    const int  width = drawer->sizeHint().width();
    drawer->setMaximumWidth(0);
    drawer->show();
    // The window widens as the drawer slides out, so the window's own content keeps its size.
    auto* slide = new QVariantAnimation(drawer);
    slide->setObjectName(QLatin1String(DrawerSlideName));
    slide->setDuration(DrawerSlideMs);
    slide->setStartValue(0);
    slide->setEndValue(width);
    QObject::connect(slide, &QVariantAnimation::valueChanged, drawer, [=](const QVariant& value) {
        drawer->setMaximumWidth(value.toInt());
        if (!grow) return;
        window->resize(base + DrawerGap + value.toInt(), window->height());
        drawer->setProperty(DrawerRoomProperty, window->width() - base);
    });
    // Once out, the drawer keeps its width: a later fit of the window to its content (at start-up, the place
    // restored, a line shown) must not squeeze it to nothing.
    QObject::connect(slide, &QVariantAnimation::finished, drawer, [drawer, width] {
        drawer->setMinimumWidth(width);
        drawer->setMaximumWidth(QWIDGETSIZE_MAX);
    });
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void CloseDrawer(QWidget* drawer) {
    if (!drawer || !IsDrawerOpen(drawer)) return;
    // A stopped slide lingers until the event loop deletes it; a running one may follow it.
    for (auto* slide : drawer->findChildren<QVariantAnimation*>(QLatin1String(DrawerSlideName)))
        slide->stop();
    QWidget*  window = drawer->window();
    const int room = drawer->property(DrawerRoomProperty).toInt();
    drawer->setProperty(DrawerRoomProperty, 0);
    drawer->hide();
    drawer->setMinimumWidth(0);
    drawer->setMaximumWidth(QWIDGETSIZE_MAX);
    if (KeepsItsSize(window)) return;
    if (window->layout()) window->layout()->activate(); // the smaller minimum first, or resize stops at it
    window->resize(window->width() - room, window->height());
}

bool IsDrawerOpen(const QWidget* drawer) {
    return drawer && !drawer->isHidden();
}

QWidget* CreateLooseSheetFromDefinition(const QString& name) {
    QWidget* sheet = CreateSheetFromDefinition(name, nullptr);
    if (sheet) sheet->setProperty(LooseSheetProperty, true);
    return sheet;
}

void ShowSheetOn(QWidget* sheet, QWidget* window) {
    if (!sheet || !window) return;
    if (sheet->parentWidget() != window) sheet->setParent(window, sheet->windowFlags());
    ShowWindow(sheet);
}

void SetWindowId(QWidget* window, int id) {
    window->setProperty(WindowIdProperty, id);
}

int GetWindowId(const QWidget* window) {
    return window ? window->property(WindowIdProperty).toInt() : 0;
}

QWidget* FindWindowById(int id) {
    for (const QPointer<QWidget>& w : windows)
        if (w && !w->property(DisposingProperty).toBool() && GetWindowId(w) == id) return w;
    return nullptr;
}

bool IsWindowVisible(const QWidget* window) {
    return window && window->isVisible();
}

bool IsSheet(const QWidget* window) {
    return window && (window->windowFlags() & Qt::Sheet) == Qt::Sheet && window->parentWidget();
}

void ShowWindow(QWidget* window) {
    if (!window) return;
    Unminimise(window);
    window->show();
    window->raise();
    window->activateWindow();
    MoveToFront(window);
}

void HideWindow(QWidget* window) {
    if (window) window->hide();
}

void SelectWindow(QWidget* window) {
    if (!window) return;
    window->raise();
    window->activateWindow();
    MoveToFront(window);
}

void CloseWindow(QWidget* window) {
    if (window) window->close();
}

void DisposeWindow(QWidget* window) {
    if (!window) return;
    window->setProperty(DisposingProperty, true);
    window->hide();
    window->deleteLater();
}

int WindowTitleBarHeight(const QWidget* window) {
    const int styled = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    if (!window || !window->isVisible()) return styled;
    // The frame the window manager drew, once it is known; a thin border alone is no title bar.
    return qMax(window->geometry().top() - window->frameGeometry().top(), styled);
}

QList<QWidget*> DocumentWindows() {
    QList<QWidget*> list;
    for (const QPointer<QWidget>& w : windows)
        if (w && w->isVisible() && !IsSheet(w) && GetWindowId(w) != 0 &&
            !w->property(DisposingProperty).toBool())
            list << w;
    return list;
}

QWidget* FrontWindow() {
    if (QWidget* active = QApplication::activeWindow())
        if (GetWindowId(active) && active->isVisible()) return active;
    const QList<QWidget*> list = DocumentWindows();
    return list.isEmpty() ? nullptr : list.first();
}

QWidget* FrontSheet() {
    for (const QPointer<QWidget>& w : windows)
        if (w && w->isVisible() && IsSheet(w)) return w;
    return nullptr;
}

QWidget* ActiveWindow() {
    return QApplication::activeWindow();
}

QWidget* GetSheetOwner(const QWidget* sheet) {
    return sheet && sheet->parentWidget() ? sheet->parentWidget()->window() : nullptr;
}

QWidget* ControlWindow(const QWidget* control) {
    return control ? control->window() : nullptr;
}

void SetWindowPosition(QWidget* window, QPoint topLeft) {
    if (window) window->move(topLeft);
}

QPoint GetWindowPosition(const QWidget* window) {
    return window ? window->pos() : QPoint();
}

QString GetWindowTitle(const QWidget* window) {
    if (!window) return QString();
    // "[*]" stands for the modified mark; "[*][*]" is a literal "[*]".
    QString shown = window->windowTitle();
    shown.replace(QLatin1String("[*][*]"), QChar(0xFFFF));
    shown.remove(QLatin1String("[*]"));
    return shown.replace(QChar(0xFFFF), QLatin1String("[*]"));
}

void SetWindowFile(QWidget* window, const QString& path) {
    if (!window) return;
    window->setWindowFilePath(path);
    QString name = QFileInfo(path).fileName();
    window->setWindowTitle(name.replace(QLatin1String("[*]"), QLatin1String("[*][*]")) +
                           QLatin1String("[*]"));
}

QString GetWindowFile(const QWidget* window) {
    return window ? window->windowFilePath() : QString();
}

void SetWindowModifiedMark(QWidget* window, bool modified) {
    if (window) window->setWindowModified(modified);
}

bool IsWindowModifiedMark(const QWidget* window) {
    return window && window->isWindowModified();
}

int NextFreeWindowId(int last, int first, int lastInRange) {
    const int count = lastInRange - first + 1;
    for (int step = 1; step <= count; ++step) {
        const int id = ((last - first + step) % count + count) % count + first;
        if (!FindWindowById(id)) return id;
    }
    return 0;
}

// Placed by the content area: that is where window managers put a window that has not been shown yet,
// whatever frame they give it.
void CascadeWindow(QWidget* window, const QWidget* front) {
    const int step = WindowTitleBarHeight(front);
    QRect     bounds = GetWindowContentBounds(window);
    bounds.moveTopLeft(GetWindowContentBounds(front).topLeft() + QPoint(step, step));
    const QRect screen = MainScreenVisibleFrame();
    if (!screen.isEmpty() && !screen.contains(bounds))
        bounds.moveTopLeft(screen.topLeft() + QPoint(step, step));
    SetWindowContentBounds(window, bounds);
}

void SetWindowTitleText(QWidget* window, const QString& title) {
    if (window) window->setWindowTitle(title);
}

QRect GetWindowContentBounds(const QWidget* window) {
    return window ? window->geometry() : QRect();
}

void SetWindowContentBounds(QWidget* window, const QRect& bounds) {
    if (!window || !bounds.isValid()) return;
    // A move, even to where the window is, pins its place as the program's choice (a "user specified"
    // position to the window manager); a change of size alone must not do that.
    if (bounds.topLeft() != window->geometry().topLeft())
        window->setGeometry(bounds);
    else
        window->resize(bounds.size());
}

bool RestoreWindowPlace(QWidget* window, const QRect& saved) {
    if (!window || !IsPlaceOnScreen(QRect(saved.topLeft(), window->size()))) return false;
    window->setGeometry(QRect(saved.topLeft(), window->size())); // the content's place, not the frame's
    return true;
}

bool GetWindowPlace(const QWidget* window, QRect* bounds) {
    if (!window || !window->property(ShownProperty).toBool()) return false;
    *bounds = window->geometry();
    return true;
}

QImage CaptureWindowImage(QWidget* window) {
    // The window's own rendering rather than the screen: nothing lying over it gets into the picture, and it
    // works where the screen cannot be read (Wayland, no display).
    if (!window || !window->isVisible()) return {};
    return window->grab().toImage();
}

void FitWindowToContent(QWidget* window) {
    if (window) window->adjustSize();
}

void SetWindowSizeLimits(QWidget* window, QSize minimum, QSize maximum) {
    if (!window) return;
    window->setMinimumSize(minimum);
    if (maximum.isValid() && !maximum.isEmpty()) window->setMaximumSize(maximum);
}

void KeepMenuBarWhole(QWidget* window) {
    QMenuBar* bar = window ? window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!bar) return;
    const int contents = window->layout() ? window->layout()->totalMinimumSize().width() : 0;
    // Only the width is fixed here; the height stays the layout's.
    window->setMinimumWidth(std::max(bar->sizeHint().width(), contents));
}

QRect MainScreenVisibleFrame() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void HideApplication() {
    for (const QPointer<QWidget>& w : windows)
        if (w && w->isWindow() && w->isVisible() && !IsSheet(w)) w->showMinimized(); // drawers go along
}

void BringAllWindowsToFront() {
    for (int i = int(windows.size()) - 1; i >= 0; --i) {
        QWidget* w = windows[i];
        if (!w || !w->isWindow() || !w->isVisible() || w->property(DisposingProperty).toBool()) continue;
        Unminimise(w);
        w->raise();
    }
    if (!windows.isEmpty() && windows.first()) windows.first()->activateWindow();
}

// ---------------------------------------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------------------------------------

QWidget* FindControl(QWidget* window, int controlId) {
    if (!window) return nullptr;
    if (auto it = controlIndex.constFind(window); it != controlIndex.constEnd())
        if (QWidget* w = it->value(controlId)) return w;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (PropertyId(w) == controlId) return w;
    return nullptr;
}

int GetControlId(const QWidget* control) {
    return control ? PropertyId(control) : 0;
}

// Text views hold stored texts, whose lines end in carriage returns. Every line break of a text set here
// becomes a paragraph of the view that remembers which break it was (CR, LF, CR LF, ...), so the text reads
// back as it was; a paragraph that has none to remember ends in a carriage return. Everything else (no-break
// spaces, U+2028, tabs) stays in its paragraph as it is. Until the user edits, the text set is handed back
// whole, which also covers the rare characters a document cannot hold as they are.
namespace {

const char* const ViewTextProperty = "vrdxViewText";

// The breaks a document turns into paragraphs, by the paragraph's state; anything else is a carriage return.
const QString LineBreaks[] = {QStringLiteral("\r"),   QStringLiteral("\n"),   QStringLiteral("\r\n"),
                              QString(QChar(0x2029)), QString(QChar(0xFDD0)), QString(QChar(0xFDD1))};

int LineBreakAt(const QString& text, qsizetype i) {
    if (text.at(i) == QLatin1Char('\r'))
        return i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n') ? 2 : 0;
    for (int kind = 1; kind < int(std::size(LineBreaks)); ++kind)
        if (LineBreaks[kind].size() == 1 && text.at(i) == LineBreaks[kind].at(0)) return kind;
    return -1;
}

QTextDocument* ViewDocument(const QWidget* control) {
    if (auto* w = qobject_cast<const QTextEdit*>(control)) return w->document();
    if (auto* w = qobject_cast<const QPlainTextEdit*>(control)) return w->document();
    return nullptr;
}

void SetViewText(QWidget* control, const QString& text) {
    QString    paragraphs;
    QList<int> breaks;
    paragraphs.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int kind = LineBreakAt(text, i);
        if (kind < 0) {
            paragraphs += text.at(i);
            continue;
        }
        paragraphs += QChar(QChar::ParagraphSeparator);
        breaks << kind;
        i += LineBreaks[kind].size() - 1;
    }
    if (auto* w = qobject_cast<QTextEdit*>(control))
        w->setPlainText(paragraphs);
    else if (auto* w = qobject_cast<QPlainTextEdit*>(control))
        w->setPlainText(paragraphs);
    QTextDocument* document = ViewDocument(control);
    QTextBlock     block = document->begin();
    for (int kind : breaks) {
        block.setUserState(kind);
        block = block.next();
    }
    document->setModified(false);
    control->setProperty(ViewTextProperty, text);
}

QString ViewText(const QWidget* control) {
    const QTextDocument* document = ViewDocument(control);
    const QVariant       set = control->property(ViewTextProperty);
    if (set.isValid() && !document->isModified()) return set.toString();
    QString text;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        text += block.text();
        if (!block.next().isValid()) break;
        const int kind = block.userState();
        text += LineBreaks[kind > 0 && kind < int(std::size(LineBreaks)) ? kind : 0];
    }
    return text;
}

} // namespace

QString GetControlText(const QWidget* control) {
    if (auto* w = qobject_cast<const QLineEdit*>(control)) return w->text();
    if (ViewDocument(control)) return ViewText(control);
    if (auto* w = qobject_cast<const QLabel*>(control)) return w->text();
    if (auto* w = qobject_cast<const QAbstractButton*>(control)) return w->text();
    if (auto* w = qobject_cast<const QComboBox*>(control)) return w->currentText();
    if (auto* w = qobject_cast<const QAbstractSpinBox*>(control)) return w->text();
    if (auto* w = qobject_cast<const QGroupBox*>(control)) return w->title();
    return QString();
}

void SetControlText(QWidget* control, const QString& text) {
    ++suppressTextEvents;
    if (auto* w = qobject_cast<QLineEdit*>(control))
        w->setText(text);
    else if (ViewDocument(control))
        SetViewText(control, text);
    else if (auto* w = qobject_cast<QLabel*>(control))
        w->setText(text);
    else if (auto* w = qobject_cast<QAbstractButton*>(control))
        w->setText(text);
    else if (auto* w = qobject_cast<QComboBox*>(control))
        w->setCurrentText(text);
    else if (auto* w = qobject_cast<QSpinBox*>(control))
        w->setValue(text.toInt());
    else if (auto* w = qobject_cast<QGroupBox*>(control))
        w->setTitle(text);
    --suppressTextEvents;
}

int GetControlValue(const QWidget* control) {
    if (!control) return 0;
    if (auto* w = qobject_cast<const QAbstractButton*>(control)) return w->isChecked() ? 1 : 0;
    if (auto* w = qobject_cast<const QComboBox*>(control)) return w->currentIndex() + 1;
    if (auto* w = qobject_cast<const QSpinBox*>(control)) return w->value();
    if (auto* w = qobject_cast<const QAbstractSlider*>(control)) return w->value();
    const QList<QRadioButton*> radios = GroupRadios(control);
    for (int i = 0; i < radios.size(); ++i)
        if (radios[i]->isChecked()) return i + 1;
    return 0;
}

void SetControlValue(QWidget* control, int value) {
    if (!control) return;
    ++suppressTextEvents;
    if (auto* w = qobject_cast<QAbstractButton*>(control))
        w->setChecked(value != 0);
    else if (auto* w = qobject_cast<QComboBox*>(control))
        w->setCurrentIndex(value - 1);
    else if (auto* w = qobject_cast<QSpinBox*>(control))
        w->setValue(value);
    else if (auto* w = qobject_cast<QAbstractSlider*>(control))
        w->setValue(value);
    else {
        const QList<QRadioButton*> radios = GroupRadios(control);
        for (int i = 0; i < radios.size(); ++i) radios[i]->setChecked(i + 1 == value);
    }
    --suppressTextEvents;
}

bool IsControlEnabled(const QWidget* control) {
    return control && control->isEnabled();
}

void SetControlEnabled(QWidget* control, bool enabled) {
    if (control) control->setEnabled(enabled);
}

QString GetControlTitle(const QWidget* control) {
    return GetControlText(control);
}

void SetControlTitle(QWidget* control, const QString& title) {
    if (auto* w = qobject_cast<QGroupBox*>(control))
        w->setTitle(title);
    else
        SetControlText(control, title);
}

QString GetRadioButtonTitle(const QWidget* group, int value) {
    const QList<QRadioButton*> radios = GroupRadios(group);
    return value >= 1 && value <= radios.size() ? radios[value - 1]->text() : QString();
}

void SetRadioButtonTitle(QWidget* group, int value, const QString& title) {
    const QList<QRadioButton*> radios = GroupRadios(group);
    if (value >= 1 && value <= radios.size()) radios[value - 1]->setText(title);
}

void SetControlVisible(QWidget* control, bool visible) {
    if (control) control->setVisible(visible);
}

bool IsControlVisible(const QWidget* control) {
    return control && control->isVisibleTo(control->window());
}

int GetControlHeight(const QWidget* control) {
    return control ? control->sizeHint().height() : 0;
}

void SetControlEmphasis(QWidget* control, bool emphasised) {
    if (!control || IsControlEmphasised(control) == emphasised) return;
    control->setProperty("vrdxEmphasis", emphasised);
    if (auto* cell = qobject_cast<DayCell*>(control))
        cell->setEmphasised(emphasised); // drawn to fit the cell at any size
    else
        control->setStyleSheet(
            emphasised ? QStringLiteral("border: 1px solid palette(highlight); border-radius: 4px;")
                       : QString());
}

bool IsControlEmphasised(const QWidget* control) {
    return control && control->property("vrdxEmphasis").toBool();
}

void SetControlAccessibleName(QWidget* control, const QString& name) {
    if (control) control->setAccessibleName(name);
}

void SetControlAccessibleDescription(QWidget* control, const QString& description) {
    if (control) control->setAccessibleDescription(description);
}

bool SetControlImage(QWidget* control, const QString& imageFile) {
    auto* view = qobject_cast<QLabel*>(control);
    if (!view) return false;
    const QPixmap pixmap(imageFile);
    view->setPixmap(pixmap);
    return !pixmap.isNull();
}

void SetControlTabStop(QWidget* control, bool tabStop) {
    if (control) control->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void SetFontFamilyForNumber(int number, const QStringList& candidates) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : candidates) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            fontFamilies[number] = family;
            return;
        }
    }
    fontFamilies.remove(number);
}

QString FontFamilyForNumber(int number) {
    return fontFamilies.value(number, QApplication::font().family());
}

void SetControlDateTime(QWidget* control, int year, int month, int day, int hour, int minute) {
    auto* edit = qobject_cast<QDateTimeEdit*>(control);
    if (!edit) return;
    // Date and time are set apart: a QDateTime would be moved between time zones on the way.
    ++suppressTextEvents;
    edit->setDate(QDate(year, month, day));
    edit->setTime(QTime(hour, minute));
    --suppressTextEvents;
}

bool GetControlDateTime(const QWidget* control, int* year, int* month, int* day, int* hour, int* minute) {
    auto* edit = qobject_cast<const QDateTimeEdit*>(control);
    if (!edit) return false;
    const QDate date = edit->date();
    const QTime time = edit->time();
    *year = date.year();
    *month = date.month();
    *day = date.day();
    *hour = time.hour();
    *minute = time.minute();
    return true;
}

void UseLongDateForm(QWidget* datePicker) {
    auto* edit = qobject_cast<QDateTimeEdit*>(datePicker);
    if (!edit) return;
    QString format = edit->locale().dateFormat(QLocale::LongFormat);
    // A two-digit year is ambiguous in a reminder that may lie years ahead.
    if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    edit->setDisplayFormat(format);
}

void UseClockForm(QWidget* timePicker, const QString& clockPattern) {
    auto* edit = qobject_cast<QDateTimeEdit*>(timePicker);
    if (!edit) return;
    const bool twelveHour =
        clockPattern.contains(QLatin1Char('h')) || clockPattern.contains(QLatin1Char('K'));
    edit->setDisplayFormat(twelveHour ? QStringLiteral("h:mm AP") : QStringLiteral("HH:mm"));
}

void SetControlFontStyle(QWidget* control, const NoteFontStyle& style) {
    if (!control) return;
    control->setProperty(FontStyleProperty, EncodeFontStyle(style));
    QFont font = QApplication::font();
    if ((style.flags & UseFont) && fontFamilies.contains(style.font))
        font.setFamily(fontFamilies[style.font]);
    if ((style.flags & UseSize) && style.size > 0) font.setPointSize(style.size);
    if (style.flags & UseFace) {
        font.setBold(style.style & 1);
        font.setItalic(style.style & 2);
        font.setUnderline(style.style & 4);
    }
    control->setFont(font);
    PaintFontStyleColours(control, style);
    if (style.flags & UseJust) {
        const Qt::Alignment align = style.just == 1    ? Qt::AlignHCenter
                                    : style.just == -1 ? Qt::AlignRight
                                                       : Qt::AlignLeft;
        if (auto* w = qobject_cast<QTextEdit*>(control)) {
            // Aligning the paragraphs is no edit of the text, and raises no text-changed event: a handler
            // that writes the text away would otherwise save a box before its new text is in.
            const bool  edited = w->document()->isModified();
            const bool  untouched = !w->document()->isUndoAvailable();
            QTextCursor cursor(w->document());
            cursor.select(QTextCursor::Document);
            QTextBlockFormat block;
            block.setAlignment(align);
            ++suppressTextEvents;
            cursor.mergeBlockFormat(block);
            --suppressTextEvents;
            w->document()->setModified(edited);
            // Nor is it a step for Undo: in a text nobody has edited yet, Undo has nothing to take back.
            if (untouched) w->document()->clearUndoRedoStacks();
        } else if (auto* w = qobject_cast<QLineEdit*>(control)) {
            w->setAlignment(align | Qt::AlignVCenter);
        } else if (auto* w = qobject_cast<QLabel*>(control)) {
            w->setAlignment(align | Qt::AlignVCenter);
        }
    }
}

NoteFontStyle GetControlFontStyle(const QWidget* control) {
    NoteFontStyle style;
    if (!control) return style;
    if (DecodeFontStyle(control->property(FontStyleProperty).toByteArray(), &style)) return style;
    const QFont font = control->font();
    style.size = int16_t(font.pointSize() > 0 ? font.pointSize() : 11);
    style.style = int16_t((font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0));
    const QRgba64 fg = control->palette().color(QPalette::Text).rgba64();
    style.fgRed = int16_t(fg.red());
    style.fgGreen = int16_t(fg.green());
    style.fgBlue = int16_t(fg.blue());
    return style;
}

void SetControlProperty(QWidget* control, FourCC creator, FourCC tag, const QByteArray& bytes) {
    if (control)
        control->setProperty(QString(FourCCText(creator) + FourCCText(tag)).toLatin1().constData(), bytes);
}

bool GetControlProperty(const QWidget* control, FourCC creator, FourCC tag, QByteArray* bytes) {
    if (!control) return false;
    const QVariant v =
        control->property(QString(FourCCText(creator) + FourCCText(tag)).toLatin1().constData());
    if (!v.isValid()) return false;
    *bytes = v.toByteArray();
    return true;
}

void SetFocusToControl(QWidget* control) {
    if (control) control->setFocus(Qt::OtherFocusReason);
}

void SetControlCursor(QWidget* control, CursorShape shape) {
    if (!control) return;
    switch (shape) {
    case CursorShape::Arrow:
        control->unsetCursor();
        break;
    case CursorShape::PointingHand:
        control->setCursor(Qt::PointingHandCursor);
        break;
    case CursorShape::IBeam:
        control->setCursor(Qt::IBeamCursor);
        break;
    }
}

QWidget* EventControl() {
    return eventControl;
}

QPoint EventArrowStep() {
    return arrowStep;
}

unsigned CurrentModifiers() {
    return ModifiersOf(QGuiApplication::keyboardModifiers());
}

// ---------------------------------------------------------------------------------------------------------
// Pickers and pop-up menus
// ---------------------------------------------------------------------------------------------------------

ColourPresenter SetColourPresenter(ColourPresenter next) {
    return std::exchange(colourPresenter, std::move(next));
}

bool PickColour(const QString& prompt, const QColor& start, QColor* chosen) {
    if (colourPresenter) return colourPresenter(prompt, start, chosen);
    const QColor picked = QColorDialog::getColor(start, QApplication::activeWindow(), prompt);
    if (!picked.isValid()) return false;
    *chosen = picked;
    return true;
}

MenuPresenter SetMenuPresenter(MenuPresenter next) {
    return std::exchange(menuPresenter, std::move(next));
}

int PopUpContextMenu(const QStringList& items, QPoint globalPos) {
    if (menuPresenter) return menuPresenter(items, globalPos);
    QMenu           menu;
    QList<QAction*> actions;
    for (const QString& item : items) {
        QAction* a = nullptr;
        if (item.isEmpty())
            a = menu.addSeparator();
        else if (item.startsWith(QLatin1Char('!'))) {
            a = menu.addAction(item.mid(1).replace(QLatin1Char('&'), QLatin1String("&&")));
            a->setEnabled(false);
        } else // an ampersand is text here ("Daynotes & Reminders"), not a mnemonic mark
            a = menu.addAction(QString(item).replace(QLatin1Char('&'), QLatin1String("&&")));
        actions << a;
    }
    QAction* chosen = menu.exec(globalPos);
    return chosen ? int(actions.indexOf(chosen)) + 1 : 0;
}

// ---------------------------------------------------------------------------------------------------------
// Menu bar and tray
// ---------------------------------------------------------------------------------------------------------

namespace {

// What the Edit items can act on in the focused text control; nothing when no text control has the focus.
struct EditState {
    bool editable = false, selection = false, copyable = false, undo = false, redo = false, text = false;
};

template <class TextView> EditState TextViewState(const TextView* view) {
    EditState s;
    s.editable = !view->isReadOnly();
    s.selection = s.copyable = view->textCursor().hasSelection();
    s.undo = view->isUndoRedoEnabled() && view->document()->isUndoAvailable();
    s.redo = view->isUndoRedoEnabled() && view->document()->isRedoAvailable();
    s.text = !view->document()->isEmpty();
    return s;
}

EditState FocusedEditState() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* w = qobject_cast<QTextEdit*>(focus)) return TextViewState(w);
    if (auto* w = qobject_cast<QPlainTextEdit*>(focus)) return TextViewState(w);
    EditState s;
    if (auto* w = qobject_cast<QLineEdit*>(focus)) {
        s.editable = !w->isReadOnly();
        s.selection = w->hasSelectedText();
        s.copyable = s.selection && w->echoMode() == QLineEdit::Normal; // a password never leaves the field
        s.undo = w->isUndoAvailable();
        s.redo = w->isRedoAvailable();
        s.text = !w->text().isEmpty();
    }
    return s;
}

// Asking the clipboard is a round trip to the program that owns it, so it is asked only when it changes.
bool clipboardHasText = false;

void ReadClipboard() {
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    clipboardHasText = clip && clip->hasText() && !clip->text().isEmpty();
}

// The program's own steps, which Undo and Redo take over once the focused text has nothing left of its own.
QPointer<QUndoStack> applicationUndo;

bool TextUndoFirst(const EditState& s) {
    return s.editable && s.undo;
}
bool TextRedoFirst(const EditState& s) {
    return s.editable && s.redo;
}

void SetCommandText(FourCC command, const QString& text) {
    for (QAction* a : CommandActions())
        if (FourCCFromText(a->property(CommandCodeProperty).toString()) == command) a->setText(text);
}

// "Undo" for the text being edited, "Undo Delete Daynote of 8 December 2026" for the program's step.
QString EditItemText(const QString& verb, bool textFirst, bool stackCan, const QString& step) {
    if (textFirst || !stackCan || step.isEmpty()) return QLatin1Char('&') + verb;
    return QStringLiteral("&%1 %2").arg(verb, QString(step).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void UpdateEditCommands() {
    const EditState s = FocusedEditState();
    const bool      canUndo = applicationUndo && applicationUndo->canUndo();
    const bool      canRedo = applicationUndo && applicationUndo->canRedo();
    SetCommandText(MakeFourCC("undo"), EditItemText(QStringLiteral("Undo"), TextUndoFirst(s), canUndo,
                                                    canUndo ? applicationUndo->undoText() : QString()));
    SetCommandText(MakeFourCC("redo"), EditItemText(QStringLiteral("Redo"), TextRedoFirst(s), canRedo,
                                                    canRedo ? applicationUndo->redoText() : QString()));
    const std::pair<FourCC, bool> rules[] = {
        {MakeFourCC("undo"), TextUndoFirst(s) || canUndo},
        {MakeFourCC("redo"), TextRedoFirst(s) || canRedo},
        {MakeFourCC("cut "), s.editable && s.copyable},
        {MakeFourCC("copy"), s.copyable},
        {MakeFourCC("past"), s.editable && clipboardHasText},
        {MakeFourCC("clea"), s.editable && s.selection},
        {MakeFourCC("sall"), s.text},
    };
    for (const auto& [code, enabled] : rules) SetCommandEnabled(code, enabled);
}

QList<QMetaObject::Connection> focusedTextWatch; // the focused text control's signals that change the rules

void WatchFocusedText(QWidget* focus) {
    for (const QMetaObject::Connection& c : std::as_const(focusedTextWatch)) QObject::disconnect(c);
    focusedTextWatch.clear();
    if (auto* w = qobject_cast<QLineEdit*>(focus)) {
        focusedTextWatch << QObject::connect(w, &QLineEdit::selectionChanged, qApp, UpdateEditCommands)
                         << QObject::connect(w, &QLineEdit::textChanged, qApp, UpdateEditCommands);
    } else if (auto* w = qobject_cast<QTextEdit*>(focus)) {
        focusedTextWatch << QObject::connect(w, &QTextEdit::selectionChanged, qApp, UpdateEditCommands)
                         << QObject::connect(w, &QTextEdit::undoAvailable, qApp, UpdateEditCommands)
                         << QObject::connect(w, &QTextEdit::redoAvailable, qApp, UpdateEditCommands)
                         << QObject::connect(w, &QTextEdit::textChanged, qApp, UpdateEditCommands);
    } else if (auto* w = qobject_cast<QPlainTextEdit*>(focus)) {
        focusedTextWatch << QObject::connect(w, &QPlainTextEdit::selectionChanged, qApp, UpdateEditCommands)
                         << QObject::connect(w, &QPlainTextEdit::undoAvailable, qApp, UpdateEditCommands)
                         << QObject::connect(w, &QPlainTextEdit::redoAvailable, qApp, UpdateEditCommands)
                         << QObject::connect(w, &QPlainTextEdit::textChanged, qApp, UpdateEditCommands);
    }
    UpdateEditCommands();
}

} // namespace

namespace {

QMenu* NamedMenu(const QString& menuName) {
    return menuHolder ? menuHolder->findChild<QMenu*>(menuName) : nullptr;
}

// An item without a command code reports its position in its menu when chosen.
void RouteMenuItem(QMenu* menu, QAction* action) {
    QObject::connect(action, &QAction::triggered, action, [menu, action] {
        const int item = int(menu->actions().indexOf(action)) + 1;
        if (item > 0 && sinks.menuItem) sinks.menuItem(menu->objectName(), item);
    });
}

} // namespace

bool LoadMenuBar(const QString& name) {
    QWidget*     loaded = LoadDefinition(name, nullptr);
    QMainWindow* holder = qobject_cast<QMainWindow*>(loaded);
    if (!holder) {
        delete loaded;
        return false;
    }
    delete menuHolder.data();
    menuHolder = holder;
    sharedMenus.clear();
    for (QAction* a : holder->menuBar()->actions())
        if (a->menu()) sharedMenus << a->menu();
    for (QAction* action : CommandActions()) {
        action->setShortcutContext(Qt::ApplicationShortcut);
        const FourCC code = FourCCFromText(action->property(CommandCodeProperty).toString());
        QObject::connect(action, &QAction::triggered, action, [code] {
            const int status = sinks.command ? sinks.command(code) : EventNotHandled;
            if (status != EventHandled) RunStandardCommand(code);
        });
    }
    for (QMenu* menu : holder->findChildren<QMenu*>())
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && !action->menu() && !action->property(CommandCodeProperty).isValid())
                RouteMenuItem(menu, action);
    // The shortcuts must work from every window, so the actions live on a widget that is never shown.
    for (QAction* action : CommandActions()) holder->addAction(action);
    static bool watching = false;
    if (!watching) {
        watching = true;
        QObject::connect(qApp, &QApplication::focusChanged, qApp,
                         [](QWidget*, QWidget* now) { WatchFocusedText(now); });
        QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, qApp, [] {
            ReadClipboard();
            UpdateEditCommands();
        });
        ReadClipboard();
    }
    WatchFocusedText(QApplication::focusWidget());
    return true;
}

QStringList GetMenuItemTexts(const QString& menuName) {
    QStringList texts;
    if (QMenu* menu = NamedMenu(menuName))
        for (const QAction* a : menu->actions()) {
            // The text as shown: "&&" is an ampersand, a single one marks the mnemonic.
            QString text = a->isSeparator() ? QString() : a->text();
            text.replace(QLatin1String("&&"), QChar(0xFFFF)).remove(QLatin1Char('&'));
            texts << text.replace(QChar(0xFFFF), QLatin1Char('&'));
        }
    return texts;
}

void DeleteMenuItemsExceptLast(const QString& menuName, int keep) {
    QMenu* menu = NamedMenu(menuName);
    if (!menu) return;
    const QList<QAction*> items = menu->actions();
    for (int i = 0; i < items.size() - keep; ++i) {
        menu->removeAction(items[i]);
        if (items[i]->parent() == menu) delete items[i];
    }
}

void InsertMenuItemAtTop(const QString& menuName, const QString& text) {
    QMenu* menu = NamedMenu(menuName);
    if (!menu) return;
    // A file name is text, not a mnemonic mark.
    auto* action = new QAction(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")), menu);
    menu->insertAction(menu->actions().value(0), action);
    RouteMenuItem(menu, action);
}

bool TriggerMenuItem(const QString& menuName, int item) {
    QMenu*   menu = NamedMenu(menuName);
    QAction* action = menu ? menu->actions().value(item - 1) : nullptr;
    if (!action || action->isSeparator() || action->menu()) return false;
    action->trigger();
    return true;
}

QList<FourCC> MenuCommands() {
    QList<FourCC> codes;
    for (QAction* a : CommandActions()) codes << FourCCFromText(a->property(CommandCodeProperty).toString());
    return codes;
}

bool TriggerMenuCommand(FourCC command) {
    for (QAction* a : CommandActions()) {
        if (FourCCFromText(a->property(CommandCodeProperty).toString()) == command) {
            a->trigger();
            return true;
        }
    }
    return false;
}

int SendCommand(FourCC command) {
    return sinks.command ? sinks.command(command) : EventNotHandled;
}

void SetCommandEnabled(FourCC command, bool enabled) {
    for (QAction* a : CommandActions())
        if (FourCCFromText(a->property(CommandCodeProperty).toString()) == command) a->setEnabled(enabled);
}

void SetCommandVisible(FourCC command, bool visible) {
    for (QAction* a : CommandActions())
        if (FourCCFromText(a->property(CommandCodeProperty).toString()) == command) a->setVisible(visible);
}

bool IsCommandVisible(FourCC command) {
    for (QAction* a : CommandActions())
        if (FourCCFromText(a->property(CommandCodeProperty).toString()) == command) return a->isVisible();
    return false;
}

bool IsCommandEnabled(FourCC command) {
    for (QAction* a : CommandActions())
        if (FourCCFromText(a->property(CommandCodeProperty).toString()) == command) return a->isEnabled();
    return false;
}

namespace {

// A text control claims the Undo and Redo keys even with nothing to undo; then they belong to the menu item,
// which acts on the program's steps.
class EditKeysToMenu : public QObject {
  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride || !applicationUndo) return false;
        const auto*     key = static_cast<QKeyEvent*>(event);
        const EditState s = FocusedEditState();
        if ((key->matches(QKeySequence::Undo) && !TextUndoFirst(s) && applicationUndo->canUndo()) ||
            (key->matches(QKeySequence::Redo) && !TextRedoFirst(s) && applicationUndo->canRedo())) {
            event->ignore();
            return true;
        }
        return false;
    }
};

} // namespace

void SetApplicationUndoStack(QUndoStack* stack) {
    static EditKeysToMenu* keys = nullptr;
    if (!keys) qApp->installEventFilter(keys = new EditKeysToMenu);
    if (applicationUndo) QObject::disconnect(applicationUndo, nullptr, qApp, nullptr);
    applicationUndo = stack;
    if (stack) {
        QObject::connect(stack, &QUndoStack::indexChanged, qApp, UpdateEditCommands);
        QObject::connect(stack, &QUndoStack::undoTextChanged, qApp, UpdateEditCommands);
        QObject::connect(stack, &QUndoStack::redoTextChanged, qApp, UpdateEditCommands);
    }
    UpdateEditCommands();
}

void RunStandardCommand(FourCC command) {
    QWidget* focus = QApplication::focusWidget();
    auto*    line = qobject_cast<QLineEdit*>(focus);
    auto*    text = qobject_cast<QTextEdit*>(focus);
    auto*    plain = qobject_cast<QPlainTextEdit*>(focus);
    switch (command) {
    case MakeFourCC("copy"):
        line ? line->copy() : text ? text->copy() : plain ? plain->copy() : void();
        break;
    case MakeFourCC("cut "):
        line ? line->cut() : text ? text->cut() : plain ? plain->cut() : void();
        break;
    case MakeFourCC("past"):
        line ? line->paste() : text ? text->paste() : plain ? plain->paste() : void();
        break;
    case MakeFourCC("undo"):
        if (TextUndoFirst(FocusedEditState()))
            line ? line->undo() : text ? text->undo() : plain ? plain->undo() : void();
        else if (applicationUndo)
            applicationUndo->undo();
        break;
    case MakeFourCC("redo"):
        if (TextRedoFirst(FocusedEditState()))
            line ? line->redo() : text ? text->redo() : plain ? plain->redo() : void();
        else if (applicationUndo)
            applicationUndo->redo();
        break;
    case MakeFourCC("sall"):
        line ? line->selectAll() : text ? text->selectAll() : plain ? plain->selectAll() : void();
        break;
    case MakeFourCC("clea"):
        if (line)
            line->del();
        else if (text)
            text->textCursor().removeSelectedText();
        else if (plain)
            plain->textCursor().removeSelectedText();
        break;
    case MakeFourCC("hide"):
        HideApplication();
        break;
    case MakeFourCC("clos"):
        if (QWidget* w = QApplication::activeWindow()) {
            // Its dialogs close first, so that their loops end before the window and they go.
            for (QDialog* d : w->findChildren<QDialog*>())
                if (d->isVisible()) d->reject();
            w->close();
        }
        break;
    case MakeFourCC("quit"):
        QCoreApplication::quit();
        break;
    default:
        break;
    }
}

bool ShowTrayIcon(std::function<void()> activated) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    if (!trayIcon) {
        trayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/resources/icons/vrdx.png")), qApp);
        auto* menu = new QMenu;
        for (const QPointer<QMenu>& m : sharedMenus)
            if (m) menu->addMenu(m);
        trayIcon->setContextMenu(menu);
        trayIcon->setToolTip(QStringLiteral("VRD X"));
        QObject::connect(trayIcon, &QSystemTrayIcon::activated, trayIcon,
                         [activated](QSystemTrayIcon::ActivationReason reason) {
                             if (reason == QSystemTrayIcon::Trigger && activated) activated();
                         });
    }
    trayIcon->show();
    return true;
}

bool TrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool HasTrayIcon() {
    return trayIcon && trayIcon->isVisible();
}
