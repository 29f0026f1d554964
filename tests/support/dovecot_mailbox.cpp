#include "support/dovecot_mailbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

struct DovecotEnv {
    bool ok = false;
    std::string reason;
    int port = 0;
    std::string mailRoot;
    int pop3sPort = 0;
    std::string caFile;
};

DovecotEnv ReadEnv() {
    DovecotEnv env;
    const char* state = std::getenv("TOVIK_DOVECOT_STATE");
    if (state == nullptr || *state == '\0') {
        env.reason = "TOVIK_DOVECOT_STATE is not set (run the test through ctest)";
        return env;
    }
    const std::string path = std::string(state) + "/env";
    std::ifstream in(path);
    if (!in) {
        env.reason = path + " is missing: scripts/dovecot.sh did not start the server";
        return env;
    }
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "TOVIK_DOVECOT_PORT") env.port = std::atoi(value.c_str());
        if (key == "TOVIK_DOVECOT_MAILROOT") env.mailRoot = value;
        if (key == "TOVIK_DOVECOT_POP3S_PORT") env.pop3sPort = std::atoi(value.c_str());
        if (key == "TOVIK_DOVECOT_CA") env.caFile = value;
    }
    if (env.port <= 0 || env.mailRoot.empty()) {
        env.reason = path + " lacks the port or the mail root";
        return env;
    }
    env.ok = true;
    return env;
}

const DovecotEnv& Env() {
    static const DovecotEnv env = ReadEnv();
    return env;
}

const DovecotEnv& RequireEnv() {
    if (!Env().ok) throw std::runtime_error("Dovecot is not configured: " + Env().reason);
    return Env();
}

// Dovecot reads the mail as the owner of the mail root, never as root.
void GiveToMailOwner(const fs::path& path) {
    struct stat root {};
    if (::stat(RequireEnv().mailRoot.c_str(), &root) != 0) throw std::runtime_error("cannot stat the mail root");
    if (::lchown(path.c_str(), root.st_uid, root.st_gid) != 0 && errno != EPERM)
        throw std::runtime_error("chown " + path.string() + ": " + std::strerror(errno));
}

void MakeOwnedDirectory(const fs::path& path) {
    fs::create_directory(path);
    GiveToMailOwner(path);
}

// Maildir file names whose leading time stamps rise with the index: Dovecot
// sorts new mail by them, so POP3 numbers follow the given order.
std::string MaildirName(std::size_t index) {
    return std::to_string(1000000000 + index) + ".M" + std::to_string(index) + "P" + std::to_string(::getpid()) + ".tovik";
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

bool DovecotConfigured() { return Env().ok; }

std::string DovecotNotConfiguredReason() { return Env().reason; }

bool RunningUnderCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

int DovecotPort() { return RequireEnv().port; }

std::string DovecotMailRoot() { return RequireEnv().mailRoot; }

int DovecotPop3sPort() { return RequireEnv().pop3sPort; }

std::string DovecotCaFile() { return RequireEnv().caFile; }

std::string NewMailbox(const std::vector<std::string>& messages) {
    const fs::path root = RequireEnv().mailRoot;
    // Tests run in parallel processes: mkdir decides which name is free.
    static std::atomic<unsigned> counter{0};
    std::string user;
    fs::path home;
    for (;;) {
        user = "t" + std::to_string(::getpid()) + "x" + std::to_string(counter++);
        home = root / user;
        if (::mkdir(home.c_str(), 0700) == 0) break;
        if (errno != EEXIST) throw std::runtime_error("mkdir " + home.string() + ": " + std::strerror(errno));
    }
    GiveToMailOwner(home);
    const fs::path maildir = home / "Maildir";
    MakeOwnedDirectory(maildir);
    for (const char* sub : {"cur", "new", "tmp"}) MakeOwnedDirectory(maildir / sub);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const fs::path file = maildir / "new" / MaildirName(i);
        std::ofstream out(file, std::ios::binary);
        out << messages[i];
        out.close();
        if (!out) throw std::runtime_error("cannot write " + file.string());
        GiveToMailOwner(file);
    }
    return user;
}

std::vector<std::string> MailboxMessages(const std::string& user) {
    const fs::path maildir = fs::path(RequireEnv().mailRoot) / user / "Maildir";
    std::vector<fs::path> files;
    for (const char* sub : {"new", "cur"}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(maildir / sub, error))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    // Delivery order: the names' leading numbers (Dovecot appends flags to
    // names in cur, which does not change their order).
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string() < b.filename().string();
    });
    std::vector<std::string> contents;
    contents.reserve(files.size());
    for (const auto& file : files) contents.push_back(ReadFile(file));
    return contents;
}
