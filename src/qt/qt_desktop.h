#pragma once

#include "ports/desktop.h"
#include "linux/user_files.h"
#include "qt/qt_surface.h"

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <array>
#include <map>
#include <memory>

namespace kestrel {

class ListBox;

// The main window: frameless, on top of the others, out of the task bar; any free part of it
// drags it. Closing it asks the application.
class MainWindow : public QWidget {
  public:
    explicit MainWindow(WindowEvents& events);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    WindowEvents& events_;
    QPoint grab_; // where the pointer holds the window, from its top-left corner
};

// The desktop and the tray on Qt 6 Widgets, with the Linux desktop's own parts (instance lock,
// mailto handler) below it. Requires a QApplication.
class QtDesktop : public Desktop, public Tray {
  public:
    QtDesktop();
    ~QtDesktop() override;

    bool AnotherInstanceRuns(const std::string& title) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void LoadResources() override;
    void CreateMainWindow(WindowEvents& events) override;
    int RunMessageLoop() override;
    void PostQuit(int code) override;

    Rect WindowRect() override;
    void MoveWindow(const Rect& rect) override;
    void ShowWindow(bool shown) override;
    void PaintNow() override;
    std::unique_ptr<Surface> BeginDrawing() override;
    bool OnAnyScreen(const Rect& rect) override;

    void CreateControl(const ControlSpec& control) override;
    void ShowControl(ControlName control, bool shown) override;
    void SetText(ControlName control, const std::string& text) override;
    std::string GetText(ControlName control, int maxBytes) override;
    void SetChecked(ControlName control, bool checked) override;
    bool IsChecked(ControlName control) override;
    void Focus(ControlName control) override;
    void ListAdd(ControlName list, const std::string& text) override;
    void ListSelect(ControlName list, int index) override;
    int ListSelection(ControlName list) override;
    void ListReset(ControlName list) override;
    void ListInsert(ControlName list, int index, const std::string& text) override;
    void ListDelete(ControlName list, int index) override;
    void BeginListFill(ControlName list) override;
    void EndListFill(ControlName list) override;
    std::string ReadMailtoCommand() override;
    void StartProgram(const std::string& file, const std::string& parameters) override;

    void CreateMainFont() override;
    void CreateDrawingTools() override {} // the pens and the brush are colours here
    void DeleteDrawingTools() override {}

    void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) override;
    void StartTimer(int id, int periodMs) override;
    Size ScreenSize() override;
    Point PointerPosition() override;

    void Add(const TrayIconRecord& record) override;
    void Modify(const TrayIconRecord& record) override;
    void Delete(const TrayIconRecord& record) override;

    // For tests: the window, a control's widget, a tray icon (null when there is none).
    QWidget* Window() const { return window_.get(); }
    QWidget* Widget(ControlName control) const;
    QSystemTrayIcon* TrayIcon(int id) const;
    const QImage& Drawn() const { return layer_->Image(); }

  private:
    ListBox* List(ControlName control) const;
    QIcon IconFor(const TrayPicture& picture) const;
    bool TrayAvailable();

    WindowEvents* events_ = nullptr;
    std::unique_ptr<MainWindow> window_;
    DrawnLayer* layer_ = nullptr; // owned by the window
    std::array<QWidget*, ControlCount> controls_{};
    bool shown_ = true;
    QFont font_;
    int ascent_ = 0; // of the font: a text's point is its cell's top-left corner
    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::map<int, std::unique_ptr<QSystemTrayIcon>> trayIcons_;
    bool noTraySaid_ = false;
    std::unique_ptr<InstanceLock> lock_;

    QPixmap about_;
    QIcon noIcon_;
    QIcon mailIcon_;
};

} // namespace kestrel
