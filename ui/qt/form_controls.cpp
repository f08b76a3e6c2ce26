#include "ui/qt/form_controls.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/qt/multi_line_box.h"
#include "ui/qt/text_boundary.h"

namespace zelvo {

Text FormControls::text(Control control) const {
    QWidget* target = form_[control];
    if (auto* box = qobject_cast<QLineEdit*>(target)) {
        return toText(box->text());
    }
    if (auto* box = qobject_cast<MultiLineBox*>(target)) {
        return toText(box->text());
    }
    if (auto* group = qobject_cast<QGroupBox*>(target)) {
        return toText(group->title());
    }
    if (auto* label = qobject_cast<QLabel*>(target)) {
        return toText(label->text());
    }
    if (auto* button = qobject_cast<QPushButton*>(target)) {
        return toText(button->text());
    }
    return {};
}

void FormControls::setText(Control control, const Text& text) {
    QWidget* target = form_[control];
    const QString string = toQString(text);
    if (auto* box = qobject_cast<QLineEdit*>(target)) {
        box->setText(string);
    } else if (auto* box = qobject_cast<MultiLineBox*>(target)) {
        box->setText(string);
    } else if (auto* group = qobject_cast<QGroupBox*>(target)) {
        group->setTitle(string);
    } else if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(string);
    } else if (auto* button = qobject_cast<QPushButton*>(target)) {
        button->setText(string);
    }
}

void FormControls::setVisible(Control control, bool visible) {
    form_[control]->setVisible(visible);
}

void FormControls::setEnabled(Control control, bool enabled) {
    form_[control]->setEnabled(enabled);
}

void FormControls::setBold(Control control, bool bold) {
    QWidget* target = form_[control];
    QFont font = target->font();
    font.setBold(bold);
    target->setFont(font);
}

int FormControls::currentItem(Control control) const {
    if (auto* list = qobject_cast<QComboBox*>(form_[control])) {
        return list->currentIndex();
    }
    return -1;
}

}  // namespace zelvo
