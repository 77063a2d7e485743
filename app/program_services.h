// The program's services, built once for the executable at a path: the sockets, the probe, the
// controller library, the settings file, the journal and the other sinks of a pass, the clock
// check. The one place that names their concrete classes; the main window's start (app.cpp) is
// one user of it, and another front end would be a second.
#pragma once

#include <string>

#include "core/autostart/run_key_win.h"
#include "core/base/clock.h"
#include "core/base/socket_library.h"
#include "core/probe/probe.h"
#include "core/screens/settings_file.h"
#include "core/store/atomic_file.h"
#include "core/store/win32_profile_win.h"
#include "core/sync/event_log_win.h"
#include "core/sync/metrics_file.h"
#include "core/sync/pass_events.h"
#include "core/sync/pass_journal.h"
#include "core/sync/pass_log.h"
#include "core/sync/pass_record.h"
#include "core/timecheck/clock_check.h"
#include "core/timecheck/time_server.h"
#include "library/controller_library_win.h"

// Registers the program's event source when it runs as administrator and the registration is
// missing or names another file, whether or not bEventLog switches the events on now (the switch
// is read again for each event). It runs before the look for a copy already running, so that an
// elevated start registers even while the ordinary copy sits in the tray.
void RegisterEventSource();

// Built in the order of the members: the sockets first, the sinks last.
struct ProgramServices {
    // modulePath: the executable; the settings file and the log are the ones beside it, which
    // the controller library finds there on its own.
    explicit ProgramServices(std::string modulePath);
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    // Windows Sockets 2.2 for as long as the services live: every probe needs it. Without it
    // every probe simply fails, so a refusal is only noted.
    const tk::SocketLibraryStart sockets = tk::StartSocketLibrary();
    const std::string modulePath;
    const std::string settingsPath;
    // Why the program's folder cannot be written (Program Files without administrator rights,
    // a read-only share); empty when it can. Checked once at start-up.
    const std::string folderNotWritable;
    tk::Win32Profile profileApi;
    tk::SettingsFile settings;
    tk::ImportedControllerLibrary library;
    tk::TickClock ticks;  // the probe's 100 ms and the age of its answers
    tk::IcmpProbe probe;
    tk::SystemClock clock;
    tk::RegistryRunKey runKey;
    tk::PassLogFile passLog;
    tk::PassJournal journal;
    // The time server named in the settings file or the Windows time service's; the query's
    // worker owns its client, so closing the program never waits for it.
    tk::W32TimeSetting w32time;
    tk::TimeServerSetting timeServer;
    tk::PreciseClock pcClock;
    tk::UptimeClock uptime;
    tk::ClockCheck clockCheck;
    // The bound (nMaxClockOffset) and the release date a pass holds the check's reading to.
    tk::ClockRulesSetting clockRules;
    // The metrics file that sMetricsFile names, for Prometheus; written whole each time, without
    // a flush, since the next pass writes it again.
    tk::AtomicFileReplacer metricsFiles{tk::Durability::kOnRename};
    tk::MetricsFile metrics;
    // The program's events in the Application log; their source is registered by the program's
    // start (RegisterEventSource), before it looks for a running copy.
    tk::WindowsEventLog eventLog;
    tk::PassEvents events;
    // Every pass's record goes to each, in this order: a receiver more is one line here.
    const tk::PassSinks sinks;
};
