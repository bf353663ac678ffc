#pragma once
// Giving a control the focus as the operator would, whether or not its window is active: the
// coflux focus guard acts on the focus-in of the control that takes the focus, and an inactive
// window on the offscreen platform delivers none by itself.

#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QObject>
#include <QWidget>

namespace coflux::test {

// Sees whether a focus-in reached a widget.
struct FocusInProbe : QObject {
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) seen = true;
        return false;
    }
};

inline void Focus(QWidget* w)
{
    // setFocus delivers the focus-in itself once the platform has made the window active, and
    // the focus guard may then hand the focus straight back to a refused entry; a second
    // focus-in would make the guard refuse twice. So one is sent by hand only when none came.
    FocusInProbe probe;
    w->installEventFilter(&probe);
    w->setFocus(Qt::OtherFocusReason);
    w->removeEventFilter(&probe);
    if (!probe.seen) {
        QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(w, &in);
    }
}

} // namespace coflux::test
