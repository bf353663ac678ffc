#include "common/FormUtil.h"

#include "common/ProgramInfo.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace {

const QString PositionSection = QStringLiteral("Form Positions");

QString positionKey(const QWidget* window)
{
    return PositionSection + QLatin1Char('/') + window->objectName();
}

// The number after `tag` up to the next non-digit (an optional '-' first), or nothing.
std::optional<int> taggedNumber(const QString& text, const QString& tag)
{
    const QRegularExpression pattern(QRegularExpression::escape(tag) +
                                     QStringLiteral("(-?\\d{1,9})"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toInt();
}

QScreen* screenFor(const QWidget* window, const QPoint& point)
{
    if (QScreen* screen = QGuiApplication::screenAt(point)) return screen;
    if (window && window->screen()) return window->screen();
    return QGuiApplication::primaryScreen();
}

int stateNumber(Qt::WindowStates state)
{
    if (state & Qt::WindowMinimized) return 1;
    if (state & Qt::WindowMaximized) return 2;
    return 0;
}

} // namespace

QMargins FormFrameMargins(const QWidget* window)
{
    if (!window || !window->isWindow()) return {};
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    if (window->isVisible() && frame != client)
        return {client.left() - frame.left(), client.top() - frame.top(),
                frame.right() - client.right(), frame.bottom() - client.bottom()};
    // Not shown yet: the window manager's frame is unknown. Allow for a title bar of the usual
    // height (at least the style's) and thin borders, so a restored frame is never cut off.
    const int titleBar = std::max(30, window->style()->pixelMetric(QStyle::PM_TitleBarHeight));
    constexpr int border = 4;
    return {border, titleBar + border, border, border};
}

bool IsSizableForm(const QWidget* window)
{
    if (window->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint)) return false;
    return window->minimumSize() != window->maximumSize();
}

QString FormPositionText(const QWidget* window)
{
    return QStringLiteral("L=%1;T=%2;W=%3;H=%4;S=%5;")
        .arg(window->x())
        .arg(window->y())
        .arg(window->width())
        .arg(window->height())
        .arg(stateNumber(window->windowState()));
}

void SaveFormPosition(QWidget* window)
{
    if (!window || window->objectName().isEmpty()) return;
    QSettings settings(QStringLiteral("TLV880"), tlv::Program().title);
    settings.setValue(positionKey(window), FormPositionText(window));
}

bool RestoreFormPosition(QWidget* window, bool keepOnScreen)
{
    if (!window || window->objectName().isEmpty()) return false;
    QSettings settings(QStringLiteral("TLV880"), tlv::Program().title);
    return ApplyFormPosition(window, settings.value(positionKey(window)).toString(), keepOnScreen);
}

bool ApplyFormPosition(QWidget* window, const QString& text, bool keepOnScreen)
{
    if (!window || text.isEmpty()) return false;
    int left = taggedNumber(text, QStringLiteral("L=")).value_or(window->x());
    int top = taggedNumber(text, QStringLiteral("T=")).value_or(window->y());
    int width = window->width();
    int height = window->height();
    if (IsSizableForm(window)) {
        const int savedWidth = taggedNumber(text, QStringLiteral("W=")).value_or(0);
        const int savedHeight = taggedNumber(text, QStringLiteral("H=")).value_or(0);
        // A damaged string never shrinks the window to nothing.
        if (savedWidth > 0) width = savedWidth;
        if (savedHeight > 0) height = savedHeight;
    }

    const int state = taggedNumber(text, QStringLiteral("S=")).value_or(0);
    if (state == 1) {
        window->setWindowState(window->windowState() | Qt::WindowMinimized);
        return true;
    }
    if (state == 2) {
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) |
                               Qt::WindowMaximized);
        return true;
    }

    if (keepOnScreen) {
        if (QScreen* screen = screenFor(window, QPoint(left, top))) {
            // Left and top are the frame's; the frame adds the title bar and borders.
            const QRect area = screen->availableGeometry();
            const QMargins frame = FormFrameMargins(window);
            const int frameWidth = frame.left() + frame.right();
            const int frameHeight = frame.top() + frame.bottom();
            if (IsSizableForm(window)) {
                if (width + frameWidth > area.width())
                    width = std::max(window->minimumWidth(), area.width() - frameWidth);
                if (height + frameHeight > area.height())
                    height = std::max(window->minimumHeight(), area.height() - frameHeight);
            }
            if (left + width + frameWidth > area.right() + 1)
                left = area.right() + 1 - width - frameWidth;
            if (top + height + frameHeight > area.bottom() + 1)
                top = area.bottom() + 1 - height - frameHeight;
            if (left < area.left()) left = area.left();
            if (top < area.top()) top = area.top();
        }
    }
    window->move(left, top);
    if (IsSizableForm(window)) window->resize(width, height);
    return true;
}

void CenterFormScreen(QWidget* window)
{
    if (!window) return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.left() + (area.width() - size.width()) / 2,
                 area.top() + (area.height() - size.height()) / 2);
}

void FormOnTop(QWidget* window, bool onTop)
{
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
    // Changing a window's flags re-creates it hidden: put it back where and as it was.
    const QPoint position = window->pos();
    const QSize size = window->size();
    const Qt::WindowStates state = window->windowState();
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    window->move(position);
    window->resize(size);
    window->setWindowState(state);
    if (visible) window->show();
}

void CloseForms(QWidget* window)
{
    QList<QPointer<QWidget>> others;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == window || !widget->isWindow()) continue;
        const Qt::WindowType type = widget->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop ||
            type == Qt::SplashScreen)
            continue;
        others.append(widget);
    }
    for (const QPointer<QWidget>& other : others)
        if (other) other->close();
    if (window) window->close();
}

void SelectAllText(QWidget* control)
{
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        if (!line->text().isEmpty()) line->setSelection(0, int(line->text().size()));
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        if (!plain->toPlainText().isEmpty()) plain->selectAll();
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        if (!rich->toPlainText().isEmpty()) rich->selectAll();
    }
}

namespace {
void setLabelStyle(QWidget* label, const QColor& colour)
{
    if (!label) return;
    QFont font = label->font();
    font.setBold(false);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    label->setPalette(palette);
}
} // namespace

void LabelStyleNormal(QWidget* label)
{
    setLabelStyle(label, QColor(0, 0, 0));
}

void LabelStyleGreyed(QWidget* label)
{
    setLabelStyle(label, QColor(128, 128, 128));
}

namespace tlv {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    if (!name.isEmpty()) label->setObjectName(name);
    return label;
}

QLabel* MakeSimulationMark(QWidget* parent)
{
    auto* label = MakeLabel(parent, QStringLiteral("lblSim"), QStringLiteral("SIMULATE"));
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0); font-weight: bold;"));
    label->setToolTip(QStringLiteral("No card is measuring: the card library simulates the "
                                     "crystals from the output powers."));
    label->hide();
    return label;
}

} // namespace tlv
