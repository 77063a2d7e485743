// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include "app/program_services.h"

#include <memory>
#include <utility>

#include "core/base/file_failure.h"
#include "core/base/module_path_win.h"
#include "core/base/path_text.h"
#include "core/store/atomic_file.h"
#include "core/store/settings.h"
#include "core/timecheck/sntp_client.h"
#include "resources/version.h"

namespace {

// A folder where no file can be created loses every setting and the log: the journal has the
// status line say so.
std::string WhyNotWritable(const std::string& settingsPath) {
    if (tk::CanCreateFileBeside(settingsPath)) return {};
    return tk::FailureReason(tk::FileFailure::FromSystem());
}

}  // namespace

ProgramServices::ProgramServices(std::string path)
    : modulePath(std::move(path)),
      settingsPath(tk::SettingsPathFromModule(modulePath)),
      folderNotWritable(WhyNotWritable(settingsPath)),
      profileApi(settingsPath),
      settings(settingsPath, profileApi),
      probe(tk::SystemProbe(), ticks),
      passLog(tk::LogPathFromModule(modulePath)),
      journal(passLog, clock, folderNotWritable, TK_VERSION_TEXT),
      timeServer(profileApi, w32time),
      clockCheck({timeServer,
                  std::make_shared<tk::SntpClient>(std::make_unique<tk::PreciseClock>()), pcClock,
                  uptime}),
      clockRules(profileApi, clock, {TK_RELEASE_YEAR, TK_RELEASE_MONTH, TK_RELEASE_DAY}),
      metrics({profileApi, metricsFiles, journal, journal, clock}, TK_VERSION_TEXT,
              tk::FolderOf(modulePath, tk::kBackslash, tk::DriveRoot::kKept), folderNotWritable),
      events({eventLog, profileApi, journal, settingsPath, folderNotWritable, TK_VERSION_TEXT}),
      sinks{&journal, &metrics, &events} {}

void RegisterEventSource() {
    tk::EventSourceRegistry eventSource(tk::kEventSourceName, tk::ExecutableWidePath());
    tk::EnsureEventSource(eventSource);
}
