#pragma once
// Change notification on a few folders (inotify), to learn at once that a
// device node or a link to one may have appeared: an adapter plugged back in,
// a /dev/serial/by-id link made again by the system, a Ports/COM<n> link
// re-created by a bridge program.
//
// Threads: one thread uses an object at a time (the port watch's thread).
// The descriptor may be polled together with other descriptors.
#include <string>
#include <vector>

#include "platform/core/wake_event.h"

namespace vos {

class DirWatch {
public:
    DirWatch();
    ~DirWatch();
    DirWatch(const DirWatch&) = delete;
    DirWatch& operator=(const DirWatch&) = delete;

    // 0 when the notifier exists, else the errno of its creation (the caller
    // then relies on polling alone).
    int error() const { return error_; }
    // Readable when a change is pending; -1 without a notifier.
    int fd() const { return fd_; }

    // From now on, exactly these folders are watched (entries created,
    // removed, renamed, their attributes changed; the folder itself removed
    // or moved). Folders that do not exist are skipped.
    void setFolders(const std::vector<std::string>& folders);
    // Reads and forgets the pending changes, without waiting; true when there
    // were any.
    bool drain();
    // Waits until a change is pending, `wake` is signalled (and consumed) or
    // timeoutMs passes. Without a notifier (or with `notifications` false)
    // only `wake` and the time count.
    void wait(WakeEvent& wake, int timeoutMs, bool notifications = true);

private:
    int fd_ = -1;
    int error_ = 0;
    std::vector<std::pair<std::string, int>> watches_;  // folder, watch descriptor
};

// The folders whose changes can make `path` appear, disappear or lead
// elsewhere: for the path and every symbolic link on its way (at most 8
// hops), the deepest existing folder above it. "/dev/serial/by-id/x" while
// no adapter is plugged gives "/dev" (the by-id folder comes and goes with
// the adapters).
std::vector<std::string> foldersAffecting(const std::string& path);

}  // namespace vos
