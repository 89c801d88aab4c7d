// What the tests of files share: a scratch folder per test, removed afterwards
// even when it holds read-only files, whole-file reads and writes done outside
// the library, and for the profile and CSV tests the same with the semaphore
// table set up and the check that every call gave its scratch blocks back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "heap/registry.h"
#include "hostutil.h"
#include "support/child.h"

namespace hostutil::test::files {

// The separator spelt out, not taken from the library.
#ifdef _WIN32
inline std::string sep() { return "\\"; }
#else
inline std::string sep() { return "/"; }
#endif

inline void put(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline std::string get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes that differ from position to position.
inline std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7) % 26);
  return s;
}

class scratch_test : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = scratch_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_symlink(ec)) {
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
      }
    }
    fs::remove_all(folder_, ec);
  }

  // The scratch folder, ending in the separator.
  const std::string& folder() const { return folder_; }
  std::string path(const std::string& name) const { return folder_ + name; }
  // The root of the scratch folder's drive ("C:\" or "/").
  std::string root() const { return std::filesystem::path(folder_).root_path().string(); }

 protected:
  std::string folder_;
};

}  // namespace hostutil::test::files

namespace hostutil::test {

inline void write_bytes(const std::string& path, const std::string& bytes) {
  files::put(path, bytes);
}

// The file's bytes; "<missing>" when there is no such file.
inline std::string read_bytes(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec) ? files::get(path) : "<missing>";
}

// Every scratch block a call took was given back.
inline bool no_scratch_left() { return heap::allocation_registry() == nullptr; }

class ScratchFiles : public files::scratch_test {
 protected:
  void SetUp() override {
    SemaphoreControlBegin();
    scratch_test::SetUp();
  }
  void TearDown() override {
    EXPECT_TRUE(no_scratch_left());
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
    scratch_test::TearDown();
  }

  // Writes the bytes to a file of the folder and answers its path.
  std::string file(const std::string& name, const std::string& bytes) {
    const std::string p = folder_ + name;
    write_bytes(p, bytes);
    return p;
  }
  std::string missing(const std::string& name) const { return folder_ + name; }
};

}  // namespace hostutil::test
