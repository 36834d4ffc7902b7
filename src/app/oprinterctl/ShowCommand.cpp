// oprinterctl show [--json | --text] [--raw] [--charset NAME] FILE.spool:
// prints a spool file's attributes and text, converted from the host's
// character set (Charset in OPrinter.cfg, or NAME) to the terminal's (a
// Windows console gets the characters themselves); JSON is UTF-8, and --raw
// prints the bytes as stored; otherwise control characters are shown as
// stand-ins (TerminalSafe).
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/oprinterctl/CharsetChoice.h"
#include "app/oprinterctl/Commands.h"
#include "app/oprinterctl/JsonText.h"
#include "app/oprinterctl/TerminalText.h"
#include "datastream/SpoolFileReader.h"
#include "platform/ConsoleText.h"
#include "platform/TextConverter.h"
#include "platform/WholeFile.h"

namespace oprinter::ctl {

namespace {

constexpr int kFileError = 1;
constexpr int kUsageError = 2;

enum class ShowFormat { kPlain, kJson, kText };

struct ShowOptions {
    ShowFormat format = ShowFormat::kPlain;
    bool raw = false;
    std::optional<std::string> charset;
    std::string file;
};

std::optional<ShowOptions> ParseOptions(const std::vector<std::string>& args) {
    ShowOptions options;
    bool formatGiven = false;
    std::optional<std::string> file;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "--json" || arg == "--text") && !formatGiven) {
            options.format = arg == "--json" ? ShowFormat::kJson : ShowFormat::kText;
            formatGiven = true;
        } else if (arg == "--raw" && !options.raw) {
            options.raw = true;
        } else if (arg == "--charset" && !options.charset && i + 1 < args.size()) {
            options.charset = args[++i];
        } else if (arg.starts_with("-") || file) {
            return std::nullopt;
        } else {
            file = arg;
        }
    }
    // JSON is UTF-8 by definition, so it has no raw form.
    if (!file || (options.raw && options.format == ShowFormat::kJson)) return std::nullopt;
    options.file = *file;
    return options;
}

std::string PlainRendering(const SpoolFileContent& content) {
    std::string out;
    for (const std::string& item : content.Attributes) out += item + "\n";
    return out + "\n" + content.Text;
}

std::string JsonRendering(const SpoolFileContent& content, const std::string& charset) {
    const TextConverter toUtf8(charset, "UTF-8");
    const auto JsonString = [&toUtf8](std::string_view text) { return ctl::JsonString(toUtf8.Convert(text)); };
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

// JSON is UTF-8 wherever it goes; on a console, as its characters.
void Show(const SpoolFileContent& content, const ShowOptions& options, const std::string& charset) {
    if (options.format == ShowFormat::kJson) return PrintText(JsonRendering(content, charset), "UTF-8", "UTF-8");
    const std::string bytes = options.format == ShowFormat::kText ? content.Text : PlainRendering(content);
    if (options.raw) return PrintBytes(bytes);
    PrintText(bytes, charset, TerminalCharset(), TerminalSafe);
}

}  // namespace

int RunShow(const std::vector<std::string>& args) {
    const std::optional<ShowOptions> options = ParseOptions(args);
    if (!options) {
        std::fputs("usage: oprinterctl show [--json | --text] [--raw] [--charset NAME] FILE.spool\n", stderr);
        return kUsageError;
    }
    const std::optional<std::string> charset = CharsetToUse(options->charset, "show");
    if (!charset) return kUsageError;
    try {
        Show(ParseSpoolFile(ReadWholeFile(options->file)), *options, *charset);
    } catch (const SpoolFileFormatError& error) {
        std::fprintf(stderr, "oprinterctl show: %s: not a spool file: %s\n", options->file.c_str(), error.what());
        return kFileError;
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "oprinterctl show: %s\n", error.what());
        return kFileError;
    }
    return 0;
}

}  // namespace oprinter::ctl
