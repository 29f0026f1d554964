// The settings reader over arbitrary files.
#include "platform/private_profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
const std::string& ScratchFile()
{
    static const std::string path = [] {
        char name[] = "/tmp/tovik-fuzz-ini-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name);
    }();
    return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = ScratchFile();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    // Names drawn from the input itself, so that lookups can hit.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string section = text.substr(0, text.find('\n') == std::string::npos ? 0 : std::min<std::size_t>(text.find('\n'), 40));
    for (const std::string& s : {std::string("SetInfo"), section})
        for (const char* key : {"count", "host1", "passwd", ""}) {
            const std::string value = GetPrivateProfileString(s, key, "dflt", 255, path);
            if (value.size() > 254)
                std::abort();
        }
    return 0;
}
