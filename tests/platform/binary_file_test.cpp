#include "platform/binary_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <numeric>

#include "platform/runtime_error.h"
#include "tests/support/file_conditions.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

using orvane::platform::BinaryFile;
using orvane::platform::ErrorNumber;
using orvane::platform::RuntimeError;
using namespace orvane::testing;

std::string Counting(std::size_t n) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

struct ReadCase {
    const char* name;
    std::int64_t position;  // 1-based
    std::size_t length;
};

class BinaryFileRead : public ::testing::TestWithParam<ReadCase> {};

// Bytes at and before the end come from the file; bytes past it read as 0.
TEST_P(BinaryFileRead, ReadsTheFileAndZeroPastItsEnd) {
    const ReadCase& c = GetParam();
    TempDir dir;
    const std::string content = Counting(3 << 20);  // three read windows
    WriteFile(dir / "data.bin", content);
    BinaryFile file(dir / "data.bin");
    ASSERT_EQ(file.Length(), static_cast<std::int64_t>(content.size()));

    // Warm the read window somewhere else first, so a stale window would show.
    (void)file.GetByte(2'000'000);

    // What the file held of the block, which tells a reader that the file was cut short.
    const auto held = static_cast<std::size_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(content.size()) - (c.position - 1), 0,
                                 static_cast<std::int64_t>(c.length)));
    std::vector<BYTE> block(c.length, 0xAA);
    EXPECT_EQ(file.Get(c.position, block), held);
    std::vector<BYTE> direct(c.length, 0x55);
    EXPECT_EQ(file.GetUnbuffered(c.position, direct), held);
    EXPECT_EQ(direct, block);
    for (std::size_t i = 0; i < c.length; ++i) {
        const std::int64_t offset = c.position - 1 + static_cast<std::int64_t>(i);
        const BYTE expected = offset < static_cast<std::int64_t>(content.size())
                                  ? static_cast<BYTE>(content[static_cast<std::size_t>(offset)])
                                  : BYTE{0};
        ASSERT_EQ(block[i], expected) << "byte " << i;
        ASSERT_EQ(file.GetByte(offset + 1), expected) << "single byte at offset " << offset;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, BinaryFileRead,
    ::testing::Values(ReadCase{"header_at_start", 1, 6}, ReadCase{"one_byte", 7, 1},
                      ReadCase{"across_a_window_edge", (1 << 20) - 3, 3072},
                      ReadCase{"large_block", 100, 700'000},
                      ReadCase{"ending_exactly_at_eof", (3 << 20) - 9, 10},
                      ReadCase{"across_eof", (3 << 20) - 4, 3072},
                      ReadCase{"past_eof", (3 << 20) + 100, 64},
                      ReadCase{"large_block_across_eof", (3 << 20) - 1000, 600'000}),
    RowName());

TEST(BinaryFile, AnEmptyFileReadsAsZeros) {
    TempDir dir;
    WriteFile(dir / "empty.tst", "");
    BinaryFile file(dir / "empty.tst");
    std::array<BYTE, 6> header{1, 2, 3, 4, 5, 6};
    file.Get(1, header);
    EXPECT_EQ(header, (std::array<BYTE, 6>{}));
}

TEST(BinaryFile, OpeningRaisesTheRuntimesErrorsAndCreatesNothing) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);  // must not wait for a writer
    const struct {
        std::string path;
        ErrorNumber number;
    } cases[] = {
        {dir / "missing.tst", ErrorNumber::FileNotFound},
        {dir / "no-such-folder/missing.tst", ErrorNumber::PathNotFound},
        {dir / "folder", ErrorNumber::PathFileAccessError},
        {dir / "fifo", ErrorNumber::PathFileAccessError},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RaisedNumber([&] { BinaryFile file(c.path); }), static_cast<int>(c.number))
            << c.path;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.tst"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

TEST(BinaryFile, AnUnreadableFileIsAnAccessError) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    TempDir dir;
    WriteFile(dir / "locked.tst", "abc");
    ::chmod((dir / "locked.tst").c_str(), 0);
    EXPECT_EQ(RaisedNumber([&] { BinaryFile file(dir / "locked.tst"); }), 75);
}

TEST(BinaryFile, ClosesOnDestructionAndRefusesReadsOnceClosed) {
    TempDir dir;
    WriteFile(dir / "a.bin", "abcdef");
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    const auto before = openDescriptors();
    {
        BinaryFile file(dir / "a.bin");
        EXPECT_EQ(openDescriptors(), before + 1);
        file.Close();
        EXPECT_EQ(openDescriptors(), before);
        EXPECT_THROW(file.GetByte(1), RuntimeError);
    }
    { BinaryFile file(dir / "a.bin"); }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(BinaryFile, PositionsStartAtOne) {
    TempDir dir;
    WriteFile(dir / "a.bin", "xyz");
    BinaryFile file(dir / "a.bin");
    EXPECT_EQ(file.GetByte(1), 'x');
    EXPECT_EQ(file.GetByte(3), 'z');
    EXPECT_THROW(file.GetByte(0), RuntimeError);
}

}  // namespace
