#include "gui/common/Widgets.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace qv::gui {

QDialogButtonBox* okCancelButtons(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLineEdit* formField(QFormLayout* form, QWidget* parent, const QString& label, const char* name, const QString& text)
{
    auto* edit = named(new QLineEdit(parent), name);
    edit->setText(text);
    form->addRow(label, edit);
    return edit;
}

QButtonGroup* exclusiveChoice(QBoxLayout* layout, std::initializer_list<QRadioButton*> buttons)
{
    auto* group = new QButtonGroup(layout->parentWidget());
    for (QRadioButton* button : buttons) {
        group->addButton(button);
        layout->addWidget(button);
    }
    return group;
}

} // namespace qv::gui
