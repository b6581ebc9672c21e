#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "tests/support/file_conditions.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using orvane::platform::CheckKill;
using orvane::platform::Kill;
using orvane::platform::PendingFile;
using orvane::testing::FolderEntries;
using orvane::testing::PermissionBits;
using orvane::testing::RaisedNumber;
using orvane::testing::ReadFile;
using orvane::testing::ScopedFileSizeLimit;
using orvane::testing::ScopedUmask;
using orvane::testing::TempDir;
using orvane::testing::WriteFile;
using Strings = std::vector<std::string>;

std::span<const BYTE> Bytes(std::string_view text) {
    return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

struct KillCase {
    const char* name;
    std::function<void(const TempDir&)> setUp;
    const char* path;  // within the folder
    int error;
    Strings left;  // what the folder holds afterwards
};

class KillRefusal : public ::testing::TestWithParam<KillCase> {};

// CheckKill must answer exactly what Kill would do, and neither may touch a file it refuses.
TEST_P(KillRefusal, RaisesTheRuntimesErrorAndDeletesNothing) {
    const KillCase& c = GetParam();
    TempDir dir;
    c.setUp(dir);
    const std::string path = c.path[0] == '\0' ? std::string() : dir / c.path;
    EXPECT_EQ(RaisedNumber([&] { CheckKill(path); }), c.error);
    EXPECT_EQ(RaisedNumber([&] { Kill(path); }), c.error);
    EXPECT_EQ(FolderEntries(dir.path()), c.left);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KillRefusal,
    ::testing::Values(KillCase{"missing_file", [](const TempDir&) {}, "a.jpg", 53, {}},
                      KillCase{"missing_folder", [](const TempDir&) {}, "no/a.jpg", 76, {}},
                      KillCase{"read_only_file",
                               [](const TempDir& d) {
                                   WriteFile(d / "a.jpg", "x");
                                   fs::permissions(d / "a.jpg", fs::perms(0444));
                               },
                               "a.jpg",
                               75,
                               {"a.jpg"}},
                      KillCase{"folder",
                               [](const TempDir& d) { fs::create_directory(d / "a.jpg"); },
                               "a.jpg",
                               53,
                               {"a.jpg"}},
                      KillCase{"empty_name", [](const TempDir&) {}, "", 52, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Kill, DeletesAWritableFileAndALinkButNotWhatTheLinkNames) {
    TempDir dir;
    WriteFile(dir / "owner_only.jpg", "x");
    fs::permissions(dir / "owner_only.jpg", fs::perms(0200));
    WriteFile(dir / "locked.jpg", "x");
    fs::permissions(dir / "locked.jpg", fs::perms(0444));
    fs::create_symlink("locked.jpg", dir / "link.jpg");

    CheckKill(dir / "owner_only.jpg");
    Kill(dir / "owner_only.jpg");
    Kill(dir / "link.jpg");
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"locked.jpg"});
}

TEST(PendingFile, NewFileAppearsOnlyAtCommitWithTheUsualPermissions) {
    TempDir dir;
    ScopedUmask mask(027);
    const std::string target = dir / "out.bmp";
    PendingFile file(target);
    ASSERT_TRUE(file.IsReserved());
    EXPECT_EQ(fs::path(file.TempName()).parent_path(), dir.path());
    file.Write(Bytes("new "));
    file.Write(Bytes("bytes"));
    EXPECT_FALSE(fs::exists(target));

    file.Commit();
    EXPECT_EQ(ReadFile(target), "new bytes");
    EXPECT_EQ(PermissionBits(target), 0640u);
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"out.bmp"});
}

TEST(PendingFile, ReplacesTheOldFileOnlyAtCommitAndKeepsItsPermissions) {
    TempDir dir;
    const std::string target = dir / "out.bmp";
    WriteFile(target, "old bytes, longer than the new");
    fs::permissions(target, fs::perms(0600));
    {
        PendingFile file(target);
        file.Write(Bytes("new"));
        EXPECT_EQ(ReadFile(target), "old bytes, longer than the new");
        file.Commit();
        file.Commit();
    }
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(PermissionBits(target), 0600u);
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"out.bmp"});
}

TEST(PendingFile, EveryWayOutWithoutCommitLeavesTheFolderAsItWas) {
    TempDir dir;
    const std::string target = dir / "out.bmp";
    WriteFile(target, "old");
    {
        PendingFile file(target);
        file.Write(Bytes("abandoned"));
    }
    EXPECT_THROW(
        {
            PendingFile file(target);
            file.Write(Bytes("interrupted"));
            throw std::runtime_error("the writer failed");
        },
        std::runtime_error);
    {
        ScopedFileSizeLimit limit(1000);
        PendingFile file(target);
        const std::string big(4000, 'x');
        const int error = RaisedNumber([&] { file.Write(Bytes(big)); });
        EXPECT_TRUE(error == 57 || error == 61) << error;
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"out.bmp"});
}

TEST(PendingFile, RefusesATargetThatCannotBeReplacedBeforeMakingAnything) {
    TempDir dir;
    WriteFile(dir / "locked.bmp", "old");
    fs::permissions(dir / "locked.bmp", fs::perms(0444));
    fs::create_directory(dir / "folder.bmp");
    ASSERT_EQ(::mkfifo((dir / "fifo.bmp").c_str(), 0644), 0);
    EXPECT_EQ(RaisedNumber([&] { PendingFile file(dir / "locked.bmp"); }), 75);
    EXPECT_EQ(RaisedNumber([&] { PendingFile file(dir / "folder.bmp"); }), 75);
    EXPECT_EQ(RaisedNumber([&] { PendingFile file(dir / "fifo.bmp"); }), 75);
    EXPECT_EQ(RaisedNumber([&] { PendingFile file(""); }), 52);
    EXPECT_EQ(FolderEntries(dir.path()), (Strings{"fifo.bmp", "folder.bmp", "locked.bmp"}));
    EXPECT_EQ(ReadFile(dir / "locked.bmp"), "old");
}

TEST(PendingFile, CommitRefusesATargetThatBecameReadOnlyMeanwhile) {
    TempDir dir;
    const std::string target = dir / "out.bmp";
    WriteFile(target, "old");
    {
        PendingFile file(target);
        file.Write(Bytes("new"));
        fs::permissions(target, fs::perms(0444));
        EXPECT_EQ(RaisedNumber([&] { file.Commit(); }), 75);
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"out.bmp"});
}

// The export hands the name to a library that cannot take a descriptor.
TEST(PendingFile, ALibraryMayWriteTheTemporaryNameItself) {
    TempDir dir;
    const std::string target = dir / "out.jpg";
    WriteFile(target, "old");
    PendingFile file(target);
    PendingFile other(target);
    EXPECT_NE(file.TempName(), other.TempName());
    WriteFile(file.TempName(), "written by name");
    file.Commit();
    EXPECT_EQ(ReadFile(target), "written by name");
}

TEST(PendingFile, InAMissingFolderReservesNothingAndSaysWhyOnUse) {
    TempDir dir;
    PendingFile file(dir / "no/out.jpg");
    EXPECT_FALSE(file.IsReserved());
    EXPECT_EQ(fs::path(file.TempName()).parent_path(), dir.path() / "no");
    EXPECT_EQ(RaisedNumber([&] { file.Write(Bytes("x")); }), 76);
    EXPECT_EQ(RaisedNumber([&] { file.Commit(); }), 76);
    EXPECT_EQ(FolderEntries(dir.path()), Strings{});
}

TEST(PendingFile, ThroughALinkReplacesTheFileItNamesAndKeepsTheLink) {
    TempDir dir;
    WriteFile(dir / "real.bmp", "old");
    fs::create_symlink("real.bmp", dir / "link.bmp");
    PendingFile file(dir / "link.bmp");
    file.Write(Bytes("new"));
    file.Commit();
    EXPECT_TRUE(fs::is_symlink(dir / "link.bmp"));
    EXPECT_EQ(ReadFile(dir / "real.bmp"), "new");
    EXPECT_EQ(FolderEntries(dir.path()), (Strings{"link.bmp", "real.bmp"}));
}

}  // namespace
