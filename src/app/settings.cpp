#include "app/settings.h"

#include "platform/exception.h"
#include "platform/private_profile.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

constexpr int kMaxHosts = 5;
constexpr int kDefaultPort = 110;
constexpr int kPop3sPort = 995;
// The readers hand a 256-byte buffer with size 255: values keep 254 bytes.
constexpr std::size_t kValueBufferSize = 255;

// Path of the file LoadSettings is reading; empty outside it, so a stray
// reader call finds no file and gets its default.
std::string IniFileName;

class IniFileScope {
public:
    explicit IniFileScope(const std::string& path) { IniFileName = path; }
    ~IniFileScope() { IniFileName.clear(); }
    IniFileScope(const IniFileScope&) = delete;
    IniFileScope& operator=(const IniFileScope&) = delete;
};

bool FileExists(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// The run-time library's whole-number conversion: an optional sign, then
// decimal digits, or '$' and hexadecimal digits (all 32 bits, so $FFFFFFFF is
// -1). Anything else, empty text included, is a conversion error.
int StrToInt(const std::string& text)
{
    const auto invalid = [&text] { return EConvertError("'" + text + "' is not a valid integer value"); };

    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const bool hex = pos < text.size() && text[pos] == '$';
    if (hex)
        ++pos;
    if (pos == text.size())
        throw invalid();

    const int base = hex ? 16 : 10;
    const std::uint64_t limit = hex ? 0xFFFFFFFFULL : negative ? 0x80000000ULL : 0x7FFFFFFFULL;
    std::uint64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos]);
        if (digit >= base)
            throw invalid();
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > limit)
            throw invalid();
    }
    // Modulo 2^32, as the 32-bit result of the original.
    const auto bits = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(negative ? 0U - bits : bits);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Our extension: an account may name its POP3 port; anything unusable means
// the standard one (995 for POP3S).
int ReadPort(const std::string& section, int standardPort)
{
    const std::string text = ReadIniValue(section, "port");
    if (text.empty())
        return standardPort;
    try {
        const int port = StrToInt(text);
        return port >= 1 && port <= 65535 ? port : standardPort;
    } catch (const EConvertError&) {
        return standardPort;
    }
}

// An unknown value is kept as such: guessing "none" would quietly send the
// password in the clear.
TAccountSecurity ParseSecurity(const std::string& text)
{
    const std::string value = Lower(text);
    if (value.empty() || value == "none")
        return TAccountSecurity::None;
    if (value == "pop3s")
        return TAccountSecurity::Pop3s;
    if (value == "starttls")
        return TAccountSecurity::StartTls;
    return TAccountSecurity::Unknown;
}

void ReadSecurity(const std::string& section, Thostrec& host)
{
    host.securityText = ReadIniValue(section, "ssl");
    host.security = ParseSecurity(host.securityText);
    const std::string verify = Lower(ReadIniValue(section, "verify"));
    host.verify = !(verify == "no" || verify == "false" || verify == "off" || verify == "0");
    host.caFile = ReadIniValue(section, "cafile");
    host.port = ReadPort(section, host.security == TAccountSecurity::Pop3s ? kPop3sPort : kDefaultPort);
}

}  // namespace

std::string ProgramDirectory()
{
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};  // tovik.ini is then looked for in the current directory
    std::string directory = program.parent_path().string();
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory;
}

bool LoadSettings()
{
    return LoadSettings(ProgramDirectory() + "tovik.ini");
}

bool LoadSettings(const std::string& iniPath)
{
    if (HostData == nullptr || IniData == nullptr)
        throw std::logic_error("LoadSettings called before HostData and IniData were created");
    if (!FileExists(iniPath))
        return false;

    const IniFileScope scope(iniPath);
    // A count that is no number leaves here, before anything is filled.
    const int count = ReadHostCount();
    if (count < 1 || count > kMaxHosts)
        return true;

    IniData->hostCount = count;
    for (int n = 1; n <= count; ++n)
        IniData->hostNames[static_cast<std::size_t>(n)] = ReadSetInfoKey("host" + std::to_string(n));

    for (int n = 1; n <= count; ++n) {
        const std::string& name = IniData->hostNames[static_cast<std::size_t>(n)];
        HostData->hostCount = n;
        Thostrec& host = HostData->hosts[static_cast<std::size_t>(n)];
        host.hostName = name;
        host.popServer = ReadIniValue(name, "host_pop");
        host.userId = ReadIniValue(name, "id");
        host.password = ReadIniValue(name, "passwd");
        ReadSecurity(name, host);
    }
    return true;
}

int ReadHostCount()
{
    return StrToInt(GetPrivateProfileString("SetInfo", "count", "0", kValueBufferSize, IniFileName));
}

std::string ReadSetInfoKey(const std::string& key)
{
    return GetPrivateProfileString("SetInfo", key, "", kValueBufferSize, IniFileName);
}

std::string ReadIniValue(const std::string& section, const std::string& key)
{
    return GetPrivateProfileString(section, key, "", kValueBufferSize, IniFileName);
}
