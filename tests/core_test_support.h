// Shared pieces of the tests: a temporary working directory (performance.log
// is written to the working directory) and whole-file reads and writes.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace krel::testing {

// A fresh folder of its own; never a shared one, since TempCwd removes it.
inline std::filesystem::path MakeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "krel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

// Runs the test in a fresh temporary folder and returns to the old one.
class TempCwd {
 public:
  TempCwd() { std::filesystem::current_path(dir_); }
  ~TempCwd() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  TempCwd(const TempCwd&) = delete;
  TempCwd& operator=(const TempCwd&) = delete;
  const std::filesystem::path& path() const { return dir_; }

 private:
  const std::filesystem::path old_ = std::filesystem::current_path(), dir_ = MakeTempDir();
};

inline std::string ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// While it lives, a write that makes a regular file longer than `bytes`
// fails with EFBIG: a full disk any user can make, which harms nothing else
// (pipes, terminals and devices have no size).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

}  // namespace krel::testing
