// The editor's per-user preferences: a small text file of "key=value" lines in the user's config
// folder (Quorvane/preferences.txt), shared by every editor of every host of this user. Read
// when an editor opens, written when a preference changes. Nothing here is part of a project's
// stored state.
//
// A missing, unreadable or malformed file gives the defaults (a malformed line is skipped); a
// file that cannot be written leaves the preference in force for this editor only. Writing goes
// to a temporary file that is then renamed over the old one, so a reader (another editor) sees
// the old file or the new one whole; lines of keys this build does not know are kept.
#pragma once

#include <filesystem>

namespace qv {

class CUserPreferences {
public:
    // The platform's folder (platform::userConfigFolder() / "Quorvane"); empty when unknown.
    static std::filesystem::path defaultFolder();

    explicit CUserPreferences(std::filesystem::path folder = defaultFolder());

    // Defaults, then whatever the file says; false when there was no file to read.
    bool load();
    // False when the file could not be written (folder not creatable, disk full, no rights).
    bool save() const;
    std::filesystem::path file() const;

    bool noteNames = false;

private:
    std::filesystem::path folder;
};

}  // namespace qv
