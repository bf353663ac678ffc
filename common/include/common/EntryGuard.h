#pragma once

// The entry guard of a form: a numeric entry is checked when Enter is pressed in it and when the
// operator leaves it for another control of the program (opening a menu or switching to another
// program is not leaving it). A refused entry shows its message, keeps (gets back) the focus and
// has its whole text selected; entering an entry selects its text. The form can also check every
// entry before it applies, so a refused text never reaches its settings.
//
// The guard is owned by its form (a QObject child) and watches the entries it is given; it never
// owns them.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QLineEdit;
class QWidget;

namespace tlv {

// Checks the text of one entry. Returns an empty string when the entry is accepted (the check may
// then rewrite the text in its display format and take the value over), else the message to show.
using EntryCheck = std::function<QString(QLineEdit&)>;

// The number an operator typed: surrounding blanks ignored, empty or non-numeric text refused.
std::optional<double> ParseEntry(const QString& text);

class EntryGuard : public QObject {
    Q_OBJECT
public:
    // How leaving an entry is noticed.
    // - FocusOut: the entry loses the focus to another control of the program.
    // - NextControl: an entry or a watched control (Watch) of the form takes the focus while
    //   another entry is the form's current control. The guard keeps that current control, so
    //   a command (a menu, closing, another window becoming active) can still check the entry
    //   the operator was in (CheckCurrent).
    enum class Leaving { FocusOut, NextControl };

    // Messages are shown over `form` with `title` as the box's title (empty: the program's).
    explicit EntryGuard(QWidget& form, QString title = {}, Leaving leaving = Leaving::FocusOut);

    void AddEntry(QLineEdit* box, EntryCheck check);
    // Stops guarding an entry (before it is hidden or deleted: leaving it then checks nothing).
    void RemoveEntry(QLineEdit* box);
    bool IsEntry(const QObject* object) const { return Find(object) != nullptr; }
    // NextControl: a control that is not an entry; taking the focus first checks the current one.
    void Watch(QWidget* control);

    // Entries keep the selection after an accepted Enter (the check may have rewritten the text).
    void SetSelectAfterEnter(bool select) { m_selectAfterEnter = select; }
    // While loading, focus changes are not guarded and text changes do not count as edits (the
    // form is being built or filled). Entering loading forgets the edits made so far.
    void SetLoading(bool loading);

    // NextControl: the control that last took the focus legitimately (a refused entry stays it).
    QWidget* Current() const { return m_current; }
    void SetCurrent(QWidget* control) { m_current = control; }
    // Checks the current control when it is an entry (nothing while a check is under way).
    bool CheckCurrent();

    // Checks one entry; a refusal shows the message and gives the entry the focus back with its
    // text selected. Controls that are not entries are valid.
    bool Check(QWidget* control);
    // Checks the entry that has the focus, if any (before a menu opens or a command runs).
    bool CheckFocused();
    // Checks the shown entries in the order added and stops at the first refused one:
    // - Every: every entry;
    // - Edited: only those the operator edited since the form was filled (untouched entries then
    //   keep the values as filled);
    // - EveryKeepingUntouched: every entry, but the untouched ones are only tested: they keep the
    //   text they were filled with (a check would round a value the display shows rounded).
    enum class Scope { Every, Edited, EveryKeepingUntouched };
    bool CheckAll(Scope scope);

    // A refusal's message is being shown: focus changes it causes are not guarded.
    bool ShowingMessage() const { return m_busy; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QLineEdit* box;
        EntryCheck check;
    };
    const Entry* Find(const QObject* box) const;
    bool IsEdited(const QLineEdit* box) const;
    void Refuse(QLineEdit* box, const QString& message);
    void SelectLater(QLineEdit* box, bool focus);
    void OnFocusIn(QWidget* control);
    bool OnEnter(QLineEdit* box);

    QWidget& m_form;
    QString m_title;
    Leaving m_leaving;
    std::vector<Entry> m_entries;
    std::vector<QLineEdit*> m_edited; // entries whose text changed since the form was filled
    QPointer<QWidget> m_current;
    bool m_selectAfterEnter = false;
    bool m_loading = false;
    bool m_busy = false;     // a refusal's message is being shown
    bool m_checking = false; // a check is under way (it may send a value on and show messages)
};

} // namespace tlv
