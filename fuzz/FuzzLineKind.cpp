// SPDX-License-Identifier: MIT
// The line classifier and the first-character cut on the lines of arbitrary
// scripts (through the real line reader), and on raw UTF-16, lone surrogates
// included. Each line is checked against the marker rules written out with
// standard strings, and against what editing a line may and may not change.

#include "FuzzCheck.h"
#include "platform/LineReader.h"
#include "story/LineKind.h"

#include <QList>
#include <string_view>

using namespace hanashi;

namespace {

LineKind byTheRules(const QString& line) {
    const std::u16string_view text(reinterpret_cast<const char16_t*>(line.utf16()),
                                   static_cast<std::size_t>(line.size()));
    if (text.find(u">ive") != std::u16string_view::npos)
        return LineKind::Branch;
    if (text.find(u">end") != std::u16string_view::npos)
        return LineKind::Restart;
    if (!text.empty() && text.front() == u'*')
        return LineKind::Question;
    return LineKind::Story;
}

bool isMarker(LineKind kind) {
    return kind == LineKind::Branch || kind == LineKind::Restart;
}

void checkLine(const QString& line, bool wellFormed) {
    const LineKind kind = classifyLine(line);
    FUZZ_CHECK(kind == byTheRules(line));
    FUZZ_CHECK(classifyLine(line) == kind);

    // A marker counts wherever it stands, so text around it changes nothing.
    if (isMarker(kind)) {
        FUZZ_CHECK(classifyLine(QStringLiteral("x") + line + QStringLiteral("y")) == kind);
        FUZZ_CHECK(classifyLine(QStringLiteral("*") + line) == kind);
    } else {
        // Without a marker, only the first character decides.
        FUZZ_CHECK(classifyLine(QStringLiteral("*") + line) == LineKind::Question);
        FUZZ_CHECK(classifyLine(QStringLiteral(" ") + line) == LineKind::Story);
    }

    const QString rest = withoutFirstCharacter(line);
    if (line.isEmpty()) {
        FUZZ_CHECK(rest.isEmpty());
    } else {
        FUZZ_CHECK(line.endsWith(rest));
        FUZZ_CHECK(rest.size() == line.size() - 1 || rest.size() == line.size() - 2);
        // One whole character goes, never half of one.
        if (wellFormed)
            FUZZ_CHECK(rest.toUcs4() == line.toUcs4().mid(1));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
    if (data[0] & 1) {
        // Raw UTF-16 units, as no decoder would produce them.
        checkLine(QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2),
                  false);
        return 0;
    }
    LineReader reader(bytes);
    while (!reader.atEnd())
        checkLine(reader.readLine(), true);
    return 0;
}
