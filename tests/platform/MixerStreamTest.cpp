// SPDX-License-Identifier: MIT
#include "platform/MixerStream.h"
#include "platform/PulseOutput.h"
#include "platform/SoundSource.h"
#include "support/NullSinkServer.h"
#include "support/OwnProcess.h"

#include <QMap>
#include <QRegularExpression>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace hanashi;

namespace {

// Enough to make a stream: the test looks only at what names it.
class Silence : public SoundSource {
public:
    int renderS16(std::int16_t* interleaved, int frames, bool) override {
        std::fill(interleaved, interleaved + 2 * frames, std::int16_t(0));
        return frames;
    }
    int renderFloat(float* left, float* right, int frames, bool) override {
        std::fill(left, left + frames, 0.0F);
        std::fill(right, right + frames, 0.0F);
        return frames;
    }
};

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

    // What the sound server tells a mixer of the game's music stream: its
    // properties by name, as pactl lists them.
    QMap<QString, QString> seenByTheMixer() {
        QMap<QString, QString> properties;
        const std::unique_ptr<PulseOutput> output = PulseOutput::connect();
        Silence silence;
        if (!output || !output->start(silence, 44100)) {
            ADD_FAILURE() << "no stream";
            return properties;
        }
        QString listing;
        if (!OwnProcess::waitUntil([&] {
                listing = server.sinkInputs().value_or(QString());
                return listing.contains(QStringLiteral("media.name = \"Music\""));
            })) {
            ADD_FAILURE() << "the server shows no stream";
            return properties;
        }
        static const QRegularExpression property(QStringLiteral("^\\s*([\\w.]+) = \"(.*)\"$"),
                                                 QRegularExpression::MultilineOption);
        for (const QRegularExpressionMatch& match : property.globalMatch(listing))
            properties[match.captured(1)] = match.captured(2);
        return properties;
    }

    NullSinkServer server;

private:
    std::optional<std::string> m_saved;
};

} // namespace

// The mixer shows the game by its name and icon, as a game, unless the
// player set the properties: their value stands, even an empty one.
TEST_F(MixerStream, NamesTheGameAsAGameUnlessThePlayerSetTheProperties) {
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    const QString keys[] = {"application.name", "application.icon_name", "media.role"};
    const QString game[] = {"hanashi", "hanashi", "game"};
    const struct {
        std::optional<const char*> players;
        QStringList shown; // empty: anything but the game's own value
    } cases[] = {
        {std::nullopt, {"hanashi", "hanashi", "game"}},
        // The output names its client itself.
        {"media.role='music'", {"hanashi", "", "music"}},
        {"", {"hanashi", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.players.value_or("unset"));
        if (c.players)
            ::setenv(MixerStreamVariable, *c.players, 1);
        nameMixerStream();
        const QMap<QString, QString> seen = seenByTheMixer();
        for (int i = 0; i < 3; ++i) {
            const std::string shown = seen.value(keys[i]).toStdString();
            if (c.shown[i].isEmpty())
                EXPECT_NE(shown, game[i].toStdString()) << keys[i].toStdString();
            else
                EXPECT_EQ(shown, c.shown[i].toStdString()) << keys[i].toStdString();
        }
    }
}
