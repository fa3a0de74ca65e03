// How every program writes a file: through links to their targets, into
// pipes (standing in for devices: a test never names a real device) as they
// are, and over regular files whole or not at all, with every failure said.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "core_test_support.h"
#include "protocol/base/file_output.h"

namespace krel {
namespace {

namespace fs = std::filesystem;
using testing::FileSizeLimit;
using testing::ReadFileBytes;
using testing::TempCwd;
using testing::WriteFileBytes;

std::size_t EntriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Each way of writing text to a name, so that all are held to the same rules.
struct Writer {
  const char* name;
  bool all_or_nothing;  // replacing is; appending and writing piece by piece cannot be
  std::function<bool(const std::string& path, const std::string& text, std::string& error)> write;
};
const Writer kWriters[] = {
    {"whole file", true,
     [](const std::string& p, const std::string& t, std::string& e) { return WriteWholeFile(p, t, e); }},
    {"output file", false,
     [](const std::string& p, const std::string& t, std::string& e) {
       OutputFile f;
       return f.Open(p, OutputFile::Mode::kReplace, e) && f.Write(t, e) && f.Close(e);
     }},
    {"append", false, [](const std::string& p, const std::string& t, std::string& e) { return AppendToFile(p, t, e); }},
};

// Links in a chain, each relative to its own folder, or absolute.
TEST(FileOutput, ALinkIsWrittenThroughAndStaysALink) {
  for (const Writer& writer : kWriters) {
    TempCwd tmp;
    fs::create_directories("real");
    fs::create_directories("conf");
    WriteFileBytes("real/file", "");
    fs::permissions("real/file", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("file", "real/current");
    fs::create_symlink("../real/current", "conf/link");
    fs::create_symlink(tmp.path() / "real/new", "dangling");  // names a file not made yet
    std::string error;
    ASSERT_TRUE(writer.write("conf/link", "text", error)) << writer.name << ": " << error;
    ASSERT_TRUE(writer.write("dangling", "new", error)) << writer.name << ": " << error;
    EXPECT_TRUE(fs::is_symlink("conf/link") && fs::is_symlink("real/current") && fs::is_symlink("dangling"))
        << writer.name;
    EXPECT_EQ(ReadFileBytes("real/file") + ReadFileBytes("real/new"), "textnew") << writer.name;
    EXPECT_EQ(fs::status("real/file").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write)
        << writer.name;
    // No temporary file left.
    EXPECT_EQ(EntriesIn(tmp.path()) + EntriesIn("real") + EntriesIn("conf"), 7u) << writer.name;
  }
  TempCwd tmp;
  fs::create_symlink("b", "a");
  fs::create_symlink("a", "b");
  std::string error;
  EXPECT_FALSE(WriteWholeFile("a", "x", error));
  EXPECT_EQ(error, "a: too many levels of symbolic links");
  EXPECT_TRUE(fs::is_symlink("a"));
}

TEST(FileOutput, APipeIsWrittenIntoAndNeverReplaced) {
  for (const Writer& writer : kWriters) {
    TempCwd tmp;
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    fs::create_symlink("pipe", "link");
    std::string got;
    // Opening a pipe waits for its reader, which reads to the writer's end.
    std::thread reader([&] { got = ReadFileBytes("pipe"); });
    std::string error;
    const bool ok = writer.write("link", "through the pipe", error);
    if (!ok) ::close(::open("pipe", O_RDWR));  // lets the reader go, so that the failure is seen, not a hang
    reader.join();
    EXPECT_TRUE(ok) << writer.name << ": " << error;
    EXPECT_EQ(got, "through the pipe") << writer.name;
    EXPECT_TRUE(fs::is_fifo("pipe") && fs::is_symlink("link")) << writer.name;
    EXPECT_EQ(EntriesIn(tmp.path()), 2u) << writer.name;
  }
}

TEST(FileOutput, AFailedWriteIsSaidAndLeavesTheOldFileWhole) {
  for (const Writer& writer : kWriters) {
    TempCwd tmp;
    WriteFileBytes("file", "old");
    std::string error;
    {
      FileSizeLimit full(10);
      EXPECT_FALSE(writer.write("file", std::string(100, 'x'), error)) << writer.name;
    }
    EXPECT_EQ(error, "file: File too large") << writer.name;
    EXPECT_TRUE(!writer.all_or_nothing || ReadFileBytes("file") == "old") << writer.name;
    EXPECT_EQ(EntriesIn(tmp.path()), 1u) << writer.name;
    EXPECT_FALSE(writer.write("no/such/folder/file", "x", error));
    EXPECT_EQ(error, "no/such/folder/file: No such file or directory") << writer.name;
  }
}

}  // namespace
}  // namespace krel
