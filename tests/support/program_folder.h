// A throwaway program folder holding a copy of the built catalogue, for
// tests that start the program as a whole.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tessary::testing {

class ProgramFolder {
 public:
  explicit ProgramFolder(bool with_catalogue = true, bool with_languages = false) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::path(::testing::TempDir()) /
            (std::string("program-") + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_ / "temp");
    const std::filesystem::path bin = TESSARY_BIN_DIR;
    if (with_catalogue) std::filesystem::copy_file(bin / "login.dat", path_ / "login.dat");
    if (with_languages) {
      for (const char* name : {"CN.ini", "TC.ini", "EN.ini"}) {
        std::filesystem::copy_file(bin / name, path_ / name);
      }
    }
  }
  ~ProgramFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  void WriteFile(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tessary::testing
