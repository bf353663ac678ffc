#pragma once
// Small builders for the controls of the coflux editor forms: every control carries its name as
// objectName (an element of a control array is "name_index"), its caption and its tool tip.
// Labels come from the shared tlv::MakeLabel.

#include "common/EditorForm.h"
#include "common/EntryGuard.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

#include <array>

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

// The tool tips of an editor's OK, Cancel and Update buttons (an empty one: none).
inline const QString kOkTip = QStringLiteral("Close form and update the setup.");
inline const QString kCancelTip = QStringLiteral("Closing form and abandon changes.");
inline const QString kUpdateTip = QStringLiteral("Update settings without closing form.");

// An editor's buttons cmdFSwitch_0..2 "&OK", "Cancel" and "&Update", added to `row`, each running
// its command on the form.
inline std::array<QPushButton*, 3> AddCommandButtons(tlv::EditorForm* form, QBoxLayout* row,
                                                     const std::array<QString, 3>& tips)
{
    static const std::array<QString, 3> captions{QStringLiteral("&OK"), QStringLiteral("Cancel"),
                                                 QStringLiteral("&Update")};
    std::array<QPushButton*, 3> buttons{};
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<size_t>(i);
        buttons[k] = MakeButton(form, IndexedName("cmdFSwitch", i), captions[k], tips[k]);
        row->addWidget(buttons[k]);
        QObject::connect(buttons[k], &QPushButton::clicked, form,
                         [form, i] { form->RunCommand(i); });
    }
    return buttons;
}

// Names an editor window and its title, deletes it when closed and gives it the entry guard of
// the coflux editors: leaving an entry for the next control checks it, an accepted Enter keeps
// it selected. The guard starts loading; the form ends that once it is built and filled.
inline tlv::EntryGuard* StartEditorWindow(tlv::EditorForm* form, const QString& name,
                                          const QString& title)
{
    form->setObjectName(name);
    form->setWindowTitle(title);
    form->setAttribute(Qt::WA_DeleteOnClose);
    auto* guard = new tlv::EntryGuard(*form, {}, tlv::EntryGuard::Leaving::NextControl);
    guard->SetSelectAfterEnter(true);
    guard->SetLoading(true);
    return guard;
}

} // namespace coflux
