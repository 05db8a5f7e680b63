#include "qt/qt_controls.h"

#include "qt/qt_text.h"
#include "text/utf8.h"
#include "qt/qt_control_widgets.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

namespace kestrel {

void QtControls::CreateControl(const ControlSpec& control) {
    const int id = control.id;
    // Posted, as a control's notification is on Windows.
    auto notify = [this, id](int code) {
        shell_.Post([id, code](WindowEvents& events) { events.OnCommand(id, code, true); });
    };
    shell_.controls[static_cast<size_t>(control.name)] =
        MakeControl(control, shell_.window.get(), notify);
}

void QtControls::ShowControl(ControlName control, bool shown) {
    if (QWidget* w = shell_.Widget(control))
        w->setVisible(shown);
}

void QtControls::SetText(ControlName control, const std::string& text) {
    QWidget* w = shell_.Widget(control);
    if (auto* edit = dynamic_cast<QLineEdit*>(w))
        edit->setText(FromUtf8(text));
    else if (auto* label = dynamic_cast<QLabel*>(w))
        label->setText(FromUtf8(text));
    else if (auto* button = dynamic_cast<QAbstractButton*>(w))
        button->setText(FromUtf8(text));
}

std::string QtControls::GetText(ControlName control, int maxUnits) {
    QWidget* w = shell_.Widget(control);
    QString text;
    if (auto* edit = dynamic_cast<QLineEdit*>(w))
        text = edit->text();
    else if (auto* label = dynamic_cast<QLabel*>(w))
        text = label->text();
    else if (auto* button = dynamic_cast<QAbstractButton*>(w))
        text = button->text();
    if (maxUnits <= 0)
        return {};
    return CutText(ToUtf8(text), std::string::npos, std::string::npos,
                   static_cast<size_t>(maxUnits - 1));
}

void QtControls::SetChecked(ControlName control, bool checked) {
    if (auto* button = dynamic_cast<QAbstractButton*>(shell_.Widget(control))) {
        const QSignalBlocker quiet(button);
        button->setChecked(checked);
    }
}

bool QtControls::IsChecked(ControlName control) {
    auto* button = dynamic_cast<QAbstractButton*>(shell_.Widget(control));
    return button && button->isChecked();
}

void QtControls::Focus(ControlName control) {
    if (QWidget* w = shell_.Widget(control))
        w->setFocus();
}

} // namespace kestrel
