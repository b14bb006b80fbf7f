// SPDX-License-Identifier: MIT
#include "platform/MciCommand.h"

#include <QStringList>

namespace hanashi {

namespace {

// Splits at white space. A token that starts with a double quote runs to the
// next double quote, which must end the token. Returns false on a stray or
// unclosed quote.
bool tokenize(const QString& text, QStringList& tokens) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && text[i].isSpace())
            ++i;
        if (i == n)
            return true;
        QString token;
        if (text[i] == u'"') {
            const qsizetype close = text.indexOf(u'"', i + 1);
            if (close < 0)
                return false;
            token = text.mid(i + 1, close - i - 1);
            i = close + 1;
            if (i < n && !text[i].isSpace())
                return false;
        } else {
            const qsizetype start = i;
            while (i < n && !text[i].isSpace()) {
                if (text[i] == u'"')
                    return false;
                ++i;
            }
            token = text.mid(start, i - start);
        }
        tokens.append(token);
    }
}

bool is(const QString& token, const char* keyword) {
    return token.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

std::optional<MciCommand::Verb> verbOf(const QString& word) {
    using Verb = MciCommand::Verb;
    static const struct {
        const char* word;
        Verb verb;
    } verbs[] = {{"open", Verb::Open}, {"close", Verb::Close},   {"play", Verb::Play},
                 {"stop", Verb::Stop}, {"status", Verb::Status}, {"seek", Verb::Seek}};
    for (const auto& v : verbs) {
        if (is(word, v.word))
            return v.verb;
    }
    return std::nullopt;
}

// Positions are plain decimal digits; signs, spaces and overflow are refused.
std::optional<int> position(const QString& token) {
    if (token.isEmpty() || token.size() > 9)
        return std::nullopt;
    int value = 0;
    for (QChar c : token) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

MciError MciCommand::parse(const QString& text, MciCommand& command) {
    QStringList tokens;
    if (!tokenize(text, tokens) || tokens.isEmpty())
        return MciError::UnrecognizedCommand;
    const auto verb = verbOf(tokens[0]);
    if (!verb)
        return MciError::UnrecognizedCommand;
    if (tokens.size() < 2 || tokens[1].isEmpty())
        return MciError::MissingParameter;

    command = MciCommand{};
    command.verb = *verb;
    command.device = tokens[1];

    bool sawMode = false;
    bool sawStart = false;
    for (qsizetype i = 2; i < tokens.size(); ++i) {
        const QString& word = tokens[i];
        const bool hasValue = i + 1 < tokens.size();
        if (is(word, "notify") && *verb != Verb::Open && *verb != Verb::Status &&
            *verb != Verb::Seek) {
            continue; // accepted, and changes nothing
        } else if (is(word, "alias") && *verb == Verb::Open && command.alias.isEmpty()) {
            if (!hasValue || tokens[i + 1].isEmpty())
                return MciError::MissingParameter;
            command.alias = tokens[++i];
        } else if (is(word, "from") && *verb == Verb::Play && !command.from) {
            if (!hasValue)
                return MciError::MissingParameter;
            command.from = position(tokens[++i]);
            if (!command.from)
                return MciError::BadParameter;
        } else if (is(word, "mode") && *verb == Verb::Status && !sawMode) {
            sawMode = true;
        } else if (is(word, "to") && *verb == Verb::Seek && !sawStart) {
            if (!hasValue)
                return MciError::MissingParameter;
            if (!is(tokens[++i], "start"))
                return MciError::BadParameter;
            sawStart = true;
        } else {
            return MciError::UnrecognizedCommand;
        }
    }

    if (*verb == Verb::Open && command.alias.isEmpty())
        return MciError::MissingParameter;
    if (*verb == Verb::Status && !sawMode)
        return MciError::MissingParameter;
    if (*verb == Verb::Seek && !sawStart)
        return MciError::MissingParameter;
    return MciError::None;
}

} // namespace hanashi
