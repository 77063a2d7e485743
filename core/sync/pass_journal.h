// The record of the passes: each pass's lines go to the log beside the executable, and the last
// pass is told on the status line's tooltip; a double-click on the line shows the log, or why
// it cannot.
#pragma once

#include <optional>
#include <string>

#include "core/sync/clock_text.h"
#include "core/sync/pass_log.h"
#include "core/sync/pass_record.h"

namespace tk {

class PassJournal final : public IPassSink, public IJournalNotes, public ILogHealth {
public:
    // folderNotWritable: why the executable's folder, where the log lives, cannot be written;
    // empty when it can. version: the program's, for the log's start line.
    PassJournal(ILogFile& log, IClock& clock, std::string folderNotWritable,
                std::string version = {});

    void PassEnded(const PassRecord& record) override;
    // The log's lines of the program's start and clean end, and of each switch of automatic
    // synchronisation (one at the start when it begins switched on).
    void ProgramStarted(const ProgramState& state) override;
    void ProgramEnding(const ProgramState& state) override;
    void StateChanged(const ProgramState& state) override;
    void AddNote(const std::string& text) override;

    // The status line's tooltip, built when asked and kept until the next call.
    const std::string& TipText();

    // What the status line's double-click says instead of opening the log at LogPath(); empty
    // when the log is there to be opened.
    std::string LogNotShownText();
    const std::string& LogPath() const { return m_log.Path(); }
    // False when the last lines could not be written to the log.
    bool LogWritable() const override { return m_logNotWritten.empty(); }

private:
    void Append(const std::string& lines);

    ILogFile& m_log;
    IClock& m_clock;
    const bool m_folderWritable;
    const std::string m_version;
    std::optional<PassRecord> m_last;
    bool m_automatic = false;  // as the last line about it said
    std::string m_notes;       // of other sinks since the last pass, one a line
    std::string m_tipText;
    // Why the last lines could not be written to the log; empty once they were.
    std::string m_logNotWritten;
};

}  // namespace tk
