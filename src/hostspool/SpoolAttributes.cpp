#include "hostspool/SpoolAttributes.h"

#include <exception>

namespace oprinter {

void AddSpoolData(std::string_view version, const TSpoolListRec& record, std::vector<std::string>& spoolInfo,
                  HostLog& log) {
    try {
        spoolInfo.clear();
        auto add = [&spoolInfo](std::string_view name, std::string_view value) {
            spoolInfo.push_back(std::string(name) + "=" + std::string(value));
        };
        add("Versione", version);
        add("Nome", record.Nome);
        add("Utente", record.Utente);
        add("Unita", record.Unita);
        add("DatiUtente", record.DatiUtente);
        add("Stato", record.Stato);
        add("PagineTotali", record.PagineTotali);
        add("PagineAttuali", record.PagineAttuali);
        add("NumeroCopie", record.NumeroCopie);
        add("Modulo", record.Modulo);
        add("Tipo", record.Tipo);
        add("Priorit\xE0", record.Priorita);  // a-grave in ISO 8859-1
        add("DataCreazione", record.DataCreazione);
        add("OraCreazione", record.OraCreazione);
        add("NumeroFile", record.NumeroFile);
        add("NomeLavoro", record.NomeLavoro);
        add("Numero", record.Numero);
        add("Coda", record.Coda);
        add("Libreria", record.Libreria);
        add("ASP", record.ASP);
        add("DataUtilizzo", record.DataUtilizzo);
        add("Dimensione", record.Dimensione);
    } catch (const std::exception& error) {
        log.WriteLog(std::string("AddSpoolData Error: ") + error.what());
    }
}

}  // namespace oprinter
