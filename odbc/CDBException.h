#pragma once

#include <stdexcept>
#include <string>

// A database error of the recordset layer: the ODBC return code, the driver's
// message and its SQLSTATE.
class CDBException : public std::runtime_error {
 public:
  CDBException(int returnCode, std::string error, std::string state = "HY000", int nativeError = 0)
      : std::runtime_error(error),
        m_nRetCode(returnCode),
        m_strError(std::move(error)),
        m_strState(std::move(state)),
        m_nNativeError(nativeError) {}

  // "ODBC Error:" with the return code and the description, as the message boxes show it.
  std::string ErrorText() const {
    return "ODBC Error:\n\n Error Code: " + std::to_string(m_nRetCode) + "\nDescription: " + m_strError;
  }
  // A unique index or key refused the row. The SQLite driver reports it as a general
  // error with SQLite's own constraint code.
  bool IsUniqueViolation() const {
    constexpr int kSqliteConstraint = 19;
    return m_strState == "23505" || m_strState == "23000" ||
           (m_nNativeError == kSqliteConstraint && m_strError.find("UNIQUE constraint") != std::string::npos);
  }

  int m_nRetCode;
  std::string m_strError;
  std::string m_strState;
  int m_nNativeError;
};
