#include "pdf/PdfMetadata.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string_view>

namespace oprinter {

namespace {

std::string ValueOf(const std::vector<std::string>& items, std::string_view name) {
    for (const std::string& item : items) {
        if (item.size() > name.size() && item.starts_with(name) && item[name.size()] == '=') {
            return item.substr(name.size() + 1);
        }
    }
    return {};
}

// The three numbers of a text such as "08/12/26", "08/12/2026" or "09:15:30".
std::optional<std::array<int, 3>> ThreeNumbers(const std::string& text) {
    std::array<int, 3> numbers{};
    char separator1 = 0, separator2 = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d%n", &numbers[0], &separator1, &numbers[1], &separator2, &numbers[2],
                    &consumed) != 5 ||
        static_cast<size_t>(consumed) != text.size()) {
        return std::nullopt;
    }
    return numbers;
}

// "DataCreazione" is day, month and year (two digits are this century's);
// "OraCreazione" hours, minutes and seconds.
std::string CreationDate(const std::string& date, const std::string& time) {
    const auto day = ThreeNumbers(date);
    const auto clock = ThreeNumbers(time);
    if (!day || !clock) return {};
    const int year = (*day)[2] < 100 ? 2000 + (*day)[2] : (*day)[2];
    const bool valid = (*day)[0] >= 1 && (*day)[0] <= 31 && (*day)[1] >= 1 && (*day)[1] <= 12 && year <= 9999 &&
                       (*clock)[0] >= 0 && (*clock)[0] < 24 && (*clock)[1] >= 0 && (*clock)[1] < 60 &&
                       (*clock)[2] >= 0 && (*clock)[2] < 60;
    if (!valid) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year, (*day)[1], (*day)[0], (*clock)[0],
                  (*clock)[1], (*clock)[2]);
    return text;
}

}  // namespace

PdfMetadata MetadataOf(const std::vector<std::string>& items) {
    PdfMetadata metadata;
    metadata.title = ValueOf(items, "Nome");
    metadata.author = ValueOf(items, "Utente");
    const std::string job = ValueOf(items, "NomeLavoro");
    const std::string number = ValueOf(items, "Numero");
    if (!job.empty() || !number.empty()) metadata.subject = job + "/" + metadata.author + "/" + number;
    metadata.keywords = ValueOf(items, "DatiUtente");
    metadata.creationDate = CreationDate(ValueOf(items, "DataCreazione"), ValueOf(items, "OraCreazione"));
    return metadata;
}

}  // namespace oprinter
