// The screen's default colour map for every window on X11.
#include "platform/screen_colormap.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

namespace {

xcb_screen_t* ScreenOf(xcb_connection_t* connection, xcb_window_t root) {
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem; xcb_screen_next(&it))
        if (it.data->root == root) return it.data;
    return nullptr;
}

void UseScreenColormap(QWindow* window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !window || !window->handle()) return;
    xcb_connection_t* connection = x11->connection();
    const auto        id = xcb_window_t(window->winId());
    auto*             attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, id), nullptr);
    auto*         geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    xcb_screen_t* screen = geometry ? ScreenOf(connection, geometry->root) : nullptr;
    // Another visual needs a colour map of its own; the default one would be refused.
    if (attributes && screen && attributes->visual == screen->root_visual &&
        attributes->colormap != screen->default_colormap) {
        const uint32_t colormap = screen->default_colormap;
        xcb_change_window_attributes(connection, id, XCB_CW_COLORMAP, &colormap);
        xcb_flush(connection);
    }
    free(attributes);
    free(geometry);
}

class ColormapFollower : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && !widget->property(Done).toBool()) {
                widget->setProperty(Done, true);
                UseScreenColormap(widget->windowHandle());
            }
        }
        return false;
    }

  private:
    static constexpr const char* Done = "vrdxScreenColormap";
};

} // namespace

void UseScreenColormapForAllWindows() {
    static ColormapFollower* follower = nullptr;
    if (follower || !qApp || QGuiApplication::platformName() != QLatin1String("xcb")) return;
    follower = new ColormapFollower;
    qApp->installEventFilter(follower);
}
