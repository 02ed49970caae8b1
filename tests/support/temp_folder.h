// A fresh folder under the system's temporary folder for one test (or one
// benchmark), removed with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

class TempFolder {
public:
    TempFolder() = default;
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Makes TMP/NAME-XXXXXX (a name no other run has); false when it cannot.
    // A second call replaces the first folder.
    bool Make(const std::string& name);
    const std::filesystem::path& Path() const { return path_; }
    // Writes text as bytes to a file in the folder (making the folders on
    // its way); the file's whole path.
    std::string Write(const std::string& relative, const std::string& text) const;

private:
    void Remove();

    std::filesystem::path path_;
};

}  // namespace testing_support
