// Creating a new, empty database file (the isql "CREATE DATABASE" statement as a call).
#pragma once

#include <string>

namespace kvr::firebird {

struct DatabaseFileOptions {
  std::string user = "SYSDBA";
  std::string password;              // needed when `name` goes through a server
  std::string char_set = "WIN1251";  // the default character set of the database
  int page_size = 8192;
  // Synchronous writes: off suits scratch databases (tests, benchmarks), whose every commit
  // would otherwise wait for the disk.
  bool forced_writes = true;
};

// Creates the database `name` (a file path or "host/port:path") and detaches. Raises
// EIBInterBaseError with Firebird's message (for example when the file exists).
void CreateDatabaseFile(const std::string& name, const DatabaseFileOptions& options);

}  // namespace kvr::firebird
