// The temporary files of the write streams that are open, kept where a signal handler can reach
// them: a program ended at once by a signal removes them with zanIORemoveStagedFiles.
#pragma once

namespace tessaly::fileio {

// Notes path; the slot to forget it by, or -1 when the table is full or the path too long (the
// file is then only removed the ordinary way).
int rememberStagedPath(const char* path);
void forgetStagedPath(int slot);
// Unlinks every noted path. Only async-signal-safe calls: atomics and unlink.
void removeStagedPaths();

}  // namespace tessaly::fileio
