#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <fstream>
#include <system_error>

namespace testing_support {

TempFolder::~TempFolder() { Remove(); }

bool TempFolder::Make(const std::string& name) {
    Remove();
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) base = "/tmp";
    std::string pattern = (base / (name + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) return false;
    path_ = pattern;
    return true;
}

std::string TempFolder::Write(const std::string& relative, const std::string& text) const {
    std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    return file.string();
}

void TempFolder::Remove() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    path_.clear();
}

}  // namespace testing_support
