// Reference counting for the objects the effect compiler hands out
// (platform/fx internal): created with a count of one, deleted when the
// count reaches zero; a Release past zero does nothing.
#pragma once

#include "platform/types.h"

namespace fx {

template <class Interface>
class RefCounted : public Interface {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (refs_ == 0) return 0;
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ~RefCounted() override = default;

private:
    ULONG refs_ = 1;
};

}  // namespace fx
