// The effect's textures on the device (see effect_textures.h).
#include "platform/fx/runtime/effect_textures.h"

#include "platform/fx/shared/tokenizer.h"

namespace fx {

bool CreateEffectTextures(platform::DeviceTextures* device, std::vector<TextureFile> files,
                          std::vector<LoadedTexture>* textures, MessageSink& messages) {
    textures->clear();
    for (TextureFile& file : files) {
        LoadedTexture loaded{file.texture, file.file, 0, platform::DescribeTexture(file.image)};
        if (file.placeholder) loaded.description = "not read, a placeholder: " + loaded.description;
        std::string reason;
        if (device->CreateTexture(file.image, &loaded.id, &reason) != 0 || loaded.id == 0) {
            messages.Error(file.pos, "cannot make texture " + Quote(file.file) + " (" +
                                         loaded.description + ") on the device: " + reason);
            DeleteEffectTextures(device, *textures);
            textures->clear();
            return false;
        }
        file.image = platform::TextureImage{};
        textures->push_back(std::move(loaded));
    }
    return true;
}

void DeleteEffectTextures(platform::DeviceTextures* device,
                          const std::vector<LoadedTexture>& textures) {
    for (const LoadedTexture& t : textures) device->DeleteTexture(t.id);
}

const LoadedTexture* FindTexture(const std::vector<LoadedTexture>& textures,
                                 const std::string& name) {
    for (const LoadedTexture& t : textures) {
        if (t.name == name) return &t;
    }
    return nullptr;
}

}  // namespace fx
