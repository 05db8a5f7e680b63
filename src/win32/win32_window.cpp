#include "win32/win32_window.h"

#include "win32/win32_scaling.h"

namespace kestrel {

namespace {

constexpr const wchar_t* ClassName = L"wndclass";
constexpr const wchar_t* Title = L"kestrel";

// One main window per process; its procedure finds the window object here.
Win32Window* current = nullptr;

TrayMouse MouseOf(LPARAM l) {
    switch (static_cast<UINT>(l)) {
    case WM_LBUTTONUP:
        return TrayMouse::LeftButtonUp;
    case WM_RBUTTONUP:
        return TrayMouse::RightButtonUp;
    case NIN_BALLOONUSERCLICK: // the balloons tell of mail: a click opens its list
        return TrayMouse::NoticeChosen;
    default:
        return TrayMouse::Other;
    }
}

} // namespace

Win32Window::~Win32Window() {
    if (current == this)
        current = nullptr;
}

void Win32Window::CreateMainWindow(WindowEvents& events) {
    events_ = &events;
    current = this;
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");

    WNDCLASSW windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = handles_.instance;
    windowClass.hIcon = handles_.pictures.mainIcon;
    windowClass.hCursor = handles_.pictures.arrow;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INACTIVEBORDER + 1);
    windowClass.lpszClassName = ClassName;
    RegisterClassW(&windowClass);

    handles_.scale = ScaleForDpi(DpiOf(nullptr));
    CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, ClassName, Title,
                    WS_POPUP | WS_VISIBLE, 0, 0, ToDevice(100, handles_.scale),
                    ToDevice(63, handles_.scale), nullptr, nullptr, handles_.instance, nullptr);
}

LRESULT CALLBACK Win32Window::WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    // The first message arrives before CreateWindowExW returns.
    if (current && !current->handles_.window)
        current->handles_.window = window;
    if (!current || current->handles_.window != window)
        return DefWindowProcW(window, message, w, l);
    return current->Handle(message, w, l);
}

LRESULT Win32Window::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_CREATE:
        handles_.tasks.window = handles_.window;
        addresses_ = std::make_unique<Win32AddressWatch>(handles_.window, AddressesChangedMessage);
        handles_.scale = ScaleForDpi(DpiOf(handles_.window)); // its monitor's, where it opened
        events_->OnCreate();
        return 0;
    case WM_DESTROY:
        handles_.tasks.window = nullptr;
        addresses_.reset();
        return 0;
    case TasksWaitingMessage:
        RunWaitingTasks();
        return 0;
    case WM_CLOSE:
        events_->OnClose();
        return 0;
    case WM_NCHITTEST:
        return HTCAPTION; // the whole surface drags the window
    case WM_COMMAND:
        events_->OnCommand(LOWORD(w), HIWORD(w), l != 0);
        return 0;
    case WM_TIMER:
        events_->OnTimer();
        return 0;
    case WM_DPICHANGED:
        ApplyDpi(handles_, LOWORD(w), *reinterpret_cast<const RECT*>(l));
        return 0;
    case WM_POWERBROADCAST:
        if (w == PBT_APMRESUMEAUTOMATIC || w == PBT_APMRESUMESUSPEND)
            events_->OnResumeOrNetworkChange();
        return TRUE;
    case AddressesChangedMessage:
        events_->OnResumeOrNetworkChange();
        return 0;
    case WM_USER + 10:
    case WM_USER + 11:
        events_->OnTrayCallback(static_cast<int>(message), MouseOf(l));
        return 0;
    default:
        if (taskbarCreated_ != 0 && message == taskbarCreated_) {
            events_->OnTaskbarCreated();
            return 0;
        }
        return DefWindowProcW(handles_.window, message, w, l);
    }
}

// One message may stand for several tasks, and a task posted meanwhile brings its own.
void Win32Window::RunWaitingTasks() {
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard lock(handles_.tasks.mutex);
        tasks.swap(handles_.tasks.waiting);
    }
    for (const std::function<void()>& task : tasks)
        task();
}

int Win32Window::RunMessageLoop() {
    MSG message{};
    // GetMessageW gives 0 for the quit and -1 on a failure; neither keeps the loop going.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(handles_.window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void Win32Window::PostQuit(int code) {
    PostQuitMessage(code);
}

Rect Win32Window::WindowRect() {
    RECT r{};
    GetWindowRect(handles_.window, &r);
    return FromDevice(r, handles_.scale);
}

void Win32Window::MoveWindow(const Rect& rect) {
    const int s = handles_.scale;
    ::MoveWindow(handles_.window, ToDevice(rect.left, s), ToDevice(rect.top, s),
                 ToDevice(rect.width, s), ToDevice(rect.height, s), TRUE);
}

void Win32Window::ShowWindow(bool shown) {
    ::ShowWindow(handles_.window, shown ? SW_SHOWNORMAL : SW_HIDE);
}

void Win32Window::PaintNow() {
    UpdateWindow(handles_.window);
}

bool Win32Window::OnAnyScreen(const Rect& rect) {
    const int s = handles_.scale;
    const RECT r{ToDevice(rect.left, s), ToDevice(rect.top, s),
                 ToDevice(rect.left + rect.width, s), ToDevice(rect.top + rect.height, s)};
    return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

Size Win32Window::ScreenSize() {
    return {FromDevice(GetSystemMetrics(SM_CXSCREEN), handles_.scale),
            FromDevice(GetSystemMetrics(SM_CYSCREEN), handles_.scale)};
}

Point Win32Window::PointerPosition() {
    POINT p{};
    GetCursorPos(&p);
    return {FromDevice(p.x, handles_.scale), FromDevice(p.y, handles_.scale)};
}

} // namespace kestrel
