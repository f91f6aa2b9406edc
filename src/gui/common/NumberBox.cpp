#include "gui/common/NumberBox.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace qv::gui {

NumberBox::NumberBox(QWidget* parent, int low, int high, int value) : QSpinBox(parent)
{
    setRange(low, high);
    setValue(std::clamp(value, low, high));
}

int NumberBox::typedValue() const
{
    bool ok = false;
    const int typed = lineEdit()->text().trimmed().toInt(&ok, 10);
    return ok ? typed : kNoNumber;
}

QValidator::State NumberBox::validate(QString& text, int& pos) const
{
    // Nothing typed is refused: what is not a number in range stays as typed (Intermediate)
    // for the dialog's check to refuse.
    return QSpinBox::validate(text, pos) == QValidator::Acceptable ? QValidator::Acceptable : QValidator::Intermediate;
}

void NumberBox::focusOutEvent(QFocusEvent* event)
{
    const QString typed = lineEdit()->text();
    QSpinBox::focusOutEvent(event);
    if (lineEdit()->text() != typed)
        lineEdit()->setText(typed);
}

void NumberBox::keyPressEvent(QKeyEvent* event)
{
    const QString typed = lineEdit()->text();
    QSpinBox::keyPressEvent(event);
    // Enter goes on to the dialog's default button: the text must still be what was typed.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && lineEdit()->text() != typed)
        lineEdit()->setText(typed);
}

} // namespace qv::gui
