#include "core/sync/deployment.h"

#include <optional>
#include <utility>

#include "core/base/text_format.h"
#include "core/store/settings.h"

namespace tk {

namespace {

DeploymentOutcome Failed(IDeploymentSystem& system, const char* format, const std::string& step,
                         std::uint32_t error) {
    return {error, Formatted(format, step.c_str(), system.ErrorText(error).c_str())};
}

}  // namespace

std::string InvalidCommandText(const std::string& refused) {
    return Formatted(kInvalidCommandFormat, refused.c_str());
}

// Only the keys given are written: an installer passes every property, empty when not set.
DeploymentOutcome RunRegister(IDeploymentSystem& system, const RegisterArguments& arguments,
                              const std::string& exePath) {
    if (const std::uint32_t error = system.RegisterEventSource())
        return Failed(system, kRegisterFailedFormat, kStepEventSource, error);

    bool created = false;
    if (const std::uint32_t error = system.CreateSettingsFile(created))
        return Failed(system, kRegisterFailedFormat, kStepSettingsFile, error);
    const std::pair<const char*, const std::optional<std::string>*> keys[] = {
        {kTimeServerKey, &arguments.timeServer},
        {kMetricsFileKey, &arguments.metricsFile},
        {kMaxClockOffsetKey, &arguments.maxClockOffset},
    };
    std::string written;
    for (const auto& [key, value] : keys) {
        if (!value->has_value()) continue;
        if (const std::uint32_t error = system.WriteSetting(key, **value)) {
            return Failed(system, kRegisterFailedFormat, Formatted(kStepWriteSettingFormat, key),
                          error);
        }
        written += written.empty() ? key : std::string("、") + key;
    }

    std::string library = kLibraryKeptText;
    if (arguments.controllerDll.has_value()) {
        if (const std::uint32_t error = system.CopyControllerLibrary(*arguments.controllerDll))
            return Failed(system, kRegisterFailedFormat, kStepCopyLibrary, error);
        library = Formatted(kLibraryCopiedFormat, arguments.controllerDll->c_str());
    } else {
        bool placed = false;
        if (const std::uint32_t error = system.PlaceStandIn(placed))
            return Failed(system, kRegisterFailedFormat, kStepStandIn, error);
        if (placed) library = kStandInPlacedText;
    }

    if (const std::uint32_t error = system.GrantFolder())
        return Failed(system, kRegisterFailedFormat, kStepGrant, error);

    return {0, Formatted(kRegisteredFormat, exePath.c_str(),
                         created ? kSettingsCreatedText : kSettingsKeptText,
                         written.empty() ? kNothingWrittenText : written.c_str(), library.c_str())};
}

DeploymentOutcome RunUnregister(IDeploymentSystem& system) {
    SourceRegistration found = SourceRegistration::kMissing;
    if (const std::uint32_t error = system.UnregisterEventSource(found))
        return Failed(system, kUnregisterFailedFormat, kStepRemoveEventSource, error);
    switch (found) {
        case SourceRegistration::kThisProgram:
            return {0, kUnregisteredText};
        case SourceRegistration::kOtherPath:
            return {0, kSourceOfOtherText};
        case SourceRegistration::kMissing:
            break;
    }
    return {0, kSourceMissingText};
}

}  // namespace tk
