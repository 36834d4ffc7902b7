"""The 22 attribute lines the printer service must take from what the host
answers, read by the host's column layouts: the WRKSPLF listing line of the
spooled file being printed, or the record the host program KXSPLL writes."""

import ftp_host

# Listing columns, 1-based and inclusive, in the order of the attribute lines
# (after "Versione=").
LISTING_COLUMNS = [
    (b"Nome", 2, 11), (b"Utente", 13, 22), (b"Unita", 24, 33), (b"DatiUtente", 35, 44),
    (b"Stato", 46, 48), (b"PagineTotali", 50, 55), (b"PagineAttuali", 57, 62),
    (b"NumeroCopie", 64, 66), (b"Modulo", 68, 71), (b"Tipo", 73, 76),
    (b"Priorit\xe0", 78, 81), (b"DataCreazione", 83, 90), (b"OraCreazione", 92, 101),
    (b"NumeroFile", 103, 106), (b"NomeLavoro", 108, 117), (b"Numero", 119, 124),
    (b"Coda", 126, 135), (b"Libreria", 137, 146), (b"ASP", 148, 151),
    (b"DataUtilizzo", 153, 160), (b"Dimensione", 162, 170),
]

# Record columns; the date comes as YYMMDD and the time as HHMMSS.
PROGRAM_COLUMNS = [
    (b"DataCreazione", 1, 6), (b"OraCreazione", 8, 13), (b"Nome", 15, 24),
    (b"NomeLavoro", 26, 35), (b"Utente", 37, 46), (b"DatiUtente", 48, 57),
    (b"Modulo", 59, 68), (b"Numero", 70, 75), (b"NumeroFile", 77, 86),
    (b"Priorit\xe0", 88, 88), (b"PagineTotali", 90, 99), (b"Stato", 101, 104),
]
PROGRAM_VERSION = b"20170501"

_TRIMMED = bytes(range(0x21))


def _columns(line, first, last):
    return line[first - 1:last].strip(_TRIMMED)


def _lines(version, values):
    return [b"Versione=" + version] + [name + b"=" + values[name] for name, _, _ in LISTING_COLUMNS]


def from_listing(attributes):
    """The host lists the spooled file it prints with status WTR."""
    first_line = ftp_host.build_listing([], "")[0].encode(ftp_host.ENCODING)
    line = ftp_host.listing_line(dict(attributes, printing=True)).encode(ftp_host.ENCODING)
    values = {name: _columns(line, first, last) for name, first, last in LISTING_COLUMNS}
    return _lines(first_line[10:16], values)


def from_program(attributes, printer_name):
    """KXSPLL marks the spooled file it prints with status WRT; what its record
    does not hold stays empty, or 0 pages printed and 1 copy."""
    line = ftp_host.kxspll_record(dict(attributes, printing=True)).encode(ftp_host.ENCODING)
    values = {name: b"" for name, _, _ in LISTING_COLUMNS}
    values.update({name: _columns(line, first, last) for name, first, last in PROGRAM_COLUMNS})
    date, time = values[b"DataCreazione"], values[b"OraCreazione"]
    values[b"DataCreazione"] = date[4:6] + b"/" + date[2:4] + b"/20" + date[0:2]
    values[b"OraCreazione"] = time[0:2] + b":" + time[2:4] + b":" + time[4:6]
    values[b"Unita"] = printer_name.encode("latin-1")
    values[b"PagineAttuali"] = b"0"
    values[b"NumeroCopie"] = b"1"
    return _lines(PROGRAM_VERSION, values)
