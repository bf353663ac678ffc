#include "EntryChecks.h"

#include "common/NumberFormat.h"

#include <QLineEdit>

namespace coflux {

QString LimitText(double value)
{
    return QString::number(value, 'g', 10);
}

EntryCheck RangeCheck(double min, double max, const QString& pattern, const QString& messageStart)
{
    return [=](QLineEdit& box) -> QString {
        const auto value = ParseEntry(box.text());
        if (!value || *value < min || *value > max)
            return messageStart + LimitText(min) + QStringLiteral(" and ") + LimitText(max) +
                   QStringLiteral(" !");
        box.setText(tlv::Format(*value, pattern));
        return {};
    };
}

EntryCheck CutCheck(int width)
{
    return [width](QLineEdit& box) -> QString {
        if (box.text().size() > width) box.setText(box.text().left(width));
        return {};
    };
}

bool SameNumber(const QString& text, double value, const QString& pattern)
{
    const auto typed = ParseEntry(text);
    const auto shown = ParseEntry(tlv::Format(value, pattern));
    return typed && shown && *typed == *shown;
}

} // namespace coflux
