// oprinterctl show [--json | --text] FILE.spool: prints a spool file's
// attributes and text. Bytes are printed as stored (ISO 8859-1), except in
// JSON, which is UTF-8.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/oprinterctl/Commands.h"
#include "app/oprinterctl/JsonText.h"
#include "datastream/SpoolFileReader.h"

namespace oprinter::ctl {

namespace {

constexpr int kFileError = 1;
constexpr int kUsageError = 2;

enum class ShowFormat { kPlain, kJson, kText };

struct ShowOptions {
    ShowFormat format = ShowFormat::kPlain;
    std::string file;
};

std::optional<ShowOptions> ParseOptions(const std::vector<std::string>& args) {
    ShowOptions options;
    bool formatGiven = false;
    std::optional<std::string> file;
    for (const std::string& arg : args) {
        if ((arg == "--json" || arg == "--text") && !formatGiven) {
            options.format = arg == "--json" ? ShowFormat::kJson : ShowFormat::kText;
            formatGiven = true;
        } else if (arg.starts_with("-") || file) {
            return std::nullopt;
        } else {
            file = arg;
        }
    }
    if (!file) return std::nullopt;
    options.file = *file;
    return options;
}

std::optional<std::string> ReadWholeFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return content.str();
}

void Print(const std::string& bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

std::string PlainRendering(const SpoolFileContent& content) {
    std::string out;
    for (const std::string& item : content.Attributes) out += item + "\n";
    return out + "\n" + content.Text;
}

std::string JsonRendering(const SpoolFileContent& content) {
    std::string out = "{\"attributes\":{";
    for (size_t i = 0; i < content.Attributes.size(); ++i) {
        const std::string& item = content.Attributes[i];
        const size_t equals = item.find('=');
        const std::string name = item.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : item.substr(equals + 1);
        if (i > 0) out += ",";
        out += JsonString(name) + ":" + JsonString(value);
    }
    return out + "},\"text\":" + JsonString(content.Text) + "}\n";
}

}  // namespace

int RunShow(const std::vector<std::string>& args) {
    const std::optional<ShowOptions> options = ParseOptions(args);
    if (!options) {
        std::fputs("usage: oprinterctl show [--json | --text] FILE.spool\n", stderr);
        return kUsageError;
    }
    const std::optional<std::string> bytes = ReadWholeFile(options->file);
    if (!bytes) {
        std::fprintf(stderr, "oprinterctl show: %s: %s\n", options->file.c_str(), std::strerror(errno));
        return kFileError;
    }
    try {
        const SpoolFileContent content = ParseSpoolFile(*bytes);
        if (options->format == ShowFormat::kJson) Print(JsonRendering(content));
        if (options->format == ShowFormat::kText) Print(content.Text);
        if (options->format == ShowFormat::kPlain) Print(PlainRendering(content));
    } catch (const SpoolFileFormatError& error) {
        std::fprintf(stderr, "oprinterctl show: %s: not a spool file: %s\n", options->file.c_str(), error.what());
        return kFileError;
    }
    return 0;
}

}  // namespace oprinter::ctl
