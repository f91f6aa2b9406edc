#pragma once
// Pieces every dialog builds the same way.

#include <QString>

#include <initializer_list>

class QBoxLayout;
class QButtonGroup;
class QDialog;
class QWidget;
class QDialogButtonBox;
class QFormLayout;
class QLineEdit;
class QRadioButton;

namespace qv::gui {

// The widget, given the object name tests find it by.
template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// OK and Cancel (object names "ok" and "cancel") wired to the dialog's accept() and reject().
QDialogButtonBox* okCancelButtons(QDialog* dialog);

// A named line edit holding text, added to form under label. It has no length limit: a limit
// would cut what is typed or pasted into another text (06/02/2025 into 06/02/20), so the
// dialog's check refuses a text that is too long as a whole.
QLineEdit* formField(QFormLayout* form, QWidget* parent, const QString& label, const char* name,
                     const QString& text = {});

// Makes the buttons one exclusive choice, added to layout in the order given; the group belongs
// to the layout's widget.
QButtonGroup* exclusiveChoice(QBoxLayout* layout, std::initializer_list<QRadioButton*> buttons);

} // namespace qv::gui
