// What many tests share: the semaphore table set up afresh for each; and for
// the tests of files a scratch folder per test, removed afterwards even when it
// holds read-only files, and whole-file reads and writes done outside the library;
// and a heap area of the test's own.
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

namespace hostutil::test {

// The base's fixture with the semaphore table set up afresh; at the end, the
// check that every call gave its scratch blocks back, and the table given up.
template <typename Base = ::testing::Test>
class with_fresh_table : public Base {
 protected:
  void SetUp() override {
    SemaphoreControlEnd();
    SemaphoreControlBegin();
    Base::SetUp();
  }
  void TearDown() override {
    EXPECT_EQ(heap::allocation_registry(), nullptr) << "scratch left registered";
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
    Base::TearDown();
  }
};
class fresh_table : public with_fresh_table<> {};

}  // namespace hostutil::test

namespace hostutil::test::files {

// The platform's separator as the standard library has it, not taken from ours.
inline std::string sep() { return {static_cast<char>(std::filesystem::path::preferred_separator)}; }

inline void put(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes) << path;
}

// The file's bytes; "<missing>" when it cannot be opened.
inline std::string get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
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
  // Writes the bytes to a file of the folder and answers its path.
  std::string file(const std::string& name, const std::string& bytes) const {
    put(folder_ + name, bytes);
    return folder_ + name;
  }
  // The root of the scratch folder's drive ("C:\" or "/").
  std::string root() const { return std::filesystem::path(folder_).root_path().string(); }

  std::string folder_;
};

// The same with the semaphore table set up afresh.
class table_test : public with_fresh_table<scratch_test> {};

// The same with a heap area of the test's own, freed before the table is given up.
class area_test : public table_test {
 protected:
  void TearDown() override {
    FreeHeapArea(&area);
    table_test::TearDown();
  }
  HeapAreaHead* area = nullptr;
};

}  // namespace hostutil::test::files
