// Writing files without harming what their names stand for. Every program
// and tool that writes a file goes through here, so that all of them treat
// a name alike:
//  - "-" is standard output;
//  - a symbolic link is followed to the file it finally names, and stays;
//  - a device, a pipe or a socket is opened and written directly, never
//    replaced (renaming a file over /dev/null would break the machine);
//  - a regular file or a new name is written whole or not at all.
// Every failure comes back as "NAME: reason", so that the caller can say it
// and end with a non-zero status.
#pragma once

#include <string>
#include <string_view>

namespace krel {

// The name that stands for standard output.
inline constexpr std::string_view kStandardOutputName = "-";

// The name path finally stands for: symbolic links followed (a relative one
// from its own folder), also to a file that does not exist yet. False with
// error set when the links go round in a circle.
bool FollowLinks(const std::string& path, std::string& target, std::string& error);

struct WholeFileOptions {
  // Create the missing folders of the target first.
  bool make_folders = false;
  // Permission bits of a new file (the umask applies); an existing file
  // keeps its own.
  unsigned new_file_mode = 0666;
};

// Makes bytes the whole content of what path names. A regular file or a new
// name gets a temporary file beside it, written, synced and renamed over it:
// a failure (a full disk) leaves the old file as it was and no temporary
// file behind. Anything else is written as said above.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error,
                    const WholeFileOptions& options = {});

// A file written piece by piece (a recording, a trace, a log): opened once,
// then each Write goes straight to it. "-" is standard output, which Close
// leaves open. Links are followed and devices and pipes written as they
// are, since nothing is renamed.
class OutputFile {
 public:
  enum class Mode { kReplace, kAppend };
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Open(const std::string& path, Mode mode, std::string& error);
  // Writes all of bytes (retrying short writes); false with error set.
  bool Write(std::string_view bytes, std::string& error);
  // Closes the file; false when closing reported a failure of an earlier
  // write (as it may on a network file system).
  bool Close(std::string& error);
  bool is_open() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  bool owned_ = false;
  std::string path_;
};

// Appends text to path (opened, written, closed).
bool AppendToFile(const std::string& path, std::string_view text, std::string& error);

// Pushes out what the program wrote to standard output through stdio and
// iostreams. False, after saying "program: standard output: reason" on
// standard error, when any of it could not be written (a full disk, a
// closed pipe): the caller then ends with a non-zero status.
bool StandardOutputWritten(const char* program);

}  // namespace krel
