#pragma once
// A check for code that reports failures by raising: f() must raise exactly
// an E whose what() is `message`.
#include <gtest/gtest.h>

#include <string>

namespace vos::test {

template <class E, class F>
void expectRaises(F&& f, const std::string& message) {
    try {
        f();
        ADD_FAILURE() << "nothing raised; expected \"" << message << "\"";
    } catch (const E& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

}  // namespace vos::test
