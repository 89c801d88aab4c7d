// What the profile and CSV tests share: a scratch folder, files written and read back
// byte for byte, and the check that every call gave its scratch blocks back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "heap/registry.h"
#include "hostutil.h"
#include "support/child.h"

namespace hostutil::test {

inline void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes; "<missing>" when there is no such file.
inline std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every scratch block a call took was given back.
inline bool no_scratch_left() { return heap::allocation_registry() == nullptr; }

class ScratchFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    SemaphoreControlBegin();
    folder_ = scratch_folder("profile");
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override {
    EXPECT_TRUE(no_scratch_left());
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Writes the bytes to a file of the folder and answers its path.
  std::string file(const std::string& name, const std::string& bytes) {
    const std::string path = folder_ + name;
    write_bytes(path, bytes);
    return path;
  }
  std::string missing(const std::string& name) const { return folder_ + name; }

  std::string folder_;
};

}  // namespace hostutil::test
