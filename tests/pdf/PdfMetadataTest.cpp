#include <gtest/gtest.h>

#include "pdf/PdfMetadata.h"

namespace oprinter {
namespace {

TEST(PdfMetadata, FromTheAttributes) {
    const PdfMetadata metadata =
        MetadataOf({"Versione=V7R4M0", "Nome=QSYSPRT", "Utente=ROSSI", "DatiUtente=MONTHLY REPORT",
                    "DataCreazione=08/12/26", "OraCreazione=09:15:02", "NomeLavoro=QPADEV0001", "Numero=123456",
                    "NomeLavoroX=not this", "RighePerPagina=66"});
    EXPECT_EQ(metadata.title, "QSYSPRT");
    EXPECT_EQ(metadata.author, "ROSSI");
    EXPECT_EQ(metadata.subject, "QPADEV0001/ROSSI/123456");
    EXPECT_EQ(metadata.keywords, "MONTHLY REPORT");
    EXPECT_EQ(metadata.creationDate, "2026-12-08T09:15:02");
}

TEST(PdfMetadata, CreationDateOfEitherHostPathOrNone) {
    const auto date = [](const std::string& day, const std::string& time) {
        return MetadataOf({"DataCreazione=" + day, "OraCreazione=" + time}).creationDate;
    };
    EXPECT_EQ(date("08/12/2026", "23:59:59"), "2026-12-08T23:59:59");
    EXPECT_EQ(date("", "09:15:02"), "");
    EXPECT_EQ(date("32/12/26", "09:15:02"), "");
    EXPECT_EQ(date("08/12/26", "24:00:00"), "");
    EXPECT_EQ(date("08/12/26x", "09:15:02"), "");
    EXPECT_EQ(date("-1/12/26", "09:15:02"), "");
}

TEST(PdfMetadata, NoAttributesNoInformation) {
    const PdfMetadata metadata = MetadataOf({"RighePerPagina=66", "CaratteriPerRiga=132"});
    EXPECT_EQ(metadata.title, "");
    EXPECT_EQ(metadata.subject, "");
    EXPECT_EQ(metadata.creationDate, "");
}

}  // namespace
}  // namespace oprinter
