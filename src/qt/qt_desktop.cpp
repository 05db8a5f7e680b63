#include "qt/qt_desktop.h"

#include "linux/xdg_mailto.h"
#include "qt/cp1252.h"
#include "qt/qt_controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QWidgetAction>

#include <cstdlib>

namespace kestrel {

MainWindow::MainWindow(WindowEvents& events) : events_(events) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle("kestrel");
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white); // the Windows build's window background
    setPalette(palette);
    setAutoFillBackground(true);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore(); // the application saves and quits, or not
    events_.OnClose();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        grab_ = event->globalPosition().toPoint() - pos();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - grab_);
}

QtDesktop::QtDesktop() = default;
QtDesktop::~QtDesktop() = default;

bool QtDesktop::AnotherInstanceRuns(const std::string&) {
    lock_ = std::make_unique<InstanceLock>(InstanceLockLocation(std::getenv("XDG_RUNTIME_DIR")));
    return !lock_->Held();
}

void QtDesktop::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, FromCp1252(caption), FromCp1252(text), QMessageBox::Ok);
    box.exec();
}

void QtDesktop::LoadResources() {
    about_ = QPixmap(":/res/ABOUT.bmp");
    noIcon_ = QIcon(":/res/NO.ico");
    mailIcon_ = QIcon(":/res/MAIL.ico");
    QApplication::setWindowIcon(QIcon(":/res/HAUPTICON.ico"));
}

void QtDesktop::CreateMainWindow(WindowEvents& events) {
    events_ = &events;
    window_ = std::make_unique<MainWindow>(events);
    window_->setGeometry(0, 0, 100, 63);
    layer_ = new DrawnLayer(window_.get());
    shown_ = true;
    events.OnCreate();
    layer_->raise();
    window_->setVisible(shown_);
}

int QtDesktop::RunMessageLoop() {
    return QApplication::exec();
}

void QtDesktop::PostQuit(int code) {
    QApplication::exit(code);
}

Rect QtDesktop::WindowRect() {
    const QRect r = window_->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void QtDesktop::MoveWindow(const Rect& rect) {
    window_->setGeometry(rect.left, rect.top, rect.width, rect.height);
    window_->update();
}

// Without a tray a hidden window could not come back: it stays shown.
void QtDesktop::ShowWindow(bool shown) {
    if (!shown && !TrayAvailable())
        return;
    shown_ = shown;
    if (window_)
        window_->setVisible(shown);
}

void QtDesktop::PaintNow() {
    window_->repaint();
}

std::unique_ptr<Surface> QtDesktop::BeginDrawing() {
    return std::make_unique<QtSurface>(*layer_, font_, ascent_);
}

bool QtDesktop::OnAnyScreen(const Rect& rect) {
    const QRect r(rect.left, rect.top, rect.width, rect.height);
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(r))
            return true;
    }
    return false;
}

QWidget* QtDesktop::Widget(ControlName control) const {
    return controls_[static_cast<size_t>(control)];
}

ListBox* QtDesktop::List(ControlName control) const {
    return dynamic_cast<ListBox*>(Widget(control));
}

void QtDesktop::CreateControl(const ControlSpec& control) {
    const int id = control.id;
    // Posted, as a control's notification is on Windows: it never runs inside the call that
    // caused it.
    auto notify = [this, id](int code) {
        QMetaObject::invokeMethod(
            window_.get(), [this, id, code] { events_->OnCommand(id, code, true); },
            Qt::QueuedConnection);
    };
    controls_[static_cast<size_t>(control.name)] = MakeControl(control, window_.get(), notify);
}

void QtDesktop::ShowControl(ControlName control, bool shown) {
    if (QWidget* w = Widget(control))
        w->setVisible(shown);
}

void QtDesktop::SetText(ControlName control, const std::string& text) {
    QWidget* w = Widget(control);
    if (auto* edit = dynamic_cast<FilteringEdit*>(w))
        edit->SetBytes(text);
    else if (auto* label = dynamic_cast<QLabel*>(w))
        label->setText(FromCp1252(text));
    else if (auto* button = dynamic_cast<QAbstractButton*>(w))
        button->setText(FromCp1252(text));
}

std::string QtDesktop::GetText(ControlName control, int maxBytes) {
    QWidget* w = Widget(control);
    QString text;
    if (auto* edit = dynamic_cast<QLineEdit*>(w))
        text = edit->text();
    else if (auto* label = dynamic_cast<QLabel*>(w))
        text = label->text();
    else if (auto* button = dynamic_cast<QAbstractButton*>(w))
        text = button->text();
    if (maxBytes <= 0)
        return {};
    std::string bytes = ToCp1252(text);
    if (bytes.size() > static_cast<size_t>(maxBytes - 1))
        bytes.resize(static_cast<size_t>(maxBytes - 1));
    return bytes;
}

void QtDesktop::SetChecked(ControlName control, bool checked) {
    if (auto* button = dynamic_cast<QAbstractButton*>(Widget(control))) {
        const QSignalBlocker quiet(button);
        button->setChecked(checked);
    }
}

bool QtDesktop::IsChecked(ControlName control) {
    auto* button = dynamic_cast<QAbstractButton*>(Widget(control));
    return button && button->isChecked();
}

void QtDesktop::Focus(ControlName control) {
    if (QWidget* w = Widget(control))
        w->setFocus();
}

void QtDesktop::ListAdd(ControlName list, const std::string& text) {
    if (ListBox* box = List(list))
        box->Add(text);
}

void QtDesktop::ListSelect(ControlName list, int index) {
    if (ListBox* box = List(list))
        box->Select(index);
}

int QtDesktop::ListSelection(ControlName list) {
    ListBox* box = List(list);
    return box ? box->Selection() : -1;
}

void QtDesktop::ListReset(ControlName list) {
    if (ListBox* box = List(list))
        box->Reset();
}

void QtDesktop::ListInsert(ControlName list, int index, const std::string& text) {
    if (ListBox* box = List(list))
        box->Insert(index, text);
}

void QtDesktop::ListDelete(ControlName list, int index) {
    if (ListBox* box = List(list))
        box->Delete(index);
}

void QtDesktop::BeginListFill(ControlName list) {
    if (ListBox* box = List(list))
        box->setUpdatesEnabled(false);
}

void QtDesktop::EndListFill(ControlName list) {
    if (ListBox* box = List(list))
        box->setUpdatesEnabled(true); // and repaints once
}

std::string QtDesktop::ReadMailtoCommand() {
    return ReadXdgMailtoCommand();
}

// The command comes from a desktop file, in the file system's encoding, not the window's. No
// shell: the parameters are split at blanks (the quotes are gone by now).
void QtDesktop::StartProgram(const std::string& file, const std::string& parameters) {
    if (file.empty())
        return;
    const QStringList arguments =
        QFile::decodeName(parameters.c_str()).split(' ', Qt::SkipEmptyParts);
    QProcess::startDetached(QFile::decodeName(file.c_str()), arguments);
}

// "arial", 9 pixels high, weight 800; Liberation Sans stands in with Arial's metrics.
void QtDesktop::CreateMainFont() {
    font_ = QFont("Arial");
    font_.setPixelSize(9);
    font_.setWeight(QFont::ExtraBold);
    ascent_ = QFontMetrics(font_).ascent();
    for (QWidget* control : controls_) {
        if (control)
            control->setFont(font_);
    }
}

void QtDesktop::ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) {
    QMenu menu; // in the desktop's menu font, as on Windows
    for (const MenuItem& item : items) {
        QAction* action = nullptr;
        switch (item.kind) {
        case MenuItemKind::Text:
            action = menu.addAction(FromCp1252(item.text));
            break;
        case MenuItemKind::Separator:
            menu.addSeparator();
            break;
        case MenuItemKind::AboutPicture: {
            auto* picture = new QWidgetAction(&menu);
            auto* label = new QLabel;
            label->setPixmap(about_);
            label->setAttribute(Qt::WA_TransparentForMouseEvents); // the menu takes the click
            picture->setDefaultWidget(label);
            menu.addAction(picture);
            action = picture;
            break;
        }
        }
        if (action)
            action->setData(item.id);
    }
    // The choice arrives once the menu has closed, as a posted command.
    const QAction* chosen = menu.exec(QPoint(topLeft.x, topLeft.y));
    if (chosen) {
        const int id = chosen->data().toInt();
        QMetaObject::invokeMethod(
            window_.get(), [this, id] { events_->OnCommand(id, 0, false); }, Qt::QueuedConnection);
    }
}

void QtDesktop::StartTimer(int id, int periodMs) {
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this] { events_->OnTimer(); });
    }
    timer->start(periodMs);
}

Size QtDesktop::ScreenSize() {
    const QRect r = QGuiApplication::primaryScreen()->geometry();
    return {r.width(), r.height()};
}

Point QtDesktop::PointerPosition() {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

} // namespace kestrel
