// dump, import, export, validate and profile: profile files and the active profile.
//
// The working profile file in the profile folder stands for the configurator's working
// model between runs. A command that needs it and finds none first reads the keyboard
// into it, as the configurator does when the keyboard arrives.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "Cli.h"
#include "device/DeviceFacts.h"
#include "device/DeviceLink.h"
#include "device/Protocol.h"
#include "model/ConfigImage.h"
#include "shell/Language.h"
#include "shell/Prompt.h"
#include "storage/ProfileStore.h"

namespace t44::cli {
namespace {

using device::ResultCode::Success;

int failure(const char *what, const std::string &why) {
    std::fprintf(stderr, "halvex-t44ctl: %s: %s\n", what, why.c_str());
    return kExitFailure;
}

int usageError(const char *usage) {
    std::fprintf(stderr, "usage: halvex-t44ctl %s\n", usage);
    return kExitUsage;
}

// The command link opened on the keyboard and what the configurator reads when it
// arrives: its default matrix and its device information (macro capacity, active
// profile).
int connectKeyboard() {
    if (device::connected) return kExitOk;
    if (!device::findKeyboardInterface(device::commandLink(), device::KeyboardInterface::Command)) {
        std::fprintf(stderr, "halvex-t44ctl: no keyboard found\n");
        return kExitNoKeyboard;
    }
    device::connected = true;
    model::installDeviceFactsSink();
    model::KeyMatrixBlock matrix;
    if (device::readDefaultMatrix(matrix.data()) == Success)
        device::deviceFactsSink()->defaultMatrixRead(matrix.data());
    else
        shell::prompter().tell(shell::LangText("MAIN_DEFAULT_MATRIX_PROMPT"));
    device::DeviceInfo info;
    if (device::readDeviceInfo(info) == Success) {
        device::deviceFactsSink()->macroCapacityRead(info.macroUnits() * 128u);
        if (info.activeProfile() <= 2) model::configImage().setActiveProfileCache(info.activeProfile());
    }
    return kExitOk;
}

bool exists(const std::string &path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// The working file, made from the keyboard when there is none yet.
int ensureWorkingFile(const char *what) {
    if (exists(storage::WorkingProfilePath())) return kExitOk;
    if (int r = connectKeyboard(); r != kExitOk) return r;
    model::PlainApplyHost host;
    if (!storage::LoadFromKeyboard(host) || !exists(storage::WorkingProfilePath()))
        return failure(what, "the keyboard's configuration could not be read into " + storage::WorkingProfilePath());
    return kExitOk;
}

int runDump(CliContext &ctx) {
    if (ctx.args.size() != 1) return usageError("dump FILE.fwc");
    if (int r = connectKeyboard(); r != kExitOk) return r;
    int read = Success;
    if (storage::DumpKeyboardToProfile(ctx.args[0], &read)) return kExitOk;
    if (read != Success) return reportResult("dump", read);
    return failure("dump", "cannot write " + ctx.args[0]);
}

int runImport(CliContext &ctx) {
    if (ctx.args.size() != 1) return usageError("import FILE.fwc");
    if (int r = connectKeyboard(); r != kExitOk) return r;
    if (int r = ensureWorkingFile("import"); r != kExitOk) return r;
    model::PlainApplyHost host;
    if (storage::ImportProfile(ctx.args[0], host)) return kExitOk;
    // A refused file has been reported in the language's texts and changed nothing; a
    // failed save or write leaves the import to be applied again.
    if (host.modified()) return failure("import", "the profiles were not all stored and written to the keyboard");
    return kExitFailure;
}

int runExport(CliContext &ctx) {
    if (ctx.args.size() != 1) return usageError("export FILE.fwc");
    if (int r = ensureWorkingFile("export"); r != kExitOk) return r;
    if (!storage::LoadProfileFile(storage::WorkingProfilePath()))
        return failure("export", "cannot read " + storage::WorkingProfilePath());
    if (!storage::ExportProfile(ctx.args[0])) return failure("export", "cannot write " + ctx.args[0]);
    return kExitOk;
}

int runValidate(CliContext &ctx) {
    if (ctx.args.size() != 1) return usageError("validate FILE.fwc");
    const std::string &path = ctx.args[0];
    switch (storage::ValidateProfileFile(path)) {
    case storage::ProfileCheck::Valid:
        break;
    case storage::ProfileCheck::CannotOpen:
        return failure("validate", path + ": cannot be opened for reading and writing");
    case storage::ProfileCheck::NoMemory:
        return failure("validate", path + ": not enough memory to read it");
    default: {
        // A bad header has been reported already; say why for the silent cases.
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (ec) return failure("validate", path + ": no such file");
        if (size < storage::kProfileTableSize) return failure("validate", path + ": shorter than a profile file");
        return kExitFailure;
    }
    }
    model::ProfileImage image;
    if (!storage::LoadProfileFile(path, image))
        return failure("validate", path + ": shorter than its header says, or too large to read");
    if (ctx.json) std::printf("{\"valid\":true,\"macros\":%zu}\n", image.macros.size());
    else std::printf("%s: valid profile file, %zu macros\n", path.c_str(), image.macros.size());
    return kExitOk;
}

std::optional<int> profileNumber(const std::string &text) {
    if (text.size() != 1 || text[0] < '1' || text[0] > '3') return std::nullopt;
    return text[0] - '1';
}

int runProfile(CliContext &ctx) {
    if (ctx.args.size() > 1) return usageError("profile [1|2|3]");
    std::optional<int> wanted;
    if (ctx.args.size() == 1 && !(wanted = profileNumber(ctx.args[0]))) return usageError("profile [1|2|3]");
    if (int r = connectKeyboard(); r != kExitOk) return r;
    model::ConfigImage &image = model::configImage();
    if (wanted) return reportResult("profile", image.setActiveProfile(*wanted));
    const int active = image.activeProfile();
    if (active < 0) return reportResult("profile", device::ResultCode::NoKeyboard);
    if (ctx.json) std::printf("{\"activeProfile\":%d}\n", active + 1);
    else std::printf("%d\n", active + 1);
    return kExitOk;
}

CliRegistration dump({"dump", "dump FILE.fwc          the keyboard's configuration into a profile file", false, runDump});
CliRegistration import({"import", "import FILE.fwc        a profile file into the working file and all three profiles",
                        false, runImport});
CliRegistration exportCommand({"export", "export FILE.fwc        the working profile as last saved into a profile file",
                               false, runExport});
CliRegistration validate({"validate", "validate FILE.fwc      whether a profile file can be imported", false,
                          runValidate});
CliRegistration profile({"profile", "profile [1|2|3]        show or set the active profile", false, runProfile});

}  // namespace
}  // namespace t44::cli
