#include "qt/qt_control_widgets.h"

#include "qt/qt_text.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace kestrel {

namespace {

bool Has(const ControlSpec& control, ControlTrait trait) {
    return (control.traits & trait) != 0;
}

// Thin sunken, deep sunken or plain edges, as far as the widget is a frame.
void SetEdge(QFrame& frame, const ControlSpec& control) {
    if (Has(control, TraitClientEdge)) {
        frame.setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame.setLineWidth(2);
    } else if (Has(control, TraitStaticEdge)) {
        frame.setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame.setLineWidth(1);
    } else if (Has(control, TraitBorder)) {
        frame.setFrameStyle(QFrame::Box | QFrame::Plain);
        frame.setLineWidth(1);
    }
}

// Takes the refused characters out of whatever reaches the field.
QAbstractButton* MakeButton(const ControlSpec& control, QWidget* parent) {
    const QString text = FromUtf8(control.text);
    switch (control.kind) {
    case ControlKind::CheckBox:
        return new ManualCheckBox(text, parent);
    case ControlKind::AutoRadioButton:
        return new QRadioButton(text, parent);
    default:
        return new QPushButton(text, parent);
    }
}

} // namespace

StaticText::StaticText(const ControlSpec& control, QWidget* parent, ControlNotify notify)
    : QLabel(FromUtf8(control.text), parent), notify_(std::move(notify)) {
    setTextFormat(Qt::PlainText);
    setAlignment((Has(control, TraitCentered) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    setWordWrap(true); // as a Windows static breaks its lines between words
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(240, 240, 240)); // a Windows static's face
    setPalette(palette);
    setAutoFillBackground(true);
    SetEdge(*this, control);
    if (!Has(control, TraitNotify))
        setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StaticText::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        notify_(ClickedCode);
}

EditField::EditField(const ControlSpec& control, QWidget* parent)
    : QLineEdit(FromUtf8(control.text), parent) {
    if (Has(control, TraitPassword))
        setEchoMode(QLineEdit::Password);
}

ListBox::ListBox(const ControlSpec& control, QWidget* parent, ControlNotify notify)
    : QListWidget(parent), sorted_(Has(control, TraitSorted)), notify_(std::move(notify)) {
    SetEdge(*this, control);
    setVerticalScrollBarPolicy(Has(control, TraitVScroll) ? Qt::ScrollBarAlwaysOn
                                                          : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);       // a long list is laid out without measuring every line
    setTextElideMode(Qt::ElideNone); // a line too long is cut at the edge, as on Windows
}

void ListBox::Add(const std::string& text) {
    auto at = lines_.end();
    if (sorted_)
        at = std::upper_bound(lines_.begin(), lines_.end(), text);
    Insert(static_cast<int>(at - lines_.begin()), text);
}

// A line keeps its text up to its first zero byte; an index past the end appends.
void ListBox::Insert(int index, const std::string& text) {
    const std::string kept = text.substr(0, text.find('\0'));
    if (index < 0 || index > static_cast<int>(lines_.size()))
        index = static_cast<int>(lines_.size());
    lines_.insert(lines_.begin() + index, kept);
    insertItem(index, FromUtf8(kept));
}

void ListBox::Delete(int index) {
    if (index < 0 || index >= static_cast<int>(lines_.size()))
        return;
    lines_.erase(lines_.begin() + index);
    const QSignalBlocker quiet(this);
    delete takeItem(index);
}

void ListBox::Reset() {
    lines_.clear();
    const QSignalBlocker quiet(this);
    clear();
}

void ListBox::Select(int index) {
    const QSignalBlocker quiet(this);
    setCurrentRow(index >= 0 && index < count() ? index : -1);
    if (currentRow() < 0)
        clearSelection();
    else // Qt scrolls to the current line by itself only while the list is on screen
        scrollToItem(currentItem());
}

void ListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        notify_(SelectionChangedCode);
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0)
        notify_(SelectionChangedCode);
}

QWidget* MakeControl(const ControlSpec& control, QWidget* parent, ControlNotify notify) {
    QWidget* widget = nullptr;
    switch (control.kind) {
    case ControlKind::Static:
        widget = new StaticText(control, parent, std::move(notify));
        break;
    case ControlKind::ListBox:
        widget = new ListBox(control, parent, std::move(notify));
        break;
    case ControlKind::Edit:
        widget = new EditField(control, parent);
        break;
    default: {
        QAbstractButton* button = MakeButton(control, parent);
        QObject::connect(button, &QAbstractButton::clicked, [notify] { notify(ClickedCode); });
        widget = button;
        break;
    }
    }
    widget->setFocusPolicy(Has(control, TraitTabStop)            ? Qt::StrongFocus
                           : control.kind == ControlKind::Static ? Qt::NoFocus
                                                                 : Qt::ClickFocus);
    widget->setGeometry(control.rect.left, control.rect.top, control.rect.width,
                        control.rect.height);
    widget->setVisible(control.visible);
    return widget;
}

} // namespace kestrel
