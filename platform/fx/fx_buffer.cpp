// ID3DXBuffer: a reference-counted block of bytes; here always text.
#include "platform/fx/fx_buffer.h"

namespace fx {
namespace {

class TextBuffer final : public ID3DXBuffer {
public:
    explicit TextBuffer(const std::string& text) : bytes_(text) {}

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (refs_ == 0) return 0;
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    // std::string keeps a zero after its last character.
    void* GetBufferPointer() override { return bytes_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size() + 1); }

private:
    std::string bytes_;
    ULONG refs_ = 1;
};

}  // namespace

ID3DXBuffer* CreateTextBuffer(const std::string& text) { return new TextBuffer(text); }

}  // namespace fx
