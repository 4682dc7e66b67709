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
        {-2001, isA<serial::EBadId>, isA<serial::EOpenComm>, "ie_BadId - Specified comport doesn't exist"},
        {-2008, isA<serial::EAlreadyOpen>, isA<serial::EOpenComm>, "ie_Open - device already open"},
        {-2007, isA<serial::ECommNotOpen>, isA<serial::EOpenComm>, "ie_NOpen - device not open"},
        {-2011, isA<serial::ENoPortSelected>, isA<serial::EOpenComm>,
         "The ComNumber property of the TSerialComPort has not been set"},
        {-1002, isA<serial::EBadArgument>, isA<serial::EGeneral>, "Bad argument passed to function"},
        {-1005, isA<serial::EPortNotAssigned>, isA<serial::EGeneral>, "ComPort component not assigned"},
        {-3004, isA<serial::EPutBlockFail>, isA<serial::ESerialIO>, "Failed to put entire block"},
        {-3006, isA<serial::EOutputBufferTooSmall>, isA<serial::ESerialIO>, "Output buffer too small for block"},
        {-3007, isA<serial::EBufferIsEmpty>, isA<serial::ESerialIO>, "Buffer is empty"},
        {-5001, isA<serial::ENoMoreTriggers>, isA<serial::ETrigger>, "No more trigger slots"},
        {-5003, isA<serial::EBadTriggerHandle>, isA<serial::ETrigger>, "Bad trigger handle"},
    };
    for (const auto& r : rows) {
        const auto e = serial::exceptionForCode(r.code);
        ASSERT_TRUE(e) << r.code;
        EXPECT_TRUE(r.leaf(e)) << r.code;
        EXPECT_TRUE(r.group(e)) << r.code;
        EXPECT_TRUE(isA<serial::ESerialException>(e)) << r.code;
        EXPECT_EQ(messageOf(e), r.message);
        try {
            std::rethrow_exception(e);
        } catch (const serial::ESerialException& s) {
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
            serial::raiseForCode(r.code);
            ADD_FAILURE() << "nothing raised for " << r.code;
        } catch (const serial::EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, -r.code);
            EXPECT_STREQ(e.what(), r.message);
        }
    }
    EXPECT_FALSE(isA<serial::ESerialException>(serial::exceptionForCode(-5)));
}

TEST(SerialErrors, OtherCodes) {
    EXPECT_TRUE(isA<std::bad_alloc>(serial::exceptionForCode(-8)));
    EXPECT_EQ(messageOf(serial::exceptionForCode(-8)), "Insufficient memory");
    const auto unnamed = serial::exceptionForCode(-9999);
    EXPECT_TRUE(isA<serial::ESerialException>(unnamed));
    EXPECT_FALSE(isA<serial::EOpenComm>(unnamed));
    EXPECT_EQ(messageOf(unnamed), "Varnok exception");
    EXPECT_EQ(messageOf(serial::exceptionForCode(serial::kNoChunkMemory)), "No memory");
    EXPECT_FALSE(serial::exceptionForCode(0));
    EXPECT_FALSE(serial::exceptionForCode(42));
    EXPECT_NO_THROW(serial::raiseForCode(0));
    EXPECT_NO_THROW(serial::raiseForCode(1));
}

TEST(SerialErrors, MessageLookup) {
    EXPECT_EQ(serial::messageForCode(0), "OK");
    EXPECT_EQ(serial::messageForCode(-100), "Attempt to read beyond end of file");
    EXPECT_EQ(serial::messageForCode(3007), "Buffer is empty");  // by absolute value
    EXPECT_EQ(serial::messageForCode(-2), "File not found");     // the table wins over the system
    EXPECT_EQ(serial::messageForCode(-9999), "");
}

TEST(SerialErrors, SystemTextIsTidied) {
    EXPECT_EQ(serial::tidySystemText("Line one\r\nline\ttwo  end"), "Line one line two end");
    EXPECT_EQ(serial::tidySystemText("plain"), "plain");
}

TEST(SerialErrors, OpenFailureCodes) {
    EXPECT_EQ(serial::openFailureCode(-5), serial::kAlreadyOpen);
    EXPECT_EQ(serial::openFailureCode(-2), serial::kBadId);
    EXPECT_EQ(serial::openFailureCode(-3), serial::kBadId);
    EXPECT_EQ(serial::openFailureCode(-13), -13);
    EXPECT_EQ(serial::openFailureCode(-162), -162);
    EXPECT_EQ(serial::openFailureCode(0), 0);
}

}  // namespace
}  // namespace vos
