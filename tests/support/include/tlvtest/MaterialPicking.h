#pragma once
// Chooses a material in a form's picker as an operator does: types its name and presses Enter.
// Header only; for tests that link the shared widgets and Qt Test.

#include "common/MaterialPicker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QTest>

namespace tlvtest {

inline void PickMaterial(tlv::MaterialPicker* picker, const QString& name)
{
    picker->lineEdit()->clear();
    QTest::keyClicks(picker->lineEdit(), name);
    // The proposals list opened by typing; Enter then goes to the text itself.
    if (QCompleter* completer = picker->completer()) completer->popup()->hide();
    QTest::keyClick(picker->lineEdit(), Qt::Key_Return);
}

} // namespace tlvtest
