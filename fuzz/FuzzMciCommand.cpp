// SPDX-License-Identifier: MIT
// Multimedia command strings, one per line of the input, sent to interpreters
// over the fake MIDI engine. The first byte is the reply length offered
// (negative ones included). Whatever the text, a command must be refused
// cleanly or carried out, a reply must fit the length given, and the devices
// must stay one per alias.

#include "FuzzCheck.h"
#include "platform/MciCommand.h"
#include "platform/MciInterpreter.h"
#include "support/FakeMidiEngine.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

using namespace hanashi;

namespace {

QString quoted(const QString& word) {
    return QLatin1Char('"') + word + QLatin1Char('"');
}

// The command written back in its plainest form.
QString written(const MciCommand& c) {
    static const char* const verbs[] = {"open", "close", "play", "stop", "status", "seek"};
    QString text =
        QLatin1String(verbs[static_cast<int>(c.verb)]) + QLatin1Char(' ') + quoted(c.device);
    if (c.verb == MciCommand::Verb::Open)
        text += QLatin1String(" alias ") + quoted(c.alias);
    if (c.from)
        text += QLatin1String(" from ") + QString::number(*c.from);
    if (c.verb == MciCommand::Verb::Status)
        text += QLatin1String(" mode");
    if (c.verb == MciCommand::Verb::Seek)
        text += QLatin1String(" to start");
    return text;
}

bool takesNotify(MciCommand::Verb verb) {
    return verb == MciCommand::Verb::Close || verb == MciCommand::Verb::Play ||
           verb == MciCommand::Verb::Stop;
}

struct Rig {
    FakeMidiEngine* engine;
    MciInterpreter mci;
    Rig()
        : Rig(std::make_unique<FakeMidiEngine>()) {}

private:
    explicit Rig(std::unique_ptr<FakeMidiEngine> fake)
        : engine(fake.get())
        , mci(std::move(fake)) {
        engine->failing.insert(QStringLiteral("/m/broken.mid"));
    }
};

bool isOpen(Rig& rig, const QString& alias) {
    return rig.mci.sendString(QStringLiteral("status ") + quoted(alias) + QStringLiteral(" mode"),
                              nullptr, 0) == 0;
}

// How many of the aliases ever opened have a device now.
std::size_t openAliases(Rig& rig, const QSet<QString>& aliases) {
    return static_cast<std::size_t>(
        std::count_if(aliases.begin(), aliases.end(),
                      [&rig](const QString& alias) { return isOpen(rig, alias); }));
}

QString modeOf(Rig& rig, const QString& alias) {
    QString reply;
    FUZZ_CHECK(
        rig.mci.sendString(QStringLiteral("status ") + quoted(alias) + QStringLiteral(" mode"),
                           &reply, 100) == 0);
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int replyLength = static_cast<std::int8_t>(data[0]);
    const QStringList commands =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1))
            .split(QLatin1Char('\n'));

    Rig withReply;
    Rig withoutReply;
    QSet<QString> opened; // aliases, as the interpreter compares them
    int sent = 0;
    for (const QString& command : commands) {
        if (++sent > 64)
            break;
        MciCommand parsed;
        const MciError parseError = MciCommand::parse(command, parsed);
        const std::size_t devicesBefore = withReply.engine->liveDevices().size();
        const qsizetype journalBefore = withReply.engine->journal().size();

        const QString unset = QStringLiteral("(unset)");
        QString reply = unset;
        const int code = withReply.mci.sendString(command, &reply, replyLength);
        FUZZ_CHECK(code >= 0 && code <= mciCode(MciError::DeviceFailed));
        // Whether a reply is asked for changes nothing else.
        FUZZ_CHECK(withoutReply.mci.sendString(command, nullptr, replyLength) == code);
        FUZZ_CHECK(withoutReply.engine->liveDevices().size() ==
                   withReply.engine->liveDevices().size());
        if (parseError == MciError::None && parsed.verb == MciCommand::Verb::Open)
            opened.insert(parsed.alias.toCaseFolded());
        // One device per alias, and none left over from a close or reopen.
        FUZZ_CHECK(withReply.engine->liveDevices().size() == openAliases(withReply, opened));

        if (parseError != MciError::None) {
            // Refused before anything was touched.
            FUZZ_CHECK(code == mciCode(parseError));
            FUZZ_CHECK(reply == unset);
            FUZZ_CHECK(withReply.engine->liveDevices().size() == devicesBefore);
            FUZZ_CHECK(withReply.engine->journal().size() == journalBefore);
            continue;
        }

        // What was understood reads the same when written plainly, with or
        // without notify where the verb takes it.
        for (const bool notify : {false, true}) {
            if (notify && !takesNotify(parsed.verb))
                continue;
            MciCommand again;
            FUZZ_CHECK(MciCommand::parse(written(parsed) + (notify ? " notify" : ""), again) ==
                       MciError::None);
            FUZZ_CHECK(again.verb == parsed.verb && again.device == parsed.device &&
                       again.alias == parsed.alias && again.from == parsed.from);
        }

        if (parsed.verb == MciCommand::Verb::Status && code == 0) {
            FUZZ_CHECK(reply.size() <= std::max(replyLength, 0));
            FUZZ_CHECK(QStringLiteral("playing").startsWith(reply) ||
                       QStringLiteral("stopped").startsWith(reply));
        } else {
            FUZZ_CHECK(reply == unset);
        }
        if (code != 0)
            continue;
        switch (parsed.verb) {
        case MciCommand::Verb::Open:
            FUZZ_CHECK(modeOf(withReply, parsed.alias) == QStringLiteral("stopped"));
            break;
        case MciCommand::Verb::Close:
            FUZZ_CHECK(!isOpen(withReply, parsed.device));
            break;
        case MciCommand::Verb::Play:
            FUZZ_CHECK(modeOf(withReply, parsed.device) == QStringLiteral("playing"));
            break;
        case MciCommand::Verb::Stop:
            FUZZ_CHECK(modeOf(withReply, parsed.device) == QStringLiteral("stopped"));
            break;
        case MciCommand::Verb::Status:
        case MciCommand::Verb::Seek:
            break;
        }
    }
    return 0;
}
