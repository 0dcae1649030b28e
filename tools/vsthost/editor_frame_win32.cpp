// The frame on Windows: an overlapped top-level window. A screenshot asks every child window to
// print its client area (WM_PRINTCLIENT) into a memory bitmap, which works with every display
// driver, Wine's null driver included.
#include <windows.h>

#include <cstring>

#include "vsthost/editor_frame.h"

namespace qv::vsthost {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr char kClassName[] = "QvHostEditorFrame";

class Win32Frame final : public EditorFrame {
public:
    Win32Frame(HWND h, int width, int height) : hwnd(h), width_(width), height_(height) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Win32Frame() override { destroy(); }

    static LRESULT CALLBACK proc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Win32Frame*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self && message == WM_CLOSE) {
            self->closed = true;
            return 0;
        }
        return DefWindowProcA(h, message, wParam, lParam);
    }

    void* parentHandle() const override { return hwnd; }

    void resizeClient(int width, int height) override {
        if (!hwnd) return;
        RECT r{0, 0, width, height};
        AdjustWindowRect(&r, kStyle, FALSE);
        SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        width_ = width;
        height_ = height;
    }
    int clientWidth() const override { return width_; }
    int clientHeight() const override { return height_; }

    bool pump() override {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return hwnd && !closed;
    }

    bool capture(FrameImage* image) override {
        if (!hwnd || !image) return false;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = height_;  // bottom-up
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap || !bits) {
            if (bitmap) DeleteObject(bitmap);
            DeleteDC(memory);
            return false;
        }
        const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
        std::memset(bits, 0xFF, count * 4);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child)) continue;
            RECT r{};
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
            POINT old{};
            SetViewportOrgEx(memory, r.left, r.top, &old);
            SendMessageA(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
            SetViewportOrgEx(memory, old.x, old.y, nullptr);
        }
        GdiFlush();
        image->width = width_;
        image->height = height_;
        image->pixels.assign(static_cast<const std::uint32_t*>(bits), static_cast<const std::uint32_t*>(bits) + count);
        for (std::uint32_t& p : image->pixels) p |= 0xFF000000u;
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        return true;
    }

    void destroy() override {
        if (!hwnd) return;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }

private:
    HWND hwnd;
    int width_;
    int height_;
    bool closed = false;
};

}  // namespace

std::unique_ptr<EditorFrame> EditorFrame::create(int width, int height, const std::string& title, std::string* error) {
    if (width < 1 || height < 1) {
        if (error) *error = "the editor size is empty";
        return nullptr;
    }
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Win32Frame::proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc) != 0;
    }();
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, kStyle, FALSE);
    HWND hwnd = registered ? CreateWindowExA(0, kClassName, title.c_str(), kStyle | WS_VISIBLE, CW_USEDEFAULT,
                                             CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                             GetModuleHandleA(nullptr), nullptr)
                           : nullptr;
    if (!hwnd) {
        if (error) *error = "cannot create the frame window";
        return nullptr;
    }
    return std::make_unique<Win32Frame>(hwnd, width, height);
}

}  // namespace qv::vsthost
