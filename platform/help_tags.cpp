// Help tags through an application-wide event filter (on or off) and a proxy style (the delay).
#include "platform/help_tags.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QToolTip>

namespace {

bool shown = true;
int  delay = -1; // -1: the style's own

class HelpTagStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay && delay >= 0) return delay;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

class HelpTagFilter : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Only the tooltip request is refused; widgets keep their texts for when tags are switched on again.
        if (!shown && event->type() == QEvent::ToolTip) return true;
        return QObject::eventFilter(watched, event);
    }
};

QPointer<HelpTagFilter> filter;

} // namespace

void SetHelpTags(bool on, int delayMs) {
    shown = on;
    delay = delayMs;
    if (!filter) {
        filter = new HelpTagFilter(qApp);
        qApp->installEventFilter(filter);
        // The proxy wraps whatever style the desktop chose; the application takes ownership of it.
        QApplication::setStyle(new HelpTagStyle(QApplication::style()->name()));
    }
    if (!on) QToolTip::hideText();
}
