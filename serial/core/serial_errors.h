#pragma once
// The serial component's exceptions and the choice of class by result code.
//
// Codes stay negative integers inside the serial layers; the port component
// turns a failed code into an exception at its surface with raiseForCode().
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "platform/core/errno_codes.h"
#include "serial/core/serial_codes.h"
#include "serial/core/serial_messages.h"

namespace vos::serial {

class ESerialException : public std::runtime_error {
public:
    ESerialException(const std::string& message, int code)
        : std::runtime_error(message), ErrorCode(code) {}
    int ErrorCode;
};

class EOpenComm : public ESerialException { using ESerialException::ESerialException; };
class EBadId : public EOpenComm { using EOpenComm::EOpenComm; };
class EAlreadyOpen : public EOpenComm { using EOpenComm::EOpenComm; };
class ECommNotOpen : public EOpenComm { using EOpenComm::EOpenComm; };
class ENoPortSelected : public EOpenComm { using EOpenComm::EOpenComm; };

class ESerialIO : public ESerialException { using ESerialException::ESerialException; };
class EPutBlockFail : public ESerialIO { using ESerialIO::ESerialIO; };
class EOutputBufferTooSmall : public ESerialIO { using ESerialIO::ESerialIO; };
class EBufferIsEmpty : public ESerialIO { using ESerialIO::ESerialIO; };

class EGeneral : public ESerialException { using ESerialException::ESerialException; };
class EBadArgument : public EGeneral { using EGeneral::EGeneral; };
class EPortNotAssigned : public EGeneral { using EGeneral::EGeneral; };

class ETrigger : public ESerialException { using ESerialException::ESerialException; };
class ENoMoreTriggers : public ETrigger { using ETrigger::ETrigger; };
class EBadTriggerHandle : public ETrigger { using ETrigger::ETrigger; };

// An operating-system failure of the device (codes -2 .. -162). ErrorCode is
// the code's absolute value. Not an ESerialException.
class EInOutError : public std::runtime_error {
public:
    EInOutError(const std::string& message, int errorCode)
        : std::runtime_error(message), ErrorCode(errorCode) {}
    int ErrorCode;
};

// Memory exhausted (code -8): the ordinary out-of-memory error, with a text.
class EOutOfMemory : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "Insufficient memory"; }
};

// The exception for `code`, or null for 0 and positive codes.
std::exception_ptr exceptionForCode(int code);
// Throws the exception for `code`; does nothing for 0 and positive codes.
void raiseForCode(int code);

// The component's reading of a failed device open: access denied (-5) means
// "already open" (-2008), file or path not found (-2, -3) "no such port"
// (-2001); any other code is kept.
constexpr int openFailureCode(int deviceCode) {
    if (deviceCode == kCodeAccessDenied) return kAlreadyOpen;
    if (deviceCode == kCodeNoDevice || deviceCode == kCodeBadPath) return kBadId;
    return deviceCode;
}

}  // namespace vos::serial
