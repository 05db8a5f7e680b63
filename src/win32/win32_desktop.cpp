#include "win32/win32_desktop.h"

#include "win32/win32_styles.h"

#include <cstring>

namespace kestrel {

namespace {

constexpr const char* ClassName = "wndclass";
constexpr const char* Title = "kestrel";
constexpr UINT TrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

// One main window per process; its procedure finds the desktop here.
Win32Desktop* current = nullptr;

TrayMouse MouseOf(LPARAM l) {
    switch (static_cast<UINT>(l)) {
    case WM_LBUTTONUP:
        return TrayMouse::LeftButtonUp;
    case WM_RBUTTONUP:
        return TrayMouse::RightButtonUp;
    default:
        return TrayMouse::Other;
    }
}

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
    SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

} // namespace

Win32Desktop::~Win32Desktop() {
    if (drawnIcon_)
        DestroyIcon(drawnIcon_);
    if (current == this)
        current = nullptr;
}

bool Win32Desktop::AnotherInstanceRuns(const std::string& title) {
    return FindWindowA(nullptr, title.c_str()) != nullptr;
}

void Win32Desktop::ShowMessage(const std::string& text, const std::string& caption) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

void Win32Desktop::LoadResources() {
    about_ = LoadBitmapA(instance_, "ABOUT");
    mainIcon_ = LoadIconA(instance_, "HAUPTICON");
    arrow_ = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    // The tray pictures exist in 16 x 16 only; load them at that size rather than scaled up.
    noIcon_ = static_cast<HICON>(LoadImageA(instance_, "NO", IMAGE_ICON, 16, 16, 0));
    mailIcon_ = static_cast<HICON>(LoadImageA(instance_, "MAIL", IMAGE_ICON, 16, 16, 0));
}

void Win32Desktop::CreateMainWindow(WindowEvents& events) {
    events_ = &events;
    current = this;
    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");

    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hIcon = mainIcon_;
    windowClass.hCursor = arrow_;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INACTIVEBORDER + 1);
    windowClass.lpszClassName = ClassName;
    RegisterClassA(&windowClass);

    CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, ClassName, Title,
                    WS_POPUP | WS_VISIBLE, 0, 0, 100, 63, nullptr, nullptr, instance_, nullptr);
}

LRESULT CALLBACK Win32Desktop::WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (current && !current->window_)
        current->window_ = window; // the first message arrives before CreateWindowExA returns
    if (!current || current->window_ != window)
        return DefWindowProcA(window, message, w, l);
    return current->Handle(message, w, l);
}

LRESULT Win32Desktop::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_CREATE:
        events_->OnCreate();
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
    case WM_USER + 10:
    case WM_USER + 11:
        events_->OnTrayCallback(static_cast<int>(message), MouseOf(l));
        return 0;
    default:
        if (taskbarCreated_ != 0 && message == taskbarCreated_) {
            events_->OnTaskbarCreated();
            return 0;
        }
        return DefWindowProcA(window_, message, w, l);
    }
}

int Win32Desktop::RunMessageLoop() {
    MSG message{};
    // GetMessageA gives 0 for the quit and -1 on a failure; neither keeps the loop going.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(window_, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

void Win32Desktop::PostQuit(int code) {
    PostQuitMessage(code);
}

Rect Win32Desktop::WindowRect() {
    RECT r{};
    GetWindowRect(window_, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32Desktop::MoveWindow(const Rect& rect) {
    ::MoveWindow(window_, rect.left, rect.top, rect.width, rect.height, TRUE);
}

void Win32Desktop::ShowWindow(bool shown) {
    ::ShowWindow(window_, shown ? SW_SHOWNORMAL : SW_HIDE);
}

void Win32Desktop::PaintNow() {
    UpdateWindow(window_);
}

HWND Win32Desktop::Child(ControlName control) const {
    return children_[static_cast<size_t>(control)];
}

LRESULT Win32Desktop::SendToChild(ControlName control, UINT message, WPARAM w, LPARAM l) {
    return SendMessageA(Child(control), message, w, l);
}

std::unique_ptr<Surface> Win32Desktop::BeginDrawing() {
    return std::make_unique<Win32Surface>(window_, tools_);
}

bool Win32Desktop::OnAnyScreen(const Rect& rect) {
    const RECT r{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
    return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

void Win32Desktop::CreateControl(const ControlSpec& spec) {
    const Win32Style style = StyleOf(spec);
    const auto index = static_cast<size_t>(spec.name);
    children_[index] =
        CreateWindowExA(style.extended, style.className, spec.text.c_str(), style.style,
                        spec.rect.left, spec.rect.top, spec.rect.width, spec.rect.height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance_, nullptr);
    if (!spec.refusedBytes.empty()) {
        refusedBytes_[index] = spec.refusedBytes;
        editProcedures_[index] = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            children_[index], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FilteringEditProcedure)));
    }
}

LRESULT CALLBACK Win32Desktop::FilteringEditProcedure(HWND edit, UINT message, WPARAM w, LPARAM l) {
    for (size_t i = 0; current && i < ControlCount; ++i) {
        if (current->children_[i] == edit)
            return current->FilterEdit(i, message, w, l);
    }
    return DefWindowProcA(edit, message, w, l);
}

// Typed characters, pasted text and set text all lose the refused bytes.
LRESULT Win32Desktop::FilterEdit(size_t control, UINT message, WPARAM w, LPARAM l) {
    const std::string& refused = refusedBytes_[control];
    auto withoutRefused = [&](const char* text) {
        std::string kept;
        for (const char* p = text; p && *p; ++p) {
            if (refused.find(*p) == std::string::npos)
                kept += *p;
        }
        return kept;
    };
    const WNDPROC own = editProcedures_[control];
    HWND edit = children_[control];
    switch (message) {
    case WM_CHAR:
        if (refused.find(static_cast<char>(w)) != std::string::npos)
            return 0;
        break;
    case WM_SETTEXT: {
        const std::string kept = withoutRefused(reinterpret_cast<const char*>(l));
        return CallWindowProcA(own, edit, message, w, reinterpret_cast<LPARAM>(kept.c_str()));
    }
    case WM_PASTE: {
        std::string kept;
        if (OpenClipboard(edit)) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                kept = withoutRefused(static_cast<const char*>(GlobalLock(data)));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        CallWindowProcA(own, edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
        return 0;
    }
    default:
        break;
    }
    return CallWindowProcA(own, edit, message, w, l);
}

void Win32Desktop::ShowControl(ControlName control, bool shown) {
    ::ShowWindow(Child(control), shown ? SW_SHOWNORMAL : SW_HIDE);
}

void Win32Desktop::SetText(ControlName control, const std::string& text) {
    SetWindowTextA(Child(control), text.c_str());
}

std::string Win32Desktop::GetText(ControlName control, int maxBytes) {
    if (maxBytes <= 0)
        return {};
    std::string buffer(static_cast<size_t>(maxBytes), '\0');
    const int length = GetWindowTextA(Child(control), buffer.data(), maxBytes);
    buffer.resize(static_cast<size_t>(length > 0 ? length : 0));
    return buffer;
}

void Win32Desktop::SetChecked(ControlName control, bool checked) {
    SendToChild(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Desktop::IsChecked(ControlName control) {
    return SendToChild(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Desktop::Focus(ControlName control) {
    SetFocus(Child(control));
}

void Win32Desktop::ListAdd(ControlName list, const std::string& text) {
    SendToChild(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32Desktop::ListSelect(ControlName list, int index) {
    SendToChild(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Desktop::ListSelection(ControlName list) {
    return static_cast<int>(SendToChild(list, LB_GETCURSEL, 0, 0));
}

void Win32Desktop::ListReset(ControlName list) {
    SendToChild(list, LB_RESETCONTENT, 0, 0);
}

void Win32Desktop::ListInsert(ControlName list, int index, const std::string& text) {
    SendToChild(list, LB_INSERTSTRING, static_cast<WPARAM>(index),
                reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32Desktop::BeginListFill(ControlName list) {
    SendToChild(list, WM_SETREDRAW, FALSE, 0);
}

void Win32Desktop::EndListFill(ControlName list) {
    SendToChild(list, WM_SETREDRAW, TRUE, 0);
    // What waits to be painted first (the controls beneath the list among it), then the items
    // and the frame with its scroll bar, once, on top, as a list redrawn all along ends up.
    RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RedrawWindow(Child(list), nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
}

void Win32Desktop::ListDelete(ControlName list, int index) {
    SendToChild(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

// Read-only; a value that is not text gives an empty command.
std::string Win32Desktop::ReadMailtoCommand() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return {};
    std::string command;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        command.resize(size);
        if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(command.data()),
                             &size) != ERROR_SUCCESS)
            command.clear();
        command.resize(std::strlen(command.c_str()));
    }
    RegCloseKey(key);
    return command;
}

void Win32Desktop::StartProgram(const std::string& file, const std::string& parameters) {
    ShellExecuteA(window_, "open", file.c_str(), parameters.c_str(), "", SW_SHOWNORMAL);
}

void Win32Desktop::CreateMainFont() {
    tools_.font =
        CreateFontA(-9, 0, 0, 0, 800, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "arial");
    EnumChildWindows(window_, SetFontOnChild, reinterpret_cast<LPARAM>(tools_.font));
}

void Win32Desktop::CreateDrawingTools() {
    tools_.blackBrush = CreateSolidBrush(RGB(0, 0, 0));
    tools_.redPen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    tools_.greenPen = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
}

void Win32Desktop::DeleteDrawingTools() {
    DeleteObject(tools_.blackBrush);
    DeleteObject(tools_.greenPen);
    DeleteObject(tools_.redPen);
    DeleteObject(tools_.font);
}

void Win32Desktop::ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) {
    HMENU menu = CreatePopupMenu();
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItemKind::Text:
            AppendMenuA(menu, MF_STRING, item.id, item.text.c_str());
            break;
        case MenuItemKind::Separator:
            AppendMenuA(menu, MF_SEPARATOR, item.id, "");
            break;
        case MenuItemKind::AboutPicture:
            AppendMenuA(menu, MF_BITMAP, item.id, reinterpret_cast<LPCSTR>(about_));
            break;
        }
    }
    // Flags 0: the choice arrives as a posted WM_COMMAND once the menu has closed.
    TrackPopupMenu(menu, 0, topLeft.x, topLeft.y, 0, window_, nullptr);
    DestroyMenu(menu);
}

void Win32Desktop::StartTimer(int id, int periodMs) {
    SetTimer(window_, static_cast<UINT_PTR>(id), static_cast<UINT>(periodMs), nullptr);
}

Size Win32Desktop::ScreenSize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Point Win32Desktop::PointerPosition() {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

HICON Win32Desktop::IconFor(const TrayPicture& picture) {
    if (const auto* name = std::get_if<std::string>(&picture))
        return *name == "MAIL" ? mailIcon_ : noIcon_;
    const IconRaster& raster = std::get<IconRaster>(picture);
    if (drawnIcon_ && drawnRaster_ == raster)
        return drawnIcon_;
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, raster.mask.data());
    HBITMAP colour = CreateBitmap(16, 16, 1, 8, raster.colour.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    drawnIcon_ = CreateIconIndirect(&info);
    drawnRaster_ = raster;
    DeleteObject(colour);
    DeleteObject(mask);
    return drawnIcon_;
}

void Win32Desktop::Notify(DWORD action, const TrayIconRecord& record) {
    HICON replaced = drawnIcon_;
    NOTIFYICONDATAA data{};
    // The platform's first record layout: 88 bytes in a 32-bit process, 104 in a 64-bit one.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window_;
    data.uID = static_cast<UINT>(record.id);
    data.uFlags = TrayFlags;
    data.uCallbackMessage = static_cast<UINT>(record.callbackMessage);
    data.hIcon = IconFor(record.picture);
    std::memcpy(data.szTip, record.tooltip.data(), sizeof data.szTip);
    data.szTip[sizeof data.szTip - 1] = '\0';
    Shell_NotifyIconA(action, &data);
    if (replaced && replaced != drawnIcon_)
        DestroyIcon(replaced); // the shell keeps its own copy of the picture
}

void Win32Desktop::Add(const TrayIconRecord& record) {
    Notify(NIM_ADD, record);
}
void Win32Desktop::Modify(const TrayIconRecord& record) {
    Notify(NIM_MODIFY, record);
}
void Win32Desktop::Delete(const TrayIconRecord& record) {
    Notify(NIM_DELETE, record);
}

} // namespace kestrel
