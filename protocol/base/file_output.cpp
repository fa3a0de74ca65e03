#include "protocol/base/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace krel {

namespace {

std::string Reason(const std::string& name, int err) { return name + ": " + std::strerror(err); }

// Writes all of bytes to fd; 0 or the errno of the failure.
int WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// A device, pipe or socket: written where it is, with no temporary file
// and no truncation (neither means anything there).
bool WriteInPlace(const std::string& path, std::string_view bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = Reason(path, errno);
    return false;
  }
  int err = WriteAll(fd, bytes);
  if (::close(fd) != 0 && err == 0 && errno != EINTR) err = errno;
  if (err != 0) error = Reason(path, err);
  return err == 0;
}

bool ReplaceRegularFile(const std::string& path, const struct stat* old_file, std::string_view bytes,
                        std::string& error, unsigned new_file_mode) {
  const std::string tmp = path + ".tmp" + std::to_string(::getpid());
  // A stale temporary file of an earlier run is ours to remove; O_EXCL then
  // makes sure no link planted under that name is written through.
  ::unlink(tmp.c_str());
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, new_file_mode);
  if (fd < 0) {
    error = Reason(path, errno);
    return false;
  }
  auto fail = [&](int err) {
    error = Reason(path, err);
    ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  };
  // A private 0600 file stays private.
  if (old_file != nullptr && ::fchmod(fd, old_file->st_mode & 07777) != 0) return fail(errno);
  if (const int err = WriteAll(fd, bytes); err != 0) return fail(err);
  // The data must be on disk before the rename makes it the file.
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    error = Reason(path, errno);
    ::unlink(tmp.c_str());
    return false;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    error = Reason(path, errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool FollowLinks(const std::string& path, std::string& target, std::string& error) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::string link(4096, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n < 0) return true;  // not a link (or nothing there yet): this is the file
    link.resize(static_cast<std::size_t>(n));
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    target = link.front() == '/' || folder.empty() ? link : (folder / link).string();
  }
  error = path + ": too many levels of symbolic links";
  return false;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error,
                    const WholeFileOptions& options) {
  if (path == kStandardOutputName) {
    std::fflush(stdout);
    if (const int err = WriteAll(STDOUT_FILENO, bytes); err != 0) {
      error = Reason("standard output", err);
      return false;
    }
    return true;
  }
  std::string target;
  if (!FollowLinks(path, target, error)) return false;
  if (options.make_folders) {
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (ec) {
      error = folder.string() + ": " + ec.message();
      return false;
    }
  }
  struct stat old_file {};
  if (::stat(target.c_str(), &old_file) != 0) {
    if (errno != ENOENT) {
      error = Reason(target, errno);
      return false;
    }
    return ReplaceRegularFile(target, nullptr, bytes, error, options.new_file_mode);
  }
  if (S_ISREG(old_file.st_mode)) return ReplaceRegularFile(target, &old_file, bytes, error, options.new_file_mode);
  return WriteInPlace(target, bytes, error);
}

OutputFile::~OutputFile() {
  std::string ignored;
  Close(ignored);
}

bool OutputFile::Open(const std::string& path, Mode mode, std::string& error) {
  std::string ignored;
  Close(ignored);
  path_ = path;
  if (path == kStandardOutputName) {
    std::fflush(stdout);
    fd_ = STDOUT_FILENO;
    owned_ = false;
    path_ = "standard output";
    return true;
  }
  // O_TRUNC on a device or pipe does nothing, so replacing is only
  // truncating a regular file in place: the name is never swapped.
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | (mode == Mode::kAppend ? O_APPEND : O_TRUNC);
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) {
    error = Reason(path, errno);
    return false;
  }
  owned_ = true;
  return true;
}

bool OutputFile::Write(std::string_view bytes, std::string& error) {
  if (fd_ < 0) {
    error = path_ + ": not open";
    return false;
  }
  if (const int err = WriteAll(fd_, bytes); err != 0) {
    error = Reason(path_, err);
    return false;
  }
  return true;
}

bool OutputFile::Close(std::string& error) {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  if (!owned_) return true;
  if (::close(fd) != 0 && errno != EINTR) {
    error = Reason(path_, errno);
    return false;
  }
  return true;
}

bool AppendToFile(const std::string& path, std::string_view text, std::string& error) {
  OutputFile file;
  return file.Open(path, OutputFile::Mode::kAppend, error) && file.Write(text, error) && file.Close(error);
}

bool StandardOutputWritten(const char* program) {
  // A write that failed earlier left its reason in errno, as far as anyone
  // kept it; a failure of the last flush has its own.
  const int earlier = errno;
  std::cout.flush();
  const bool stream_ok = static_cast<bool>(std::cout);
  errno = 0;
  const bool stdio_ok = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  if (stream_ok && stdio_ok) return true;
  const int err = errno != 0 ? errno : earlier;
  std::fprintf(stderr, "%s: standard output: %s\n", program, err != 0 ? std::strerror(err) : "write failed");
  return false;
}

}  // namespace krel
