#pragma once

// The commands and the closing of an editor form, the same in every program:
// - OK applies and closes; an apply that was refused (an entry refused, a setting the instrument
//   did not accept) keeps the form open so nothing typed is lost.
// - Cancel closes and drops the changes.
// - Update applies and stays open.
// - Closing the form any other way (its close box, the program closing its forms) asks
//   "Save <caption> Changes?" when something changed; Yes applies, and a refused apply keeps the
//   form open.
// The form's position is saved whenever it closes.

#include <QWidget>

class QCloseEvent;

namespace tlv {

// Asks "Save " caption " Changes?" with Yes and No; true for Yes.
bool AskSaveChanges(QWidget* form);

class EditorForm : public QWidget {
    Q_OBJECT
public:
    enum Command { Ok = 0, Cancel = 1, Update = 2 };

    explicit EditorForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // Runs OK, Cancel or Update (other numbers do nothing). True when the form applied or closed
    // as asked.
    bool RunCommand(int command);

protected:
    // Whether the form holds changes not yet applied.
    virtual bool Changed() const = 0;
    // Takes the form's values over; false when something was refused (the form has told the
    // operator and put the focus where the correction belongs).
    virtual bool Apply() = 0;

    void closeEvent(QCloseEvent* event) override;

private:
    bool m_leaving = false; // OK or Cancel is closing the form: no question
};

} // namespace tlv
