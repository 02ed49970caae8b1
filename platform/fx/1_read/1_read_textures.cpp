// Stage 1, image files (see 1_read_textures.h).
//
// Implemented: [x] PNG, JPEG, TGA, BMP and DDS through texture_file.h,
//                  within the device's limits
//              [x] the kind a texture must hold: from its type (texture2D,
//                  texture3D, textureCUBE; plain texture takes any) and its
//                  ResourceType annotation
// Not implemented: the caller's include handler for images, search paths.
#include "platform/fx/1_read/1_read_textures.h"

#include <algorithm>
#include <optional>
#include <set>

#include "platform/fx/1_read/1_file_names.h"
#include "platform/fx/1_read/1_placeholder_texture.h"
#include "platform/fx/1_read/1_read_file.h"
#include "platform/fx/runtime/texture_file.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

using platform::TextureKind;

// The kind a texture type holds; none for plain "texture", which takes any.
std::optional<TextureKind> KindOfType(std::string_view type) {
    if (IEquals(type, "textureCUBE")) return TextureKind::Cube;
    if (IEquals(type, "texture3D")) return TextureKind::Volume;
    if (IEquals(type, "texture2D") || IEquals(type, "texture1D")) return TextureKind::Texture2D;
    return std::nullopt;
}

// A 1D texture is a 2D one of one row, here as on Direct3D 9.
std::optional<TextureKind> KindOfResourceType(std::string_view type) {
    if (IEquals(type, "2D") || IEquals(type, "1D")) return TextureKind::Texture2D;
    if (IEquals(type, "Cube")) return TextureKind::Cube;
    if (IEquals(type, "3D")) return TextureKind::Volume;
    return std::nullopt;
}

const char* KindWords(TextureKind kind) {
    switch (kind) {
        case TextureKind::Cube: return "a cube map";
        case TextureKind::Volume: return "a volume (3D)";
        default: return "a 2D image";
    }
}

// The kind the texture must hold, when its declaration says; false with the
// error when its ResourceType is unknown or disagrees with its type.
bool WantedKind(const TextureDesc& t, std::optional<TextureKind>* kind, std::string* asks,
                MessageSink& messages) {
    *kind = KindOfType(t.type);
    *asks = "the texture's type '" + t.type + "'";
    if (t.resourceType.empty()) return true;
    std::optional<TextureKind> resource = KindOfResourceType(t.resourceType);
    if (!resource) {
        messages.Error(t.resourceTypePos, "unknown ResourceType " + Quote(t.resourceType) +
                                              " of texture '" + t.name + "' (1D, 2D, 3D or Cube)");
        return false;
    }
    if (*kind && *kind != resource) {
        messages.Error(t.resourceTypePos, "ResourceType " + Quote(t.resourceType) +
                                              " of texture '" + t.name +
                                              "' disagrees with its type '" + t.type + "'");
        return false;
    }
    *kind = resource;
    *asks = "its ResourceType " + Quote(t.resourceType);
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// "maps\sky.dds" from the folder of "fx/main.fx": "fx/maps/sky.dds" (or
// "fx/Maps/Sky.dds", the file on disk whose name differs only in case).
std::string ImagePath(const std::string& folder, std::string name) {
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    return FindIgnoringCase(!name.empty() && name[0] == '/' ? name : folder + name);
}

// A texture refused for the bytes the effect's images have left says so,
// not that a texture may take only what was left.
void SayLoadBudget(const platform::TextureLimits& limits, uint64_t left, std::string* text) {
    const std::string mayTake = "more than the " + platform::ByteCountText(left) +
                                " a texture may take";
    const size_t at = text->rfind(mayTake);
    if (at == std::string::npos || at + mayTake.size() != text->size()) return;
    // In bytes unless whole MiB: "170 MiB, more than the 170 MiB left" would
    // say nothing.
    const std::string leftText = left % (uint64_t{1} << 20) == 0
                                     ? platform::ByteCountText(left)
                                     : std::to_string(left) + " bytes";
    text->replace(at, mayTake.size(),
                  "more than the " + leftText + " left of the " +
                      platform::ByteCountText(limits.maxLoadBytes) +
                      " all the effect's images may take");
}

// One texture's file; false with the error at its ResourceName.
// loadBytesLeft: what the images read before it left of limits.maxLoadBytes.
bool ReadOne(const std::string& folder, const TextureDesc& t, const platform::TextureLimits& limits,
             uint64_t loadBytesLeft, TextureFile* out, MessageSink& messages) {
    std::optional<TextureKind> kind;
    std::string asks;
    if (!WantedKind(t, &kind, &asks, messages)) return false;

    const std::string path = ImagePath(folder, t.resourceName);
    bool fileRead = false;
    std::vector<uint8_t> bytes;
    bool ok;
    {
        // Why the file cannot be used is said at its name's string. What
        // the images before it took is not left for this one: the file and
        // the image are refused before anything is allocated for them.
        platform::TextureLimits within = limits;
        within.maxBytes = std::min(limits.maxBytes, loadBytesLeft);
        std::vector<Message> reasons;
        MessageCollector reasonSink(&reasons);
        FallbackScope at(reasonSink, t.resourcePos);
        ok = ReadTextureFile(path, t.resourceName, within, &out->image, reasonSink, &fileRead,
                             &bytes);
        for (Message& m : reasons) {
            if (within.maxBytes < limits.maxBytes) SayLoadBudget(limits, within.maxBytes, &m.text);
            messages.Add(std::move(m));
        }
    }
    NoteFileRead(path, fileRead,
                 std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    out->texture = t.name;
    out->file = t.resourceName;
    out->pos = t.resourcePos;
    if (!ok) {
        // The effect loads without it, as on Direct3D 9 (a warning); a
        // reload finds it.
        out->image = PlaceholderTexture(kind.value_or(TextureKind::Texture2D));
        out->placeholder = true;
        return true;
    }
    if (kind && *kind != out->image.kind) {
        messages.Error(t.resourcePos, "texture " + Quote(t.resourceName) + " holds " +
                                          KindWords(out->image.kind) + " (" +
                                          platform::DescribeTexture(out->image) + "); " + asks +
                                          " asks for " + KindWords(*kind));
        return false;
    }
    return true;
}

}  // namespace

bool ReadTextureFiles(const std::string& effectPath, const std::vector<TextureDesc>& textures,
                      const platform::TextureLimits& limits, std::vector<TextureFile>* files,
                      MessageSink& messages) {
    files->clear();
    const std::string folder = FolderOf(effectPath);
    std::set<std::string> seen;
    bool ok = true;
    uint64_t spent = 0;  // by the images read, placeholders aside
    for (const TextureDesc& t : textures) {
        if (!seen.insert(t.name).second || t.resourceName.empty()) continue;
        TextureFile file;
        const uint64_t left = limits.maxLoadBytes - std::min(spent, limits.maxLoadBytes);
        if (!ReadOne(folder, t, limits, left, &file, messages)) {
            ok = false;
            continue;
        }
        if (!file.placeholder) spent += file.image.bytes.size();
        // After a failure the load fails anyway: later images are dropped at once.
        if (ok) files->push_back(std::move(file));
    }
    if (!ok) files->clear();
    return ok;
}

}  // namespace fx
