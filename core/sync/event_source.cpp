#include "core/sync/event_source.h"

#include "core/base/failure_report.h"

namespace tk {

// An ordinary user cannot write the key; the note tells a developer why Event Viewer shows no
// texts. A failed write has left its own note.
bool EnsureEventSource(IEventSourceRegistry& registry) {
    if (registry.Registration() == SourceRegistration::kThisProgram) return false;
    if (!registry.Elevated()) {
        WriteDebugLine(
            "TKAdjustTime: the event source names no or another executable; Event "
            "Viewer shows the events' strings only, until a start as administrator\n");
        return false;
    }
    return registry.Register();
}

}  // namespace tk
