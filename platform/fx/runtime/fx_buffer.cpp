// ID3DXBuffer: a reference-counted block of bytes; here always text.
#include "platform/fx/runtime/fx_buffer.h"

#include "platform/fx/runtime/ref_counted.h"

namespace fx {
namespace {

class TextBuffer final : public RefCounted<ID3DXBuffer> {
public:
    explicit TextBuffer(const std::string& text) : bytes_(text) {}

    // std::string keeps a zero after its last character.
    void* GetBufferPointer() override { return bytes_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size() + 1); }

private:
    std::string bytes_;
};

}  // namespace

ID3DXBuffer* CreateTextBuffer(const std::string& text) { return new TextBuffer(text); }

}  // namespace fx
