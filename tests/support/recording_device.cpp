#include "tests/support/recording_device.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace testing_support {

bool CallLog::Contains(const std::string& call) const { return IndexOf(call) >= 0; }

int CallLog::Count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

int CallLog::IndexOf(const std::string& call, int from) const {
    for (size_t i = static_cast<size_t>(std::max(from, 0)); i < calls.size(); ++i) {
        if (calls[i] == call) return static_cast<int>(i);
    }
    return -1;
}

HRESULT ResultTable::For(const std::string& call) const {
    auto it = results.find(call);
    return it == results.end() ? S_OK : it->second;
}

// >> vertex buffer

RecordingVertexBuffer::RecordingVertexBuffer(CallLog* log, const ResultTable* results, UINT length)
    : bytes(length, 0xCD), log_(log), results_(results) {}

ULONG RecordingVertexBuffer::AddRef() { return ++refs; }

ULONG RecordingVertexBuffer::Release() {
    log_->Add("VertexBuffer::Release");
    ULONG left = --refs;
    if (left == 0) {
        if (destroyed) *destroyed = true;
        delete this;
    }
    return left;
}

HRESULT RecordingVertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    log_->Add("Lock");
    HRESULT hr = results_->For("Lock");
    if (hr != S_OK) return hr;
    if (offset > bytes.size() || size > bytes.size() - offset) return D3DERR_INVALIDCALL;
    lastLockFlags = flags;
    ++locked;
    *data = bytes.data() + offset;
    return S_OK;
}

HRESULT RecordingVertexBuffer::Unlock() {
    log_->Add("Unlock");
    if (locked > 0) --locked;
    return results_->For("Unlock");
}

// >> device

RecordingDevice::RecordingDevice()
    : vertexConstants(D3D_SHADER_REGISTERS * 4, 0.0f),
      pixelConstants(D3D_SHADER_REGISTERS * 4, 0.0f) {}

RecordingDevice::~RecordingDevice() = default;

ULONG RecordingDevice::AddRef() { return ++refs; }

// The device lives on the test's stack or in a fixture: the last release only
// counts, it never deletes.
ULONG RecordingDevice::Release() {
    log.Add("Device::Release");
    return refs > 0 ? --refs : 0;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD format, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** buffer, HANDLE*) {
    log.Add("CreateVertexBuffer");
    HRESULT hr = results.For("CreateVertexBuffer");
    if (hr != S_OK) {
        *buffer = nullptr;
        return hr;
    }
    lastBufferUsage = usage;
    lastBufferFvf = format;
    lastBufferPool = pool;
    lastBuffer = new RecordingVertexBuffer(&log, &results, length);
    ++buffersCreated;
    bufferLengths.push_back(length);
    *buffer = lastBuffer;
    return S_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    log.Add("SetRenderState");
    renderStates[state] = value;
    return results.For("SetRenderState");
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    auto it = renderStates.find(state);
    *value = it == renderStates.end() ? 0 : it->second;
    return S_OK;
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    log.Add("SetSamplerState");
    samplerStates[{sampler, type}] = value;
    return results.For("SetSamplerState");
}

HRESULT RecordingDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    auto it = samplerStates.find({sampler, type});
    *value = it == samplerStates.end() ? 0 : it->second;
    return S_OK;
}

HRESULT RecordingDevice::Clear(DWORD, const D3DRECT*, DWORD flags, D3DCOLOR color, float, DWORD) {
    log.Add("Clear");
    clearFlags = flags;
    clearColor = color;
    return results.For("Clear");
}

HRESULT RecordingDevice::BeginScene() {
    log.Add("BeginScene");
    return results.For("BeginScene");
}

HRESULT RecordingDevice::EndScene() {
    log.Add("EndScene");
    return results.For("EndScene");
}

HRESULT RecordingDevice::Present(const RECT*, const RECT*, HWND, const void*) {
    log.Add("Present");
    return results.For("Present");
}

HRESULT RecordingDevice::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    log.Add("SetVertexShaderConstantF");
    if (start + count > D3D_SHADER_REGISTERS) return D3DERR_INVALIDCALL;
    std::memcpy(&vertexConstants[start * 4], data, count * 4 * sizeof(float));
    vertexConstantCount = count;
    return results.For("SetVertexShaderConstantF");
}

HRESULT RecordingDevice::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    log.Add("SetPixelShaderConstantF");
    if (start + count > D3D_SHADER_REGISTERS) return D3DERR_INVALIDCALL;
    std::memcpy(&pixelConstants[start * 4], data, count * 4 * sizeof(float));
    pixelConstantCount = count;
    return results.For("SetPixelShaderConstantF");
}

HRESULT RecordingDevice::SetStreamSource(UINT, IDirect3DVertexBuffer9* buffer, UINT offset,
                                         UINT stride) {
    log.Add("SetStreamSource");
    streamSource = buffer;
    streamOffset = offset;
    streamStride = stride;
    return results.For("SetStreamSource");
}

HRESULT RecordingDevice::SetFVF(DWORD format) {
    log.Add("SetFVF");
    fvf = format;
    return results.For("SetFVF");
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT, UINT count) {
    log.Add("DrawPrimitive");
    drawType = type;
    drawCount = count;
    return results.For("DrawPrimitive");
}

HRESULT RecordingDevice::CreateShaderProgram(const std::string&, const std::string&, UINT* program,
                                             std::string* errorLog) {
    log.Add("CreateShaderProgram");
    HRESULT hr = results.For("CreateShaderProgram");
    if (hr != S_OK) {
        if (errorLog) *errorLog = "link failed (recording device)";
        return hr;
    }
    *program = nextProgram++;
    ++liveProgramCount;
    mostLivePrograms = std::max(mostLivePrograms, liveProgramCount);
    return S_OK;
}

HRESULT RecordingDevice::SetShaderProgram(UINT program) {
    log.Add("SetShaderProgram");
    boundProgram = program;
    return S_OK;
}

void RecordingDevice::DeleteShaderProgram(UINT program) {
    log.Add("DeleteShaderProgram");
    if (program != 0) --liveProgramCount;
}

HRESULT RecordingDevice::GetShaderProgram(UINT* program) {
    *program = boundProgram;
    return S_OK;
}

HRESULT RecordingDevice::GetViewport(D3DVIEWPORT9* out) {
    *out = viewport;
    return S_OK;
}

HRESULT RecordingDevice::GetStreamSource(UINT, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                         UINT* stride) {
    *buffer = streamSource;
    *offset = streamOffset;
    *stride = streamStride;
    return S_OK;
}

HRESULT RecordingDevice::GetFVF(DWORD* out) {
    *out = fvf;
    return S_OK;
}

HRESULT RecordingDevice::GetTextureLimits(platform::TextureLimits* limits) {
    log.Add("GetTextureLimits");
    *limits = platform::TextureLimits{};
    return results.For("GetTextureLimits");
}

HRESULT RecordingDevice::CreateTexture(const platform::TextureImage& image, UINT* texture,
                                       std::string* error) {
    log.Add("CreateTexture");
    *texture = 0;
    HRESULT hr = results.For("CreateTexture");
    if (hr != S_OK) {
        if (error) *error = "texture refused (recording device)";
        return hr;
    }
    *texture = nextTexture++;
    liveTextures[*texture] = platform::DescribeTexture(image);
    return S_OK;
}

HRESULT RecordingDevice::SetStageTexture(DWORD stage, UINT texture) {
    log.Add("SetStageTexture");
    if (stage >= D3D_SAMPLER_STAGES || (texture != 0 && liveTextures.count(texture) == 0)) {
        return D3DERR_INVALIDCALL;
    }
    if (texture == 0) {
        stageTextures.erase(stage);
    } else {
        stageTextures[stage] = texture;
    }
    return results.For("SetStageTexture");
}

HRESULT RecordingDevice::GetStageTexture(DWORD stage, UINT* texture) {
    if (stage >= D3D_SAMPLER_STAGES) return D3DERR_INVALIDCALL;
    auto it = stageTextures.find(stage);
    *texture = it == stageTextures.end() ? 0 : it->second;
    return S_OK;
}

void RecordingDevice::DeleteTexture(UINT texture) {
    log.Add("DeleteTexture");
    if (liveTextures.erase(texture) == 0) return;
    for (auto it = stageTextures.begin(); it != stageTextures.end();) {
        it = it->second == texture ? stageTextures.erase(it) : std::next(it);
    }
}

// >> fake effect

ULONG FakeEffect::AddRef() { return ++refs; }

ULONG FakeEffect::Release() {
    log_->Add("Effect::Release");
    ULONG left = --refs;
    if (left == 0) {
        if (destroyed) *destroyed = true;
        delete this;
    }
    return left;
}

HRESULT FakeEffect::Begin(UINT* passes, DWORD) {
    log_->Add("Begin");
    if (passes) *passes = 1;
    return results_->For("Begin");
}

HRESULT FakeEffect::BeginPass(UINT) {
    log_->Add("BeginPass");
    return results_->For("BeginPass");
}

HRESULT FakeEffect::EndPass() {
    log_->Add("EndPass");
    return results_->For("EndPass");
}

HRESULT FakeEffect::End() {
    log_->Add("End");
    return results_->For("End");
}

HRESULT FakeEffect::CommitChanges() {
    log_->Add("CommitChanges");
    return results_->For("CommitChanges");
}

}  // namespace testing_support
