// Where the helper library takes the database password and port from: its environment.
//   CORVANE_FB_PASSWORD  the SYSDBA password (default "masterkey"; the embedded engine
//                        ignores it)
//   CORVANE_FB_PORT      the Firebird server's TCP port, 0 to 65535; 0 or unset opens database
//                        files directly with the embedded engine
#pragma once

#include <cstdint>
#include <string>

namespace kvr::corvane {

constexpr const char* kPasswordVariable = "CORVANE_FB_PASSWORD";
constexpr const char* kPortVariable = "CORVANE_FB_PORT";
constexpr const char* kDefaultPassword = "masterkey";

std::string DatabasePassword();
// Raises Exception "Invalid value of CORVANE_FB_PORT: "<text>"" for a value that is not a port.
std::int32_t DatabasePort();

}  // namespace kvr::corvane
