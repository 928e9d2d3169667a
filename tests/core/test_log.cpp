// The description of a swallowed exception for the log lines of the catch sites.
#include "core/FramixLog.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct TNotAnException
{
    int code;
};

template <class F> QString describe(F &&thrower)
{
    try {
        thrower();
    } catch (...) {
        return currentExceptionText();
    }
    return QStringLiteral("nothing thrown");
}

} // namespace

TEST(Log, TheTextOfAnExceptionNamesWhatWasThrownAndNeverRethrows)
{
    EXPECT_EQ(describe([] { throw std::runtime_error("disk full"); }), "disk full");
    EXPECT_EQ(describe([] { throw std::out_of_range("index 9"); }), "index 9");
    // Anything else by its type, demangled, and without escaping the caller's catch.
    EXPECT_EQ(describe([] { throw 42; }), "exception of type int");
    EXPECT_EQ(describe([] { throw TNotAnException{1}; }),
              "exception of type (anonymous namespace)::TNotAnException");
    EXPECT_EQ(describe([] { throw "text"; }), "exception of type char const*");
    // Outside a catch block there is nothing to describe.
    EXPECT_EQ(currentExceptionText(), "no exception");
}
