#include "serial/core/serial_errors.h"

namespace vos::serial {

namespace {

using Factory = std::exception_ptr (*)(const std::string& message, int code);

template <class E>
std::exception_ptr make(const std::string& message, int code) {
    return std::make_exception_ptr(E(message, code));
}

struct ClassRow {
    int code;
    Factory factory;
};

constexpr ClassRow kClasses[] = {
    {kBadId, &make<EBadId>},
    {kAlreadyOpen, &make<EAlreadyOpen>},
    {kCommNotOpen, &make<ECommNotOpen>},
    {kNoPortSelected, &make<ENoPortSelected>},
    {kBadArgument, &make<EBadArgument>},
    {kPutBlockFail, &make<EPutBlockFail>},
    {kOutputBufferTooSmall, &make<EOutputBufferTooSmall>},
    {kBufferIsEmpty, &make<EBufferIsEmpty>},
    {kNoMoreTriggers, &make<ENoMoreTriggers>},
    {kBadTriggerHandle, &make<EBadTriggerHandle>},
    {kPortNotAssigned, &make<EPortNotAssigned>},
};

constexpr int kFirstSystemCode = -2;
constexpr int kLastSystemCode = -162;

}  // namespace

std::exception_ptr exceptionForCode(int code) {
    if (code >= 0) return nullptr;
    const std::string message = messageForCode(code);
    for (const auto& row : kClasses)
        if (row.code == code) return row.factory(message, code);
    if (code == kCodeNoMemory) return std::make_exception_ptr(EOutOfMemory());
    if (code <= kFirstSystemCode && code >= kLastSystemCode)
        return std::make_exception_ptr(EInOutError(message, -code));
    return std::make_exception_ptr(
        ESerialException(message.empty() ? "Varnok exception" : message, code));
}

void raiseForCode(int code) {
    if (auto e = exceptionForCode(code)) std::rethrow_exception(e);
}

}  // namespace vos::serial
