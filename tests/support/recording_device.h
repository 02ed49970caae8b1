// A graphics device that draws nothing: it records every call in order and
// returns the results a test chooses. Lets call sequences be checked without GL.
#pragma once

#include "platform/fx/fx.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/device_textures.h"
#include "platform/gfx/shader_programs.h"
#include "platform/gfx/texture_image.h"

#include <cstddef>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace testing_support {

// Storage on 64-byte boundaries, as the GL device's buffers are: the vertex
// stream's stores then never straddle a cache line, and the benchmarks that
// fill this buffer measure what the program gets.
template <class T>
struct CacheLineAllocator {
    using value_type = T;
    CacheLineAllocator() = default;
    template <class U>
    CacheLineAllocator(const CacheLineAllocator<U>&) {}
    T* allocate(size_t n) {
        return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{64}));
    }
    void deallocate(T* p, size_t) { ::operator delete(p, std::align_val_t{64}); }
    bool operator==(const CacheLineAllocator&) const = default;
};

// The call log shared by a device, its buffers and fake effects.
struct CallLog {
    std::vector<std::string> calls;  // "Clear", "BeginScene", "Begin", ...

    void Add(const std::string& call) { calls.push_back(call); }
    bool Contains(const std::string& call) const;
    int Count(const std::string& call) const;
    // Index of the first call with this name at or after 'from', or -1.
    int IndexOf(const std::string& call, int from = 0) const;
    void Clear() { calls.clear(); }
};

// Results chosen by the test; a call not listed returns 0.
struct ResultTable {
    std::map<std::string, HRESULT> results;
    HRESULT For(const std::string& call) const;
};

class RecordingVertexBuffer final : public IDirect3DVertexBuffer9 {
public:
    RecordingVertexBuffer(CallLog* log, const ResultTable* results, UINT length);
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    std::vector<unsigned char, CacheLineAllocator<unsigned char>> bytes;
    DWORD lastLockFlags = 0;
    int locked = 0;
    ULONG refs = 1;
    bool* destroyed = nullptr;  // set to true on the final release, if given

private:
    CallLog* log_;
    const ResultTable* results_;
};

class RecordingDevice final : public IDirect3DDevice9,
                              public platform::ShaderPrograms,
                              public platform::DeviceTextures {
public:
    RecordingDevice();
    ~RecordingDevice() override;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                    const void* dirtyRegion) override;
    HRESULT SetVertexShaderConstantF(UINT startRegister, const float* data,
                                     UINT registerCount) override;
    HRESULT SetPixelShaderConstantF(UINT startRegister, const float* data,
                                    UINT registerCount) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT CreateShaderProgram(const std::string& vertexGlsl, const std::string& pixelGlsl,
                                UINT* program, std::string* log) override;
    HRESULT SetShaderProgram(UINT program) override;
    void DeleteShaderProgram(UINT program) override;
    // The getters are not logged: they change nothing.
    HRESULT GetShaderProgram(UINT* program) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                            UINT* stride) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT GetTextureLimits(platform::TextureLimits* limits) override;
    HRESULT CreateTexture(const platform::TextureImage& image, UINT* texture,
                          std::string* error) override;
    HRESULT SetStageTexture(DWORD stage, UINT texture) override;
    HRESULT GetStageTexture(DWORD stage, UINT* texture) override;
    void DeleteTexture(UINT texture) override;

    CallLog log;
    ResultTable results;

    // What the calls left behind.
    std::map<D3DRENDERSTATETYPE, DWORD> renderStates;
    std::map<std::pair<DWORD, D3DSAMPLERSTATETYPE>, DWORD> samplerStates;
    std::vector<float> vertexConstants;  // 64 registers x 4, as last uploaded
    std::vector<float> pixelConstants;
    UINT vertexConstantCount = 0;       // registers in the last upload
    UINT pixelConstantCount = 0;
    D3DCOLOR clearColor = 0;
    DWORD clearFlags = 0;
    DWORD fvf = 0;
    IDirect3DVertexBuffer9* streamSource = nullptr;
    UINT streamOffset = 0;
    UINT streamStride = 0;
    D3DVIEWPORT9 viewport = {0, 0, 640, 480, 0.0f, 1.0f};
    D3DPRIMITIVETYPE drawType = D3DPT_POINTLIST;
    UINT drawCount = 0;
    UINT boundProgram = 0;
    UINT nextProgram = 1;
    int liveProgramCount = 0;
    int mostLivePrograms = 0;  // the most programs alive at once
    std::map<DWORD, UINT> stageTextures;  // stages with a texture (0 erases)
    std::map<UINT, std::string> liveTextures;  // id -> "2D 64 x 64 RGBA8, 7 levels"
    UINT nextTexture = 1;
    RecordingVertexBuffer* lastBuffer = nullptr;  // the most recent buffer made
    DWORD lastBufferUsage = 0;                    // arguments of the last CreateVertexBuffer
    DWORD lastBufferFvf = 0;
    D3DPOOL lastBufferPool = D3DPOOL_SYSTEMMEM;
    int buffersCreated = 0;
    std::vector<UINT> bufferLengths;  // of every buffer made, in order
    int liveBuffers = 0;
    ULONG refs = 1;
};

// An effect whose Begin / BeginPass / ... results the test chooses; it logs
// its calls into the same log as the device.
class FakeEffect final : public ID3DXEffect {
public:
    FakeEffect(CallLog* log, const ResultTable* results) : log_(log), results_(results) {}
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Begin(UINT* passes, DWORD flags) override;
    HRESULT BeginPass(UINT pass) override;
    HRESULT EndPass() override;
    HRESULT End() override;
    // An effect without parameters; CommitChanges is logged.
    HRESULT GetDesc(D3DXEFFECT_DESC* desc) override {
        *desc = {"fake", 0, 1, 0};
        return S_OK;
    }
    D3DXHANDLE GetParameter(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE GetParameterByName(D3DXHANDLE, const char*) override { return nullptr; }
    D3DXHANDLE GetAnnotation(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE GetAnnotationByName(D3DXHANDLE, const char*) override { return nullptr; }
    HRESULT GetParameterDesc(D3DXHANDLE, D3DXPARAMETER_DESC*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetValue(D3DXHANDLE, const void*, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT GetValue(D3DXHANDLE, void*, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT GetString(D3DXHANDLE, const char**) override { return D3DERR_INVALIDCALL; }
    HRESULT CommitChanges() override;

    ULONG refs = 1;
    bool* destroyed = nullptr;

private:
    CallLog* log_;
    const ResultTable* results_;
};

}  // namespace testing_support
