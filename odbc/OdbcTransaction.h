#pragma once

namespace bx::odbc {

class OdbcSession;

// Makes the statements run on a session while the object lives one transaction:
// the session leaves auto-commit, Commit makes the work durable, and whatever was
// not committed is rolled back when the object goes (auto-commit comes back).
// Failures throw CDBException.
class OdbcTransaction {
 public:
  explicit OdbcTransaction(OdbcSession& session);
  ~OdbcTransaction();
  OdbcTransaction(const OdbcTransaction&) = delete;
  OdbcTransaction& operator=(const OdbcTransaction&) = delete;

  void Commit();

 private:
  void* dbc_;
  bool open_ = true;
};

}  // namespace bx::odbc
