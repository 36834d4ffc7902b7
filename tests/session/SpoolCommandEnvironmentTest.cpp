#include "session/SpoolCommandEnvironment.h"

#include <gtest/gtest.h>

namespace oprinter {
namespace {

TEST(SpoolCommandEnvironment, AttributesInCapitalsAndUtf8ThenThePrinterAndThePdf) {
    const EnvironmentVariables variables = SpoolCommandEnvironment(
        {"Nome=FATTUR\xC8", "NomeLavoro=QPADEV0001", "Priorit\xE0=5", "DatiUtente=a=b", "Vuoto=", "Bad Name=x",
         "=nameless", "no equals sign", std::string("Nul=a\0b", 7)},
        "WINDOWS-1252", "prt1", std::string("/srv/Spool/F.pdf"));
    EXPECT_EQ(variables, (EnvironmentVariables{{"OPRINTER_NOME", "FATTUR\xC3\x88"},
                                               {"OPRINTER_NOMELAVORO", "QPADEV0001"},
                                               {"OPRINTER_PRIORITA", "5"},
                                               {"OPRINTER_DATIUTENTE", "a=b"},
                                               {"OPRINTER_VUOTO", ""},
                                               {"OPRINTER_NUL", "ab"},
                                               {"OPRINTER_PRINTER", "prt1"},
                                               {"OPRINTER_PDF", "/srv/Spool/F.pdf"}}));
    const EnvironmentVariables withoutPdf = SpoolCommandEnvironment({}, "KLINGON", "p", std::nullopt);
    EXPECT_EQ(withoutPdf, (EnvironmentVariables{{"OPRINTER_PRINTER", "p"}}));
}

}  // namespace
}  // namespace oprinter
