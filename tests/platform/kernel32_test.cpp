#include "platform/kernel32.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "platform/gdi.h"
#include "tests/support/file_conditions.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace orvane::testing;

FILETIME FileTime(std::uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Unix time 1 000 000 000 (2001-09-09 01:46:40 UTC) and 1969-12-31 23:59:59 UTC, worked out by
// hand in 100 ns steps from 1601-01-01.
constexpr std::uint64_t kBillennium = 126'444'736'000'000'000;
constexpr std::uint64_t kSecondBefore1970 = 116'444'735'990'000'000;

struct AttributeCase {
    const char* name;
    bool folder;
    mode_t mode;
    DWORD expected;
};

class FindFirstFileAttributes : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(FindFirstFileAttributes, FollowTheKindOfEntryAndItsWriteBits) {
    const AttributeCase& c = GetParam();
    TempDir dir;
    const std::string name = dir / "entry";
    if (c.folder) {
        std::filesystem::create_directory(name);
    } else {
        WriteFile(name, "x");
    }
    ASSERT_EQ(::chmod(name.c_str(), c.mode), 0);
    EXPECT_EQ(FindData(name).dwFileAttributes, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FindFirstFileAttributes,
    ::testing::Values(AttributeCase{"plain_file", false, 0644, FILE_ATTRIBUTE_ARCHIVE},
                      AttributeCase{"no_write_bit", false, 0444,
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
                      AttributeCase{"no_bits_at_all", false, 0,
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
                      AttributeCase{"only_owner_may_write", false, 0200, FILE_ATTRIBUTE_ARCHIVE},
                      AttributeCase{"only_group_may_write", false, 0464, FILE_ATTRIBUTE_ARCHIVE},
                      AttributeCase{"folder", true, 0755, FILE_ATTRIBUTE_DIRECTORY},
                      AttributeCase{"read_only_folder", true, 0555,
                                    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY}),
    RowName());

TEST(FindFirstFileA, ReportsNameSizeAndTimesIn100nsStepsSince1601) {
    TempDir dir;
    const std::string name = dir / "tile set.jpg";
    WriteFile(name, "");
    ASSERT_EQ(::truncate(name.c_str(), (std::int64_t{5} << 32) + 7), 0);  // sparse, 20 GiB
    const auto before = std::chrono::system_clock::now() - std::chrono::seconds(2);
    SetTimes(name, {1'000'000'000, 123'456'700}, {-1, 0});
    const auto after = std::chrono::system_clock::now() + std::chrono::seconds(2);

    const WIN32_FIND_DATAA data = FindData(name);
    EXPECT_STREQ(data.cFileName, "tile set.jpg");
    EXPECT_EQ(data.nFileSizeHigh, 5u);
    EXPECT_EQ(data.nFileSizeLow, 7u);
    EXPECT_EQ(Ticks(data.ftLastAccessTime), kBillennium + 1'234'567);
    EXPECT_EQ(Ticks(data.ftLastWriteTime), kSecondBefore1970);
    // Birth time or status-change time: either way, a moment of this test.
    const auto toTicks = [](auto t) {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count() /
                100 +
            116'444'736'000'000'000);
    };
    EXPECT_GE(Ticks(data.ftCreationTime), toTicks(before));
    EXPECT_LE(Ticks(data.ftCreationTime), toTicks(after));
}

TEST(FindFirstFileA, FindsNothingForMissingOrPatternNames) {
    TempDir dir;
    WriteFile(dir / "a.jpg", "x");
    WIN32_FIND_DATAA data{};
    for (const std::string& name : {dir / "b.jpg", dir / "*.jpg", dir / "a?jpg", dir / "no/a.jpg",
                                    dir.path().string() + "/", std::string()}) {
        EXPECT_EQ(FindFirstFileA(name.c_str(), &data), INVALID_HANDLE_VALUE) << name;
    }
    EXPECT_EQ(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileA((dir / "a.jpg").c_str(), nullptr), INVALID_HANDLE_VALUE);
}

TEST(FindClose, ClosesALiveFindHandleOnceAndNothingElse) {
    TempDir dir;
    WriteFile(dir / "a.jpg", "x");
    WIN32_FIND_DATAA data{};
    HANDLE found = FindFirstFileA((dir / "a.jpg").c_str(), &data);
    ASSERT_NE(found, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindClose(found), TRUE);
    EXPECT_EQ(FindClose(found), FALSE);
    EXPECT_EQ(FindClose(INVALID_HANDLE_VALUE), FALSE);
    EXPECT_EQ(FindClose(nullptr), FALSE);

    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(FindClose(dc), FALSE);
    EXPECT_EQ(DeleteDC(dc), TRUE);
    const HFILE file = _lopen((dir / "a.jpg").c_str(), OF_READ);
    EXPECT_EQ(FindClose(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(file))), FALSE);
    EXPECT_EQ(_lclose(file), 0);
}

TEST(_lopen, NeverCreatesAFile) {
    TempDir dir;
    const std::string name = dir / "new.jpg";
    for (int mode : {OF_READ, OF_WRITE, OF_READWRITE, OF_WRITE | OF_SHARE_DENY_WRITE}) {
        EXPECT_EQ(_lopen(name.c_str(), mode), HFILE_ERROR) << mode;
        EXPECT_FALSE(std::filesystem::exists(name)) << mode;
    }
}

TEST(_lopen, OpensAnExistingFileUnchangedAndClosesItOnce) {
    TempDir dir;
    const std::string name = dir / "old.jpg";
    WriteFile(name, "old bytes");
    const HFILE file = _lopen(name.c_str(), OF_WRITE | OF_SHARE_DENY_WRITE);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_EQ(_lclose(file), HFILE_ERROR);
    EXPECT_EQ(_lclose(HFILE_ERROR), HFILE_ERROR);
    EXPECT_EQ(ReadFile(name), "old bytes");
}

TEST(_lopen, RefusesWritingAReadOnlyFileAFolderOrABadMode) {
    TempDir dir;
    const std::string name = dir / "locked.jpg";
    WriteFile(name, "x");
    ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
    EXPECT_EQ(_lopen(name.c_str(), OF_WRITE), HFILE_ERROR);
    EXPECT_EQ(_lopen(name.c_str(), OF_READWRITE), HFILE_ERROR);
    const HFILE reader = _lopen(name.c_str(), OF_READ | OF_SHARE_DENY_WRITE);
    EXPECT_NE(reader, HFILE_ERROR);
    EXPECT_EQ(_lclose(reader), 0);

    EXPECT_EQ(_lopen(dir.path().c_str(), OF_READ), HFILE_ERROR);
    ASSERT_EQ(::chmod(name.c_str(), 0644), 0);
    EXPECT_EQ(_lopen(name.c_str(), 3), HFILE_ERROR);
    EXPECT_EQ(_lopen(name.c_str(), OF_READ | 0x100), HFILE_ERROR);
    EXPECT_EQ(_lopen(nullptr, OF_READ), HFILE_ERROR);
}

TEST(SetFileTime, SetsAccessAndWriteTimesAndLeavesTimesNotGiven) {
    TempDir dir;
    const std::string name = dir / "old.jpg";
    WriteFile(name, "x");
    SetTimes(name, {5, 0}, {6, 0});

    HFILE file = _lopen(name.c_str(), OF_WRITE | OF_SHARE_DENY_WRITE);
    const FILETIME creation = FileTime(kBillennium);
    const FILETIME access = FileTime(kBillennium + 1'234'567);
    const FILETIME write = FileTime(kSecondBefore1970);
    EXPECT_EQ(SetFileTime(file, &creation, &access, &write), TRUE);
    EXPECT_EQ(_lclose(file), 0);

    WIN32_FIND_DATAA data = FindData(name);
    EXPECT_EQ(Ticks(data.ftLastAccessTime), Ticks(access));
    EXPECT_EQ(Ticks(data.ftLastWriteTime), Ticks(write));
    struct stat info {};
    ASSERT_EQ(::stat(name.c_str(), &info), 0);
    EXPECT_EQ(info.st_atim.tv_sec, 1'000'000'000);
    EXPECT_EQ(info.st_atim.tv_nsec, 123'456'700);
    EXPECT_EQ(info.st_mtim.tv_sec, -1);

    // A null pointer or a zero time leaves that time.
    file = _lopen(name.c_str(), OF_READWRITE);
    const FILETIME zero{};
    const FILETIME later = FileTime(kBillennium + 10'000'000);
    EXPECT_EQ(SetFileTime(file, nullptr, nullptr, &later), TRUE);
    EXPECT_EQ(SetFileTime(file, nullptr, &zero, nullptr), TRUE);
    EXPECT_EQ(_lclose(file), 0);
    data = FindData(name);
    EXPECT_EQ(Ticks(data.ftLastAccessTime), Ticks(access));
    EXPECT_EQ(Ticks(data.ftLastWriteTime), Ticks(later));
}

TEST(SetFileTime, FailsForHandlesThatCannotSetTimesAndForNegativeTimes) {
    TempDir dir;
    const std::string name = dir / "old.jpg";
    WriteFile(name, "x");
    SetTimes(name, {5, 0}, {6, 0});
    const FILETIME time = FileTime(kBillennium);

    const HFILE reader = _lopen(name.c_str(), OF_READ);
    EXPECT_EQ(SetFileTime(reader, nullptr, &time, &time), FALSE);
    EXPECT_EQ(_lclose(reader), 0);
    EXPECT_EQ(SetFileTime(reader, nullptr, &time, &time), FALSE);  // closed
    EXPECT_EQ(SetFileTime(INVALID_HANDLE_VALUE, nullptr, &time, &time), FALSE);
    EXPECT_EQ(SetFileTime(nullptr, nullptr, &time, &time), FALSE);
    WIN32_FIND_DATAA data{};
    HANDLE found = FindFirstFileA(name.c_str(), &data);
    EXPECT_EQ(SetFileTime(found, nullptr, &time, &time), FALSE);
    EXPECT_EQ(FindClose(found), TRUE);

    const HFILE writer = _lopen(name.c_str(), OF_WRITE);
    const FILETIME negative = FileTime(std::uint64_t{1} << 63);
    EXPECT_EQ(SetFileTime(writer, nullptr, &negative, &time), FALSE);
    EXPECT_EQ(_lclose(writer), 0);

    struct stat info {};
    ASSERT_EQ(::stat(name.c_str(), &info), 0);
    EXPECT_EQ(info.st_atim.tv_sec, 5);
    EXPECT_EQ(info.st_mtim.tv_sec, 6);
}

struct ModeCase {
    const char* name;
    mode_t before;
    DWORD attributes;
    mode_t umask;
    mode_t after;
};

class SetFileAttributesMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SetFileAttributesMode, MapsReadOnlyToTheWriteBitsAndReadsBack) {
    const ModeCase& c = GetParam();
    TempDir dir;
    const std::string name = dir / "file.jpg";
    WriteFile(name, "x");
    ASSERT_EQ(::chmod(name.c_str(), c.before), 0);
    ScopedUmask mask(c.umask);

    EXPECT_EQ(SetFileAttributesA(name.c_str(), c.attributes), TRUE);
    EXPECT_EQ(PermissionBits(name), c.after);
    EXPECT_EQ(FindData(name).dwFileAttributes & FILE_ATTRIBUTE_READONLY,
              c.attributes & FILE_ATTRIBUTE_READONLY);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SetFileAttributesMode,
    ::testing::Values(
        ModeCase{"read_only_clears_every_write_bit", 0664,
                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, 022, 0444},
        ModeCase{"read_only_file_stays", 0444, FILE_ATTRIBUTE_READONLY, 022, 0444},
        ModeCase{"cleared_gives_owner_write_back", 0444, FILE_ATTRIBUTE_NORMAL, 022, 0644},
        ModeCase{"group_and_others_as_umask_allows", 0444, FILE_ATTRIBUTE_ARCHIVE, 002, 0664},
        ModeCase{"only_those_who_may_read", 0440, 0, 0, 0660},
        ModeCase{"owner_whatever_the_umask", 0400, 0, 0222, 0600},
        ModeCase{"writable_file_left_as_it_is", 0640, FILE_ATTRIBUTE_ARCHIVE, 0, 0640}),
    RowName());

TEST(SetFileAttributesA, FailsForAMissingFileAndLeavesFoldersAlone) {
    TempDir dir;
    EXPECT_EQ(SetFileAttributesA((dir / "missing.jpg").c_str(), FILE_ATTRIBUTE_NORMAL), FALSE);
    EXPECT_EQ(SetFileAttributesA(nullptr, FILE_ATTRIBUTE_NORMAL), FALSE);
    std::filesystem::create_directory(dir / "folder");
    ::chmod((dir / "folder").c_str(), 0755);
    EXPECT_EQ(SetFileAttributesA((dir / "folder").c_str(), FILE_ATTRIBUTE_READONLY), TRUE);
    EXPECT_EQ(PermissionBits(dir / "folder"), 0755u);
}

}  // namespace
