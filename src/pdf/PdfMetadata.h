#pragma once
// The document information of the PDF of a spooled file, from its attributes.
#include <string>
#include <vector>

namespace oprinter {

// Texts in the attributes' own 8-bit character set.
struct PdfMetadata {
    std::string title;         // "Nome"
    std::string author;        // "Utente"
    std::string subject;       // "NomeLavoro/Utente/Numero", the qualified job name
    std::string keywords;      // "DatiUtente"
    std::string creationDate;  // "YYYY-MM-DDThh:mm:ss", empty when unknown
};

// items are the spool file's name=value attribute items.
PdfMetadata MetadataOf(const std::vector<std::string>& items);

}  // namespace oprinter
