#pragma once
// Whole-file reading and the crash-safe replacement of a small text file,
// used by the profile file and the tidy rewrite of the configuration.
//
// Errors are errno values (0 = success); nothing here throws.
// Thread: free functions without shared state; callers serialise writes to
// one path themselves (the GUI thread is the only writer).

#include <string>
#include <string_view>

namespace vos {

struct FileBytes {
    int error = 0;      // errno of the failed open/read, 0 on success
    std::string bytes;  // the whole content when error is 0
};

// Reads the whole regular file. A missing file gives ENOENT, a folder
// EISDIR, any other kind of file EINVAL.
FileBytes ReadWholeFile(const std::string& path);

// Replaces the file's content by `bytes`, or creates it.
//
// The new content goes to a temporary file in the same folder, which is
// flushed to disk and then renamed over the file, so a crash, a full disk or
// a size limit leaves either the old content or the new one, never a
// truncated file. A symbolic link is followed: its target is replaced.
//
// The write is refused, without touching anything, when the platform would
// refuse to write the file in place: an existing file that cannot be opened
// for writing (read-only, immutable, read-only file system; EACCES, EPERM,
// EROFS...), a path that is not a regular file, or a folder where the
// temporary file cannot be created. An existing file's permission bits (and,
// where allowed, its owner and group) are given to the new one; a new file
// gets 0666 less the umask.
int ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// Removes the temporary files that replacements of the file at `path` (a
// link's target, as above) left behind when the process was killed between
// creating and renaming them: regular files of that folder named as
// ReplaceFileAtomically names them (".<name>.<number>.tmp"). Nothing else is
// touched. Call before this process writes the file, while no other writes
// it. Returns how many were removed.
int RemoveLeftTemporaries(const std::string& path);

}  // namespace vos
