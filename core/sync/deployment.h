// What /register and /unregister do for the executable's folder, step by step, and the one line
// each leaves in the log. The steps are the system's (deployment_win.*); this file holds their
// order, which of them a command's arguments call for, and the texts.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/command_line.h"
#include "core/sync/event_source.h"

namespace tk {

// The system's side of each step. Each returns 0 or the Windows error code of what failed.
class IDeploymentSystem {
public:
    virtual ~IDeploymentSystem() = default;
    // The event source's key and values (footprint.h) naming this executable.
    virtual std::uint32_t RegisterEventSource() = 0;
    // The settings file from the example settings, only when there is none; created: whether
    // this call made it.
    virtual std::uint32_t CreateSettingsFile(bool& created) = 0;
    // One key of [CONT] through the profile API, which keeps the rest of the file as it was.
    virtual std::uint32_t WriteSetting(const char* key, const std::string& value) = 0;
    // Copies the file at path over the folder's controller library.
    virtual std::uint32_t CopyControllerLibrary(const std::string& path) = 0;
    // Copies the stand-in to the controller library only when there is none; placed: whether
    // this call did.
    virtual std::uint32_t PlaceStandIn(bool& placed) = 0;
    // Modify rights on the folder for the Authenticated Users group, inherited by what is in it.
    virtual std::uint32_t GrantFolder() = 0;
    // Removes the event source's key when it names this executable; found: what it named.
    virtual std::uint32_t UnregisterEventSource(SourceRegistration& found) = 0;
    // The system's words for an error code, "error <n>: <text>" (GBK).
    virtual std::string ErrorText(std::uint32_t code) = 0;
};

// A command's result: the exit code (0 or the failed step's error) and the log's line.
struct DeploymentOutcome {
    std::uint32_t error = 0;
    std::string logText;
};

// /register: the event source, the settings file and the keys given, the controller library,
// the folder's grant, in that order; the first step that fails ends it.
DeploymentOutcome RunRegister(IDeploymentSystem& system, const RegisterArguments& arguments,
                              const std::string& exePath);
// /unregister: the event source's key, when it is this executable's; nothing else.
DeploymentOutcome RunUnregister(IDeploymentSystem& system);

// The exit code of a command line that names no known command, and its line.
inline constexpr std::uint32_t kInvalidCommandError = 87;  // ERROR_INVALID_PARAMETER
inline constexpr char kInvalidCommandFormat[] = "命令行参数无效：%s";
std::string InvalidCommandText(const std::string& refused);

// The log's lines. Registered: the executable the source names, the settings file's fate, the
// keys written, the library's fate.
inline constexpr char kRegisteredFormat[] =
    "已注册事件源：%s；设置文件：%s；已写入：%s；控制卡库：%s；文件夹已授权";
inline constexpr char kSettingsCreatedText[] = "已新建";
inline constexpr char kSettingsKeptText[] = "已有";
inline constexpr char kNothingWrittenText[] = "无";
inline constexpr char kLibraryCopiedFormat[] = "已复制%s";
inline constexpr char kStandInPlacedText[] = "已放入替代库";
inline constexpr char kLibraryKeptText[] = "保留现有";
// A failed step: what was being done, and the error as the system says it.
inline constexpr char kRegisterFailedFormat[] = "注册失败：%s：%s";
inline constexpr char kUnregisterFailedFormat[] = "注销失败：%s：%s";
// The steps as the failure names them.
inline constexpr char kStepEventSource[] = "注册事件源";
inline constexpr char kStepSettingsFile[] = "新建设置文件";
inline constexpr char kStepWriteSettingFormat[] = "写入%s";
inline constexpr char kStepCopyLibrary[] = "复制控制卡库";
inline constexpr char kStepStandIn[] = "放入替代库";
inline constexpr char kStepGrant[] = "授予文件夹权限";
inline constexpr char kStepRemoveEventSource[] = "删除事件源";
// Unregistered: the key removed, one of another executable kept, none there.
inline constexpr char kUnregisteredText[] = "已注销事件源";
inline constexpr char kSourceOfOtherText[] = "事件源属于其他程序，未注销";
inline constexpr char kSourceMissingText[] = "事件源未注册，无需注销";

}  // namespace tk
