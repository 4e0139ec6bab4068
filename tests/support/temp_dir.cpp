#include "tests/support/temp_dir.h"

#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace {

// "velmora_<Suite>.<Test>_": letters, digits, '.', '_' and '-' only.
std::string Prefix() {
    std::string name = "velmora_";
    if (const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info())
        name += std::string(info->test_suite_name()) + "." + info->name() + "_";
    for (char &c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
    return name;
}

}  // namespace

TempDir::TempDir() {
    std::string root = ::testing::TempDir();
    if (!root.empty() && root.back() != '/') root += '/';
    std::string pattern = root + Prefix() + "XXXXXX";
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "cannot make a temporary folder from " << pattern;
        return;
    }
    path_ = pattern;
}

TempDir::~TempDir() { Remove(); }

void TempDir::Remove() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    path_.clear();
}

std::string TempDir::Join(const std::string &name) const { return test_JoinPath(path_, name); }

std::string TempDir::Write(const std::string &name, std::string_view bytes) const {
    const std::string path = Join(name);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    EXPECT_TRUE(test_WriteFile(path, bytes)) << "cannot write " << path;
    return path;
}

std::string TempDir::Write(const std::string &name, const std::vector<uint8_t> &bytes) const {
    return Write(name, std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
}

std::string TempDir::Read(const std::string &name) const { return test_ReadFile(Join(name)); }

bool TempDir::Exists(const std::string &name) const { return test_Exists(Join(name)); }

void TempDir::Clear() const {
    if (path_.empty()) return;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(path_, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

std::string test_JoinPath(const std::string &dir, const std::string &name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string test_ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string();
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool test_WriteFile(const std::string &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

bool test_Exists(const std::string &path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}
