// The texts of kvrhost --help and kvrhost dbf --help (the man page kvrhost.1 says the same at
// length).
#include "command_line.h"

namespace kvr::host {

const char* HelpText() {
  return R"(kvrhost: plays the host program of libKVRExportCreator9.so.

Usage:
  kvrhost [OPTIONS] [--] REPORT [PARAM...]  run one report (or control command)
  kvrhost [OPTIONS] --control LIST          only hand over the host context and send control command 1000
  kvrhost dbf [--csv | -x] [-n N] FILE      show a DBF file (kvrhost dbf --help)
  kvrhost --help | --version

The library is loaded with dlopen. kvrhost calls InitReports with its query callback, sends
control command 1000 when --control is given, then calls GetReportsInStringEx with REPORT and
the parameters, and prints the result, the text (in UTF-8), the elapsed time and, after an
export, the file written, its record count and the rows per second. Results go to standard
output, errors to standard error.

Before the library is called kvrhost checks the report's parameters (their number and types)
and that the station database directory is known and holds GARVEN.FDB; a mistake is one line
on standard error and exit status 2.

Options (the host's answers may also stand in a settings file as "key = value", without the
dashes):
  --settings FILE        read settings from FILE first (lines "key = value"; # starts a comment)
  --library PATH         the library (default: $KVR_LIBRARY, else ../lib/libKVRExportCreator9.so
                         beside kvrhost, else libKVRExportCreator9.so from the loader's path)
  --root DIR             directory standing for the drives: "C:\MOLT\EXPORT\" is DIR/C/MOLT/EXPORT
                         (sets KVR_ROOT for the library)
  --database-dir DIR     query 5: directory of the station database GARVEN.FDB
  --office-mode BOOL     query 8: office reports mode (default false)
  --station NAME         query 13: station name
  --ka-column BOOL       query 17: KA column enabled (default false)
  --payment-names LIST   query 23: payment-type names separated by ';' (default: none given, so
                         the library uses its default list of 13)
  --host-kind N          query 46: host kind (default 0; 3 is the kind that matters)
  --payment-codes LIST   query 57: a catalogue object with "code[:check]" per payment type,
                         separated by ',' (default: no object)
  --control LIST         control command 1000 with elements 1 to 4 separated by ',':
                         ALLOW(0 allows office reports)[,DATABASE-DIR[,STATION[,SALE-LOG-MODE]]]
  --no-init              do not call InitReports (the library then has no callback)
  --json                 print one JSON object (result, text, file, records, elapsed time)
  --progress             show the progress line also when standard error is no terminal
  --no-progress          never show it (default: shown on a terminal after a second)
  --no-check             hand the parameters to the library unchecked (to see its own errors)
  -h, --help             this text
  -V, --version          the version

REPORT and its parameters:
  0 BEGIN END FIRST-NUMBER [SECOND-NUMBER [SHOP-DATABASE-DIR]]   sale log (SaleLog.dbf)
  1 BEGIN END                        tank events (RezLog.dbf)
  2 BEGIN END                        fuel receipts (PrxLog.dbf)
  6 LAST-SHIFT FIRST-SHIFT           tank remains (RezEnd.dbf)
  8 1 FIRST-NUMBER SECOND-NUMBER BEGIN END   payment types (ExportVidOpl.dbf)
  8 2                                discount cards (AllDscCardExport.dbf)
  8 3 FIRST-SHIFT LAST-SHIFT         dispenser information (ExportTRKInfo.dbf)
  8 4 BEGIN END                      cash receipts (ExportBCheck.dbf)
  8 5 BEGIN END                      sale discounts (ExportRsxDsc.dbf)
  # 1000 ALLOW [DATABASE-DIR [STATION [SALE-LOG-MODE]]]   control command 1000
The numbers of reports 0 and 8/1 are converted by the library but not used.

PARAM syntax:
  42 or i:42             integer
  2026-12-07T08:00       date-time (also "2026-12-07 08:00:00.000", or the date alone); d: forces it
  f:1.5                  float
  s:text                 text (a parameter that is neither integer nor date is a text anyway)
  b:true, b:false        Boolean
  null, empty            Null, Empty

Exit status: 0 success; 1 the library reported a failure (false, or an error text);
2 a usage error (or the library cannot be loaded); 130 interrupted (Ctrl-C).

Examples:
  kvrhost --root demo-root --control 0,/srv/station 8 4 2026-12-01 2026-12-08
  kvrhost --host-kind 3 --payment-names "&Cash;&Card" --payment-codes 0:1,1:2 8 1 0 0 2026-12-01 2026-12-02
  kvrhost --json --database-dir /srv/station 6 6 1
  kvrhost --settings station.conf 0 2026-12-01T00:00 2026-12-02T00:00 1 3
  kvrhost dbf demo-root/C/MOLT/EXPORT/ExportVidOpl.dbf
)";
}

const char* DbfHelpText() {
  return R"(kvrhost dbf: shows a DBF file, reading it record by record.

Usage:
  kvrhost dbf [OPTIONS] FILE

The texts are decoded from the code page the file's mark (header byte 29) names: 101 is 866,
201 is 1251, and the other marks as the common DBF readers take them (3 is 1252, 38 is 866,
...). A file without a mark (0), or with a mark no reader knows, is read as 866, the code page
of the library's tables.

Options:
  --csv                  the records as CSV (RFC 4180: a header line of the field names, lines
                         ended by CR LF, quotes where needed); deleted records are left out
  -x, --vertical         one "field: value" line per field, records one after the other
  -n, --limit N          at most N records
  --oem, --ansi          read the texts as 866 or 1251 whatever the mark says
  --code-page N          read the texts in code page N (437, 850, 852, 866, 1250 .. 1256, ...)
  -h, --help             this text

In the table and the vertical layout deleted records are marked with '*'. In CSV, text
fields lose their trailing blanks, numbers their leading ones, dates are written yyyy-mm-dd,
logical fields T or F, and an empty field stays empty.

Exit status: 0; 1 the file is not a readable DBF file; 2 a usage error or a missing file.
)";
}

}  // namespace kvr::host
