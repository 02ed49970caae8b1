#include "tests/support/gl_test_device.h"

#include "platform/window/window.h"

namespace testing_support {
namespace {

LRESULT QuietProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace

HWND TestWindow() {
    static HWND window = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = QuietProc;
        windowClass.lpszClassName = "gl-test";
        RegisterClassExA(&windowClass);
        return CreateWindowExA(0, "gl-test", "gl test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    }();
    return window;
}

void CreateTestDevice(IDirect3D9** d3d, IDirect3DDevice9** device) {
    *device = nullptr;
    *d3d = Direct3DCreate9(D3D_SDK_VERSION);
    HWND window = TestWindow();
    if (*d3d == nullptr || window == nullptr) return;
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = kTestWidth;
    params.BackBufferHeight = kTestHeight;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D24S8;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    (*d3d)->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                         &params, device);
}

IDirect3DDevice9* SharedTestDevice() {
    static IDirect3DDevice9* device = [] {
        IDirect3D9* d3d = nullptr;
        IDirect3DDevice9* made = nullptr;
        CreateTestDevice(&d3d, &made);
        return made;
    }();
    return device;
}

}  // namespace testing_support
