#pragma once
// Small builders for the controls of the coflux editor forms: every control carries its name as
// objectName (an element of a control array is "name_index"), its caption and its tool tip.
// Labels come from the shared tlv::MakeLabel.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

namespace coflux {

inline QString IndexedName(const char* name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

template <typename Control> Control* Named(Control* control, const QString& name)
{
    control->setObjectName(name);
    return control;
}

inline QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& text,
                           const QString& tip = {}, int width = 70)
{
    auto* box = Named(new QLineEdit(text, parent), name);
    box->setToolTip(tip);
    box->setAlignment(Qt::AlignRight);
    if (width > 0) box->setFixedWidth(width);
    return box;
}

inline QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                               const QString& tip = {})
{
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

inline QCheckBox* MakeCheck(QWidget* parent, const QString& name, const QString& caption,
                            const QString& tip = {})
{
    auto* box = Named(new QCheckBox(caption, parent), name);
    box->setToolTip(tip);
    return box;
}

inline QRadioButton* MakeOption(QWidget* parent, const QString& name, const QString& caption,
                                const QString& tip = {})
{
    auto* option = Named(new QRadioButton(caption, parent), name);
    option->setToolTip(tip);
    return option;
}

} // namespace coflux
