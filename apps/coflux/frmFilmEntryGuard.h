#pragma once
// Entry checking shared by the coflux editor forms (frmFilm, frmInputs, frmSetup).
//
// A numeric entry is checked when Enter is pressed in it or when another control of the form
// takes the focus. A refused entry shows its message, keeps (gets back) the focus and has its
// whole text selected; an accepted entry is rewritten in its display format. The guard also lets
// a form check every entry before it applies, so a refused text never reaches the tables.
//
// The guard is owned by its form (QObject child) and watches the controls it is given; it never
// owns them.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QLineEdit;
class QWidget;

namespace coflux {

// Checks the text of one entry. Returns an empty string when the entry is accepted (the check has
// then rewritten the text in its display format), else the message to show.
using EntryCheck = std::function<QString(QLineEdit&)>;

// The number an operator typed: surrounding blanks ignored, empty or non-numeric text refused.
std::optional<double> ParseEntry(const QString& text);

// A limit as the messages print it ("0.1", "9999", "-10").
QString LimitText(double value);

// Inclusive range check: on success the text becomes Format(value, pattern); else the message is
// messageStart + min + " and " + max + " !".
EntryCheck RangeCheck(double min, double max, const QString& pattern, const QString& messageStart);

// Text entry cut to `width` characters; always accepted.
EntryCheck CutCheck(int width);

class EntryGuard : public QObject {
    Q_OBJECT
public:
    explicit EntryGuard(QWidget& form);

    // An entry with its check; it takes part in the focus guard and in CheckAll().
    void AddEntry(QLineEdit* box, EntryCheck check);
    // Any other focusable control: taking the focus first checks the current entry.
    void Watch(QWidget* control);

    // While loading, focus changes are not guarded and text changes do not count as edits (the
    // form is being built or filled). Entering loading forgets the edits made so far.
    void SetLoading(bool loading);

    // Checks one entry; a refusal shows the message and gives the entry the focus back.
    bool Check(QLineEdit* box);
    // Checks the shown entries in the order added and stops at the first refused one: every
    // entry, or only those the operator edited since the form was filled (untouched entries then
    // keep the values as filled).
    enum class Scope { Every, Edited };
    bool CheckAll(Scope scope);

    QWidget* Current() const { return m_current; }
    void SetCurrent(QWidget* control) { m_current = control; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QLineEdit* box;
        EntryCheck check;
    };
    const Entry* Find(const QObject* box) const;
    void Refuse(QLineEdit* box, const QString& message);
    void OnFocusIn(QWidget* control);

    QWidget& m_form;
    std::vector<Entry> m_entries;
    std::vector<QLineEdit*> m_edited; // entries whose text changed since the form was filled
    QPointer<QWidget> m_current;
    bool m_loading = false;
    bool m_busy = false; // a message is being shown: focus changes it causes are not guarded
};

// True when a box still shows a table value: its number equals the value as the form fills it
// (`pattern`), so a value the display rounds counts as unchanged. Non-numeric text differs.
bool SameNumber(const QString& text, double value, const QString& pattern);

// Asks "Save " caption " Changes?" with Yes and No; true for Yes.
bool AskSaveChanges(QWidget* form);

} // namespace coflux
