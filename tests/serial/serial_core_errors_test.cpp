// Codes to exception classes and messages.
#include <gtest/gtest.h>

#include <functional>

#include "serial/core/serial_errors.h"

namespace vos {
namespace {

template <class E>
bool isA(const std::exception_ptr& p) {
    try {
        std::rethrow_exception(p);
    } catch (const E&) {
        return true;
    } catch (...) {
        return false;
    }
}

std::string messageOf(const std::exception_ptr& p) {
    try {
        std::rethrow_exception(p);
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST(SerialErrors, ClassAndMessageByCode) {
    using Check = std::function<bool(const std::exception_ptr&)>;
    const struct {
        int code;
        Check leaf;
        Check group;
        const char* message;
    } rows[] = {
        {-2001, isA<EBadId>, isA<EOpenComm>, "ie_BadId - Specified comport doesn't exist"},
        {-2008, isA<EAlreadyOpen>, isA<EOpenComm>, "ie_Open - device already open"},
        {-2007, isA<ECommNotOpen>, isA<EOpenComm>, "ie_NOpen - device not open"},
        {-2011, isA<ENoPortSelected>, isA<EOpenComm>,
         "The ComNumber property of the TSerialComPort has not been set"},
        {-1002, isA<EBadArgument>, isA<EGeneral>, "Bad argument passed to function"},
        {-1005, isA<EPortNotAssigned>, isA<EGeneral>, "ComPort component not assigned"},
        {-3004, isA<EPutBlockFail>, isA<ESerialIO>, "Failed to put entire block"},
        {-3006, isA<EOutputBufferTooSmall>, isA<ESerialIO>, "Output buffer too small for block"},
        {-3007, isA<EBufferIsEmpty>, isA<ESerialIO>, "Buffer is empty"},
        {-5001, isA<ENoMoreTriggers>, isA<ETrigger>, "No more trigger slots"},
        {-5003, isA<EBadTriggerHandle>, isA<ETrigger>, "Bad trigger handle"},
    };
    for (const auto& r : rows) {
        const auto e = exceptionForCode(r.code);
        ASSERT_TRUE(e) << r.code;
        EXPECT_TRUE(r.leaf(e)) << r.code;
        EXPECT_TRUE(r.group(e)) << r.code;
        EXPECT_TRUE(isA<ESerialException>(e)) << r.code;
        EXPECT_EQ(messageOf(e), r.message);
        try {
            std::rethrow_exception(e);
        } catch (const ESerialException& s) {
            EXPECT_EQ(s.ErrorCode, r.code);
        }
    }
}

TEST(SerialErrors, SystemRangeRaisesInOutErrorWithTheAbsoluteCode) {
    const struct {
        int code;
        const char* message;
    } rows[] = {
        {-2, "File not found"},       {-5, "File access denied"},
        {-13, "Permission denied"},   // no table row: the system's own text
        {-160, "Device write error"}, {-161, "Device read error"},
        {-162, "General failure"},
    };
    for (const auto& r : rows) {
        try {
            raiseForCode(r.code);
            ADD_FAILURE() << "nothing raised for " << r.code;
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, -r.code);
            EXPECT_STREQ(e.what(), r.message);
        }
    }
    EXPECT_FALSE(isA<ESerialException>(exceptionForCode(-5)));
}

TEST(SerialErrors, OtherCodes) {
    EXPECT_TRUE(isA<std::bad_alloc>(exceptionForCode(-8)));
    EXPECT_EQ(messageOf(exceptionForCode(-8)), "Insufficient memory");
    const auto unnamed = exceptionForCode(-9999);
    EXPECT_TRUE(isA<ESerialException>(unnamed));
    EXPECT_FALSE(isA<EOpenComm>(unnamed));
    EXPECT_EQ(messageOf(unnamed), "Varnok exception");
    EXPECT_EQ(messageOf(exceptionForCode(kNoChunkMemory)), "No memory");
    EXPECT_FALSE(exceptionForCode(0));
    EXPECT_FALSE(exceptionForCode(42));
    EXPECT_NO_THROW(raiseForCode(0));
    EXPECT_NO_THROW(raiseForCode(1));
}

TEST(SerialErrors, MessageLookup) {
    EXPECT_EQ(messageForCode(0), "OK");
    EXPECT_EQ(messageForCode(-100), "Attempt to read beyond end of file");
    EXPECT_EQ(messageForCode(3007), "Buffer is empty");  // by absolute value
    EXPECT_EQ(messageForCode(-2), "File not found");     // the table wins over the system
    EXPECT_EQ(messageForCode(-9999), "");
}

TEST(SerialErrors, SystemTextIsTidied) {
    EXPECT_EQ(tidySystemText("Line one\r\nline\ttwo  end"), "Line one line two end");
    EXPECT_EQ(tidySystemText("plain"), "plain");
}

TEST(SerialErrors, OpenFailureCodes) {
    EXPECT_EQ(openFailureCode(-5), kAlreadyOpen);
    EXPECT_EQ(openFailureCode(-2), kBadId);
    EXPECT_EQ(openFailureCode(-3), kBadId);
    EXPECT_EQ(openFailureCode(-13), -13);
    EXPECT_EQ(openFailureCode(-162), -162);
    EXPECT_EQ(openFailureCode(0), 0);
}

}  // namespace
}  // namespace vos
