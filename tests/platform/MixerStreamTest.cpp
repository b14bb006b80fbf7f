// SPDX-License-Identifier: MIT
#include "platform/MixerStream.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace hanashi;

namespace {

// Each case starts without the variable and leaves the process's own value
// (if the suite was started with one) as it found it.
class MixerStream : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* value = std::getenv(MixerStreamVariable))
            m_saved = value;
        ::unsetenv(MixerStreamVariable);
    }
    void TearDown() override {
        if (m_saved)
            ::setenv(MixerStreamVariable, m_saved->c_str(), 1);
        else
            ::unsetenv(MixerStreamVariable);
    }

    static std::string current() {
        const char* value = std::getenv(MixerStreamVariable);
        return value ? value : "<unset>";
    }

private:
    std::optional<std::string> m_saved;
};

} // namespace

TEST_F(MixerStream, NamesTheGameAsAGameWhenThePlayerSetNothing) {
    nameMixerStream();
    const std::string value = current();
    EXPECT_EQ(value, MixerStreamProperties);
    EXPECT_NE(value.find("application.name='hanashi'"), std::string::npos);
    EXPECT_NE(value.find("application.icon_name='hanashi'"), std::string::npos);
    EXPECT_NE(value.find("media.role='game'"), std::string::npos);
}

TEST_F(MixerStream, LeavesThePlayersOwnValueAlone) {
    ::setenv(MixerStreamVariable, "media.role='music'", 1);
    nameMixerStream();
    EXPECT_EQ(current(), "media.role='music'");
}

TEST_F(MixerStream, AnEmptyValueIsThePlayersChoiceToo) {
    // An empty override turns the naming off; it is not a missing value.
    ::setenv(MixerStreamVariable, "", 1);
    nameMixerStream();
    EXPECT_EQ(current(), "");
}
