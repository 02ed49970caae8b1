// Stage 1, image files: what a texture holds when its file cannot be used
// (platform/fx internal). Direct3D 9 makes an effect without reading the
// images its ResourceName annotations name, so an image that is missing,
// unreadable or of a kind we cannot read is a warning, not an error, and
// its samplers read this placeholder until a reload finds the file.
#pragma once

#include "platform/gfx/texture_image.h"

namespace fx {

// 8 x 8 texels (8 x 8 x 8 for a volume, six such faces for a cube map),
// one level, magenta and black in a checkerboard of single texels with
// magenta at texel (0, 0): the gap shows on screen.
platform::TextureImage PlaceholderTexture(platform::TextureKind kind);

}  // namespace fx
