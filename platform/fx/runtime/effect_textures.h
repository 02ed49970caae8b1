// The effect's textures on the device (platform/fx internal): made from the
// images stage 1 read, once every pass has compiled and linked; put on their
// samplers' stages by BeginPass; deleted when the effect is released.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/1_read/1_read_textures.h"
#include "platform/fx/shared/message.h"
#include "platform/gfx/device_textures.h"

namespace fx {

// A texture of the effect that holds an image.
struct LoadedTexture {
    std::string name;         // the texture's name in the effect
    std::string file;         // its ResourceName, as written
    UINT id = 0;              // the device's texture
    std::string description;  // "2D 64 x 64 RGBA8, 7 levels" (DescribeTexture)
};

// A device texture for each image, each image dropped once it is uploaded.
// False with the device's reason at the texture's ResourceName; what was
// made is deleted again then.
bool CreateEffectTextures(platform::DeviceTextures* device, std::vector<TextureFile> files,
                          std::vector<LoadedTexture>* textures, MessageSink& messages);

// Deletes each texture once.
void DeleteEffectTextures(platform::DeviceTextures* device,
                          const std::vector<LoadedTexture>& textures);

// The texture of that name; nullptr when the effect has none with a file.
const LoadedTexture* FindTexture(const std::vector<LoadedTexture>& textures,
                                 const std::string& name);

}  // namespace fx
