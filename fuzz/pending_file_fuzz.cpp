// PendingFile on real files, in a scratch folder: the target new, an old file (writable or
// read-only), a folder, a link to a file, a chain of links, a dangling link (beside it, into
// another folder, into a folder that does not exist), a loop of links, or a name in a missing
// folder; the picture written whole, by parts, or through TempName() as the JPEG library writes
// it, and committed, abandoned, or cut short by a full disk. What must hold, whatever the input:
// a target that is refused, a write that fails and a file that is not committed leave every file
// as it was and add none; a commit puts exactly the bytes written where the target leads, keeps
// a link a link, and changes nothing else.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "fuzz/memory_file.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::fuzz;
using Target = PendingTarget;
using orvane::platform::PendingFile;
using orvane::platform::RuntimeError;

const fs::path& Scratch() {
    [[maybe_unused]] static const auto previous =
        std::signal(SIGXFSZ, SIG_IGN);  // the limit fails the write instead of killing
    return ScratchFolder();
}

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every entry of the folder: a file's contents, a link's destination, or a folder.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink()) {
            entries[name] = "link to " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            entries[name] = "folder";
        } else {
            entries[name] = "file " + Contents(entry.path());
        }
    }
    return entries;
}

// Makes the target's state; returns the file that a commit must write (relative to the folder),
// or the error that must refuse the target before anything is made ("" and the number).
struct Expected {
    std::string written;
    int refusal = 0;
    int onUse = 0;  // raised by Write and Commit: nothing could be reserved
};

Expected SetUp(const fs::path& d, Target target) {
    const auto file = [&](const char* name) { std::ofstream(d / name, std::ios::binary) << "old"; };
    switch (target) {
        case Target::New:
            return {"out.bmp"};
        case Target::Old:
            file("out.bmp");
            return {"out.bmp"};
        case Target::ReadOnly:
            file("out.bmp");
            fs::permissions(d / "out.bmp", fs::perms(0444));
            return {"", 75};
        case Target::Folder:
            fs::create_directory(d / "out.bmp");
            return {"", 75};
        case Target::Link:
            file("real.bmp");
            fs::create_symlink("real.bmp", d / "out.bmp");
            return {"real.bmp"};
        case Target::ChainOfLinks:
            // Through a link to a folder, whose ".." is the parent of where it leads.
            file("real.bmp");
            fs::create_directories(d / "deep/sub");
            fs::create_symlink("deep/sub", d / "sub");
            fs::create_symlink("../../real.bmp", d / "sub/middle.bmp");
            fs::create_symlink(d / "sub/middle.bmp", d / "out.bmp");
            return {"real.bmp"};
        case Target::DanglingLink:
            fs::create_symlink("b_missing.bmp", d / "out.bmp");
            return {"b_missing.bmp"};
        case Target::DanglingIntoAFolder:
            fs::create_directory(d / "sub");
            fs::create_symlink(d / "sub/new.bmp", d / "out.bmp");
            return {"sub/new.bmp"};
        case Target::DanglingIntoNowhere:
            fs::create_symlink("none/new.bmp", d / "out.bmp");
            return {"", 76};
        case Target::LoopOfLinks:
            fs::create_symlink("loop.bmp", d / "out.bmp");
            fs::create_symlink("out.bmp", d / "loop.bmp");
            return {"", 75};
        case Target::InAMissingFolder:
            return {"none/out.bmp", 0, 76};
        case Target::Count:
            break;
    }
    std::abort();
}

template <class Call>
int RaisedNumber(const Call& call) {
    try {
        call();
    } catch (const RuntimeError& error) {
        return error.Number();
    }
    return 0;
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& d = Scratch();
    for (const auto& entry : fs::directory_iterator(d)) {
        fs::remove_all(entry.path());
    }
    InputReader in(data, size);
    const auto target = static_cast<Target>(in.Choice(static_cast<std::size_t>(Target::Count)));
    const std::uint8_t steps = in.Byte();
    const auto limit = static_cast<rlim_t>(in.Byte()) * 16;
    std::string picture;
    while (!in.Empty()) {
        picture += static_cast<char>(in.Byte());
    }

    const Expected expected = SetUp(d, target);
    const auto before = Snapshot(d);
    const std::string name = target == Target::InAMissingFolder ? "none/out.bmp" : "out.bmp";

    std::optional<PendingFile> file;
    int raised = 0;
    try {
        file.emplace((d / name).string());
    } catch (const RuntimeError& error) {
        raised = error.Number();
    }
    Check(raised == expected.refusal);
    if (raised != 0) {
        Check(Snapshot(d) == before);
        return 0;
    }
    Check(file->IsReserved() == (expected.onUse == 0));
    // Until Commit nothing shows.
    Check(Snapshot(d) == before);

    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    if ((steps & kPendingDiskFills) != 0) {
        rlimit small = previous;
        small.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    bool written = true;
    if ((steps & kPendingByName) != 0) {
        // As the JPEG library does: it opens the name, truncating.
        const int fd =
            ::open(file->TempName().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        written = fd >= 0 &&
                  orvane::platform::WriteAll(
                      fd, {reinterpret_cast<const BYTE*>(picture.data()), picture.size()}) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        Check(written || expected.onUse != 0 || (steps & kPendingDiskFills) != 0);
    } else {
        const std::size_t half =
            (steps & kPendingInParts) != 0 ? picture.size() / 2 : picture.size();
        for (const std::string_view part :
             {std::string_view(picture).substr(0, half), std::string_view(picture).substr(half)}) {
            const int error = RaisedNumber([&] {
                file->Write({reinterpret_cast<const BYTE*>(part.data()), part.size()});
            });
            if (expected.onUse != 0) {
                Check(error == expected.onUse);
            } else {
                Check(error == 0 ||
                      ((steps & kPendingDiskFills) != 0 && (error == 57 || error == 61)));
            }
            written = written && error == 0;
        }
    }
    ::setrlimit(RLIMIT_FSIZE, &previous);
    Check(Snapshot(d) == before);

    if ((steps & kPendingCommit) == 0 || !written) {
        file.reset();
        Check(Snapshot(d) == before);
        return 0;
    }
    const int committed = RaisedNumber([&] { file->Commit(); });
    file.reset();
    auto after = before;
    if (committed == 0) {
        Check(expected.onUse == 0);
        after[expected.written] = "file " + picture;
    } else {
        Check(committed == expected.onUse);
    }
    Check(Snapshot(d) == after);
    return 0;
}
