#pragma once
// A number field with up/down arrows that takes what is typed. A plain spin box refuses a
// keystroke that leaves its range (typing 25 where 1..20 is allowed gives 2) and, when an
// emptied or out-of-range field loses the focus or Enter is pressed, puts its previous value
// back, so OK would save a number the user removed. This one keeps the text as typed; the
// dialog's check reads typedValue() and refuses what is out of range with its own message.

#include <QSpinBox>

namespace qv::gui {

class NumberBox final : public QSpinBox {
    Q_OBJECT
public:
    // What typedValue() gives for a text that is no whole number (empty included); below every
    // range the dialogs allow, so their range checks refuse it.
    static constexpr int kNoNumber = -1;

    // The arrows step within low..high, starting at value (clamped into the range).
    NumberBox(QWidget* parent, int low, int high, int value);

    // The whole number in the field as typed (blanks around it allowed), or kNoNumber.
    int typedValue() const;

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace qv::gui
