// A fresh folder for one test, and small file helpers.
//
//   class LoaderTest : public ::testing::Test {
//   protected:
//       TempDir dir;   // made with the fixture, removed with it
//   };
//   ...
//   const std::string path = dir.Write("in.txt", "bytes");
//   EXPECT_EQ(test_ReadFile(dir.Join("out.txt")), "expected");
//
// The folder is made under the test temp dir (::testing::TempDir()),
// named after the running test, and removed with everything in it when the
// TempDir goes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    // The folder, without a trailing slash.
    const std::string &Path() const { return path_; }
    // Path() + "/" + name.
    std::string Join(const std::string &name) const;
    // Writes the bytes to Join(name), making the folders on the way; returns
    // that path. A write that fails fails the test.
    std::string Write(const std::string &name, std::string_view bytes) const;
    std::string Write(const std::string &name, const std::vector<uint8_t> &bytes) const;
    // Reads Join(name) back; empty when it cannot be read.
    std::string Read(const std::string &name) const;
    bool Exists(const std::string &name) const;
    // Removes everything in the folder; the folder stays.
    void Clear() const;
    // Removes the folder now, for a (death-test) child that ends with exit,
    // which runs no destructors.
    void Remove();

private:
    std::string path_;
};

// A test with a folder of its own.
class TempDirTest : public ::testing::Test {
protected:
    TempDir dir;
};

// dir + "/" + name (name alone when dir is empty).
std::string test_JoinPath(const std::string &dir, const std::string &name);
// The whole file as bytes; empty when it cannot be read.
std::string test_ReadFile(const std::string &path);
// Writes (replaces) the file; false when it could not be written whole.
bool test_WriteFile(const std::string &path, std::string_view bytes);
bool test_Exists(const std::string &path);
