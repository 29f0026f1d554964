#pragma once
// glibc iconv as an independent reference converter for the tests.

#include <iconv.h>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace jconv_test {

class IconvCodec {
public:
    IconvCodec(const char* to, const char* from) : cd_(iconv_open(to, from))
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv_open ") + from + " -> " + to);
    }
    IconvCodec(const IconvCodec&) = delete;
    IconvCodec& operator=(const IconvCodec&) = delete;
    ~IconvCodec() { iconv_close(cd_); }

    // The whole text converted from the initial shift state and returned to
    // it at the end; nothing when iconv rejects any of it.
    std::optional<std::string> Convert(std::string_view text) const
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out(text.size() * 4 + 16, '\0');
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        if (iconv(cd_, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
            return std::nullopt;
        if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t cd_;
};

} // namespace jconv_test
