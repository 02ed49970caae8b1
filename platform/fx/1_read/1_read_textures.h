// Stage 1, image files: the images that textures' ResourceName annotations
// name (platform/fx internal). Like the effect file and its includes, they
// are read here, the only stage that touches the file system, and each is
// added to the files the load read (GetLoadedFiles), so that --watch reloads
// when an image is saved.
//
// Warnings, at the ResourceName string: a file that cannot be opened or
// read, a file that is not an image, a damaged or truncated image, a DDS
// whose sizes disagree with its data, an image larger than the device takes
// or than what the images before it left of the load's budget for images
// (TextureLimits::maxLoadBytes) (refused before anything is allocated for
// it). The texture then holds a
// placeholder (1_placeholder_texture.h) and the effect loads.
// Errors: an image of another kind than the texture's type or ResourceType
// asks for (at the ResourceName), a ResourceType other than "1D", "2D",
// "3D" and "Cube" (at the ResourceType string).
#pragma once

#include <string>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/shared/message.h"
#include "platform/gfx/texture_image.h"

namespace fx {

// One texture's image, as its file holds it (with a full mip chain where the
// file brings none).
struct TextureFile {
    std::string texture;  // the texture's name in the effect
    std::string file;     // the ResourceName, as written
    SourcePos pos;        // of the ResourceName string
    platform::TextureImage image;
    bool placeholder = false;  // the file could not be used: image is PlaceholderTexture's
};

// Reads the image of every texture whose ResourceName is not empty, relative
// to the effect file's folder (an absolute name as it is; '\' separates
// folders as '/' does). A texture declared twice counts once, the first.
// False with the reasons in messages; every texture is tried, so that each
// bad one is reported.
bool ReadTextureFiles(const std::string& effectPath, const std::vector<TextureDesc>& textures,
                      const platform::TextureLimits& limits, std::vector<TextureFile>* files,
                      MessageSink& messages);

}  // namespace fx
