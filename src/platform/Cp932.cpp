// SPDX-License-Identifier: MIT
#include "platform/Cp932.h"

#include "platform/RuntimeError.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace hanashi {

namespace {

// glibc's "CP932" is Microsoft's table; its "SJIS" is strict JIS X 0208 and
// Qt's decoder swaps three control bytes, so neither would do.
class Cp932Converter {
public:
    Cp932Converter()
        : m_conversion(iconv_open("UTF-16LE", "CP932")) {
        if (m_conversion == reinterpret_cast<iconv_t>(-1))
            throw RuntimeError(QStringLiteral(
                "Cannot decode code page 932: the C library has no \"CP932\" converter"));
    }
    ~Cp932Converter() { iconv_close(m_conversion); }
    Cp932Converter(const Cp932Converter&) = delete;
    Cp932Converter& operator=(const Cp932Converter&) = delete;

    QString decode(QByteArrayView bytes, bool* hadError) {
        bool error = false;
        // A CP932 byte never yields more than one UTF-16 unit, and the
        // replacement character is one unit too.
        QString out(bytes.size(), Qt::Uninitialized);
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = static_cast<size_t>(bytes.size());
        char* outPtr = reinterpret_cast<char*>(out.data());
        size_t outLeft = static_cast<size_t>(out.size()) * 2;

        iconv(m_conversion, nullptr, nullptr, nullptr, nullptr);
        while (inLeft > 0) {
            if (iconv(m_conversion, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1))
                break;
            // EILSEQ or EINVAL (a lead byte at the very end): mark the byte,
            // skip it alone and start afresh with the next one.
            error = true;
            const char16_t replacement = u'\uFFFD';
            std::memcpy(outPtr, &replacement, 2);
            outPtr += 2;
            outLeft -= 2;
            ++in;
            --inLeft;
            iconv(m_conversion, nullptr, nullptr, nullptr, nullptr);
        }
        out.truncate(static_cast<qsizetype>((outPtr - reinterpret_cast<char*>(out.data())) / 2));
        if (hadError)
            *hadError = error;
        return out;
    }

private:
    iconv_t m_conversion;
};

} // namespace

QString decodeCp932(QByteArrayView bytes, bool* hadError) {
    thread_local Cp932Converter converter;
    return converter.decode(bytes, hadError);
}

} // namespace hanashi
