// The Win32 popups: an edit box in a top-most tool frame over the field, whose key procedure
// takes Enter and Escape; popup menus that notify by position; the system colour dialog with a
// hook that tells the field the dialog's window.
#include <windows.h>
#include <commdlg.h>

#include "gui/gui_window.h"
#include "gui/native/native_popups.h"

namespace qv {

namespace {

constexpr DWORD kFrameStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFrameExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
constexpr int kDefaultFontSizes[8] = {12, 18, 14, 12, 11, 10, 9, 13};
constexpr int kMaxText = 255;

HFONT makeFont(std::uint32_t id, std::uint32_t style, std::uint32_t size) {
    const std::uint32_t f = id < 8 ? id : 0;
    const int height = size >= 1 ? static_cast<int>(size) : kDefaultFontSizes[f];
    const int weight = (style & 1) || f == 0 ? FW_BOLD : FW_NORMAL;
    const bool symbol = f == 7;
    return CreateFontA(-height, 0, 0, 0, weight, (style & 2) ? TRUE : FALSE, (style & 4) ? TRUE : FALSE, FALSE,
                       ANSI_CHARSET, OUT_STRING_PRECIS, CLIP_STROKE_PRECIS, DEFAULT_QUALITY,
                       symbol ? FF_DECORATIVE : (VARIABLE_PITCH | FF_SWISS), symbol ? "Symbol" : "Arial");
}

class CWin32EditBox final : public CNativeEditBox {
public:
    explicit CWin32EditBox(CNativeEditClient* c) : client(c) {}
    ~CWin32EditBox() override {
        if (edit) {
            // The box's own procedure again, so it frees itself; no key reaches the client.
            SetWindowLongPtrA(edit, GWLP_USERDATA, 0);
            if (boxProcedure) SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(boxProcedure));
            DestroyWindow(edit);
        }
        if (frame) DestroyWindow(frame);
        if (font) DeleteObject(font);
    }

    std::string text() const override {
        char buffer[kMaxText + 1] = {};
        const int n = edit ? GetWindowTextA(edit, buffer, sizeof(buffer)) : 0;
        return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    }

    bool open(const CNativeEditRequest& request) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        CLIENTCREATESTRUCT mdi{};
        frame = CreateWindowExA(kFrameExStyle, "MDIClient", "", kFrameStyle, 10, 10, 50, 20,
                                static_cast<HWND>(request.parent), nullptr, instance, &mdi);
        if (!frame) return false;
        SetWindowLongPtrA(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        POINT corner{request.anchor.x, request.anchor.y};
        ClientToScreen(static_cast<HWND>(request.window), &corner);
        RECT outer{0, 0, request.width, request.height};
        AdjustWindowRectEx(&outer, kFrameStyle, FALSE, kFrameExStyle);
        const int outerHeight = outer.bottom - outer.top;
        SetWindowPos(frame, HWND_TOPMOST, corner.x, corner.y - outerHeight + 5, outer.right - outer.left, outerHeight,
                     SWP_SHOWWINDOW);
        const DWORD align = request.alignment == 0 ? ES_LEFT : request.alignment == 1 ? ES_RIGHT : ES_CENTER;
        edit = CreateWindowExA(0, "EDIT", request.text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align, 0, 0,
                               request.width + 1, request.height + 1, frame, nullptr, instance, nullptr);
        if (!edit) return false;
        font = makeFont(request.font, request.fontStyle, request.fontSize);
        SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(EC_USEFONTINFO, EC_USEFONTINFO));
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SendMessageA(edit, EM_LIMITTEXT, kMaxText, 0);
        SetFocus(edit);
        boxProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWin32EditBox::keyProcedure)));
        return true;
    }

private:
    static LRESULT CALLBACK keyProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CWin32EditBox*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
        switch (message) {
            case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
            case WM_KEYDOWN:
                if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                    // The client closes the box: nothing of it may be touched afterwards.
                    self->client->editBoxKey(wParam == VK_RETURN);
                    return 0;
                }
                break;
            case WM_CHAR:
                if (wParam == '\r' || wParam == 27) return 0;  // no beep for the keys taken above
                break;
            default: break;
        }
        return CallWindowProcA(self->boxProcedure, hwnd, message, wParam, lParam);
    }

    CNativeEditClient* client;
    HWND frame = nullptr;
    HWND edit = nullptr;
    HFONT font = nullptr;
    WNDPROC boxProcedure = nullptr;
};

UINT_PTR CALLBACK colorHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* request = reinterpret_cast<const CHOOSECOLORA*>(lParam);
        if (auto* client = reinterpret_cast<CNativeDialogClient*>(request->lCustData)) client->dialogOpened(dialog);
    }
    return 0;
}

class CWin32Popups final : public CNativePopups {
public:
    std::unique_ptr<CNativeEditBox> openEditBox(const CNativeEditRequest& request, CNativeEditClient* client) override {
        auto box = std::make_unique<CWin32EditBox>(client);
        if (!box->open(request)) return nullptr;
        return box;
    }

    void* createMenu() override {
        HMENU menu = CreatePopupMenu();
        if (!menu) return nullptr;
        MENUINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = MIM_STYLE | MIM_APPLYTOSUBMENUS;
        info.dwStyle = MNS_NOTIFYBYPOS;
        SetMenuInfo(menu, &info);
        return menu;
    }

    void destroyMenu(void* menu) override {
        if (menu) DestroyMenu(static_cast<HMENU>(menu));
    }

    void appendMenuEntry(void* menu, const char* text, bool checked, bool enabled, void* subMenu) override {
        HMENU m = static_cast<HMENU>(menu);
        if (!m) return;
        if (subMenu) {
            AppendMenuA(m, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(subMenu), text);
            return;
        }
        const UINT flags = MF_STRING | (checked ? MF_CHECKED : 0) | (enabled ? 0 : MF_GRAYED);
        AppendMenuA(m, flags, static_cast<UINT_PTR>(GetMenuItemCount(m) + 1), text);
    }

    void trackMenu(void* menu, void* window, CPoint point) override {
        HWND hwnd = static_cast<HWND>(window);
        if (!menu || !hwnd) return;
        POINT p{point.x, point.y};
        ClientToScreen(hwnd, &p);
        TrackPopupMenu(static_cast<HMENU>(menu), TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd, nullptr);
    }

    bool chooseColor(void* owner, std::uint32_t& rgb, std::uint32_t customColors[16], CNativeDialogClient* client) override {
        static_assert(sizeof(COLORREF) == sizeof(std::uint32_t));
        CHOOSECOLORA request{};
        request.lStructSize = sizeof(request);
        request.hwndOwner = static_cast<HWND>(owner);
        request.rgbResult = rgb;
        request.lpCustColors = reinterpret_cast<COLORREF*>(customColors);
        request.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;
        request.lCustData = reinterpret_cast<LPARAM>(client);
        request.lpfnHook = &colorHook;
        if (!ChooseColorA(&request)) return false;
        rgb = request.rgbResult;
        return true;
    }

    void endDialog(void* dialog) override {
        if (dialog) EndDialog(static_cast<HWND>(dialog), 0);
    }
};

}  // namespace

CNativePopups* nativePopupsFor(const CGuiWindow* window) {
    static CWin32Popups popups;
    if (!window || !window->getNativeWindow() || window->getNativeWindow()->kind() != CWindowBackend::kWin32) return nullptr;
    return &popups;
}

}  // namespace qv
