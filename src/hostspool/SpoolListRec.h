#pragma once
// The attributes of one spooled file, as text, in the order the host lists them.
#include <string>

namespace oprinter {

struct TSpoolListRec {
    std::string Nome;           // spooled file name
    std::string Utente;         // user
    std::string Unita;          // device or queue
    std::string DatiUtente;     // user data
    std::string Stato;          // status
    std::string PagineTotali;   // total pages
    std::string PagineAttuali;  // current page
    std::string NumeroCopie;    // copies
    std::string Modulo;         // form type
    std::string Tipo;
    std::string Priorita;       // priority
    std::string DataCreazione;  // creation date
    std::string OraCreazione;   // creation time
    std::string NumeroFile;     // spooled file number
    std::string NomeLavoro;     // job name
    std::string Numero;         // job number
    std::string Coda;           // output queue
    std::string Libreria;       // output queue library
    std::string ASP;
    std::string DataUtilizzo;   // date last used
    std::string Dimensione;     // size
};

}  // namespace oprinter
