// The journal patch mode keeps beside an original while it changes it: what the file was called,
// its times and attribute and every byte it is about to overwrite, on the disk before the first
// change. A run that finds a journal was killed halfway (a signal, a crash, a pulled card) and
// puts the original back as it was before it does anything else.
//
// The file ".kadrel-journal-" + the original's name (a long name: a hash of it) holds, after the
// line "KADREL PATCH JOURNAL\n", the format version, the fields below with little-endian
// lengths and numbers, and a CRC-32 of all that went before it. A journal that does not check
// out is never applied, not even in part. It is written under ".kadrel-unfinished-journal-"...,
// flushed and renamed into place, so a journal under its own name is always whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/outcome.h"
#include "platform/file_faults.h"
#include "platform/file_io.h"
#include "platform/held_file.h"

namespace kadrel {

inline constexpr uint32_t kJournalVersion = 1;

/// Bytes of the original at offset, as they were before patch mode wrote there.
struct JournalEdit {
    int64_t offset = 0;
    std::vector<uint8_t> before;
    friend bool operator==(const JournalEdit&, const JournalEdit&) = default;
};

/// What patch mode is about to do to one original. Names are plain names in the journal's folder.
struct PatchJournal {
    std::string original;  ///< the original's name
    std::string renamed;   ///< the name it is given; the original's when it keeps its name
    platform::FileTimes times;
    bool readOnly = false;
    int64_t size = 0;  ///< the file's length, which no patch changes
    std::vector<std::pair<std::string, std::string>> companions;  ///< each companion's name and new name
    std::vector<JournalEdit> edits;                               ///< sorted, disjoint
    friend bool operator==(const PatchJournal&, const PatchJournal&) = default;
};

std::string encodeJournal(const PatchJournal& journal);

/// False, leaving journal unusable, for bytes that are no whole journal of this version.
bool decodeJournal(std::string_view bytes, PatchJournal& journal);

/// The journal's path for the original at path.
std::string journalPathFor(const std::string& original);

/// True for the names of journals and of journals that were never finished.
bool isJournalName(const std::string& name);

/// The original a journal's own name tells (its path); nothing when the name does not tell it.
std::optional<std::string> originalNamedBy(const std::string& journalPath);

/// The journal of one original, held while patch mode works on it.
class JournalKeeper {
  public:
    /// Writes the journal of the original at path, or replaces the one this keeper holds.
    Outcome write(const std::string& original, const PatchJournal& journal, platform::FileFaults* faults);
    /// The original is finished: the journal goes.
    Outcome finish(platform::FileFaults* faults);
    bool active() const { return file_.held(); }

  private:
    platform::HeldFile file_;
    std::string path_;
};

/// How a journal was dealt with: the original it put back (full paths), or why it was kept.
struct RestoredFile {
    Outcome outcome;          ///< put back, or why the journal was kept
    std::string original;     ///< the path the original has again
    std::string renamed;      ///< the path it had under patch mode
    bool unfinished = false;  ///< only an unfinished journal was removed: nothing had been done
};

/// Puts the original a journal describes back as it was (bytes, name, companions' names, times
/// and attribute), then removes the journal; an unfinished journal is only removed. Fails,
/// keeping the journal, when a live run holds it, it is damaged, or the file cannot be put
/// back (a read-only card).
RestoredFile restoreFromJournal(const std::string& journalPath, platform::FileFaults* faults = nullptr);

}  // namespace kadrel
