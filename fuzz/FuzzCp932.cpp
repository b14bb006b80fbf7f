// SPDX-License-Identifier: MIT
// Code page 932 decoding of arbitrary bytes. Besides never crashing, the
// decoder must keep its promises: one character per byte or byte pair, U+FFFD
// exactly where a byte was bad, and the same text as ICU's table wherever the
// two agree by design.

#include "FuzzCheck.h"
#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

using hanashi::decodeCp932;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    bool error = false;
    const QString text = decodeCp932(bytes, &error);

    // Every character takes one or two bytes, so the text is never empty for
    // bytes and never longer than they are.
    FUZZ_CHECK(text.isEmpty() == bytes.isEmpty());
    FUZZ_CHECK(text.size() <= bytes.size());
    FUZZ_CHECK(2 * text.size() >= bytes.size());
    // No code page 932 character decodes to U+FFFD, so it marks the bad bytes.
    FUZZ_CHECK(error == text.contains(QChar(0xFFFD)));
    for (QChar c : text)
        FUZZ_CHECK(!c.isSurrogate());

    // Bytes below 0x40 are neither lead nor trail bytes: decoding may be cut
    // after one (the line reader relies on this for CR and LF).
    for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
        if (static_cast<unsigned char>(bytes[cut]) < 0x40) {
            FUZZ_CHECK(decodeCp932(bytes.first(cut + 1)) + decodeCp932(bytes.sliced(cut + 1)) ==
                       text);
            break;
        }
    }

    // The converter is kept between calls: decoding again gives the same.
    bool again = !error;
    FUZZ_CHECK(decodeCp932(bytes, &again) == text);
    FUZZ_CHECK(again == error);

    // ICU's table is code page 932 too; it differs only in swapping the
    // control bytes 0x1A, 0x1C and 0x7F, both ways.
    if (!error && !bytes.contains('\x1A') && !bytes.contains('\x1C') && !bytes.contains('\x7F')) {
        QStringDecoder icu("Shift_JIS", QStringDecoder::Flag::Stateless);
        FUZZ_CHECK(QString(icu(bytes)) == text);
        // Encoding the text again and decoding that gives the same text (the
        // bytes may differ: NEC and IBM rows hold some characters twice).
        QStringEncoder encoder("Shift_JIS");
        const QByteArray back = encoder(text);
        FUZZ_CHECK(!encoder.hasError());
        bool backError = true;
        FUZZ_CHECK(decodeCp932(back, &backError) == text);
        FUZZ_CHECK(!backError);
    }
    return 0;
}
