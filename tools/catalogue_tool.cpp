// veltrane-catalogue: the maker signs the files folder's catalogue and
// checks a folder as the program will.
//
//   veltrane-catalogue sign <files folder> <private key PEM> --version N
//       [--date YYYY-MM-DD] [--floor MODEL=VERSION]... [--notes NAME=TEXT]...
//   veltrane-catalogue verify <files folder> <public key PEM>...
//
// Exit codes: 0 all is well, 1 a problem (each said in a sentence), 2 usage.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "tools/catalogue_signing.h"

namespace {

constexpr int kExitProblem = 1;
constexpr int kExitUsage = 2;

int Usage() {
    std::fputs(
        "usage: veltrane-catalogue sign <files folder> <private key PEM> --version N [--date YYYY-MM-DD]\n"
        "                               [--floor MODEL=VERSION]... [--notes NAME=TEXT]...\n"
        "       veltrane-catalogue verify <files folder> <public key PEM>...\n",
        stderr);
    return kExitUsage;
}

std::string TodayUtc() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &parts);
    return date;
}

// "LEFT=RIGHT" into its two sides; false without "=" or with an empty left.
bool SplitPair(const std::string& text, std::pair<std::string, std::string>& out) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) return false;
    out = {text.substr(0, equals), text.substr(equals + 1)};
    return true;
}

bool ParseSignOptions(int argc, char** argv, CatalogueOptions& options) {
    options.date = TodayUtc();
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        std::pair<std::string, std::string> pair;
        if (option == "--version") {
            char* end = nullptr;
            options.version = std::strtoll(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || options.version < 1) return false;
        } else if (option == "--date") {
            options.date = value;
        } else if (option == "--floor" && SplitPair(value, pair)) {
            options.floors.push_back(pair);
        } else if (option == "--notes" && SplitPair(value, pair)) {
            options.notes.push_back(pair);
        } else {
            return false;
        }
    }
    return options.version >= 1;
}

int Sign(int argc, char** argv) {
    CatalogueOptions options;
    if (argc < 4 || !ParseSignOptions(argc, argv, options)) return Usage();
    std::vector<std::string> notices;
    std::string problem;
    const bool signedIt = SignCatalogueFolder(argv[2], argv[3], options, notices, problem);
    for (const std::string& notice : notices) std::fprintf(stderr, "%s\n", notice.c_str());
    if (!signedIt) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return kExitProblem;
    }
    std::printf("Signed the catalogue of %s (version %lld).\n", argv[2], static_cast<long long>(options.version));
    return 0;
}

int Verify(int argc, char** argv) {
    if (argc < 4) return Usage();
    std::vector<CatalogueKey> keys;
    for (int i = 3; i < argc; ++i) {
        CatalogueKey key;
        std::string problem;
        if (!LoadCataloguePublicKey(argv[i], key, problem)) {
            std::fprintf(stderr, "%s\n", problem.c_str());
            return kExitProblem;
        }
        keys.push_back(key);
    }
    const std::vector<std::string> problems = VerifyCatalogueFolder(argv[2], keys);
    for (const std::string& problem : problems) std::printf("%s\n", problem.c_str());
    if (!problems.empty()) return kExitProblem;
    std::printf("The catalogue of %s is signed and every file in it matches.\n", argv[2]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    if (command == "sign") return Sign(argc, argv);
    if (command == "verify") return Verify(argc, argv);
    return Usage();
}
