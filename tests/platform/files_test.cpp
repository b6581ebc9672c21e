#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/support/file_conditions.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using orvane::platform::CheckKill;
using orvane::platform::Kill;
using orvane::platform::PendingFile;
using namespace orvane::testing;
using Strings = std::vector<std::string>;

std::span<const BYTE> Bytes(std::string_view text) {
    return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

struct RefusalCase {
    const char* name;
    std::function<void(const TempDir&)> setUp;
    const char* path;  // within the folder
    int killError;
    int replaceError;  // what PendingFile raises before it makes anything
    Strings left;      // what the folder holds afterwards
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

// Deleting and replacing answer "may this file go?" by one rule; CheckKill must answer exactly
// what Kill would do, and none of them may touch a file it refuses.
TEST_P(Refusal, RaisesTheRuntimesErrorAndTouchesNothing) {
    const RefusalCase& c = GetParam();
    TempDir dir;
    c.setUp(dir);
    if (::testing::Test::IsSkipped()) {
        return;
    }
    const std::string path = c.path[0] == '\0' ? std::string() : dir / c.path;
    EXPECT_EQ(RaisedNumber([&] { PendingFile file(path); }), c.replaceError);
    EXPECT_EQ(RaisedNumber([&] { CheckKill(path); }), c.killError);
    EXPECT_EQ(RaisedNumber([&] { Kill(path); }), c.killError);
    EXPECT_EQ(FolderEntries(dir.path()), c.left);
}

const auto kNothing = [](const TempDir&) {};

// The user nobody's link shared/NAME to `to`, in a folder that anyone may write to and that has the
// sticky bit, as /tmp.
void ForeignLinkInASharedFolder(const TempDir& d, const char* name, const fs::path& to) {
    const fs::path link = d.path() / "shared" / name;
    fs::create_directory(link.parent_path());
    fs::permissions(link.parent_path(), fs::perms(01777));
    fs::create_symlink(to, link);
    if (::geteuid() != 0 || ::lchown(link.c_str(), 65534, 65534) != 0) {
        GTEST_SKIP() << "only root can make another user's link";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusal,
    ::testing::Values(
        RefusalCase{"missing_file", kNothing, "a.jpg", 53, 0, {}},
        RefusalCase{"missing_folder", kNothing, "no/a.jpg", 76, 0, {}},
        RefusalCase{"read_only_file",
                    [](const TempDir& d) {
                        WriteFile(d / "a.jpg", "x");
                        fs::permissions(d / "a.jpg", fs::perms(0444));
                    },
                    "a.jpg",
                    75,
                    75,
                    {"a.jpg"}},
        RefusalCase{"folder",
                    [](const TempDir& d) { fs::create_directory(d / "a.jpg"); },
                    "a.jpg",
                    53,
                    75,
                    {"a.jpg"}},
        RefusalCase{"fifo",
                    [](const TempDir& d) { ::mkfifo((d / "a.jpg").c_str(), 0644); },
                    "a.jpg",
                    75,
                    75,
                    {"a.jpg"}},
        RefusalCase{"empty_name", kNothing, "", 52, 52, {}},
        // Kill deletes a link itself, whatever it leads to; a writer must not follow these.
        RefusalCase{"loop_of_links",
                    [](const TempDir& d) {
                        fs::create_symlink("b.jpg", d / "a.jpg");
                        fs::create_symlink("a.jpg", d / "b.jpg");
                    },
                    "a.jpg",
                    0,
                    75,
                    {"b.jpg"}},
        RefusalCase{"link_into_a_missing_folder",
                    [](const TempDir& d) { fs::create_symlink("no/b.jpg", d / "a.jpg"); },
                    "a.jpg",
                    0,
                    76,
                    {}},
        // Root saving through another user's link in /tmp would overwrite a file of root's.
        RefusalCase{"foreign_link_in_a_sticky_folder",
                    [](const TempDir& d) {
                        WriteFile(d / "roots.jpg", "x");
                        ForeignLinkInASharedFolder(d, "a.jpg", d / "roots.jpg");
                    },
                    "shared/a.jpg",
                    0,
                    75,
                    {"roots.jpg", "shared"}},
        // The same rule for a link to a folder on the way, which Kill follows too.
        RefusalCase{"foreign_link_to_a_folder_in_a_sticky_folder",
                    [](const TempDir& d) {
                        fs::create_directory(d / "roots");
                        WriteFile(d / "roots/a.jpg", "x");
                        ForeignLinkInASharedFolder(d, "link", d / "roots");
                    },
                    "shared/link/a.jpg",
                    75,
                    75,
                    {"roots", "shared"}}),
    RowName());

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

struct ReplaceCase {
    const char* name;
    mode_t umask;
    std::function<void(const TempDir&)> setUp;  // what stands at out.bmp, if anything
    const char* file;                           // what gets the new contents
    mode_t mode;                                // its permission bits afterwards
    Strings left;
};
void PrintTo(const ReplaceCase& c, std::ostream* os) {
    *os << c.name;
}

class Replacement : public ::testing::TestWithParam<ReplaceCase> {};

// The new contents are the owner's alone until Commit; then they appear at once, with the mode
// and the owner the file had (or a new file's), and nothing else is left in the folder.
TEST_P(Replacement, KeepsModeOwnerAndLinkAndShowsNothingEarly) {
    const ReplaceCase& c = GetParam();
    TempDir dir;
    const ScopedUmask mask(c.umask);
    c.setUp(dir);
    const std::string file = dir / c.file;
    struct stat before {};
    const bool existed = ::stat(file.c_str(), &before) == 0;
    // Root may give the old file away: its replacement must then belong to that owner too.
    if (existed && ::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), 4321, 8765), 0);
        ASSERT_EQ(::stat(file.c_str(), &before), 0);
    }
    const std::string old = existed ? ReadFile(file) : "";

    PendingFile pending(dir / "out.bmp");
    pending.Write(Bytes("new"));
    EXPECT_EQ(fs::status(pending.TempName()).permissions(), fs::perms(0600));
    EXPECT_EQ(existed ? ReadFile(file) : "", old);
    EXPECT_EQ(fs::exists(file), existed);
    pending.Commit();
    pending.Commit();

    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(PermissionBits(file), c.mode);
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, existed ? before.st_uid : ::geteuid());
    EXPECT_EQ(after.st_gid, existed ? before.st_gid : ::getegid());
    EXPECT_EQ(fs::is_symlink(dir / "out.bmp"), std::string_view(c.file) != "out.bmp");
    EXPECT_EQ(FolderEntries(dir.path()), c.left);
}

void Existing(const TempDir& dir, const char* name, mode_t mode) {
    WriteFile(dir / name, "old bytes, longer than the new");
    ::chmod((dir / name).c_str(), mode);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, Replacement,
    ::testing::Values(
        ReplaceCase{"new_file", 027, [](const TempDir&) {}, "out.bmp", 0640, {"out.bmp"}},
        ReplaceCase{"new_file_no_umask", 0, [](const TempDir&) {}, "out.bmp", 0666, {"out.bmp"}},
        ReplaceCase{"shared_file_under_a_strict_umask",
                    077,
                    [](const TempDir& d) { Existing(d, "out.bmp", 0664); },
                    "out.bmp",
                    0664,
                    {"out.bmp"}},
        ReplaceCase{"through_a_link",
                    022,
                    [](const TempDir& d) {
                        Existing(d, "real.bmp", 0640);
                        fs::create_symlink("real.bmp", d / "out.bmp");
                    },
                    "real.bmp",
                    0640,
                    {"out.bmp", "real.bmp"}},
        ReplaceCase{"through_a_dangling_link",
                    022,
                    [](const TempDir& d) { fs::create_symlink("b_missing.bmp", d / "out.bmp"); },
                    "b_missing.bmp",
                    0644,
                    {"b_missing.bmp", "out.bmp"}},
        ReplaceCase{"through_a_dangling_link_into_another_folder",
                    022,
                    [](const TempDir& d) {
                        fs::create_directory(d / "other");
                        fs::create_symlink(d / "other/new.bmp", d / "out.bmp");
                    },
                    "other/new.bmp",
                    0644,
                    {"other", "out.bmp"}},
        // The folder's owner's own links are followed even where anyone may write.
        ReplaceCase{"through_an_own_link_in_a_sticky_folder",
                    022,
                    [](const TempDir& d) {
                        fs::permissions(d.path(), fs::perms(01777));
                        Existing(d, "real.bmp", 0640);
                        fs::create_symlink("real.bmp", d / "out.bmp");
                    },
                    "real.bmp",
                    0640,
                    {"out.bmp", "real.bmp"}}),
    RowName());

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

}  // namespace
