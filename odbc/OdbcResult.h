#pragma once

#include <map>

namespace easyodbc {

// The rows of a query run by OdbcConnection; the statement stays the connection's.
class OdbcResult {
 public:
  explicit OdbcResult(void* statement) : stmt_(statement) {}
  OdbcResult(OdbcResult&&) = default;
  OdbcResult(const OdbcResult&) = delete;
  OdbcResult& operator=(const OdbcResult&) = delete;

  // Each false at the end of the data; a driver error throws EasyODBCException.
  bool Next();
  bool Prior();
  bool First();
  bool Last();
  // Binds a result column (from 1) as character data of at most size bytes.
  void BindColumn(unsigned short column, char* buffer, long size);

 private:
  bool Fetch(short orientation);
  [[noreturn]] void ThrowDiagnostic();

  void* stmt_;  // the connection's statement handle
  // Length indicators of the bound columns; map nodes stay put when the result moves.
  std::map<unsigned short, long> indicators_;
};

}  // namespace easyodbc
