#pragma once
// Translation of Linux errno values into the serial layer's negative codes.
//
// The serial codes are the numbers the port component and its messages know
// (for example -5 "access denied", shown as "device already open"); errno
// values mean other things (EIO is 5), so no errno is ever passed on raw:
// every device failure goes through this one table.
#include <cerrno>

namespace vos {

// Where a device call failed; the same errno can mean different things.
enum class DeviceStep { Open, Read, Write, Control };

inline constexpr int kCodeNoDevice = -2;
inline constexpr int kCodeBadPath = -3;
inline constexpr int kCodeTooManyFiles = -4;
inline constexpr int kCodeAccessDenied = -5;  // held by another program
inline constexpr int kCodeNoMemory = -8;
inline constexpr int kCodeNoPermission = -13;
inline constexpr int kCodeWriteFault = -160;
inline constexpr int kCodeReadFault = -161;
inline constexpr int kCodeGeneralFailure = -162;

struct ErrnoCodeRow {
    int err;
    int code;
    bool openOnly;  // the row applies only to a failed open
};

inline constexpr ErrnoCodeRow kErrnoCodeTable[] = {
    // A node without a device behind it: a missing name, a /dev/ttyS node
    // without a UART (EIO), a pseudo-terminal whose master is gone.
    {ENOENT, kCodeNoDevice, true},
    {ENODEV, kCodeNoDevice, true},
    {ENXIO, kCodeNoDevice, true},
    {EIO, kCodeNoDevice, true},
    {ENOTDIR, kCodeBadPath, false},
    {EMFILE, kCodeTooManyFiles, false},
    {ENFILE, kCodeTooManyFiles, false},
    {EBUSY, kCodeAccessDenied, false},
    // The exclusive lock is refused: another program holds the port.
    {EWOULDBLOCK, kCodeAccessDenied, true},
    {ENOMEM, kCodeNoMemory, false},
    {EACCES, kCodeNoPermission, false},
    {EPERM, kCodeNoPermission, false},
};

// The serial code for errno `err` after a failure at `step`.
constexpr int codeForErrno(int err, DeviceStep step) {
    if (step == DeviceStep::Read) return kCodeReadFault;
    if (step == DeviceStep::Write) return kCodeWriteFault;
    for (const auto& row : kErrnoCodeTable) {
        if (row.err == err && (!row.openOnly || step == DeviceStep::Open)) return row.code;
    }
    return kCodeGeneralFailure;
}

}  // namespace vos
