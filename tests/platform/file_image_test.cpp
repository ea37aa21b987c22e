// Reading the start of a file and replacing a file through a temporary one.
#include "platform/FileImage.h"
#include "tests/support/ReadFault.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using testing_support::TempDir;

namespace {

std::vector<uint8_t> Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

int Entries(const std::string& dir) {
    int n = 0;
    for (auto it = std::filesystem::directory_iterator(dir);
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

bool Replace(const std::string& path, const std::vector<uint8_t>& bytes) {
    platform::FileReplacement file;
    return file.Open(path) && file.Commit(bytes.data(), bytes.size());
}

std::vector<uint8_t> Pattern(std::size_t size) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + 1);
    return bytes;
}

TEST(FileImage, ReadTakesAtMostTheAskedBytesFromTheStart) {
    TempDir dir("fimg");
    std::vector<uint8_t> data(500);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    Write(dir.Path() + "/f", data);
    uint8_t buf[362] = {};
    buf[360] = 0xEE;
    size_t got = 0;
    ASSERT_TRUE(platform::ReadFileStart(dir.Path() + "/f", buf, 360, got));
    EXPECT_EQ(got, 360u);
    EXPECT_EQ(buf[359], 359 % 256);
    EXPECT_EQ(buf[360], 0xEE);
    Write(dir.Path() + "/e", {});
    EXPECT_TRUE(platform::ReadFileStart(dir.Path() + "/e", buf, 360, got));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(platform::ReadFileStart(dir.Path() + "/none", buf, 360, got));
    EXPECT_FALSE(platform::ReadFileStart(dir.Path(), buf, 360, got));
}

std::vector<std::string> LinesOf(const std::string& path, std::size_t maxLines,
                                 std::size_t maxLineBytes, bool* ok = nullptr) {
    std::vector<std::string> lines{"left over"};
    const bool read = platform::ReadFileLines(path, maxLines, maxLineBytes, lines);
    if (ok != nullptr)
        *ok = read;
    return lines;
}

void WriteText(const std::string& path, const std::string& text) {
    Write(path, std::vector<uint8_t>(text.begin(), text.end()));
}

using Lines = std::vector<std::string>;

TEST(FileImage, LinesLoseTheirLfAndACrJustBeforeIt) {
    TempDir dir("fimg");
    const std::string f = dir.Path() + "/list";
    WriteText(f, "COM5\r\nCOM6\n\n\r\nCO\rM7\r\r\nlast\r");
    bool ok = false;
    // A CR elsewhere stays: inside a line, the first of two, and at the end of
    // a last line that has no LF.
    EXPECT_EQ(LinesOf(f, 10, 80, &ok), (Lines{"COM5", "COM6", "", "", "CO\rM7\r", "last\r"}));
    EXPECT_TRUE(ok);
    WriteText(f, "a\nb\n");
    EXPECT_EQ(LinesOf(f, 10, 80), (Lines{"a", "b"})); // a final LF starts no line
    WriteText(f, "\n");
    EXPECT_EQ(LinesOf(f, 10, 80), (Lines{""}));
    WriteText(f, "");
    EXPECT_EQ(LinesOf(f, 10, 80, &ok), Lines{});
    EXPECT_TRUE(ok);
    WriteText(f, std::string("a\0b\nc", 5));
    EXPECT_EQ(LinesOf(f, 10, 80), (Lines{std::string("a\0b", 3), "c"}));
}

TEST(FileImage, LinesStopAtTheLastOneWantedAndRefuseAnOverlongOne) {
    TempDir dir("fimg");
    const std::string f = dir.Path() + "/list";
    std::string twelve;
    for (int i = 1; i <= 12; ++i)
        twelve += "port" + std::to_string(i) + "\n";
    WriteText(f, twelve);
    EXPECT_EQ(LinesOf(f, 3, 80), (Lines{"port1", "port2", "port3"}));

    // Exactly the bound, with or without a CR before the LF, is taken; one
    // byte more is not, wherever the line ends.
    const std::string eight(8, 'x'), nine(9, 'x');
    bool ok = false;
    WriteText(f, eight + "\r\n" + eight + "\n" + eight);
    EXPECT_EQ(LinesOf(f, 10, 8, &ok), (Lines{eight, eight, eight}));
    EXPECT_TRUE(ok);
    for (const std::string& text : {nine + "\n", nine, eight + "x\r\n", "a\n" + nine + "\r"}) {
        WriteText(f, text);
        EXPECT_EQ(LinesOf(f, 10, 8, &ok), Lines{}) << text;
        EXPECT_FALSE(ok) << text;
    }
    // An overlong line after the last one wanted is never looked at.
    WriteText(f, "a\nb\n" + std::string(100, 'y'));
    EXPECT_EQ(LinesOf(f, 2, 8, &ok), (Lines{"a", "b"}));
    EXPECT_TRUE(ok);

    // Megabytes without a line end.
    {
        std::ofstream big(f, std::ios::binary | std::ios::trunc);
        const std::string block(1 << 20, 'z');
        for (int i = 0; i < 4; ++i)
            big << block;
    }
    EXPECT_EQ(LinesOf(f, 10, 4096, &ok), Lines{});
    EXPECT_FALSE(ok);
}

// Reading stops where the caller's bounds say: a read fault placed just past
// what may be read fails the reader if it goes on. Ten lines wanted of a list
// that goes on for a megabyte; a first line of a megabyte where 4096 bytes
// are allowed (the reader may see at most the bound, a CR and the byte that
// breaks it, in its 4096-byte reads: two of them).
TEST(FileImage, LinesAreReadNoFurtherThanTheLinesAndTheirBoundAllow) {
    TempDir dir("fimg");
    const std::string f = dir.Path() + "/list";
    std::string ten;
    for (int i = 0; i < 10; ++i)
        ten += "/dev/ttyACM" + std::to_string(i) + "\n";
    WriteText(f, ten + std::string(1 << 20, 'j') + "\n");
    {
        testing_support::ReadFault fault(f, ten.size());
        bool ok = false;
        const Lines lines = LinesOf(f, 10, 4096, &ok);
        EXPECT_FALSE(fault.Failed()) << "read past the tenth line";
        EXPECT_TRUE(ok);
        ASSERT_EQ(lines.size(), 10u);
        EXPECT_EQ(lines.front(), "/dev/ttyACM0");
        EXPECT_EQ(lines.back(), "/dev/ttyACM9");
    }
    WriteText(f, std::string(1 << 20, 'x') + "\nCOM5\n");
    {
        testing_support::ReadFault fault(f, 2 * 4096);
        bool ok = true;
        EXPECT_EQ(LinesOf(f, 10, 4096, &ok), Lines{});
        EXPECT_FALSE(fault.Failed()) << "an overlong line was read on";
        EXPECT_FALSE(ok);
    }
    // The same with a short bound: one read of 4096 bytes is all it may take.
    WriteText(f, "COM1\n" + std::string(1 << 20, 'x') + "\n");
    {
        testing_support::ReadFault fault(f, 4096);
        bool ok = true;
        EXPECT_EQ(LinesOf(f, 10, 64, &ok), Lines{});
        EXPECT_FALSE(fault.Failed()) << "an overlong line was read on";
        EXPECT_FALSE(ok);
    }
}

TEST(FileImage, OnlyRegularFilesAreOpenedForLinesOrByTheOpener) {
    TempDir dir("fimg");
    const std::string fifo = dir.Path() + "/pipe", zero = dir.Path() + "/zero",
                      file = dir.Path() + "/file", link = dir.Path() + "/link";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", zero);
    WriteText(file, "COM5\n");
    std::filesystem::create_symlink(file, link);
    // Nobody writes the pipe and the device never ends: neither may be opened.
    for (const std::string& path : {fifo, zero, dir.Path(), dir.Path() + "/none"}) {
        bool ok = true;
        EXPECT_EQ(LinesOf(path, 10, 4096, &ok), Lines{}) << path;
        EXPECT_FALSE(ok) << path;
        EXPECT_FALSE(platform::OpenRegularFile(path).Valid()) << path;
    }
    EXPECT_EQ(LinesOf(link, 10, 4096), Lines{"COM5"}); // a link to a file is that file
    EXPECT_TRUE(platform::OpenRegularFile(link).Valid());
}

TEST(FileImage, ReplacementKeepsModeAndLinkAndLeavesNoTemporary) {
    TempDir dir("fimg");
    const std::string target = dir.Path() + "/t.rvx", link = dir.Path() + "/l.rvx";
    Write(target, std::vector<uint8_t>(1000, 1));
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink(target, link);

    platform::FileReplacement file;
    ASSERT_TRUE(file.Open(link));
    const std::vector<uint8_t> fresh(360, 7);
    ASSERT_TRUE(file.Commit(fresh.data(), fresh.size()));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Contents(target), fresh);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.Path()), 2);

    // A name as long as the file system allows is replaced as well.
    const std::string longName = dir.Path() + "/" + std::string(251, 'n') + ".rvx";
    Write(longName, {1, 2, 3});
    ASSERT_TRUE(file.Open(longName));
    ASSERT_TRUE(file.Commit(fresh.data(), fresh.size()));
    EXPECT_EQ(Contents(longName), fresh);
    EXPECT_EQ(Entries(dir.Path()), 3);
}

TEST(FileImage, ReplacementNotCommittedLeavesTheOldFile) {
    TempDir dir("fimg");
    const std::string target = dir.Path() + "/t.rvx";
    Write(target, {1, 2, 3});
    {
        platform::FileReplacement file;
        ASSERT_TRUE(file.Open(target));
        EXPECT_EQ(Entries(dir.Path()), 2); // the temporary beside it
    }
    EXPECT_EQ(Contents(target), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(Entries(dir.Path()), 1);

    platform::FileReplacement none;
    EXPECT_FALSE(none.Open(dir.Path() + "/no/such/folder"));
    EXPECT_FALSE(none.Commit(nullptr, 0));
    platform::FileReplacement folder;
    EXPECT_FALSE(folder.Open(dir.Path())); // a folder is no file to replace
}

TEST(FileImage, ReplacementMakesANewFileAndAFailedWriteLosesNothing) {
    TempDir dir("fimg");
    const std::string target = dir.Path() + "/t.rvx";
    const auto old = Pattern(1432);
    ASSERT_TRUE(Replace(target, old));
    EXPECT_EQ(Contents(target), old);

    // The disk fills up halfway through.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 700;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = Replace(target, std::vector<uint8_t>(1432, 0));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Contents(target), old);
    EXPECT_EQ(Entries(dir.Path()), 1);
}

TEST(FileImage, ReplacementRefusedWhereNothingCanBeMadeOrTheTargetIsNoFile) {
    TempDir dir("fimg");
    // A removed directory refuses new files even to root.
    const std::string gone = dir.Path() + "/gone";
    std::filesystem::create_directory(gone);
    std::filesystem::remove(gone);
    EXPECT_FALSE(Replace(gone + "/t.rvx", {1}));

    // A folder or a pipe in the file's place stays as it is.
    const std::string folder = dir.Path() + "/t.rvx", fifo = dir.Path() + "/pipe";
    std::filesystem::create_directories(folder + "/inside");
    EXPECT_FALSE(Replace(folder, {1}));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(Replace(fifo, {1}));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(Entries(dir.Path()), 2);
}

TEST(FileImage, WritableFileInAFolderThatRefusesNewFilesIsRewrittenInPlace) {
    TempDir dir("fimg");
    const std::string target = dir.Path() + "/t.rvx";
    Write(target, Pattern(1432));
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    // The write runs in a child that is not allowed to add files to the folder
    // (root may add anywhere, so a root child becomes nobody).
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        if (::geteuid() != 0)
            ::chmod(dir.Path().c_str(), 0555);
        ::_exit(Replace(target, {'i', 'n', ' ', 'p', 'l', 'a', 'c', 'e'}) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(dir.Path().c_str(), 0700);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Contents(target), (std::vector<uint8_t>{'i', 'n', ' ', 'p', 'l', 'a', 'c', 'e'}));
    EXPECT_EQ(Entries(dir.Path()), 1);
}

} // namespace
