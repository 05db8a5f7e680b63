#include "win32/win32_sign_in_dialog.h"

#include "win32/win32_text.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr wchar_t ClassName[] = L"kestrelSignIn";
constexpr int Margin = 8, LabelWidth = 110, FieldWidth = 270, RowHeight = 26, ControlHeight = 22;
constexpr int StateHeight = 44, ButtonWidth = 80;

struct Dialog {
    std::array<HWND, SignInForm::Labels.size()> fields{};
    HWND state = nullptr;
    std::array<SignInForm::Fields, 3> accounts{};
    int shown = 0;
    bool done = false;
    bool accepted = false;

    HWND Field(size_t i) const { return fields[i]; }
    static std::array<std::string*, 5> Texts(SignInForm::Fields& f) {
        return {&f.command, &f.clientId, &f.clientSecret, &f.authorizeUrl, &f.tokenUrl};
    }

    void Show() {
        SignInForm::Fields& f = accounts[static_cast<size_t>(shown)];
        SendMessageW(Field(1), CB_SETCURSEL, static_cast<WPARAM>(f.source), 0);
        SendMessageW(Field(2), CB_SETCURSEL, static_cast<WPARAM>(f.mechanism), 0);
        for (size_t i = 0; i < 5; ++i)
            SetWindowTextW(Field(3 + i), Wide(*Texts(f)[i]).c_str());
        SetWindowTextW(state, Wide(f.state).c_str());
        Enable();
    }
    void Keep() {
        SignInForm::Fields& f = accounts[static_cast<size_t>(shown)];
        f.source = static_cast<int>(SendMessageW(Field(1), CB_GETCURSEL, 0, 0));
        f.mechanism = static_cast<int>(SendMessageW(Field(2), CB_GETCURSEL, 0, 0));
        for (size_t i = 0; i < 5; ++i) {
            std::wstring text(static_cast<size_t>(GetWindowTextLengthW(Field(3 + i))) + 1, L'\0');
            text.resize(static_cast<size_t>(GetWindowTextW(Field(3 + i), text.data(),
                                                           static_cast<int>(text.size()))));
            *Texts(f)[i] = Utf8(text);
        }
    }
    // Only the fields the chosen way of logging in reads can be edited.
    void Enable() const {
        const auto chosen = SendMessageW(Field(1), CB_GETCURSEL, 0, 0);
        EnableWindow(Field(2), chosen > 0);
        EnableWindow(Field(3), chosen == 1);
        EnableWindow(Field(4), chosen >= 2);
        EnableWindow(Field(5), chosen >= 2);
        EnableWindow(Field(6), chosen == 4);
        EnableWindow(Field(7), chosen == 4);
    }
};

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (dialog && message == WM_COMMAND) {
        const int id = LOWORD(w);
        if (id == IDOK || id == IDCANCEL) {
            if (id == IDOK)
                dialog->Keep();
            dialog->accepted = id == IDOK;
            dialog->done = true;
        } else if (HIWORD(w) == CBN_SELCHANGE && id == SignInFieldIds) {
            dialog->Keep();
            dialog->shown = static_cast<int>(SendMessageW(dialog->Field(0), CB_GETCURSEL, 0, 0));
            dialog->Show();
        } else if (HIWORD(w) == CBN_SELCHANGE && id == SignInFieldIds + 1) {
            dialog->Enable();
        }
        return 0;
    }
    if (dialog && message == WM_CLOSE) {
        dialog->done = true;
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

HWND Child(HWND parent, const wchar_t* type, DWORD style, int id, RECT r, HFONT font) {
    HWND child = CreateWindowExW(type == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, type, L"",
                                 WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return child;
}

HWND Combo(HWND parent, int id, RECT r, HFONT font, const auto& texts) {
    r.bottom += 150; // the list that drops down
    HWND box = Child(parent, L"COMBOBOX", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, id, r, font);
    for (const char* text : texts)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    return box;
}

// The fields in rows beside their labels, the state under them, OK and Cancel at the bottom.
void MakeChildren(HWND window, Dialog& dialog, int s, HFONT font) {
    const int fieldLeft = s * (Margin + LabelWidth);
    for (size_t i = 0; i < SignInForm::Labels.size(); ++i) {
        const int top = s * (Margin + static_cast<int>(i) * RowHeight);
        HWND label = Child(window, L"STATIC", SS_LEFT, -1,
                           {s * Margin, top + 3 * s, fieldLeft, top + s * ControlHeight}, font);
        SetWindowTextW(label, Wide(SignInForm::Labels[i]).c_str());
        const RECT r{fieldLeft, top, fieldLeft + s * FieldWidth, top + s * ControlHeight};
        const int id = SignInFieldIds + static_cast<int>(i);
        if (i == 0)
            dialog.fields[i] = Combo(window, id, r, font, std::array{"1", "2", "3"});
        else if (i == 1)
            dialog.fields[i] = Combo(window, id, r, font, SignInForm::Sources);
        else if (i == 2)
            dialog.fields[i] = Combo(window, id, r, font, SignInForm::Mechanisms);
        else
            dialog.fields[i] = Child(window, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP | (i == 5 ? ES_PASSWORD : 0),
                                     id, r, font);
    }
    const int below = s * (Margin + static_cast<int>(SignInForm::Labels.size()) * RowHeight);
    dialog.state = Child(window, L"STATIC", SS_LEFT, SignInStateId,
                         {s * Margin, below, fieldLeft + s * FieldWidth, below + s * StateHeight}, font);
    const int buttons = below + s * (StateHeight + Margin);
    const int right = fieldLeft + s * FieldWidth;
    HWND ok = Child(window, L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK,
                    {right - s * (2 * ButtonWidth + Margin), buttons, right - s * (ButtonWidth + Margin),
                     buttons + s * 26},
                    font);
    SetWindowTextW(ok, L"OK");
    HWND cancel = Child(window, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL,
                        {right - s * ButtonWidth, buttons, right, buttons + s * 26}, font);
    SetWindowTextW(cancel, L"Cancel");
}

HWND MakeWindow(const Win32Handles& handles, int s) {
    static const bool registered = [&] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DialogProc;
        windowClass.hInstance = handles.instance;
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = ClassName;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    RECT frame{0, 0, s * (2 * Margin + LabelWidth + FieldWidth),
               s * (2 * Margin + static_cast<int>(SignInForm::Labels.size()) * RowHeight +
                    StateHeight + Margin + 26)};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    return CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, ClassName,
                           Wide(SignInForm::Caption).c_str(), style,
                           (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                           (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                           handles.window, nullptr, handles.instance, nullptr);
}

HFONT MessageFont(int s) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    metrics.lfMessageFont.lfHeight *= s;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

} // namespace

std::optional<SignInChoice> RunWin32SignInDialog(Win32Handles& handles, const SignInForm& form) {
    const int s = std::max(handles.scale, 1);
    Dialog dialog;
    dialog.accounts = form.accounts;
    dialog.shown = std::clamp(form.account, 1, 3) - 1;
    HFONT font = MessageFont(s);
    HWND window = MakeWindow(handles, s);
    if (!window) {
        DeleteObject(font);
        return std::nullopt;
    }
    MakeChildren(window, dialog, s, font);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dialog));
    SendMessageW(dialog.Field(0), CB_SETCURSEL, static_cast<WPARAM>(dialog.shown), 0);
    dialog.Show();
    EnableWindow(handles.window, FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(dialog.Field(1));
    MSG message;
    bool quit = false;
    while (!dialog.done && !(quit = GetMessageW(&message, nullptr, 0, 0) <= 0)) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (quit)
        PostQuitMessage(static_cast<int>(message.wParam)); // the main loop ends as asked
    EnableWindow(handles.window, TRUE);
    DestroyWindow(window);
    DeleteObject(font);
    if (!dialog.accepted)
        return std::nullopt;
    return SignInChoice{dialog.shown + 1, dialog.accounts[static_cast<size_t>(dialog.shown)]};
}

} // namespace kestrel
